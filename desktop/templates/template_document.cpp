#include "desktop/templates/template_document.h"

#include <windows.h>

#include <shlwapi.h>
#include <wininet.h>

#include <cwchar>

#include "base/debug_log.h"
#include "base/file_io.h"
#include "base/utf8.h"

namespace template_document {

namespace {

void ReplaceAll(std::wstring& text, const std::wstring& name, const std::wstring& value) {
    const std::wstring variable = L"{" + name + L"}";
    for (size_t at = text.find(variable); at != std::wstring::npos; at = text.find(variable, at + value.size()))
        text.replace(at, variable.size(), value);
}

}  // namespace

std::wstring DecodeText(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return FromUtf8(bytes);
}

std::optional<Source> ReadSource(const Path& folder) {
    if (folder.empty()) return std::nullopt;
    const Path page = folder / L"index.tpl";
    if (!page.Exists() || page.IsDirectory()) {
        DebugLog(L"No template page at " + page.str() + L"\n");
        return std::nullopt;
    }
    std::optional<std::string> bytes = ReadFileBytes(page, kMaxTemplateBytes);
    if (!bytes) {
        DebugLog(L"The template page " + page.str() + L" cannot be read\n");
        return std::nullopt;
    }
    Source source{DecodeText(*bytes), FileUrl(page)};
    if (source.text.empty() || source.baseUri.empty()) {
        DebugLog(L"The template page " + page.str() + L" is empty\n");
        return std::nullopt;
    }
    return source;
}

std::wstring FileUrl(const Path& path) {
    wchar_t url[INTERNET_MAX_URL_LENGTH];
    DWORD length = INTERNET_MAX_URL_LENGTH;
    HRESULT result = UrlCreateFromPathW(path.c_str(), url, &length, 0);
    if (FAILED(result)) {
        LogError(L"UrlCreateFromPathW", static_cast<unsigned long>(result));
        return {};
    }
    return url;
}

ImageFit FitImage(wallpaper_layout::Size picture) {
    ImageFit fit;
    fit.box = picture.width > picture.height ? wallpaper_layout::Size{640, 480} : wallpaper_layout::Size{480, 640};
    const wallpaper_layout::Size crop = wallpaper_layout::CropToAspect(picture, fit.box);
    fit.source = {0, 0, crop.width, crop.height};
    return fit;
}

std::wstring ColorText(std::uint32_t colorref) {
    wchar_t text[8];
    swprintf(text, 8, L"#%02X%02X%02X", colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF);
    return text;
}

std::wstring Fill(const std::wstring& text, const Values& values) {
    const wallpaper_layout::Rect& area = values.workArea;
    const std::pair<const wchar_t*, std::wstring> variables[] = {
        {L"BaseUri", values.baseUri},
        {L"ImageUri", values.imageUri},
        {L"ImageWidth", std::to_wstring(values.image.width)},
        {L"ImageHeight", std::to_wstring(values.image.height)},
        {L"FrameColor", ColorText(values.frameColor)},
        {L"ScreenWidth", std::to_wstring(values.screen.width)},
        {L"ScreenHeight", std::to_wstring(values.screen.height)},
        {L"WorkspaceLeft", std::to_wstring(area.left)},
        {L"WorkspaceTop", std::to_wstring(area.top)},
        // Right and bottom are distances from the screen's edges, as CSS wants them.
        {L"WorkspaceRight", std::to_wstring(values.screen.width - area.right)},
        {L"WorkspaceBottom", std::to_wstring(values.screen.height - area.bottom)},
        {L"WorkspaceWidth", std::to_wstring(area.Width())},
        {L"WorkspaceHeight", std::to_wstring(area.Height())},
    };
    std::wstring page = text;
    for (const auto& variable : variables) ReplaceAll(page, variable.first, variable.second);
    return page;
}

}  // namespace template_document
