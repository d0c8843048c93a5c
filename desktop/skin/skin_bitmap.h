#pragma once
// The skin's bitmaps: a loose file "resource\NAME.bmp" first, then the resource of that name.
#include <windows.h>

#include <string>

class ResourceSource;

// A device-dependent bitmap the caller owns, or null.
HBITMAP LoadSkinBitmap(const ResourceSource& source, const std::wstring& name);
