// Loading a camera-sized JPEG and shrinking it to a screen: the two costs of every wallpaper.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstdio>
#include <vector>

#include "base/handles.h"
#include "bench_support.h"
#include "store/picture.h"

namespace {

constexpr UINT kWidth = 6000, kHeight = 4000;

// GDI has no JPEG encoder, so the picture is made here and encoded with WIC: a smooth
// gradient with some fine detail, so the decoder has real work to do.
Bytes MakeJpeg() {
    const UINT stride = kWidth * 3;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * kHeight);
    for (UINT y = 0; y < kHeight; ++y) {
        BYTE* row = &pixels[static_cast<size_t>(y) * stride];
        for (UINT x = 0; x < kWidth; ++x) {
            row[x * 3] = static_cast<BYTE>(x * 255 / kWidth);
            row[x * 3 + 1] = static_cast<BYTE>(y * 255 / kHeight);
            row[x * 3 + 2] = static_cast<BYTE>(((x / 7) ^ (y / 5)) * 37);
        }
    }

    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.put_void())) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), options.put())) || FAILED(frame->Initialize(options.get())) ||
        FAILED(frame->SetSize(kWidth, kHeight)) || FAILED(frame->SetPixelFormat(&format)) ||
        format != GUID_WICPixelFormat24bppBGR ||
        FAILED(frame->WritePixels(kHeight, stride, static_cast<UINT>(pixels.size()), pixels.data())) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return {};

    STATSTG stat{};
    LARGE_INTEGER start{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)))
        return {};
    Bytes bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    ULONG read = 0;
    if (FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) || read != bytes.size()) return {};
    return bytes;
}

}  // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fprintf(stderr, "picture_bench: COM did not start\n");
        return 1;
    }
    int status = 0;
    {
        Bytes jpeg = MakeJpeg();
        Picture picture;
        if (jpeg.empty() || !picture.LoadFromBytes(jpeg)) {
            std::fprintf(stderr, "picture_bench: could not make or load the %ux%u JPEG\n", kWidth, kHeight);
            status = 1;
        } else {
            std::printf("picture_bench: %ux%u JPEG of %zu bytes loads as %dx%d\n", kWidth, kHeight, jpeg.size(),
                        picture.GetWidth(), picture.GetHeight());
            Report("picture load 6000x4000 jpeg", MedianMs(10, [&] { picture.LoadFromBytes(jpeg); }),
                   "ms median of 10");

            Picture screen;
            screen.Create(1920, 1080);
            Report("picture halftone scale 6000x4000 to 1920x1080",
                   MedianMs(10,
                            [&] {
                                picture.Draw(screen.GetDC(), 0, 0, 1920, 1080, 0, 0, picture.GetWidth(),
                                             picture.GetHeight());
                            }),
                   "ms median of 10");
        }
    }
    CoUninitialize();
    return status;
}
