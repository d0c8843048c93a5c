#include "ui/options/about_page.h"

#include "base/dpi.h"
#include "desktop/skin/drawn_layout.h"
#include "resources/resource.h"
#include "ui/options/about_picture.h"

namespace {

// One about layout for the process: loaded when the page first opens, and again at the next
// opening only if that load failed or the page is on a screen of another DPI.
struct SharedAboutLayout {
    DrawnLayout layout;
    bool loaded = false;
    int dpi = 0;
};

const DrawnLayout* LoadAboutLayout(int dpi) {
    static SharedAboutLayout shared;
    if (!shared.loaded || shared.dpi != dpi) {
        shared.loaded = shared.layout.Load(L"layout_about", dpi);
        shared.dpi = dpi;
    }
    return shared.loaded ? &shared.layout : nullptr;
}

}  // namespace

AboutPage::AboutPage(OptionsDraft& draft) : PropertyPage(IDD_ABOUT_PAGE, L"PropSheet_About_Title", draft) {}

AboutPage::~AboutPage() = default;

void AboutPage::OnInit() {
    if (const DrawnLayout* layout = LoadAboutLayout(GetWindowDpi(m_hwnd)))
        m_picture = std::make_unique<AboutPicture>(*layout);
}

INT_PTR AboutPage::OnMessage(UINT message, WPARAM, LPARAM) {
    if (message != WM_PAINT) return FALSE;
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(m_hwnd, &paint);
    if (dc && m_picture) {
        RECT client{};
        GetClientRect(m_hwnd, &client);
        m_picture->Paint(dc, client);
    }
    EndPaint(m_hwnd, &paint);
    return TRUE;
}
