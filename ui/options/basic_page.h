#pragma once
// The options sheet's first page: how often the wallpaper changes and new ones come, start
// and update behaviour, when changes wait, and pictures from a folder of the user's own.
#include "ui/options/property_page.h"

class BasicPage : public PropertyPage {
public:
    explicit BasicPage(OptionsDraft& draft);

    bool ReadBack() override;

protected:
    void OnInit() override;
    void Retext() override;
    bool OnCommand(WORD id, WORD code) override;
    void OnPageTimer() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void BrowseLocalImagePath();
};
