"""The picture folder: one sub-folder per category key, pictures inside.

    PICTURES/fengguang/lake.jpg
    PICTURES/fengguang/thumbs/lake.jpg   (optional thumbnail, same name)
    PICTURES/Oem_Brellan/*.jpg           (optional; the partner list)

The folder is read on every request, so pictures may be added while the
service runs. A missing folder is an empty library.
"""

import os
import re
from urllib.parse import quote

PARTNER_CATEGORY = "Oem_Brellan"
PICTURE_SUFFIXES = (".jpg", ".jpeg", ".png", ".bmp", ".gif")
THUMBS_FOLDER = "thumbs"

_CATEGORY = re.compile(r"^[A-Za-z0-9_-]+$")

CONTENT_TYPES = {
    ".jpg": "image/jpeg", ".jpeg": "image/jpeg", ".png": "image/png",
    ".bmp": "image/bmp", ".gif": "image/gif",
}


def is_category_name(name):
    return bool(_CATEGORY.match(name))


def is_picture_name(name):
    return (bool(name) and not name.startswith(".") and "/" not in name and "\\" not in name
            and "\0" not in name and name.lower().endswith(PICTURE_SUFFIXES))


def content_type_of(name):
    return CONTENT_TYPES.get(os.path.splitext(name)[1].lower(), "application/octet-stream")


def url_segment(text):
    """Percent-encode one path segment (UTF-8) so base URL + file is a valid URL."""
    return quote(text, safe="")


class PictureLibrary:
    def __init__(self, root):
        self.root = os.fspath(root) if root else None

    def _folder(self, category):
        return os.path.join(self.root, category)

    def categories(self):
        """Category keys present in the folder, partner folder included, sorted."""
        if not self.root:
            return []
        try:
            entries = list(os.scandir(self.root))
        except OSError:
            return []
        return sorted(entry.name for entry in entries
                      if is_category_name(entry.name) and _is_dir(entry))

    def files(self, category):
        """Picture file names of a category, sorted; empty for an unknown one."""
        if not self.root or not is_category_name(category):
            return []
        try:
            entries = list(os.scandir(self._folder(category)))
        except OSError:
            return []
        return sorted(entry.name for entry in entries
                      if is_picture_name(entry.name) and _is_file(entry))

    def path_of(self, category, name):
        """Full path of a picture, or None when there is no such picture.
        Names that could leave the folder are refused."""
        if not self.root or not is_category_name(category) or not is_picture_name(name):
            return None
        path = os.path.join(self._folder(category), name)
        return path if os.path.isfile(path) else None

    def thumb_path_of(self, category, name):
        """The thumbnail of a picture, falling back to the picture itself."""
        if self.path_of(category, name) is None:
            return None
        thumb = os.path.join(self._folder(category), THUMBS_FOLDER, name)
        return thumb if os.path.isfile(thumb) else self.path_of(category, name)


def _is_dir(entry):
    try:
        return entry.is_dir()
    except OSError:
        return False


def _is_file(entry):
    try:
        return entry.is_file()
    except OSError:
        return False
