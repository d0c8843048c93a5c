#pragma once
// The options sheet's desktop page: the frame round a picture, its colour, the template that
// frames it instead, how far pictures may be enlarged, and the icon labels' background.
#include "base/path.h"
#include "ui/controls/color_picker.h"
#include "ui/options/property_page.h"

class TemplatePage : public PropertyPage {
public:
    // The templates offered are those of the folder when the page is made.
    TemplatePage(OptionsDraft& draft, Path templatesDirectory);

    bool ReadBack() override;

protected:
    void OnInit() override;
    void Retext() override;
    bool OnCommand(WORD id, WORD code) override;
    void OnPageTimer() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    Path m_templatesDirectory;
    CColorPicker m_colorPicker;
};
