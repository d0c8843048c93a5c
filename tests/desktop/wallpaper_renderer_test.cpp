// Composing wallpapers on the test display, and applying one to the Wine desktop; the
// template renderer's page, files and fall-back (Wine has no HTML engine, so the browser's
// own painting is left to a stand-in).
#include <gtest/gtest.h>

#include <windows.h>

#include <exdisp.h>
#include <exdispid.h>
#include <shlwapi.h>
#include <urlmon.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

#include "base/handles.h"
#include "base/job_thread.h"
#include "base/resource_source.h"
#include "base/utf8.h"
#include "config/settings.h"
#include "desktop/shell/wallpaper_state.h"
#include "desktop/skin/drawn_layout.h"
#include "desktop/templates/browser_site.h"
#include "desktop/templates/template_renderer.h"
#include "desktop/wallpaper/wallpaper_renderer.h"
#include "support/test_support.h"

namespace {

// The primary monitor as the composition sees it.
wallpaper_layout::Screen PrimaryScreen() { return ScreenOf(SystemMonitors().front()); }

COLORREF PixelAt(const Picture& picture, int x, int y) { return GetPixel(picture.GetDC(), x, y); }

bool Near(COLORREF a, COLORREF b) {
    return abs(GetRValue(a) - GetRValue(b)) < 40 && abs(GetGValue(a) - GetGValue(b)) < 40 &&
           abs(GetBValue(a) - GetBValue(b)) < 40;
}

class Composition : public ::testing::Test {
protected:
    TempDir dir;
    std::shared_ptr<Settings> settings = std::make_shared<Settings>(dir.path());
    PlainRenderer renderer{settings};
    Settings::Point screen = Settings::GetScreenSize();
    Settings::Rect area = Settings::GetWorkArea();
    wallpaper_layout::Screen display = PrimaryScreen();

    Picture Solid(int width, int height, COLORREF colour) {
        Picture picture;
        EXPECT_TRUE(picture.Create(width, height, colour));
        return picture;
    }
};

}  // namespace

TEST_F(Composition, LargePicturesFillTheScreen) {
    Picture large = Solid(screen.x * 2, screen.y * 2, RGB(0, 200, 0));
    std::shared_ptr<Picture> wallpaper = ComposeWallpaper(large, *settings, renderer, display);
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(wallpaper->GetWidth(), screen.x);
    EXPECT_EQ(wallpaper->GetHeight(), screen.y);
    EXPECT_TRUE(Near(PixelAt(*wallpaper, 1, 1), RGB(0, 200, 0)));
    EXPECT_TRUE(Near(PixelAt(*wallpaper, screen.x - 2, screen.y - 2), RGB(0, 200, 0)));
}

TEST_F(Composition, SmallPicturesAreFramedInTheFrameColour) {
    settings->SetFrameColor(RGB(10, 20, 200));
    Picture small = Solid(200, 150, RGB(250, 250, 0));
    std::shared_ptr<Picture> wallpaper = ComposeWallpaper(small, *settings, renderer, display);
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(wallpaper->GetWidth(), screen.x);
    EXPECT_TRUE(Near(PixelAt(*wallpaper, 0, 0), RGB(10, 20, 200))) << "the frame";
    int centreX = area.left + (area.right - area.left) / 2, centreY = area.top + (area.bottom - area.top) / 2;
    EXPECT_TRUE(Near(PixelAt(*wallpaper, centreX, centreY), RGB(250, 250, 0)))
        << "the picture, centred in the work area";
    EXPECT_TRUE(Near(PixelAt(*wallpaper, centreX - 99, centreY), RGB(250, 250, 0)));
    EXPECT_TRUE(Near(PixelAt(*wallpaper, centreX - 102, centreY), RGB(10, 20, 200))) << "never enlarged";

    settings->SetFrameColor(Settings::kDesktopColorMarker);
    wallpaper = ComposeWallpaper(small, *settings, renderer, display);
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(PixelAt(*wallpaper, 0, 0), GetSysColor(COLOR_BACKGROUND)) << "the marker means the desktop colour";
    // The user changes the desktop colour: the next wallpaper follows, without a restart.
    const int element = COLOR_BACKGROUND;
    const COLORREF previous = GetSysColor(COLOR_BACKGROUND), changed = RGB(12, 130, 70);
    ASSERT_TRUE(SetSysColors(1, &element, &changed));
    wallpaper = ComposeWallpaper(small, *settings, renderer, display);
    SetSysColors(1, &element, &previous);
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(PixelAt(*wallpaper, 0, 0), changed);

    EXPECT_FALSE(ComposeWallpaper(Picture(), *settings, renderer, display)) << "no picture, no wallpaper";
}

TEST_F(Composition, AppliedWallpaperIsTheScreenSizedBitmap) {
    WallpaperDescription before = CaptureCurrentWallpaper();
    Picture large = Solid(screen.x, screen.y, RGB(120, 30, 160));
    std::shared_ptr<Picture> wallpaper = ComposeWallpaper(large, *settings, renderer, display);
    ASSERT_TRUE(wallpaper);
    EXPECT_TRUE(ApplyWallpaper(*wallpaper, *settings));
    WallpaperDescription now = CaptureCurrentWallpaper();
    EXPECT_EQ(now.TileWallpaper, L"0");
    EXPECT_EQ(now.WallpaperStyle, L"1");
    EXPECT_EQ(now.Wallpaper, GetWallpaperPath().str());
    EXPECT_TRUE(IsOwnWallpaper(now));
    Picture saved;
    ASSERT_TRUE(saved.LoadFromFile(GetWallpaperPath()));
    EXPECT_EQ(saved.GetWidth(), screen.x);
    EXPECT_EQ(saved.GetHeight(), screen.y);
    EXPECT_TRUE(Near(PixelAt(saved, screen.x / 2, screen.y / 2), RGB(120, 30, 160)));
    Picture empty;
    EXPECT_FALSE(ApplyWallpaper(empty, *settings)) << "nothing to apply, nothing touched";
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
}

TEST_F(Composition, AWallpaperThatCannotBeSavedLeavesTheDesktopAlone) {
    WallpaperDescription before = CaptureCurrentWallpaper();
    SetDesktopWallpaper(L"1", L"0", L"C:\\users\\own.bmp");
    // A folder where the bitmap belongs: the disk refuses the file.
    Path bitmap = GetWallpaperPath();
    bitmap.Remove();
    ASSERT_TRUE(CreateDirectoryW(bitmap.c_str(), nullptr));
    std::shared_ptr<Picture> wallpaper =
        ComposeWallpaper(Solid(screen.x, screen.y, RGB(10, 20, 30)), *settings, renderer, display);
    ASSERT_TRUE(wallpaper);
    EXPECT_FALSE(ApplyWallpaper(*wallpaper, *settings));
    RemoveDirectoryW(bitmap.c_str());
    WallpaperDescription now = CaptureCurrentWallpaper();
    EXPECT_EQ(now.Wallpaper, L"C:\\users\\own.bmp");
    EXPECT_EQ(now.TileWallpaper, L"1");
    EXPECT_EQ(now.WallpaperStyle, L"0");
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
}

TEST_F(Composition, EveryMonitorGetsItsOwnPartAtItsOwnSizeAndTheCaptionGoesOnThePrimary) {
    using namespace wallpaper_layout;
    // The primary 300x200 with a task bar, a 160x120 to its right, a 240x100 above reaching
    // left of the primary's corner.
    const Monitors monitors = {{{0, 0, 300, 200}, {0, 0, 300, 180}},
                               {{300, 40, 460, 160}, {300, 40, 460, 160}},
                               {{-60, -100, 180, 0}, {-60, -100, 180, 0}}};
    const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};
    std::vector<Size> asked;
    MonitorComposer solid = [&](size_t monitor, const Screen& part) {
        asked.push_back(part.size);
        return std::make_shared<Picture>(Solid(part.size.width, part.size.height, colours[monitor]));
    };
    DrawnLayout caption;
    ASSERT_TRUE(caption.LoadDocument(
        "<W><Text field='caption' fontSize='12' color='16777215' right='4' bottom='2'/></W>", ResourceSource()));
    Watermark mark{&caption, {{"caption", L"Plants · 12/10/2026"}}};

    std::shared_ptr<Picture> span = ComposeSpan(LayOutSpan(monitors, TileOrigin::VirtualScreen), solid, mark);
    ASSERT_TRUE(span);
    EXPECT_EQ(asked, (std::vector<Size>{{300, 200}, {160, 120}, {240, 100}})) << "each part at its monitor's size";
    EXPECT_EQ(span->GetWidth(), 520);
    EXPECT_EQ(span->GetHeight(), 300);
    // Canvas = screen + (60, 100).
    EXPECT_EQ(PixelAt(*span, 60, 100), colours[0]);
    EXPECT_EQ(PixelAt(*span, 359, 299), colours[0]);
    EXPECT_EQ(PixelAt(*span, 360, 140), colours[1]);
    EXPECT_EQ(PixelAt(*span, 519, 259), colours[1]);
    EXPECT_EQ(PixelAt(*span, 0, 0), colours[2]);
    EXPECT_EQ(PixelAt(*span, 239, 99), colours[2]);
    // The caption's light pixels lie in the bottom right corner of the primary's work area.
    RECT lit{INT_MAX, INT_MAX, -1, -1};
    for (int y = 0; y < span->GetHeight(); ++y)
        for (int x = 0; x < span->GetWidth(); ++x)
            if (GetGValue(PixelAt(*span, x, y)) > 100 && GetRValue(PixelAt(*span, x, y)) > 100) {
                lit = RECT{std::min<LONG>(lit.left, x), std::min<LONG>(lit.top, y), std::max<LONG>(lit.right, x),
                           std::max<LONG>(lit.bottom, y)};
            }
    ASSERT_GE(lit.right, 0) << "the caption was drawn";
    EXPECT_GT(lit.left, 60 + 150) << "on the right half of the primary";
    EXPECT_LE(lit.right, 60 + 300 - 4);
    EXPECT_GT(lit.top, 100 + 150);
    EXPECT_LE(lit.bottom, 100 + 180 - 2) << "above the task bar";

    mark.fields["caption"] = std::wstring(300, L'W');
    span = ComposeSpan(LayOutSpan(monitors, TileOrigin::VirtualScreen), solid, mark);
    ASSERT_TRUE(span);
    EXPECT_EQ(PixelAt(*span, 30, 270), RGB(0, 0, 0)) << "a caption too long is cut at the work area's edge";
    EXPECT_EQ(PixelAt(*span, 59, 272), RGB(0, 0, 0));

    // Tiles from the primary's corner: the primary's part comes first, the rest wraps round.
    span = ComposeSpan(LayOutSpan(monitors, TileOrigin::PrimaryMonitor), solid, Watermark{});
    ASSERT_TRUE(span);
    EXPECT_EQ(PixelAt(*span, 0, 0), colours[0]);
    EXPECT_EQ(PixelAt(*span, 299, 199), colours[0]);
    EXPECT_EQ(PixelAt(*span, 300, 40), colours[1]) << "right of the primary, as on the screen";
    EXPECT_EQ(PixelAt(*span, 520 - 60, 300 - 100), colours[2]) << "above and left wraps to the far corner";
    EXPECT_EQ(PixelAt(*span, 179, 299), colours[2]) << "and its right part stays above the primary, wrapped down";

    // One monitor: the part itself, untouched without a caption.
    std::shared_ptr<Picture> part;
    MonitorComposer kept = [&](size_t, const Screen& screen) {
        return part = std::make_shared<Picture>(Solid(screen.size.width, screen.size.height, colours[1]));
    };
    span = ComposeSpan(LayOutSpan({monitors.front()}, TileOrigin::PrimaryMonitor), kept, Watermark{&caption, {}});
    EXPECT_EQ(span, part) << "no canvas, no copy";
    EXPECT_EQ(PixelAt(*span, 290, 175), colours[1]) << "an empty caption draws nothing";
    MonitorComposer failing = [&](size_t monitor, const Screen& screen) {
        return monitor == 1 ? nullptr : solid(monitor, screen);
    };
    EXPECT_FALSE(ComposeSpan(LayOutSpan(monitors, TileOrigin::VirtualScreen), failing, Watermark{}))
        << "a part that cannot be made: no wallpaper";
}

namespace {

using template_document::Source;
using wallpaper_layout::Rect;
using wallpaper_layout::Size;

Path PathOf(const std::wstring& url) {
    wchar_t path[MAX_PATH];
    DWORD length = MAX_PATH;
    return SUCCEEDED(PathCreateFromUrlW(url.c_str(), path, &length, 0)) ? Path(path) : Path();
}

// The renderer's temporary files now in the temporary folder.
std::vector<std::wstring> TemporaryPages() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileW((Path(folder) / L"TFR*.tmp").c_str(), &found));
    if (find) do
            names.push_back(found.cFileName);
        while (FindNextFileW(find.get(), &found));
    return names;
}

// Stands in for the browser: keeps the page it was given and paints an element of a chosen size.
class FakeCapture : public PageCapture {
public:
    bool Ready() override { return true; }
    Result LoadAndCapture(const std::wstring& url) override {
        page = ReadAll(PathOf(url));
        filesWhileLoading = TemporaryPages().size();
        if (onLoad) onLoad(page);
        Result result;
        result.outcome = outcome;
        Picture element;
        if (outcome == Outcome::Captured && element.Create(elementSize.cx, elementSize.cy, RGB(30, 60, 90)))
            result.bitmap.reset(element.Detach());
        return result;
    }
    void Release() override {}

    Outcome outcome = Outcome::Captured;
    SIZE elementSize{200, 100};
    std::function<void(const std::string&)> onLoad;
    std::string page;
    size_t filesWhileLoading = 0;
};

}  // namespace

TEST(TemplatePage, EveryVariableIsFilledByItsExactNameInOrder) {
    template_document::Values values;
    values.baseUri = L"file:///C:/templates/Frame/index.tpl";
    values.imageUri = L"file:///C:/temp/TFR1.tmp?{BaseUri}";
    values.image = {480, 640};
    values.screen = {1280, 1024};
    values.workArea = {-8, 10, 1200, 994};
    values.frameColor = RGB(0x10, 0x80, 0xC0);
    const std::wstring page = template_document::Fill(
        L"{BaseUri} {ImageUri} {ImageWidth}x{ImageHeight} {FrameColor} {ScreenWidth}x{ScreenHeight} "
        L"{WorkspaceLeft},{WorkspaceTop},{WorkspaceRight},{WorkspaceBottom} {WorkspaceWidth}x{WorkspaceHeight} "
        L"{ImageWidth}{ImageWidth}",
        values);
    EXPECT_EQ(page,
              L"file:///C:/templates/Frame/index.tpl file:///C:/temp/TFR1.tmp?{BaseUri} 480x640 #1080C0 1280x1024 "
              L"-8,10,80,30 1208x984 480480")
        << "right and bottom are distances from the screen's edges; a variable already filled is not filled again";
    EXPECT_EQ(template_document::Fill(L"{imageuri} {IMAGEWIDTH} {Imagewidth} { ImageWidth} {}", values),
              L"{imageuri} {IMAGEWIDTH} {Imagewidth} { ImageWidth} {}")
        << "names in another case are left as written";
    EXPECT_EQ(template_document::Fill(L"<p>no variables</p>", values), L"<p>no variables</p>");
    EXPECT_EQ(template_document::ColorText(RGB(0xFF, 0, 0)), L"#FF0000");
    EXPECT_EQ(template_document::ColorText(RGB(0xAB, 0xCD, 0xEF)), L"#ABCDEF") << "upper-case hexadecimal";
    EXPECT_EQ(template_document::ColorText(0), L"#000000");
}

TEST(TemplatePage, PicturesGetTheBoxOfTheirOrientationAndNeverFallBack) {
    struct Case {
        Size picture, box;
        Rect source;
        const char* what;
    };
    const Case cases[] = {
        {{1600, 1200}, {640, 480}, {0, 0, 1600, 1200}, "landscape: the whole picture"},
        {{500, 500}, {480, 640}, {0, 0, 375, 500}, "a square counts as portrait"},
        {{600, 900}, {480, 640}, {0, 0, 600, 800}, "portrait, cropped from the top-left"},
        {{2000, 500}, {640, 480}, {0, 0, 666, 500}, "a panorama keeps under 70 % and is still cropped"},
        {{100, 50}, {640, 480}, {0, 0, 66, 50}, "a small picture is enlarged"},
    };
    for (const Case& c : cases) {
        template_document::ImageFit fit = template_document::FitImage(c.picture);
        EXPECT_EQ(fit.box, c.box) << c.what;
        EXPECT_EQ(fit.source, c.source) << c.what;
    }
}

TEST(TemplatePage, OnlyARegularNonEmptyIndexTplIsATemplate) {
    TempDir dir;
    auto page = [&](const std::wstring& name, const std::string& bytes) {
        EXPECT_TRUE((dir / name).CreateDirectories());
        WriteAll(dir / name / L"index.tpl", bytes);
        return template_document::ReadSource(dir / name);
    };
    EXPECT_FALSE(template_document::ReadSource(Path())) << "an empty folder name";
    EXPECT_FALSE(template_document::ReadSource(dir / L"missing"));
    ASSERT_TRUE((dir / L"folder" / L"index.tpl").CreateDirectories());
    EXPECT_FALSE(template_document::ReadSource(dir / L"folder")) << "index.tpl is a folder";
    EXPECT_FALSE(page(L"empty", "")) << "an empty page";
    EXPECT_FALSE(page(L"mark", "\xEF\xBB\xBF")) << "a byte-order mark and nothing else";
    EXPECT_FALSE(page(L"large", std::string(template_document::kMaxTemplateBytes + 1, 'x'))) << "oversized";

    std::optional<Source> marked = page(L"Photo Frame", "\xEF\xBB\xBF<p>\xC3\xA9</p>");
    ASSERT_TRUE(marked);
    EXPECT_EQ(marked->text, L"<p>\u00E9</p>") << "UTF-8, the mark dropped";
    EXPECT_EQ(marked->baseUri.rfind(L"file:", 0), 0u) << marked->baseUri;
    EXPECT_EQ(PathOf(marked->baseUri), dir / L"Photo Frame" / L"index.tpl") << marked->baseUri;

    std::optional<Source> cut = page(L"cut", "abc\xE2\x82");
    ASSERT_TRUE(cut) << "a page cut inside a character";
    EXPECT_EQ(cut->text.substr(0, 3), L"abc");
    EXPECT_NE(cut->text.find(L'\xFFFD'), std::wstring::npos);
    std::mt19937 random(7);
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    EXPECT_TRUE(page(L"noise", noise)) << "random bytes still make a (strange) page";
}

class TemplateRendering : public ::testing::Test {
protected:
    TempDir dir;
    std::shared_ptr<Settings> settings = std::make_shared<Settings>(dir.path());
    FakeCapture* capture = new FakeCapture;
    std::unique_ptr<TemplateRenderer> renderer =
        std::make_unique<TemplateRenderer>(settings, std::unique_ptr<PageCapture>(capture));
    Settings::Point screen = Settings::GetScreenSize();
    wallpaper_layout::Screen display = PrimaryScreen();

    static Picture Solid(int width, int height) {
        Picture picture;
        EXPECT_TRUE(picture.Create(width, height, RGB(200, 40, 40)));
        return picture;
    }
};

TEST_F(TemplateRendering, ThePageIsWrittenWholeAndItsFilesAreGoneAfterwards) {
    settings->SetDebugMode(true);
    renderer->Use({L"{ImageUri} {ImageWidth} {ImageHeight} \u00FC", L"file:///C:/t/index.tpl"});
    const size_t before = TemporaryPages().size();
    Size image;
    capture->onLoad = [&](const std::string& page) {
        Picture loaded(PathOf(FromUtf8(page.substr(0, page.find(' ')))));
        image = {loaded.GetWidth(), loaded.GetHeight()};
    };
    std::shared_ptr<Picture> wallpaper = renderer->RenderFramed(Solid(800, 600), display);
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(wallpaper->GetWidth(), 200) << "an element inside the screen is kept whole";
    EXPECT_EQ(wallpaper->GetHeight(), 100);
    EXPECT_EQ(capture->filesWhileLoading, before + 2) << "the picture and the page, both written before loading";
    EXPECT_EQ(TemporaryPages().size(), before) << "and both removed";
    EXPECT_EQ(image, (Size{640, 480})) << "the picture's file holds it at the box's size";
    EXPECT_EQ(capture->page.substr(capture->page.find(' ')), " 640 480 \xC3\xBC") << "UTF-8 without a mark";
    EXPECT_EQ(ReadAll(dir / L"dbg_template.html"), capture->page) << "the debug copy is exactly what was loaded";

    capture->elementSize = {screen.x + 300, screen.y + 20};
    wallpaper = renderer->RenderFramed(Solid(300, 300), display);
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(image, (Size{480, 640})) << "a square picture is framed as portrait";
    EXPECT_EQ(capture->page.substr(capture->page.find(' ')), " 480 640 \xC3\xBC");
    EXPECT_EQ(wallpaper->GetWidth(), screen.x) << "a larger element is cut to the screen";
    EXPECT_EQ(wallpaper->GetHeight(), screen.y);
    EXPECT_EQ(GetPixel(wallpaper->GetDC(), 5, 5), RGB(30, 60, 90));

    settings->SetDebugMode(false);
    (dir / L"dbg_template.html").Remove();
    capture->outcome = PageCapture::Outcome::Failed;
    EXPECT_FALSE(renderer->RenderFramed(Solid(800, 600), display)) << "no capture, no wallpaper";
    EXPECT_EQ(TemporaryPages().size(), before) << "the files are removed on failure too";
    EXPECT_FALSE((dir / L"dbg_template.html").Exists()) << "no debug copy without debug mode";
    EXPECT_TRUE(renderer->IsReady()) << "one failed page is no reason to give the template up";
}

TEST_F(TemplateRendering, AFailedLoadKeepsTheTemplateLoadedBefore) {
    EXPECT_FALSE(renderer->IsReady()) << "no template yet";
    ASSERT_TRUE((dir / L"Frame").CreateDirectories());
    WriteAll(dir / L"Frame" / L"index.tpl", "<p>{FrameColor}</p>");
    ASSERT_TRUE(LoadTemplate(renderer, dir / L"Frame", settings));
    EXPECT_FALSE(LoadTemplate(renderer, dir / L"missing", settings));
    EXPECT_TRUE(renderer->IsReady());
    settings->SetFrameColor(Settings::kDesktopColorMarker);
    ASSERT_TRUE(renderer->RenderFramed(Solid(800, 600), display));
    EXPECT_EQ(capture->page, "<p>" + ToUtf8(template_document::ColorText(GetSysColor(COLOR_BACKGROUND))) + "</p>")
        << "the template before, with the desktop colour for the marker";
}

// The real browser control, as the Controller's thread runs it. Wine here has no HTML
// engine, so the page never finishes loading: this is the time-out at work.
TEST(TemplateBrowser, APageThatNeverFinishesTimesOutAndLeavesNoFiles) {
    TempDir dir;
    auto settings = std::make_shared<Settings>(dir.path());
    ASSERT_TRUE((dir / L"Frame").CreateDirectories());
    WriteAll(dir / L"Frame" / L"index.tpl", "<!DOCTYPE html><img src=\"{ImageUri}\">");
    const size_t before = TemporaryPages().size();
    bool loaded = false, readyBefore = false, rendered = true, readyAfter = true, readyReloaded = false;
    UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    {
        JobThread thread(L"Controller");
        thread.Post([&, event = done.get()] {
            std::unique_ptr<TemplateRenderer> renderer;
            loaded = LoadTemplate(renderer, dir / L"Frame", settings, 300);
            if (renderer) {
                readyBefore = renderer->IsReady();
                Picture picture;
                picture.Create(400, 300, RGB(0, 0, 255));
                rendered = renderer->RenderFramed(picture, PrimaryScreen()) != nullptr;
                readyAfter = renderer->IsReady();
                LoadTemplate(renderer, dir / L"Frame", settings, 300);
                readyReloaded = renderer->IsReady();
                renderer->Release();
            }
            SetEvent(event);
        });
        ASSERT_EQ(WaitForSingleObject(done.get(), 60000), WAIT_OBJECT_0);
    }
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(readyBefore) << "the browser control is there";
    EXPECT_FALSE(rendered) << "no engine, no page";
    EXPECT_FALSE(readyAfter) << "the time-out hands over to the plain frame";
    EXPECT_TRUE(readyReloaded);
    EXPECT_EQ(TemporaryPages().size(), before);
}

namespace {

// One event's arguments, last to first as IDispatch::Invoke gets them; the URL goes in by
// reference, as the control passes it, and "Cancel" starts as given.
class EventCall {
public:
    EventCall(UINT count, UINT urlIndex, const std::wstring& url, UINT cancelIndex, VARIANT_BOOL cancelBefore)
        : cancel(cancelBefore), m_arguments(count) {
        VariantInit(&m_url);
        for (VARIANT& argument : m_arguments) VariantInit(&argument);
        if (urlIndex < count) {
            V_VT(&m_url) = VT_BSTR;
            V_BSTR(&m_url) = SysAllocString(url.c_str());
            V_VT(&m_arguments[urlIndex]) = VT_BYREF | VT_VARIANT;
            V_VARIANTREF(&m_arguments[urlIndex]) = &m_url;
        }
        V_VT(&m_arguments[cancelIndex]) = VT_BYREF | VT_BOOL;
        V_BOOLREF(&m_arguments[cancelIndex]) = &cancel;
        m_parameters.rgvarg = m_arguments.data();
        m_parameters.cArgs = count;
    }
    ~EventCall() { VariantClear(&m_url); }
    VARIANT& operator[](UINT index) { return m_arguments[index]; }
    HRESULT Send(IDispatch* site, DISPID id) {
        return site->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &m_parameters, nullptr, nullptr, nullptr);
    }

    VARIANT_BOOL cancel;

private:
    std::vector<VARIANT> m_arguments;
    VARIANT m_url;
    DISPPARAMS m_parameters{};
};

// BeforeNavigate2 to the URL; true when the site cancelled it.
bool NavigationCancelled(IDispatch* site, const std::wstring& url) {
    EventCall call(7, 5, url, 0, VARIANT_TRUE);
    if (call.Send(site, DISPID_BEFORENAVIGATE2) != S_OK) ADD_FAILURE() << "BeforeNavigate2 was refused";
    return call.cancel != VARIANT_FALSE;
}

}  // namespace

// The site is what locks the control down; Wine has no engine to ask it, so it is asked here
// as the control would.
TEST(TemplateBrowser, TheSiteAllowsHtmlAndImagesOnly) {
    ComPtr<BrowserSite> site;
    *site.put() = new BrowserSite(nullptr, nullptr);
    IDispatch* dispatch = static_cast<IDispatch*>(site.get());

    VARIANT control;
    VariantInit(&control);
    DISPPARAMS none{};
    ASSERT_EQ(dispatch->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &control, nullptr,
                               nullptr),
              S_OK);
    ASSERT_EQ(V_VT(&control), VT_I4);
    const DWORD flags = static_cast<DWORD>(V_I4(&control));
    for (DWORD required :
         {DLCTL_DLIMAGES, DLCTL_NO_SCRIPTS, DLCTL_NO_JAVA, DLCTL_NO_RUNACTIVEXCTLS, DLCTL_NO_DLACTIVEXCTLS,
          DLCTL_NO_BEHAVIORS, DLCTL_NO_FRAMEDOWNLOAD, DLCTL_NO_CLIENTPULL, DLCTL_SILENT})
        EXPECT_EQ(flags & required, required) << std::hex << "flag " << required << " missing from " << flags;
    EXPECT_EQ(flags & (DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_DOWNLOADONLY), 0u) << "no media, and the page is shown";

    ComPtr<IDocHostUIHandler> handler;
    ASSERT_EQ(site->QueryInterface(IID_IDocHostUIHandler, handler.put_void()), S_OK);
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_EQ(handler->GetHostInfo(&info), S_OK);
    for (DWORD required : {DOCHOSTUIFLAG_NO3DBORDER, DOCHOSTUIFLAG_SCROLL_NO, DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE,
                           DOCHOSTUIFLAG_DISABLE_HELP_MENU})
        EXPECT_EQ(info.dwFlags & required, required) << std::hex << required;
    EXPECT_EQ(info.dwFlags & DOCHOSTUIFLAG_OPENNEWWIN, 0u);
    EXPECT_EQ(handler->ShowContextMenu(CONTEXT_MENU_DEFAULT, nullptr, nullptr, nullptr), S_OK) << "no menu";
    IDispatch* external = dispatch;
    EXPECT_EQ(handler->GetExternal(&external), S_FALSE);
    EXPECT_EQ(external, nullptr) << "window.external is nothing";

    ComPtr<IDocHostShowUI> showUI;
    ASSERT_EQ(site->QueryInterface(__uuidof(IDocHostShowUI), showUI.put_void()), S_OK);
    LRESULT answer = 0;
    wchar_t text[] = L"hello";
    EXPECT_EQ(showUI->ShowMessage(nullptr, text, text, MB_OK, nullptr, 0, &answer), S_OK) << "swallowed, not shown";
    EXPECT_EQ(showUI->ShowHelp(nullptr, nullptr, 0, 0, POINT{}, nullptr), S_OK);

    ComPtr<IServiceProvider> services;
    ComPtr<IInternetSecurityManager> security;
    ASSERT_EQ(site->QueryInterface(IID_IServiceProvider, services.put_void()), S_OK);
    ASSERT_EQ(services->QueryService(SID_SInternetSecurityManager, IID_IInternetSecurityManager, security.put_void()),
              S_OK);
    for (DWORD action : {URLACTION_SCRIPT_RUN, URLACTION_ACTIVEX_RUN, URLACTION_DOWNLOAD_SIGNED_ACTIVEX,
                         URLACTION_JAVA_PERMISSIONS, URLACTION_HTML_META_REFRESH, URLACTION_HTML_SUBMIT_FORMS,
                         URLACTION_SHELL_FILE_DOWNLOAD, URLACTION_SCRIPT_JAVA_USE}) {
        DWORD policy = URLPOLICY_ALLOW;
        EXPECT_EQ(security->ProcessUrlAction(L"file:///C:/t/page.html", action, reinterpret_cast<BYTE*>(&policy),
                                             sizeof(policy), nullptr, 0, 0, 0),
                  S_FALSE)
            << std::hex << action;
        EXPECT_EQ(policy, static_cast<DWORD>(URLPOLICY_DISALLOW)) << std::hex << action;
    }
    DWORD policy = URLPOLICY_ALLOW;
    EXPECT_EQ(security->ProcessUrlAction(L"file:///C:/t/page.html", URLACTION_HTML_MIXED_CONTENT,
                                         reinterpret_cast<BYTE*>(&policy), sizeof(policy), nullptr, 0, 0, 0),
              INET_E_DEFAULT_ACTION)
        << "the rest is the system's";
    EXPECT_EQ(security->ProcessUrlAction(L"x", URLACTION_SCRIPT_RUN, nullptr, 0, nullptr, 0, 0, 0), S_FALSE)
        << "refused even without room for the policy";
    ComPtr<IUnknown> other;
    EXPECT_EQ(services->QueryService(IID_IWebBrowserApp, IID_IUnknown, other.put_void()), E_NOINTERFACE);
}

TEST(TemplateBrowser, OnlyThePageItselfIsEverShown) {
    TempDir dir;
    ComPtr<BrowserSite> site;
    *site.put() = new BrowserSite(nullptr, nullptr);
    IDispatch* dispatch = static_cast<IDispatch*>(site.get());
    const std::wstring page = template_document::FileUrl(dir / L"TFR1A2.tmp");
    EXPECT_TRUE(NavigationCancelled(dispatch, page)) << "no page set, no navigation";
    site->SetPage(page);
    EXPECT_FALSE(NavigationCancelled(dispatch, page));
    std::wstring upper = page;
    CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    EXPECT_FALSE(NavigationCancelled(dispatch, upper)) << "the same file in another case";
    EXPECT_FALSE(NavigationCancelled(dispatch, template_document::FileUrl(dir / L"sub" / L".." / L"TFR1A2.tmp")));
    EXPECT_FALSE(NavigationCancelled(dispatch, (dir / L"TFR1A2.tmp").str())) << "the page as a plain path";

    for (const std::wstring& elsewhere :
         {std::wstring(L"http://127.0.0.1/index.html"), std::wstring(L"https://example.com/"),
          std::wstring(L"javascript:alert(1)"), std::wstring(L"about:blank"), std::wstring(L"res://ieframe.dll/"),
          template_document::FileUrl(dir / L"other" / L"TFR1A2.tmp"),
          template_document::FileUrl(dir / L"TFR1A2.tmp.html"),
          template_document::FileUrl(dir.path().Parent() / L"TFR1A2.tmp"), page + L"?next", std::wstring(),
          (dir / L"other" / L"TFR1A2.tmp").str(), (dir / L"other" / L".." / L".." / L"TFR1A2.tmp").str(),
          std::wstring(L"\\\\127.0.0.1\\share\\TFR1A2.tmp"), std::wstring(L"TFR1A2.tmp")})
        EXPECT_TRUE(NavigationCancelled(dispatch, elsewhere)) << ToUtf8(elsewhere);

    EventCall newWindow2(2, 9, L"", 0, VARIANT_FALSE);
    EXPECT_EQ(newWindow2.Send(dispatch, DISPID_NEWWINDOW2), S_OK);
    EXPECT_EQ(newWindow2.cancel, VARIANT_TRUE) << "no new windows";
    EventCall newWindow3(5, 0, L"http://127.0.0.1/popup", 3, VARIANT_FALSE);
    EXPECT_EQ(newWindow3.Send(dispatch, DISPID_NEWWINDOW3), S_OK);
    EXPECT_EQ(newWindow3.cancel, VARIANT_TRUE);

    EventCall download(2, 9, L"", 0, VARIANT_FALSE);
    V_VT(&download[1]) = VT_BOOL;
    V_BOOL(&download[1]) = VARIANT_FALSE;
    EXPECT_EQ(download.Send(dispatch, DISPID_FILEDOWNLOAD), S_OK);
    EXPECT_EQ(download.cancel, VARIANT_TRUE) << "no downloads";
    EventCall shown(2, 9, L"", 0, VARIANT_TRUE);
    V_VT(&shown[1]) = VT_BOOL;
    V_BOOL(&shown[1]) = VARIANT_TRUE;
    EXPECT_EQ(shown.Send(dispatch, DISPID_FILEDOWNLOAD), S_OK);
    EXPECT_EQ(shown.cancel, VARIANT_FALSE) << "the page's own document loads";

    EventCall shortCall(6, 4, page, 0, VARIANT_FALSE);
    EXPECT_EQ(shortCall.Send(dispatch, DISPID_BEFORENAVIGATE2), DISP_E_BADPARAMCOUNT);
    EventCall noUrl(7, 9, L"", 0, VARIANT_FALSE);
    EXPECT_EQ(noUrl.Send(dispatch, DISPID_BEFORENAVIGATE2), S_OK);
    EXPECT_EQ(noUrl.cancel, VARIANT_TRUE) << "a navigation without a URL is cancelled";

    site->Detach();
    EXPECT_TRUE(NavigationCancelled(dispatch, page)) << "a detached site lets nothing through";
}
