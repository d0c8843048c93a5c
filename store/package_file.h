#pragma once
// Image package files (".tvp"): a small enciphered XML header describing the image and the
// enciphered picture bytes, with the key stored in the file itself.
#include <map>
#include <string>

#include "base/bytes.h"
#include "base/path.h"
#include "store/decode_hint.h"
#include "store/image.h"

class Picture;

using PackageFields = std::map<std::wstring, std::wstring>;

// Writes the package for image (may be null: then the header holds the length only).
// The file appears under its final name only when every byte was written.
bool WritePackage(const ImagePtr& image, const Bytes& payload, const Path& path);

// Reads the header fields and/or the payload; either output may be null. With both null
// it returns true without touching the disk. Outputs are left alone on failure.
bool ReadPackage(PackageFields* fields, Bytes* payload, const Path& path);

// Reads a package into an image record (may be null) and a picture (may be null: then
// only the header is read), decoded as large as the hint asks.
bool LoadPackageImage(const ImagePtr& image, Picture* picture, const Path& path, DecodeHint hint = {});

// The MD5 of the URL's UTF-16LE code units as 32 lowercase hex digits, plus ".tvp".
std::wstring MakePackageFileName(const std::wstring& url);
