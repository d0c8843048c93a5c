#include "desktop/templates/template_folders.h"

#include "config/settings.h"

std::vector<std::wstring> ListTemplates(const Path& templatesDirectory) {
    std::vector<std::wstring> names;
    for (const Path& entry : templatesDirectory.ListDirectory()) {
        // Only names the settings keep: a folder they would refuse could never be chosen.
        if (!entry.IsDirectory() || Settings::NormaliseTemplateName(entry.FileName()) != entry.FileName()) continue;
        // A folder called index.tpl is no page the renderer could load.
        const Path page = entry / L"index.tpl";
        if (page.Exists() && !page.IsDirectory()) names.push_back(entry.FileName());
    }
    return names;
}
