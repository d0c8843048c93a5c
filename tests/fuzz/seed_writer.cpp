// The seeds that only the program's own writers make: packages (current, written by
// WritePackage, and legacy, built as older versions wrote them), config.xml as Settings::Save
// writes it, and the samples of faults found and mended, kept as seeds.
#include "fuzz/seed_writer.h"

#include <cstdio>
#include <iterator>

#include "base/utf8.h"
#include "config/settings.h"
#include "fuzz/package_layout.h"
#include "fuzz/picture_size.h"
#include "store/package_file.h"
#include "support/test_support.h"

namespace {

// Legacy packages are keyed by their file name; the package harness writes every input
// under this name.
const char kPackageName[] = "package.tvp";

Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string LegacyPackage(const std::string& payload) {
    PackageLayout layout;
    layout.form = PackageLayout::Form::Legacy;
    layout.key = layout.legacyName = kPackageName;
    layout.payload = payload;
    return layout.Encode();
}

// A small JPEG whose frame header (baseline or progressive) claims 30000 x 30000 pixels, in a
// package named after the picture unless it is the plain small.jpg.
bool WritePictureSizeSample(const FuzzOptions& options, std::string jpeg, const std::wstring& pictureName) {
    size_t frame = jpeg.find("\xFF\xC0");
    if (frame == std::string::npos) frame = jpeg.find("\xFF\xC2");
    if (frame == std::string::npos || frame + 9 > jpeg.size()) return false;
    for (size_t side : {frame + 5, frame + 7}) {
        jpeg[side] = static_cast<char>(30000 >> 8);
        jpeg[side + 1] = static_cast<char>(30000 & 0xFF);
    }
    const std::wstring name = pictureName == L"small.jpg" ? L"" : L"-" + pictureName;
    return WritePackage(nullptr, AsBytes(jpeg),
                        options.corpus / L"package" / (L"claims-30000-square" + name + L".tvp"));
}

bool WritePackages(const FuzzOptions& options) {
    Path folder = options.corpus / L"package";
    folder.CreateDirectories();
    bool ok = WritePackage(nullptr, Bytes(), folder / L"current-empty.tvp");
    int order = 0;
    for (const std::string& file : options.pictures) {
        Path picture(FromUtf8(file));
        std::string bytes = ReadAll(picture);
        auto image = std::make_shared<Image>(100 + order, Path(), picture.FileName(), L"http://127.0.0.1:8723/");
        image->SetSize(8, 6);
        image->SetOrder(order++);
        ok = ok && !bytes.empty() &&
             WritePackage(image, AsBytes(bytes), folder / (L"current-" + picture.FileName() + L".tvp"));
        WriteAll(folder / (L"legacy-" + picture.FileName() + L".tvp"), LegacyPackage(bytes));
        if (picture.Extension() == L".jpg") ok = ok && WritePictureSizeSample(options, bytes, picture.FileName());
    }
    return ok;
}

// An icon directory whose one image lies at an offset that, with its size, wraps past 4 GB.
bool WriteIconDirectorySample(const FuzzOptions& options) {
    const unsigned char icon[] = {0,    0, 1, 0, 1,    0,                  // reserved, type icon, one image
                                  8,    6, 0, 0, 1,    0,    24,   0,      // 8 x 6, planes, bits
                                  0x20, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF};  // size 32, offset 0xFFFFFFF0
    return WritePackage(nullptr, Bytes(std::begin(icon), std::end(icon)),
                        options.corpus / L"package" / L"lying-icon-directory.tvp");
}

// 20,000 elements deep behind as many "/>" in text: the nesting guard sees depth 0.
void WriteNestingSample(const FuzzOptions& options) {
    std::string document = "<Response>";
    for (int i = 0; i < 20000; ++i) document += "/>";
    for (int i = 0; i < 20000; ++i) document += "<a>";
    WriteAll(options.corpus / L"imagelist" / L"deep-behind-disguised-closings.xml", document);
}

bool WriteConfigs(const FuzzOptions& options) {
    Path folder = options.corpus / L"config";
    folder.CreateDirectories();
    TempDir work;
    Settings defaults(work.path());
    bool ok = defaults.Save();
    WriteAll(folder / L"defaults.xml", ReadAll(defaults.GetConfigPath()));

    Settings changed(work.path());
    changed.SetTags(L"fengguang qiche");
    changed.SetLastDownloadTime(1700000000);
    changed.SetDownloadFrequency(6);
    changed.SetChangeFrequency(15);
    changed.SetUsername(L"tester");
    changed.SetPos(-120, 40);
    changed.SetSlientUpdate(true);
    changed.SetOldWallpaper({true, L"0", L"2", L"C:\\Windows\\web\\old.bmp"});
    changed.SetHideDesktopIcons(true);
    changed.SetFrameType(1);
    changed.SetFrameColor(Settings::kDesktopColorMarker);
    changed.SetStretchPercent(5);
    changed.SetTemplate(L"Postcard");
    changed.SetUseTemplate(true);
    changed.SetHotKeys({{L"Next", {8, 0x22}}, {L"Prev", {3, 0x21}}, {L"Freeze", {1, 0x46}}});
    changed.SetProxyType(L"HttpProxy");
    changed.SetProxyServer(L"127.0.0.1:3128");
    changed.SetProxyUsername(L"proxy user");
    changed.SetUseLocalImage(true);
    changed.SetLocalImagePath(Path(L"C:\\Pictures\\\u98CE\u5149"));
    changed.SetLocalImageInterval(4);
    changed.SetTransparent(180);
    changed.SetServiceUrl(L"http://127.0.0.1:8723");
    changed.SetPartnerUrl(L"https://partner.example:8443");
    ok = ok && changed.Save();
    WriteAll(folder / L"changed.xml", ReadAll(changed.GetConfigPath()));
    return ok;
}

}  // namespace

bool WriteSeeds(const FuzzOptions& options) {
    WriteNestingSample(options);
    bool ok = WritePackages(options) && WriteIconDirectorySample(options) && WriteConfigs(options);
    std::printf("seeds %s in %s\n", ok ? "written" : "NOT all written", ToUtf8(options.corpus.str()).c_str());
    return ok;
}
