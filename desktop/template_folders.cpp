#include "desktop/template_folders.h"

std::vector<std::wstring> ListTemplates(const Path& templatesDirectory) {
    std::vector<std::wstring> names;
    for (const Path& entry : templatesDirectory.ListDirectory()) {
        if (!entry.IsDirectory()) continue;
        // A folder called index.tpl is no page the renderer could load.
        const Path page = entry / L"index.tpl";
        if (page.Exists() && !page.IsDirectory()) names.push_back(entry.FileName());
    }
    return names;
}
