#include "store/data_folder.h"

#include <algorithm>

#include "store/package_file.h"

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

void DeleteFilesExcept(const Path& directory, const std::set<std::wstring>& keep) {
    for (const Path& entry : directory.ListFiles()) {
        if (!keep.count(entry.str())) entry.Remove();
    }
}
