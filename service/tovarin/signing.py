"""Detached installer signatures, as scripts/sign-update makes them: the base64 of
an RSA PKCS #1 v1.5 signature over the file's SHA-256, made by openssl."""

import base64
import os
import subprocess

# For tests and local runs only: releases are signed with the release key.
DEVELOPMENT_KEY = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                               "keys", "development-only-signing-key.pem")

# Asks the Installer to sign its file with DEVELOPMENT_KEY.
SIGN_WITH_DEVELOPMENT_KEY = object()


def sign_file(path, key=DEVELOPMENT_KEY):
    """The signature of the file at path as base64 text; raises OSError when openssl fails."""
    try:
        result = subprocess.run(["openssl", "dgst", "-sha256", "-sign", key, "-binary", path],
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    except (subprocess.SubprocessError, FileNotFoundError) as error:
        raise OSError(f"openssl could not sign {path}: {error}") from None
    if result.returncode != 0 or not result.stdout:
        raise OSError(f"openssl could not sign {path}: {result.stderr.decode(errors='replace').strip()}")
    return base64.b64encode(result.stdout).decode("ascii")


def read_signature_file(path):
    """A .sig file's text, stripped; raises ValueError when it is not base64."""
    with open(path, "rb") as data:
        text = data.read(64 * 1024).decode("ascii", errors="replace").strip()
    try:
        base64.b64decode(text, validate=True)
    except ValueError:
        raise ValueError(f"{path} is not a base64 signature") from None
    return text
