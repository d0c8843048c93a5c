#pragma once
// A static control turned into a link: its text may mark the clickable part with <A>...</A>
// (the rest is drawn as plain text); the link is underlined in the browser's link colours,
// shows a hand and its hover colour under the mouse, explains its target in a tooltip, and
// opens the target when clicked or when Enter or Space is pressed while it has the focus.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "base/handles.h"
#include "ui/controls/subclassed_control.h"

// The display text split at its markup. Without any tag the whole text is the link; with
// tags that do not make exactly one <A> followed by one </A>, the whole text is plain (tags
// and all) and the whole control is clickable.
struct LinkText {
    std::wstring before, link, after;
};
LinkText ParseLinkMarkup(const std::wstring& text);

// A colour written as the browser stores it, "r,g,b" with each part 0 to 255 (blanks around
// the numbers allowed); nothing when the text is anything else.
std::optional<COLORREF> ParseAnchorColor(const std::wstring& text);

struct LinkColours {
    COLORREF normal, hover, visited;
};
// The browser's link colours from the current user's settings; its own defaults where a
// value is missing or unreadable.
LinkColours ReadLinkColours();

// How a link is opened; tests replace it so that nothing leaves the test.
using LinkOpener = std::function<void(HWND owner, const std::wstring& target)>;
// Opens the target with the shell's "open" verb (the default browser for web addresses).
void OpenWithShell(HWND owner, const std::wstring& target);

class HyperLink : public SubclassedControl {
public:
    HyperLink();
    ~HyperLink() override;

    // Takes over an existing static control; its text (now and whenever it is set) is the
    // display text. False when the control cannot be taken over.
    bool Attach(HWND control);

    // The address the link opens; also the tooltip until one is set.
    void SetTarget(const std::wstring& target);
    const std::wstring& GetTarget() const { return m_target; }
    void SetToolTipText(const std::wstring& text);
    void SetOpener(LinkOpener opener) { m_opener = std::move(opener); }
    // Opens the target, as a click does.
    void Navigate();

    // The clickable area in client coordinates (the whole control when there is no link part).
    RECT GetLinkRect() const;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override;
    void ReadText();
    void Paint(HDC dc);
    HFONT UnderlinedFont(HFONT base);
    bool IsOverLink(POINT client) const;
    bool IsCursorOverLink() const;
    void OnMouseMove(POINT client);
    void UpdateTooltip();

    HWND m_tooltip = nullptr;
    std::wstring m_target, m_tooltipText;
    bool m_tooltipSet = false;  // an explicit tooltip text, not the target
    LinkText m_text;
    LinkColours m_colours;
    HFONT m_underlinedFrom = nullptr;  // the control's font the underlined one copies
    ScopedHandle<GdiObjectTraits<HFONT>> m_underlined;
    bool m_hover = false, m_tracking = false, m_pressed = false, m_visited = false;
    LinkOpener m_opener;
};
