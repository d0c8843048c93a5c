#pragma once
// The last page of the options sheet: the about layout with the program's version, painted
// over the page's own background.
#include <memory>

#include "ui/options/property_page.h"

class AboutPicture;

class AboutPage : public PropertyPage {
public:
    explicit AboutPage(OptionsDraft& draft);
    ~AboutPage() override;

protected:
    void OnInit() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::unique_ptr<AboutPicture> m_picture;  // none while the layout cannot be loaded
};
