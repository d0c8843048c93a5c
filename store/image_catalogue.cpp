#include "store/image_catalogue.h"

#include <tinyxml.h>

#include <algorithm>
#include <set>

#include "core/text.h"
#include "core/xml.h"
#include "net/download_exception.h"
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

// Deletes the files (not folders) of directory whose paths are not kept.
void DeleteFilesExcept(const Path& directory, const std::set<std::wstring>& keep) {
    for (const Path& entry : directory.ListFiles()) {
        if (!keep.count(entry.str())) entry.Remove();
    }
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

ImageListPtr ScanImageDirectory(const Path& dataDirectory) {
    auto images = std::make_shared<ImageList>();
    for (const Path& entry : dataDirectory.ListFiles()) {
        if (entry.Extension() != L".tvp") continue;
        auto image = std::make_shared<Image>(-1, entry, L"", L"");
        if (LoadPackageImage(image, nullptr, entry)) images->push_back(image);
    }
    std::stable_sort(images->begin(), images->end(),
                     [](const ImagePtr& a, const ImagePtr& b) { return a->GetOrder() < b->GetOrder(); });
    return images;
}

void CleanImageDirectory(const Path& dataDirectory, const ImageList* current, const FavoriteList* favorites) {
    if (!dataDirectory.IsDirectory()) return;
    std::set<std::wstring> keep;
    if (current)
        for (const ImagePtr& image : *current)
            if (image) keep.insert(image->GetPath().str());
    if (favorites) {
        for (const FavoriteEntry& entry : *favorites) {
            keep.insert(entry.image->GetPath().str());
            keep.insert(entry.thumbnail->GetPath().str());
        }
    }
    DeleteFilesExcept(dataDirectory, keep);
}
