#pragma once
// The pages of the options sheet, in the order of PropertyPageId.
#include "config/settings.h"
#include "ui/options/app_property_sheet.h"

// Adds the program's pages over the sheet's draft. The settings give what the pages show
// but do not edit: the templates folder, the category list and the sign-in state.
void AddOptionsPages(CAppPropertySheet& sheet, const Settings& settings);
