#include "store/picture.h"

#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>

#include "base/debug_log.h"
#include "base/file_io.h"
#include "base/handles.h"
#include "store/jpeg_decoder.h"
#include "store/picture_header.h"

// Every operation that fills the picture (loading, Create, CopyFromBitmap) replaces what it
// held before; when it fails the picture is left empty rather than half-replaced, so a caller
// never mistakes an old picture for the one it asked for.

namespace {

constexpr std::uint64_t kMaxFileBytes = 256u << 20;
constexpr int kHimetricPerInch = 2540;

void LogFailure(const wchar_t* call, HRESULT result) { LogError(call, static_cast<unsigned long>(result)); }

std::uint32_t ReadLe(const unsigned char* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return value;
}

// The OLE loader trusts a BMP's header and reads past the end of a short file (Wine returns
// a picture with garbage rows), so a BMP whose pixels do not fit in its bytes is refused here.
// Other formats are left to the loader.
bool BmpFitsItsBytes(const unsigned char* data, size_t size) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M') return true;
    constexpr size_t kFileHeader = 14;
    if (size < kFileHeader + 12) return false;
    const std::uint32_t pixelOffset = ReadLe(data + 10, 4), infoSize = ReadLe(data + 14, 4);
    std::int64_t width = 0, height = 0;
    std::uint32_t bitCount = 0, compression = BI_RGB, imageSize = 0;
    if (infoSize == 12) {  // the old core header: 16-bit sizes
        width = ReadLe(data + 18, 2);
        height = ReadLe(data + 20, 2);
        bitCount = ReadLe(data + 24, 2);
    } else if (infoSize >= 40 && size >= kFileHeader + 40) {
        width = static_cast<std::int32_t>(ReadLe(data + 18, 4));
        height = static_cast<std::int32_t>(ReadLe(data + 22, 4));  // negative when top-down
        bitCount = ReadLe(data + 28, 2);
        compression = ReadLe(data + 30, 4);
        imageSize = ReadLe(data + 34, 4);
    } else {
        return false;
    }
    if (width <= 0 || height == 0 || pixelOffset > size) return false;
    const std::uint64_t available = size - pixelOffset;
    if (compression != BI_RGB && compression != BI_BITFIELDS) return imageSize <= available;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    return stride == 0 || static_cast<std::uint64_t>(std::abs(height)) <= available / stride;
}

void LogTooLarge(std::uint32_t width, std::uint32_t height, const wchar_t* format) {
    // 4 bytes a pixel, rounded up so that a size just over the limit does not read as within it
    const std::uint64_t megabytes = (std::uint64_t{width} * height + (1u << 18) - 1) / (1u << 18);
    DebugLog(L"Picture refused: a " + std::to_wstring(width) + L" x " + std::to_wstring(height) + L" " + format +
             L" would take " + std::to_wstring(megabytes) + L" MB decoded, more than the " +
             std::to_wstring(kMaxDecodedBitmapBytes >> 20) + L" MB allowed\n");
}

// A few bytes of PNG, GIF or BMP can claim 30000 x 30000 pixels, and the loader would try to
// allocate for all of them; such a picture is refused from its header, before any decoding.
// (JPEG files never get here: their decoder judges the size it decodes to.) A header that
// cannot be read is left to the loader.
bool HeaderSizeIsBearable(const unsigned char* data, size_t size) {
    std::optional<PictureHeader> header = ReadPictureHeader(data, size);
    if (!header || DecodedBitmapFits(header->width, header->height)) return true;
    LogTooLarge(header->width, header->height, FormatName(header->format));
    return false;
}

// Bytes whose first word is zero are an icon or cursor to the OLE loader (after its own
// "lt\0\0" length header, when they carry one), and it trusts the icon directory's count and
// offsets, reading far outside the buffer when they lie. No wallpaper is an icon.
bool LooksLikeIcon(const unsigned char* data, size_t size) {
    const size_t start = size >= 8 && std::memcmp(data, "lt\0\0", 4) == 0 ? 8 : 0;
    return size >= start + 2 && data[start] == 0 && data[start + 1] == 0;
}

// The OLE picture loader reads from a stream over a movable global block.
ComPtr<IPicture> LoadOlePicture(const unsigned char* data, size_t size) {
    ComPtr<IPicture> picture;
    if (size == 0 || size > static_cast<size_t>(LONG_MAX)) return picture;
    if (LooksLikeIcon(data, size)) {
        DebugLog(L"Picture refused: icons and cursors are no wallpapers\n");
        return picture;
    }
    if (!HeaderSizeIsBearable(data, size)) return picture;
    if (!BmpFitsItsBytes(data, size)) {
        DebugLog(L"BMP is shorter than its header says\n");
        return picture;
    }
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!block) {
        LogLastError(L"GlobalAlloc");
        return picture;
    }
    void* target = GlobalLock(block.get());
    if (!target) {
        LogLastError(L"GlobalLock");
        return picture;
    }
    std::memcpy(target, data, size);
    GlobalUnlock(block.get());

    ComPtr<IStream> stream;
    HRESULT result = CreateStreamOnHGlobal(block.get(), TRUE, stream.put());
    if (FAILED(result)) {
        LogFailure(L"CreateStreamOnHGlobal", result);
        return picture;
    }
    block.release();  // the stream frees it now
    result = OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture, picture.put_void());
    if (FAILED(result)) {
        LogFailure(L"OleLoadPicture", result);
        picture.reset();
    }
    return picture;
}

// A 32-bit top-down DIB section. Its pixels are mapped on their own and unmapped when it is
// deleted, so a screen-sized bitmap leaves nothing behind in a heap (under Wine a compatible
// bitmap's pixels come from the C heap of its Linux side, which keeps them).
UniqueBitmap CreatePixels(HDC reference, int width, int height, void** bits = nullptr) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(reference, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap) LogLastError(L"CreateDIBSection");
    if (bits) *bits = pixels;
    return bitmap;
}

}  // namespace

struct Picture::State {
    UniqueMemoryDc dc;
    UniqueBitmap bitmap;
    HGDIOBJ previous = nullptr;             // the DC's own bitmap, put back before either is deleted
    const unsigned char* pixels = nullptr;  // the bitmap's rows, top-down, 4 bytes a pixel
    SIZE fullSize{};                        // the file's size when it was decoded smaller; else 0 x 0

    ~State() {
        if (dc && previous) SelectObject(dc.get(), previous);
    }

    // A memory DC holding a 32-bit bitmap of the given size; null on failure.
    static std::unique_ptr<State> Allocate(int width, int height) {
        if (width <= 0 || height <= 0) return nullptr;
        WindowDc screen;
        if (!screen) {
            LogLastError(L"GetDC");
            return nullptr;
        }
        auto state = std::make_unique<State>();
        state->dc.reset(CreateCompatibleDC(screen.get()));
        if (!state->dc) {
            LogLastError(L"CreateCompatibleDC");
            return nullptr;
        }
        void* bits = nullptr;
        state->bitmap = CreatePixels(screen.get(), width, height, &bits);
        if (!state->bitmap) return nullptr;
        state->pixels = static_cast<const unsigned char*>(bits);
        state->previous = SelectObject(state->dc.get(), state->bitmap.get());
        if (!state->previous) {
            LogLastError(L"SelectObject");
            return nullptr;
        }
        return state;
    }

    // JPEG bytes through libjpeg-turbo, others through the OLE picture loader; null on failure.
    static std::unique_ptr<State> Load(const unsigned char* data, size_t size, DecodeHint hint);
    // A bitmap filled with the rows a JPEG decode hands over; null when the decode fails.
    static std::unique_ptr<State> LoadJpeg(const std::function<JpegOutcome(const JpegRowSink&)>& decode);
    static std::unique_ptr<State> LoadOle(const unsigned char* data, size_t size);
    // An uncompressed 24- or 32-bit BMP straight into the bitmap; null when it is another
    // kind (the OLE loader takes those) or does not fit its bytes.
    static std::unique_ptr<State> LoadPlainBmp(const unsigned char* data, size_t size);

    bool Fill(int width, int height, COLORREF colour) {
        UniqueBrush brush(CreateSolidBrush(colour));
        RECT all = {0, 0, width, height};
        if (!brush || !FillRect(dc.get(), &all, brush.get())) {
            LogLastError(L"FillRect");
            return false;
        }
        return true;
    }
};

Picture::Picture() = default;

Picture::Picture(const Path& path) { LoadFromFile(path); }

Picture::~Picture() = default;

bool Picture::IsEmpty() const { return !m_state; }

SIZE Picture::GetSize() const {
    BITMAP info{};
    if (!m_state || !GetObjectW(m_state->bitmap.get(), sizeof info, &info)) return SIZE{-1, -1};
    return SIZE{info.bmWidth, std::abs(info.bmHeight)};
}

int Picture::GetWidth() const { return GetSize().cx; }

int Picture::GetHeight() const { return GetSize().cy; }

SIZE Picture::GetFullSize() const {
    if (m_state && m_state->fullSize.cx > 0) return m_state->fullSize;
    return GetSize();
}

std::unique_ptr<Picture::State> Picture::State::LoadPlainBmp(const unsigned char* data, size_t size) {
    constexpr size_t kFileHeader = 14;
    if (size < kFileHeader + sizeof(BITMAPINFOHEADER) || data[0] != 'B' || data[1] != 'M') return nullptr;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data + kFileHeader, sizeof header);
    const std::uint32_t pixelOffset = ReadLe(data + 10, 4);
    if (header.biSize < sizeof header || header.biCompression != BI_RGB || header.biPlanes != 1 ||
        (header.biBitCount != 24 && header.biBitCount != 32) || header.biWidth <= 0 || header.biHeight == 0 ||
        !BmpFitsItsBytes(data, size) || !HeaderSizeIsBearable(data, size))
        return nullptr;
    const int width = header.biWidth, height = std::abs(header.biHeight);
    const bool topDown = header.biHeight < 0;
    const size_t stride = (static_cast<size_t>(width) * header.biBitCount + 31) / 32 * 4;
    std::unique_ptr<State> state = Allocate(width, height);
    if (!state) return nullptr;
    // In strips: the system converts each call's rows through a buffer of their size, and a
    // small one goes back at once where a picture-sized one would stay in its heap.
    constexpr int kStripRows = 64;
    BITMAPINFO strip{};
    strip.bmiHeader = header;
    strip.bmiHeader.biSize = sizeof strip.bmiHeader;
    strip.bmiHeader.biSizeImage = 0;
    for (int done = 0; done < height; done += kStripRows) {
        const int rows = std::min(kStripRows, height - done);
        // The file's rows run from the top when top-down, else from the bottom.
        const int top = topDown ? done : height - done - rows;
        strip.bmiHeader.biHeight = topDown ? -rows : rows;
        if (SetDIBitsToDevice(state->dc.get(), 0, top, static_cast<DWORD>(width), static_cast<DWORD>(rows), 0, 0, 0,
                              static_cast<UINT>(rows), data + pixelOffset + static_cast<size_t>(done) * stride, &strip,
                              DIB_RGB_COLORS) != rows) {
            LogLastError(L"SetDIBitsToDevice");
            return nullptr;
        }
    }
    return state;
}

std::unique_ptr<Picture::State> Picture::State::Load(const unsigned char* data, size_t size, DecodeHint hint) {
    if (!LooksLikeJpeg(data, size)) {
        if (std::unique_ptr<State> bmp = LoadPlainBmp(data, size)) return bmp;
        return LoadOle(data, size);
    }
    return LoadJpeg([&](const JpegRowSink& sink) { return DecodeJpeg(data, size, hint, sink); });
}

std::unique_ptr<Picture::State> Picture::State::LoadJpeg(const std::function<JpegOutcome(const JpegRowSink&)>& decode) {
    std::unique_ptr<State> state;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    JpegRowSink sink;
    sink.begin = [&](int width, int height) {
        state = Allocate(width, height);
        info.bmiHeader.biWidth = width;
        return state != nullptr;
    };
    sink.rows = [&](int firstRow, int count, const unsigned char* pixels) {
        info.bmiHeader.biHeight = -count;  // top-down
        if (SetDIBitsToDevice(state->dc.get(), 0, firstRow, static_cast<DWORD>(info.bmiHeader.biWidth),
                              static_cast<DWORD>(count), 0, 0, 0, static_cast<UINT>(count), pixels, &info,
                              DIB_RGB_COLORS) == count)
            return true;
        LogLastError(L"SetDIBitsToDevice");
        return false;
    };
    const JpegOutcome outcome = decode(sink);
    if (!outcome.decoded) return nullptr;
    state->fullSize = SIZE{static_cast<LONG>(outcome.fullWidth), static_cast<LONG>(outcome.fullHeight)};
    return state;
}

std::unique_ptr<Picture::State> Picture::State::LoadOle(const unsigned char* data, size_t size) {
    ComPtr<IPicture> picture = LoadOlePicture(data, size);
    if (!picture) return nullptr;

    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
    if (FAILED(picture->get_Width(&himetricWidth)) || FAILED(picture->get_Height(&himetricHeight)) ||
        himetricWidth <= 0 || himetricHeight <= 0) {
        DebugLog(L"Picture has no usable size\n");
        return nullptr;
    }
    int width = 0, height = 0;
    {
        WindowDc screen;
        if (!screen) {
            LogLastError(L"GetDC");
            return nullptr;
        }
        width = MulDiv(himetricWidth, GetDeviceCaps(screen.get(), LOGPIXELSX), kHimetricPerInch);
        height = MulDiv(himetricHeight, GetDeviceCaps(screen.get(), LOGPIXELSY), kHimetricPerInch);
    }
    // Formats without a header we read (metafiles, icons) are measured only now.
    if (width > 0 && height > 0 && !DecodedBitmapFits(width, height)) {
        LogTooLarge(width, height, L"picture");
        return nullptr;
    }
    std::unique_ptr<State> state = Allocate(width, height);
    // White first: transparent parts of a GIF are not painted by Render.
    if (!state || !state->Fill(width, height, RGB(255, 255, 255))) return nullptr;

    // HIMETRIC runs upwards: start at the top and use a negative height to come out upright.
    HRESULT result = picture->Render(state->dc.get(), 0, 0, width, height, 0, himetricHeight, himetricWidth,
                                     -himetricHeight, nullptr);
    if (FAILED(result)) {
        LogFailure(L"IPicture::Render", result);
        return nullptr;
    }
    return state;
}

bool Picture::LoadFromBytes(const Bytes& bytes, DecodeHint hint) {
    Release();
    m_state = State::Load(bytes.data(), bytes.size(), hint);
    return m_state != nullptr;
}

bool Picture::LoadFromFile(const Path& path, DecodeHint hint) {
    Release();
    // A JPEG is decoded as it is read, never held whole: under Wine touching the memory for a
    // whole large file costs more than reading it.
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    unsigned char start[3] = {};
    DWORD got = 0;
    LARGE_INTEGER origin{};
    if (file && ReadFile(file.get(), start, sizeof start, &got, nullptr) && LooksLikeJpeg(start, got) &&
        SetFilePointerEx(file.get(), origin, nullptr, FILE_BEGIN)) {
        // No logging in here: it runs inside libjpeg, where nothing may throw.
        const JpegReader read = [handle = file.get()](unsigned char* buffer, size_t size) -> size_t {
            DWORD done = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1 << 20));
            return ReadFile(handle, buffer, chunk, &done, nullptr) ? done : 0;
        };
        m_state = State::LoadJpeg([&](const JpegRowSink& sink) { return DecodeJpeg(read, hint, sink); });
        return m_state != nullptr;
    }
    file.reset();
    std::optional<std::string> bytes = ReadFileBytes(path, kMaxFileBytes);
    if (!bytes) {
        DebugLog(L"Cannot read picture " + path.str() + L"\n");
        return false;
    }
    m_state = State::Load(reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size(), hint);
    return m_state != nullptr;
}

bool Picture::Create(int width, int height, COLORREF colour) {
    Release();
    std::unique_ptr<State> state = State::Allocate(width, height);
    if (!state || !state->Fill(width, height, colour)) return false;
    m_state = std::move(state);
    return true;
}

bool Picture::CopyFromBitmap(HBITMAP bitmap, int maxWidth, int maxHeight) {
    BITMAP info{};
    if (GetObjectType(bitmap) != OBJ_BITMAP || !GetObjectW(bitmap, sizeof info, &info)) {
        DebugLog(L"CopyFromBitmap: not a bitmap\n");
        Release();
        return false;
    }
    int width = info.bmWidth, height = std::abs(info.bmHeight);
    if (maxWidth != kUnset && maxHeight != kUnset) {
        width = std::min(width, maxWidth);
        height = std::min(height, maxHeight);
    }
    std::unique_ptr<State> state = State::Allocate(width, height);
    bool copied = false;
    if (state) {
        if (m_state && m_state->bitmap.get() == bitmap) {
            // Our own bitmap is selected into our DC and cannot be selected anywhere else.
            copied = BitBlt(state->dc.get(), 0, 0, width, height, m_state->dc.get(), 0, 0, SRCCOPY);
        } else {
            UniqueMemoryDc source(CreateCompatibleDC(state->dc.get()));
            ScopedSelect selected(source.get(), bitmap);
            // Selecting fails for a bitmap that another DC holds.
            copied = source && selected && BitBlt(state->dc.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
        }
        if (!copied) LogLastError(L"BitBlt");
    }
    Release();
    if (copied) m_state = std::move(state);
    return copied;
}

bool Picture::Draw(HDC target, int x, int y, int width, int height, int srcX, int srcY, int srcWidth,
                   int srcHeight) const {
    if (!m_state || !target || width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0) return false;
    if (width == srcWidth && height == srcHeight) {
        if (BitBlt(target, x, y, width, height, m_state->dc.get(), srcX, srcY, SRCCOPY)) return true;
        LogLastError(L"BitBlt");
        return false;
    }
    // Stretch into a white scratch bitmap first, so parts of the source rectangle beyond
    // the picture come out white rather than whatever the target held.
    UniqueMemoryDc scratch(CreateCompatibleDC(target));
    UniqueBitmap bitmap = CreatePixels(target, width, height);
    if (!scratch || !bitmap) return false;
    ScopedSelect selected(scratch.get(), bitmap.get());
    if (!selected || !PatBlt(scratch.get(), 0, 0, width, height, WHITENESS)) {
        LogLastError(L"PatBlt");
        return false;
    }
    // HALFTONE needs the brush origin reset after the mode is set.
    SetStretchBltMode(scratch.get(), HALFTONE);
    SetBrushOrgEx(scratch.get(), 0, 0, nullptr);
    // Band by band, clipped, each drawn with the whole stretch: the system scales through a
    // buffer the size of what it draws, and a band's goes back at once where a screen-sized
    // one would stay in its heap (Wine's C heap keeps it).
    constexpr int kBandRows = 128;
    for (int top = 0; top < height; top += kBandRows) {
        ScopedHandle<GdiObjectTraits<HRGN>> band(CreateRectRgn(0, top, width, std::min(height, top + kBandRows)));
        if (!band || SelectClipRgn(scratch.get(), band.get()) == ERROR ||
            !StretchBlt(scratch.get(), 0, 0, width, height, m_state->dc.get(), srcX, srcY, srcWidth, srcHeight,
                        SRCCOPY)) {
            LogLastError(L"StretchBlt");
            return false;
        }
    }
    SelectClipRgn(scratch.get(), nullptr);
    if (!BitBlt(target, x, y, width, height, scratch.get(), 0, 0, SRCCOPY)) {
        LogLastError(L"BitBlt");
        return false;
    }
    return true;
}

bool Picture::Draw(HDC target, const RECT& destination, const RECT& source) const {
    return Draw(target, destination.left, destination.top, destination.right - destination.left,
                destination.bottom - destination.top, source.left, source.top, source.right - source.left,
                source.bottom - source.top);
}

bool Picture::SaveToBytes(Bytes& bytes) const {
    SIZE size = GetSize();
    if (size.cx <= 0 || size.cy <= 0 || !m_state->pixels) return false;
    const int width = size.cx, height = size.cy;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t{3};
    const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(height);
    const DWORD headerBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    if (imageBytes > 0xFFFFFFFFu - headerBytes) return false;  // a BMP cannot say its own size

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // positive: rows bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(imageBytes);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfSize = static_cast<DWORD>(headerBytes + imageBytes);
    file.bfOffBits = headerBytes;

    Bytes out(headerBytes + static_cast<size_t>(imageBytes));
    std::memcpy(out.data(), &file, sizeof file);
    std::memcpy(out.data() + sizeof file, &info, sizeof info);
    // The bitmap is ours and 32-bit top-down: its rows go straight into the file, bottom-up
    // and without the fourth byte, with no second screen-sized bitmap to read them through.
    GdiFlush();
    for (int y = 0; y < height; ++y) {
        const unsigned char* from = m_state->pixels + static_cast<size_t>(y) * width * 4;
        unsigned char* to = out.data() + headerBytes + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x, from += 4, to += 3) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    bytes = std::move(out);
    return true;
}

bool Picture::SaveToFile(const Path& path) const {
    Bytes bytes;
    if (!SaveToBytes(bytes)) return false;
    return WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Picture::Picture(Picture&& other) noexcept = default;
Picture& Picture::operator=(Picture&& other) noexcept = default;

void Picture::Release() { m_state.reset(); }

HBITMAP Picture::Detach() {
    if (!m_state) return nullptr;
    if (m_state->previous) SelectObject(m_state->dc.get(), m_state->previous);
    m_state->previous = nullptr;
    HBITMAP bitmap = m_state->bitmap.release();
    m_state.reset();
    return bitmap;
}

HDC Picture::GetDC() const { return m_state ? m_state->dc.get() : nullptr; }
