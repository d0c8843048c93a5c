#include "desktop/skin/skin_bitmap.h"

#include <algorithm>
#include <cmath>

#include "base/debug_log.h"
#include "base/handles.h"
#include "base/path.h"
#include "base/resource_source.h"
#include "store/picture.h"

namespace {

constexpr SkinVariant kVariants[] = {{L"", 96}, {L"_150", 144}, {L"_200", 192}};

std::uint32_t ToPixel(COLORREF colour) {
    return (static_cast<std::uint32_t>(GetRValue(colour)) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

// A loose file of that name, drawn onto white so that what it leaves out is white, not black.
HBITMAP LoadLooseBitmap(const std::wstring& name) {
    Path file = ResourceOverrideFolder() / (name + L".bmp");
    Picture loaded;
    if (!file.Exists() || !loaded.LoadFromFile(file)) return nullptr;
    Picture skin;
    const int width = loaded.GetWidth(), height = loaded.GetHeight();
    if (skin.Create(width, height, RGB(255, 255, 255)) &&
        loaded.Draw(skin.GetDC(), 0, 0, width, height, 0, 0, width, height))
        return skin.Detach();
    return nullptr;
}

// The bitmap resized; null when GDI refuses.
HBITMAP ScaleBitmap(HBITMAP bitmap, SIZE to, std::optional<COLORREF> key) {
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return nullptr;
    const SIZE from{info.bmWidth, info.bmHeight};
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = from.cx;
    format.bmiHeader.biHeight = -from.cy;  // top down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(from.cx) * from.cy);
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    HBITMAP scaled = nullptr;
    if (GetDIBits(screen, bitmap, 0, from.cy, pixels.data(), &format, DIB_RGB_COLORS) == from.cy) {
        for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
        std::vector<std::uint32_t> out = ScaleSkinPixels(pixels, from, to, key);
        format.bmiHeader.biWidth = to.cx;
        format.bmiHeader.biHeight = -to.cy;
        scaled = CreateCompatibleBitmap(screen, to.cx, to.cy);
        if (scaled && SetDIBits(screen, scaled, 0, to.cy, out.data(), &format, DIB_RGB_COLORS) != to.cy) {
            DeleteObject(scaled);
            scaled = nullptr;
        }
    }
    ReleaseDC(nullptr, screen);
    if (!scaled) LogLastError(L"Scaling a skin bitmap");
    return scaled;
}

}  // namespace

std::vector<SkinVariant> SkinVariantsFor(int dpi) {
    std::vector<SkinVariant> order(std::begin(kVariants), std::end(kVariants));
    // Its own first, then larger ones nearest first, then smaller ones nearest first.
    auto rank = [dpi](const SkinVariant& v) {
        if (v.dpi == dpi) return 0;
        return v.dpi > dpi ? 1 + (v.dpi - dpi) : 10000 + (dpi - v.dpi);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&rank](const SkinVariant& a, const SkinVariant& b) { return rank(a) < rank(b); });
    return order;
}

std::vector<std::uint32_t> ScaleSkinPixels(const std::vector<std::uint32_t>& pixels, SIZE from, SIZE to,
                                           std::optional<COLORREF> key) {
    std::vector<std::uint32_t> out(static_cast<size_t>(std::max<LONG>(to.cx, 0)) * std::max<LONG>(to.cy, 0));
    if (from.cx <= 0 || from.cy <= 0 || pixels.size() < static_cast<size_t>(from.cx) * from.cy) return out;
    const bool keyed = key.has_value();
    const std::uint32_t keyPixel = keyed ? ToPixel(*key) : 0;
    const double sx = static_cast<double>(from.cx) / to.cx, sy = static_cast<double>(from.cy) / to.cy;
    for (LONG ty = 0; ty < to.cy; ++ty) {
        const double y0 = ty * sy, y1 = (ty + 1) * sy;
        for (LONG tx = 0; tx < to.cx; ++tx) {
            const double x0 = tx * sx, x1 = (tx + 1) * sx;
            double keyWeight = 0, plain = 0, r = 0, g = 0, b = 0;
            for (LONG y = static_cast<LONG>(y0); y < std::min<LONG>(from.cy, static_cast<LONG>(std::ceil(y1))); ++y) {
                const double wy = std::min<double>(y1, y + 1) - std::max<double>(y0, y);
                for (LONG x = static_cast<LONG>(x0); x < std::min<LONG>(from.cx, static_cast<LONG>(std::ceil(x1)));
                     ++x) {
                    const double w = wy * (std::min<double>(x1, x + 1) - std::max<double>(x0, x));
                    if (w <= 0) continue;
                    const std::uint32_t p = pixels[static_cast<size_t>(y) * from.cx + x];
                    if (keyed && p == keyPixel) {
                        keyWeight += w;
                        continue;
                    }
                    plain += w;
                    r += w * ((p >> 16) & 0xFF);
                    g += w * ((p >> 8) & 0xFF);
                    b += w * (p & 0xFF);
                }
            }
            std::uint32_t& target = out[static_cast<size_t>(ty) * to.cx + tx];
            if (keyed && keyWeight >= plain) {
                target = keyPixel;
                continue;
            }
            auto channel = [plain](double sum) { return static_cast<std::uint32_t>(std::lround(sum / plain)) & 0xFF; };
            target = plain > 0 ? (channel(r) << 16) | (channel(g) << 8) | channel(b) : 0;
            // Never see-through by accident.
            if (keyed && target == keyPixel) target ^= 0x010000;
        }
    }
    return out;
}

HBITMAP LoadSkinBitmap(const ResourceSource& source, const std::wstring& name, int dpi, std::optional<COLORREF> key) {
    const std::vector<SkinVariant> variants = SkinVariantsFor(dpi);
    // Loose files of any scale first: a replaced picture must not be hidden by a built-in one.
    UniqueBitmap found;
    int foundDpi = kVariants[0].dpi;
    for (const SkinVariant& variant : variants) {
        found.reset(LoadLooseBitmap(name + variant.suffix));
        if (found) {
            foundDpi = variant.dpi;
            break;
        }
    }
    for (auto variant = variants.begin(); !found && variant != variants.end(); ++variant) {
        found.reset(source.LoadModuleBitmap(name + variant->suffix));
        foundDpi = variant->dpi;
    }
    if (!found || foundDpi == dpi) return found.release();
    BITMAP info{};
    if (!GetObjectW(found.get(), sizeof(info), &info)) return nullptr;
    const SIZE to{std::max(1, MulDiv(info.bmWidth, dpi, foundDpi)), std::max(1, MulDiv(info.bmHeight, dpi, foundDpi))};
    if (to.cx == info.bmWidth && to.cy == info.bmHeight) return found.release();
    return ScaleBitmap(found.get(), to, key);
}
