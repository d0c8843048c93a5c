#pragma once
// An owner-drawn button that shows a colour and, when clicked, drops down a short list of
// colours: the automatic one (the system's desktop colour, kept as Settings'
// kDesktopColorMarker so that it follows the system), a few fixed ones, and a custom entry
// that opens the system's colour dialog.
#include <windows.h>

#include <cstdint>
#include <string>

class CColorPicker {
public:
    CColorPicker() = default;
    CColorPicker(const CColorPicker&) = delete;
    CColorPicker& operator=(const CColorPicker&) = delete;

    // The button to draw (BS_OWNERDRAW); its parent receives WM_DRAWITEM and passes it on.
    void Attach(HWND button);
    // A 0x00BBGGRR colour, or the automatic marker.
    void SetColor(std::uint32_t color);
    std::uint32_t GetColor() const { return m_color; }
    // The colour the swatch shows: the marker resolved to the desktop colour.
    COLORREF GetShownColor() const;
    // The localised labels of the automatic and the custom entries.
    void SetTexts(std::wstring automatic, std::wstring custom);

    // WM_DRAWITEM from the parent; false when it is not for this button.
    bool Draw(const DRAWITEMSTRUCT& item) const;
    // The button was clicked: the drop-down below it. True when another colour was chosen.
    bool Choose();

private:
    bool ChooseCustom();

    HWND m_button = nullptr;
    std::uint32_t m_color = 0;
    std::wstring m_automaticText, m_customText;
    COLORREF m_customColors[16] = {};  // the colour dialog's own row, kept while the page lives
};
