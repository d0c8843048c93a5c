#pragma once
// The main window's skin document, "layout_main" (root "MainLayout"), read into a model
// that the window applies. Nothing here touches a window.
//
//   <MainLayout width="221" height="41" transparentColor="14606046" [oem="..."]>
//     <Bitmap bitmap="background" left="0" top="0"/>             painted into the background
//     <Control name="PrevPhoto" bitmap="prev" left="4" top="6" width="20" height="20"
//              transparentColor="16711422"/>                       a skin button, the progress
//     <Control name="ProgressBar" left="93" top="33" width="88"    bar or its frame
//              height="1" color="16711680"/>
//     <Link bitmap="main_url" url="/" tooltip="Tooltip_..." left="8" top="31"
//           transparentColor="16711422"/>                          a clickable picture
//   </MainLayout>
//
// The document is written at 96 DPI; the model is for the DPI it is parsed for: coordinates
// and sizes scaled by dpi / 96, bitmaps drawn (or scaled) for that DPI.
//
// Element names compare case-insensitively, attribute names exactly; numbers and colours
// follow desktop/skin/layout_values.h. Other elements are ignored.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/handles.h"
#include "desktop/skin/layout_values.h"

class ResourceSource;

struct MainLayout {
    // Placement and picture of one child element, in client coordinates. width and height
    // are resolved already: an absent value, or one below 1, is the bitmap's size (0 when the
    // element has no bitmap).
    struct Element {
        int left = 0, top = 0, width = 0, height = 0;
        UniqueBitmap bitmap;                       // null when the element names no bitmap
        std::optional<COLORREF> transparentColor;  // the bitmap's key colour, when given

        RECT Rect() const { return RECT{left, top, left + width, top + height}; }
    };

    // A "Control": whom it addresses is its name, compared case-insensitively (Is):
    //   "ProgressBar": move the progress bar to Rect(); fill it with color. Hidden until
    //     progress is shown.
    //   "ProgressBarFrame": give bitmap to the static picture framing the bar, move it to
    //     Rect(). Hidden until progress is shown.
    //   a skin button's name (PrevPhoto, Freeze, NextPhoto, ShowHideDesktopIcons, Setup,
    //     Minimise, DownloadNow, StatusOn, StatusOff, Favorites, Tags, About): the button
    //     takes bitmap (move it out: the button owns it from then on) and transparentColor
    //     (see-through drawing when given), moves to Rect() and is shown. Buttons that no
    //     Control names stay hidden.
    //   any other name: nothing.
    // Controls come in document order; when two name the same target the later one wins.
    struct Control : Element {
        std::wstring name;
        COLORREF color = 0;  // the progress bar's fill

        bool Is(const wchar_t* target) const;
    };

    // A "Link": a skin button in link mode, created by the window as a child with command id
    // kFirstLinkId + its index here; a click opens url with the shell verb "open" in a
    // maximised window (a url given as a path, "/...", on the service's own address). tooltip is a string id, looked up
    // again on every language change (a missing id shows as the id itself).
    struct Link : Element {
        std::wstring url;
        std::wstring tooltip;
    };
    static constexpr WORD kFirstLinkId = 33000;

    int width = 0, height = 0;  // the window's client size; each 1 to 4096 in the document
    // The window's see-through colour (layered-window colour key), when the layout gives one.
    std::optional<COLORREF> transparentColor;
    // Handed to the settings as the partner id, when present.
    std::optional<std::wstring> oem;
    // width x height, composed once: filled with transparentColor (black without one), then
    // every "Bitmap" child drawn into it. The window copies it opaque to its client origin on
    // every background erase; key-coloured pixels are then see-through.
    UniqueBitmap background;
    std::vector<Control> controls;
    std::vector<Link> links;
};

// Parses a main layout document; bitmaps come from source. Empty after a failure, which has
// been reported with the title "Fatal Error" (through report, or a message box without owner
// when report is empty): the program cannot show its window.
std::optional<MainLayout> ParseMainLayout(std::string_view document, const ResourceSource& source,
                                          const LayoutErrorReport& report = nullptr, int dpi = 96);
// Loads the "XML" resource of that name (a loose file, resource.dll or the program) and
// parses it; a missing document is reported too.
std::optional<MainLayout> LoadMainLayoutDocument(const std::wstring& resourceName,
                                                 const LayoutErrorReport& report = nullptr, int dpi = 96);
