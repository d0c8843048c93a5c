#include "ui/controls/hyper_link.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cwctype>

#include "base/debug_log.h"
#include "base/text.h"

namespace {

const wchar_t* const kBrowserSettingsKey = L"Software\\Microsoft\\Internet Explorer\\Settings";
// The browser's own defaults for links it has not been told about.
constexpr COLORREF kDefaultNormal = RGB(0, 0, 255);
constexpr COLORREF kDefaultHover = RGB(255, 0, 0);
constexpr COLORREF kDefaultVisited = RGB(128, 0, 128);

// Where the ASCII tag starts at or after from, letters compared without case.
size_t FindTag(const std::wstring& text, const std::wstring& tag, size_t from) {
    if (text.size() < tag.size()) return std::wstring::npos;
    for (size_t i = from; i + tag.size() <= text.size(); ++i) {
        size_t matched = 0;
        while (matched < tag.size() && std::towlower(text[i + matched]) == tag[matched]) ++matched;
        if (matched == tag.size()) return i;
    }
    return std::wstring::npos;
}

std::optional<int> ParseColourPart(const std::wstring& part) {
    const std::wstring digits = Trim(part);
    if (digits.empty() || digits.size() > 3) return std::nullopt;
    int value = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    if (value > 255) return std::nullopt;
    return value;
}

// A short REG_SZ value; empty when missing, of another type or implausibly long.
std::wstring ReadShortString(HKEY key, const wchar_t* name) {
    wchar_t buffer[64] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return std::wstring(buffer, wcsnlen(buffer, size / sizeof(wchar_t)));
}

SIZE TextSize(HDC dc, const std::wstring& text) {
    SIZE size{0, 0};
    if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

void DrawPiece(HDC dc, int x, int y, const std::wstring& text) {
    if (!text.empty()) TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

HFONT ControlFont(HWND window) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

LinkText ParseLinkMarkup(const std::wstring& text) {
    const size_t open = FindTag(text, L"<a>", 0), close = FindTag(text, L"</a>", 0);
    if (open == std::wstring::npos && close == std::wstring::npos) return {L"", text, L""};
    const bool wellFormed = open != std::wstring::npos && close != std::wstring::npos && open < close &&
                            FindTag(text, L"<a>", open + 3) == std::wstring::npos &&
                            FindTag(text, L"</a>", close + 4) == std::wstring::npos;
    if (!wellFormed) return {text, L"", L""};
    return {text.substr(0, open), text.substr(open + 3, close - open - 3), text.substr(close + 4)};
}

std::optional<COLORREF> ParseAnchorColor(const std::wstring& text) {
    int parts[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t end = i < 2 ? text.find(L',', start) : text.size();
        if (end == std::wstring::npos) return std::nullopt;
        std::optional<int> part = ParseColourPart(text.substr(start, end - start));
        if (!part) return std::nullopt;
        parts[i] = *part;
        start = end + 1;
    }
    return RGB(parts[0], parts[1], parts[2]);
}

LinkColours ReadLinkColours() {
    LinkColours colours{kDefaultNormal, kDefaultHover, kDefaultVisited};
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kBrowserSettingsKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return colours;
    UniqueKey key(raw);
    colours.normal = ParseAnchorColor(ReadShortString(key.get(), L"Anchor Color")).value_or(kDefaultNormal);
    colours.hover = ParseAnchorColor(ReadShortString(key.get(), L"Anchor Color Hover")).value_or(kDefaultHover);
    colours.visited = ParseAnchorColor(ReadShortString(key.get(), L"Anchor Color Visited")).value_or(kDefaultVisited);
    return colours;
}

void OpenWithShell(HWND owner, const std::wstring& target) {
    HINSTANCE result = ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) DebugLog(L"ShellExecuteW could not open " + target + L"\n");
}

HyperLink::HyperLink() : m_colours{kDefaultNormal, kDefaultHover, kDefaultVisited} {}

HyperLink::~HyperLink() { OnWindowGone(); }

bool HyperLink::Attach(HWND control) {
    OnWindowGone();
    if (!Subclass(control)) return false;
    m_colours = ReadLinkColours();
    ReadText();
    HWND parent = GetParent(control);
    m_tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (m_tooltip) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = parent;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        UpdateTooltip();
    } else {
        LogLastError(L"CreateWindowExW(tooltip)");  // the link works without it
    }
    InvalidateRect(control, nullptr, TRUE);
    return true;
}

void HyperLink::OnWindowGone() {
    if (m_tooltip && IsWindow(m_tooltip)) DestroyWindow(m_tooltip);
    m_tooltip = nullptr;
    m_hover = m_tracking = m_pressed = false;
}

void HyperLink::SetTarget(const std::wstring& target) {
    m_target = target;
    UpdateTooltip();
}

void HyperLink::SetToolTipText(const std::wstring& text) {
    m_tooltipText = text;
    m_tooltipSet = true;
    UpdateTooltip();
}

void HyperLink::UpdateTooltip() {
    if (!m_tooltip || !GetHwnd()) return;
    const std::wstring& text = m_tooltipSet ? m_tooltipText : m_target;
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = GetParent(GetHwnd());
    tool.uId = reinterpret_cast<UINT_PTR>(GetHwnd());
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(m_tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void HyperLink::Navigate() {
    if (!GetHwnd() || m_target.empty()) return;
    m_visited = true;
    InvalidateRect(GetHwnd(), nullptr, TRUE);
    const LinkOpener& open = m_opener ? m_opener : LinkOpener(OpenWithShell);
    open(GetParent(GetHwnd()), m_target);
}

void HyperLink::ReadText() {
    const int length = GetWindowTextLengthW(GetHwnd());
    std::wstring text(length > 0 ? length + 1 : 1, L'\0');
    const int copied = GetWindowTextW(GetHwnd(), &text[0], static_cast<int>(text.size()));
    text.resize(copied > 0 ? copied : 0);
    m_text = ParseLinkMarkup(text);
}

// The pieces sit side by side on the first line, from the control's left edge. Underlining
// does not change a font's advances, so the plain font measures the link too.
RECT HyperLink::GetLinkRect() const {
    RECT client{};
    if (!GetHwnd()) return client;
    GetClientRect(GetHwnd(), &client);
    if (m_text.link.empty()) return client;
    WindowDc dc(GetHwnd());
    ScopedSelect font(dc.get(), ControlFont(GetHwnd()));
    const SIZE before = TextSize(dc.get(), m_text.before), link = TextSize(dc.get(), m_text.link);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    return RECT{client.left + before.cx, client.top, client.left + before.cx + link.cx, client.top + metrics.tmHeight};
}

bool HyperLink::IsOverLink(POINT client) const {
    const RECT link = GetLinkRect();
    return PtInRect(&link, client) != FALSE;
}

bool HyperLink::IsCursorOverLink() const {
    POINT cursor{};
    if (!GetCursorPos(&cursor) || !ScreenToClient(GetHwnd(), &cursor)) return false;
    return IsOverLink(cursor);
}

HFONT HyperLink::UnderlinedFont(HFONT base) {
    if (m_underlined && m_underlinedFrom == base) return m_underlined.get();
    LOGFONTW description{};
    if (!GetObjectW(base, sizeof(description), &description)) return base;
    description.lfUnderline = TRUE;
    m_underlined.reset(CreateFontIndirectW(&description));
    m_underlinedFrom = base;
    return m_underlined ? m_underlined.get() : base;
}

void HyperLink::Paint(HDC dc) {
    RECT client{};
    GetClientRect(GetHwnd(), &client);
    // The parent picks the background and the text colour, as for any static control.
    HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageW(
        GetParent(GetHwnd()), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetHwnd())));
    if (!brush) {
        brush = GetSysColorBrush(COLOR_BTNFACE);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    }
    FillRect(dc, &client, brush);

    const bool enabled = IsWindowEnabled(GetHwnd()) != FALSE;
    const COLORREF plain = enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
    const COLORREF link = !enabled    ? GetSysColor(COLOR_GRAYTEXT)
                          : m_hover   ? m_colours.hover
                          : m_visited ? m_colours.visited
                                      : m_colours.normal;
    HFONT font = ControlFont(GetHwnd());
    SetBkMode(dc, TRANSPARENT);
    ScopedSelect selected(dc, font);
    const RECT linkRect = GetLinkRect();
    int x = client.left;
    SetTextColor(dc, plain);
    DrawPiece(dc, x, client.top, m_text.before);
    x += TextSize(dc, m_text.before).cx;
    if (!m_text.link.empty()) {
        ScopedSelect underlined(dc, UnderlinedFont(font));
        SetTextColor(dc, link);
        DrawPiece(dc, x, client.top, m_text.link);
        x += TextSize(dc, m_text.link).cx;
    }
    SetTextColor(dc, plain);
    DrawPiece(dc, x, client.top, m_text.after);

    const bool focusHidden = (SendMessageW(GetHwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    if (GetFocus() == GetHwnd() && !focusHidden) DrawFocusRect(dc, &linkRect);
}

void HyperLink::OnMouseMove(POINT client) {
    const bool over = IsOverLink(client);
    if (over != m_hover) {
        m_hover = over;
        InvalidateRect(GetHwnd(), nullptr, TRUE);
    }
    if (!m_tracking) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = GetHwnd();
        m_tracking = TrackMouseEvent(&track) != FALSE;
    }
}

LRESULT HyperLink::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = GetHwnd();
    auto pointOf = [lParam] { return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; };
    switch (message) {
        case WM_NCHITTEST:
            return HTCLIENT;  // a plain static lets the mouse fall through to its parent
        case WM_SETCURSOR:
            if (IsCursorOverLink()) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(pointOf());
            return 0;
        case WM_MOUSELEAVE:
            m_tracking = false;
            if (m_hover) {
                m_hover = false;
                InvalidateRect(window, nullptr, TRUE);
            }
            return 0;
        case WM_LBUTTONDOWN:
            if (!IsOverLink(pointOf())) return 0;
            if (GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP) SetFocus(window);
            m_pressed = true;
            SetCapture(window);
            return 0;
        case WM_LBUTTONUP:
            if (!m_pressed) return 0;
            m_pressed = false;
            ReleaseCapture();
            if (IsOverLink(pointOf())) Navigate();
            return 0;
        case WM_CAPTURECHANGED:
            m_pressed = false;
            break;
        case WM_GETDLGCODE: {
            // Keys as a button takes them: Space arrives as a character, Enter must not
            // become the dialog's default button while the link has the focus.
            const MSG* pending = reinterpret_cast<const MSG*>(lParam);
            LRESULT code = DLGC_WANTCHARS;
            if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                Navigate();
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L' ') Navigate();
            if (wParam == L' ' || wParam == L'\r') return 0;
            break;
        case WM_SETTEXT: {
            const LRESULT result = Default(message, wParam, lParam);
            ReadText();
            InvalidateRect(window, nullptr, TRUE);
            return result;
        }
        case WM_SETFONT:
        case WM_ENABLE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_UPDATEUISTATE: {
            const LRESULT result = Default(message, wParam, lParam);
            InvalidateRect(window, nullptr, TRUE);
            return result;
        }
        case WM_ERASEBKGND:
            return 1;  // the paint fills the background itself
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            if (HDC dc = BeginPaint(window, &paint)) {
                Paint(dc);
                EndPaint(window, &paint);
            }
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}
