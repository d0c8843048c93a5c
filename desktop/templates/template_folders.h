#pragma once
// The wallpaper templates the user can choose from: the folders of the templates folder that
// hold a page "index.tpl".
#include <string>
#include <vector>

#include "base/path.h"

// The names of the sub-folders of templatesDirectory holding a regular file "index.tpl", and
// named as the settings accept (Settings::NormaliseTemplateName), in the order the file
// system lists them. Empty when the folder is missing.
std::vector<std::wstring> ListTemplates(const Path& templatesDirectory);
