"""Settings of one service run."""

from dataclasses import dataclass, field

DEFAULT_PORT = 8723
LOOPBACK = "127.0.0.1"


@dataclass
class ServiceConfig:
    port: int = DEFAULT_PORT
    pictures: str = None            # folder with one sub-folder per category
    db: str = ":memory:"            # sqlite file for accounts, picture ids, favourites
    base_url: str = None            # address put into answers; default http://127.0.0.1:PORT
    login_categories: tuple = ("xiezhen",)
    max_favorites: int = 50
    list_size: int = 0              # images per image list, 0 for all
    installer: str = None           # offered by the update check
    installer_version: str = None
    installer_description: str = ""
    installer_checksum: str = None  # announced instead of the file's SHA-256
    installer_signature: object = None  # a base64 text, signing.SIGN_WITH_DEVELOPMENT_KEY or None
    session_timeout: float = 900.0  # seconds without a request before a sign-in ends
    users: list = field(default_factory=list)   # (username, password, email) created at start
    faults: list = field(default_factory=list)  # fault dicts in force from the start
    log_size: int = 500
    max_body: int = 64 * 1024       # largest request body accepted
    idle_timeout: float = 30.0      # seconds a connection may stay silent
    quiet: bool = False
