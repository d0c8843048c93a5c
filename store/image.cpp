#include "store/image.h"

#include "base/text.h"

Image::Image(int id, Path path, std::wstring url, std::wstring baseurl)
    : m_id(id), m_path(std::move(path)), m_url(Trim(url)), m_baseurl(Trim(baseurl)) {}
