#include "net/service_answers.h"

#include <tinyxml.h>

#include <set>

#include "base/text.h"
#include "base/xml.h"
#include "net/download_exception.h"
#include "store/data_folder.h"
#include "store/package_file.h"

namespace {

int IdAttribute(const TiXmlElement* element) {
    std::optional<std::wstring> pid = AttributeText(element, "pid");
    return pid ? ParseInt(*pid) : -1;
}

std::wstring Attribute(const TiXmlElement* element, const char* name) {
    return AttributeText(element, name).value_or(L"");
}

ImagePtr MakeImage(int id, const Path& directory, const std::wstring& url, const std::wstring& baseurl, int order) {
    auto image = std::make_shared<Image>(id, directory / MakePackageFileName(Trim(baseurl) + Trim(url)), url, baseurl);
    image->SetOrder(order);
    return image;
}

bool EndsWithJpg(const std::wstring& line) {
    return line.size() >= 4 && EqualsIgnoringCase(line.substr(line.size() - 4), L".jpg");
}

}  // namespace

ImageListPtr ParseImageList(const TiXmlElement* imageList, const Path& directory) {
    if (!imageList) return nullptr;
    auto images = std::make_shared<ImageList>();
    for (const TiXmlElement* element = imageList->FirstChildElement("Image"); element;
         element = element->NextSiblingElement("Image")) {
        std::wstring file = Attribute(element, "file");
        if (Trim(file).empty()) continue;
        images->push_back(MakeImage(IdAttribute(element), directory, file, Attribute(element, "baseurl"),
                                    static_cast<int>(images->size())));
    }
    return images;
}

ImageListPtr ParseImageUrlList(const std::wstring& text, const Path& directory) {
    auto images = std::make_shared<ImageList>();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = Trim(text.substr(start, end - start));
        if (!line.empty() && EndsWithJpg(line))
            images->push_back(MakeImage(-1, directory, line, L"", static_cast<int>(images->size())));
        start = end + 2;
    }
    return images;
}

FavoriteListPtr ParseFavoriteList(const TiXmlElement* favorites, const Path& dataDirectory,
                                  const Path& favoritesDirectory, const ThumbnailRequest& requestThumbnail) {
    if (!favorites) throw DownloadException(DownloadException::Error_Null_Parameter);
    auto list = std::make_shared<FavoriteList>();
    for (const TiXmlElement* element = favorites->FirstChildElement("Image"); element;
         element = element->NextSiblingElement("Image")) {
        int id = IdAttribute(element);
        std::wstring url = Trim(Attribute(element, "url")), thumb = Trim(Attribute(element, "thumb"));
        if (id == -1 || url.empty() || thumb.empty()) continue;
        int order = static_cast<int>(list->size());
        list->push_back(FavoriteEntry{MakeImage(id, dataDirectory, url, L"", order),
                                      MakeImage(id, favoritesDirectory, thumb, L"", order),
                                      Attribute(element, "pinying"), Attribute(element, "timestamp")});
    }
    std::set<std::wstring> inUse;
    for (const FavoriteEntry& entry : *list) {
        inUse.insert(entry.image->GetPath().str());
        inUse.insert(entry.thumbnail->GetPath().str());
    }
    for (const FavoriteEntry& entry : *list) {
        if (!entry.thumbnail->GetPath().Exists() && requestThumbnail) requestThumbnail(entry.thumbnail);
    }
    DeleteFilesExcept(favoritesDirectory, inUse);
    return list;
}
