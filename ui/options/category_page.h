#pragma once
// The options sheet's category page: all categories, or the chosen ones of the first eight.
#include <vector>

#include "config/settings.h"
#include "ui/options/property_page.h"

class CategoryPage : public PropertyPage {
public:
    // The settings give the category list and whether the user is signed in; only the draft
    // is changed.
    CategoryPage(OptionsDraft& draft, const Settings& settings);

    bool ReadBack() override;

protected:
    void OnInit() override;
    void Retext() override;
    bool OnCommand(WORD id, WORD code) override;
    void OnPageTimer() override;

private:
    // The category box i may be chosen now.
    bool IsSelectable(size_t i) const;

    const Settings& m_settings;
    std::vector<Settings::Category> m_categories;  // those with a box, in list order
};
