#include "ui/options/options_pages.h"

#include <memory>

#include "ui/options/about_page.h"
#include "ui/options/basic_page.h"
#include "ui/options/category_page.h"
#include "ui/options/connect_page.h"
#include "ui/options/hot_key_page.h"
#include "ui/options/template_page.h"

void AddOptionsPages(CAppPropertySheet& sheet, const Settings& settings) {
    OptionsDraft& draft = sheet.Draft();
    sheet.AddPage(kBasicPage, std::make_unique<BasicPage>(draft));
    sheet.AddPage(kTemplatePage, std::make_unique<TemplatePage>(draft, settings.GetTemplatesDirectory()));
    sheet.AddPage(kCategoryPage, std::make_unique<CategoryPage>(draft, settings));
    sheet.AddPage(kHotKeyPage, std::make_unique<HotKeyPage>(draft));
    sheet.AddPage(kConnectPage, std::make_unique<ConnectPage>(draft));
    sheet.AddPage(kAboutPage, std::make_unique<AboutPage>(draft));
}
