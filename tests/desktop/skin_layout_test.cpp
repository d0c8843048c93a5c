// The skin's layouts: drawn layouts (about page, watermark) painted into memory bitmaps and
// checked pixel by pixel, the main window's layout document, and the shipped documents and
// bitmaps.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/resource_source.h"
#include "config/settings.h"
#include "config/version_table.h"
#include "desktop/skin/drawn_layout.h"
#include "desktop/skin/main_layout_document.h"
#include "desktop/skin/memory_surface.h"
#include "desktop/skin/skin_bitmap.h"
#include "store/picture.h"
#include "support/test_support.h"
#include "ui/main_window/main_layout.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kKey = RGB(254, 254, 254);
constexpr COLORREF kCanvas = RGB(10, 20, 30);

struct Report {
    std::wstring text, title;
    bool operator==(const Report& o) const { return text == o.text && title == o.title; }
};
std::ostream& operator<<(std::ostream& out, const Report& r) {
    std::string text(r.text.begin(), r.text.end()), title(r.title.begin(), r.title.end());
    return out << "[" << title << "] " << text;
}

std::string Xml(const std::string& body) { return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + body; }

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    MemorySurface surface(nullptr, bitmap);
    return surface ? GetPixel(surface.dc(), x, y) : CLR_INVALID;
}

bool Near(COLORREF a, COLORREF b, int tolerance = 3) {
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// The columns (or rows) of a line of pixels that have the colour, as [first, last]; -1 when none.
std::pair<int, int> ColourSpan(HDC dc, int from, int to, int fixed, bool horizontal, COLORREF colour) {
    int first = -1, last = -1;
    for (int i = from; i < to; ++i) {
        COLORREF p = horizontal ? GetPixel(dc, i, fixed) : GetPixel(dc, fixed, i);
        if (p != colour) continue;
        if (first < 0) first = i;
        last = i;
    }
    return {first, last};
}

// The bounding box of the pixels that differ from the canvas colour; empty when none.
RECT InkBox(const Picture& picture, COLORREF background) {
    RECT box{picture.GetWidth(), picture.GetHeight(), -1, -1};
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x)
            if (GetPixel(picture.GetDC(), x, y) != background) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    if (box.right < 0) return RECT{0, 0, 0, 0};
    return box;
}

// A program folder whose resource\ folder holds loose skin files, where loose files are looked
// up for the test's length.
class SkinTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE((dir / L"resource").CreateDirectories()); }

    // A loose bitmap file of one colour, with a one-pixel key-coloured border when asked.
    void AddBitmap(const std::wstring& name, int width, int height, COLORREF colour, bool keyBorder = false) {
        Picture picture;
        ASSERT_TRUE(picture.Create(width, height, colour));
        if (keyBorder)
            for (int x = 0; x < width; ++x)
                for (int y = 0; y < height; ++y)
                    if (x == 0 || y == 0 || x == width - 1 || y == height - 1) SetPixel(picture.GetDC(), x, y, kKey);
        ASSERT_TRUE(picture.SaveToFile(dir / L"resource" / (name + L".bmp")));
    }
    void AddDocument(const std::wstring& name, const std::string& xml) {
        WriteAll(dir / L"resource" / (name + L".XML"), xml);
    }

    LayoutErrorReport Recorder() {
        return [this](const std::wstring& text, const std::wstring& title) { reports.push_back({text, title}); };
    }

    // Loads a drawn layout from text and paints it onto a fresh canvas in container.
    bool Paint(const std::string& xml, const RECT& container, int width = 120, int height = 80) {
        DrawnLayout layout(Recorder());
        ResourceSource source;
        if (!layout.LoadDocument(xml, source)) return false;
        canvas.Create(width, height, kCanvas);
        return layout.Draw(canvas.GetDC(), container);
    }
    COLORREF At(int x, int y) const { return GetPixel(canvas.GetDC(), x, y); }

    std::optional<MainLayout> Main(const std::string& xml) {
        ResourceSource source;
        return ParseMainLayout(xml, source, Recorder());
    }

    TempDir dir;
    ScopedResourceFolder overrides{dir / L"resource"};
    std::vector<Report> reports;
    Picture canvas;
};

const MainLayout::Control* FindControl(const MainLayout& layout, const wchar_t* name) {
    for (const auto& control : layout.controls)
        if (control.Is(name)) return &control;
    return nullptr;
}

}  // namespace

// --- Drawn layouts -------------------------------------------------------------------------

TEST_F(SkinTest, DrawnBitmapsArePlacedByTheFirstPresentEdge) {
    AddBitmap(L"dot", 20, 10, RGB(200, 0, 0));
    const RECT container{10, 5, 110, 75};
    // center="50" with a 20-pixel bitmap: container left + 40.
    ASSERT_TRUE(Paint(Xml("<About><Bitmap bitmap='dot' center='50' middle='30'/></About>"), container));
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 120, 30, true, RGB(200, 0, 0)), std::make_pair(50, 69));
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 80, 55, false, RGB(200, 0, 0)), std::make_pair(30, 39))
        << "5 + 30 - 10 / 2";

    ASSERT_TRUE(Paint(Xml("<About><Bitmap bitmap='dot' right='7' bottom='4'/></About>"), container));
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 120, 65, true, RGB(200, 0, 0)), std::make_pair(83, 102)) << "110 - 7 - 20";
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 80, 90, false, RGB(200, 0, 0)), std::make_pair(61, 70)) << "75 - 4 - 10";

    ASSERT_TRUE(Paint(Xml("<About><Bitmap bitmap='dot'/></About>"), container));
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 120, 5, true, RGB(200, 0, 0)), std::make_pair(10, 29)) << "left and top 0";
    EXPECT_EQ(At(10, 4), kCanvas);

    // left wins over right and center; numbers read as atoi does.
    ASSERT_TRUE(
        Paint(Xml("<About><Bitmap bitmap='dot' center='90' right='1' left='3px' top='x'/></About>"), container));
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 120, 5, true, RGB(200, 0, 0)), std::make_pair(13, 32));
    EXPECT_TRUE(reports.empty());
}

TEST_F(SkinTest, RectanglesSpanOrHangFromTheGivenEdges) {
    const RECT container{0, 0, 100, 50};
    ASSERT_TRUE(Paint(Xml("<About><Rect right='10' width='30' color='255'/></About>"), container));
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 120, 20, true, RGB(255, 0, 0)), std::make_pair(60, 89))
        << "the 30 pixels ending 10 before the right edge";
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 80, 75, false, RGB(255, 0, 0)), std::make_pair(0, 49)) << "full height";

    ASSERT_TRUE(Paint(Xml("<About><Rect/></About>"), RECT{5, 6, 100, 50}));
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 120, 20, true, kWhite), std::make_pair(5, 99))
        << "no attributes: all white";
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 80, 50, false, kWhite), std::make_pair(6, 49));

    ASSERT_TRUE(Paint(Xml("<About><Rect left='9' top='9' right='9' bottom='9' color='6014891'/>"
                          "<Rect left='4' top='30' height='5' width='3' color='16711680'/></About>"),
                      container));
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 120, 20, true, RGB(171, 199, 91)), std::make_pair(9, 90)) << "insets";
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 80, 20, false, RGB(171, 199, 91)), std::make_pair(9, 40));
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 120, 32, true, RGB(0, 0, 255)), std::make_pair(4, 6)) << "16711680 is blue";
    EXPECT_EQ(ColourSpan(canvas.GetDC(), 0, 80, 5, false, RGB(0, 0, 255)), std::make_pair(30, 34));
}

TEST_F(SkinTest, ColoursKeepTheLow24BitsOfALong) {
    const RECT container{0, 0, 10, 10};
    const std::pair<const char*, COLORREF> cases[] = {
        {"6014891", RGB(171, 199, 91)},   {"-1", RGB(255, 255, 255)}, {"16777216", RGB(0, 0, 0)},
        {"255 and more", RGB(255, 0, 0)}, {"blue", RGB(0, 0, 0)},     {"99999999999", RGB(255, 255, 255)},
        {" 65280", RGB(0, 255, 0)},       {"0x00FF00", RGB(0, 0, 0)},
    };
    for (const auto& [value, expected] : cases) {
        ASSERT_TRUE(Paint(Xml(std::string("<About><Rect color='") + value + "'/></About>"), container));
        EXPECT_EQ(At(5, 5), expected) << value;
    }
}

TEST_F(SkinTest, KeyAndAlphaWrappers) {
    AddBitmap(L"framed", 10, 10, RGB(0, 180, 0), true);
    const RECT container{0, 0, 60, 40};
    ASSERT_TRUE(Paint(Xml("<About><Bitmap bitmap='framed' left='5' top='5' transparentColor='16711422'/>"
                          "<Bitmap bitmap='framed' left='30' top='5'/></About>"),
                      container));
    EXPECT_EQ(At(5, 5), kCanvas) << "the key colour is left out";
    EXPECT_EQ(At(6, 6), RGB(0, 180, 0));
    EXPECT_EQ(At(30, 5), kKey) << "without the wrapper the bitmap is opaque";

    ASSERT_TRUE(Paint(Xml("<About><Rect color='255'/><Rect left='10' width='10' color='65280' alpha='300'/>"
                          "<Rect left='30' width='10' color='65280' alpha='0'/>"
                          "<Rect left='45' width='10' color='65280' alpha='128'/></About>"),
                      container));
    EXPECT_EQ(At(15, 20), RGB(0, 255, 0)) << "alpha above 255 is 255";
    EXPECT_EQ(At(35, 20), RGB(255, 0, 0)) << "alpha 0 hides the element";
    EXPECT_TRUE(Near(At(50, 20), RGB(127, 128, 0), 3)) << "half way between red and green";
    EXPECT_EQ(At(42, 20), RGB(255, 0, 0)) << "nothing around a blended element changes";

    // Both: the keyed bitmap fades as a whole, its key still left out.
    ASSERT_TRUE(Paint(Xml("<About><Rect color='16711680'/>"
                          "<Bitmap bitmap='framed' left='5' top='5' transparentColor='16711422' alpha='64'/></About>"),
                      container));
    EXPECT_EQ(At(5, 5), RGB(0, 0, 255));
    EXPECT_TRUE(Near(At(8, 8), RGB(0, 45, 191), 3)) << "a quarter of the green over the blue";
    EXPECT_TRUE(reports.empty());
}

TEST_F(SkinTest, TextAndVersionText) {
    const RECT container{0, 0, 200, 60};
    const std::wstring programVersion = GetProgramVersion();
    const std::string version(programVersion.begin(), programVersion.end());
    ASSERT_TRUE(Paint(Xml("<About><VersionText format='Ver %1' color='255' right='36' top='20'/></About>"), container,
                      200, 60));
    RECT versionBox = InkBox(canvas, kCanvas);
    ASSERT_LT(versionBox.left, versionBox.right) << "the version text is drawn";
    EXPECT_LE(versionBox.right, 200 - 36) << "its extent ends at the right gap";
    EXPECT_GE(versionBox.right, 200 - 36 - 3);
    EXPECT_GE(versionBox.top, 20);
    EXPECT_LE(versionBox.bottom, 20 + 14) << "about 10 pixels high";

    // The same text written out draws the very same pixels.
    std::vector<COLORREF> drawn;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) drawn.push_back(At(x, y));
    ASSERT_TRUE(Paint(Xml("<About><Text text='Ver " + version + "' color='255' right='36' top='20'/></About>"),
                      container, 200, 60));
    std::vector<COLORREF> written;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) written.push_back(At(x, y));
    EXPECT_TRUE(drawn == written) << "%1 is the program's version";

    // fontSize is a character height in pixels: "Kd" reaches from the cap height to the base line.
    ASSERT_TRUE(Paint(Xml("<About><Text text='Kd' fontSize='10' left='5' top='5'/></About>"), container, 200, 60));
    RECT small = InkBox(canvas, kCanvas);
    ASSERT_TRUE(Paint(Xml("<About><Text text='Kd' fontSize='30' left='5' top='5'/></About>"), container, 200, 60));
    RECT big = InkBox(canvas, kCanvas);
    EXPECT_GE(small.bottom - small.top, 6);
    EXPECT_LE(small.bottom - small.top, 10);
    EXPECT_GE(big.bottom - big.top, 2 * (small.bottom - small.top)) << "three times the size";
    EXPECT_NE(ColourSpan(canvas.GetDC(), big.left, big.right, (big.top + big.bottom) / 2, true, kBlack).first, -1)
        << "black by default";

    ASSERT_TRUE(Paint(Xml("<About><VersionText/><Text/></About>"), container, 200, 60));
    RECT none = InkBox(canvas, kCanvas);
    EXPECT_EQ(none.right, 0) << "no format, no text: nothing drawn";
    EXPECT_TRUE(reports.empty());
}

TEST_F(SkinTest, DrawnLayoutProblemsAreReportedAndTheRestStillDraws) {
    AddBitmap(L"dot", 4, 4, RGB(0, 0, 200));
    const RECT container{0, 0, 100, 50};
    ASSERT_TRUE(Paint(Xml("<About>\n"
                          "  <Rect color='255'/>\n"
                          "  <Circle r='3'/>\n"
                          "  <Bitmap bitmap='nothing'/>\n"
                          "  <Bitmap left='1'/>\n"
                          "  <rect left='50' color='65280'/>\n"
                          "  <BITMAP bitmap='dot' left='10' top='10'/>\n"
                          "</About>"),
                      container));
    EXPECT_EQ(reports, (std::vector<Report>{{L"Error: unknown layout information : R4C3: <Circle>", L"Error"},
                                            {L"Can't load bitmap 'nothing'", L"Error"}}))
        << "once each; a Bitmap without a bitmap name is dropped silently";
    EXPECT_EQ(At(20, 20), RGB(255, 0, 0));
    EXPECT_EQ(At(60, 20), RGB(0, 255, 0)) << "element names in any case";
    EXPECT_EQ(At(11, 11), RGB(0, 0, 200));

    const std::pair<std::string, Report> fatal[] = {
        {Xml("<About>\n<Rect>\n</About>"),
         {L"Fatal Error: error parsing about layout information : R4C1: 8, Error reading end tag.", L"Fatal Error"}},
        {"<?xml version=\"1.0\"?>", {L"Fatal Error: wrong format about layout information", L"Fatal Error"}},
        {"",
         {L"Fatal Error: error parsing about layout information : R0C0: 12, Error document empty.", L"Fatal Error"}},
    };
    for (const auto& [xml, expected] : fatal) {
        reports.clear();
        EXPECT_FALSE(Paint(xml, container)) << xml;
        EXPECT_EQ(reports, std::vector<Report>{expected}) << xml;
    }

    reports.clear();
    DrawnLayout missing(Recorder());
    EXPECT_FALSE(missing.Load(L"no_such_layout"));
    EXPECT_EQ(reports, (std::vector<Report>{{L"Fatal Error: can't find layout information, Exit!", L"Fatal Error"}}));
    EXPECT_TRUE(missing.IsEmpty());
}

TEST_F(SkinTest, DrawnLayoutSurvivesHostileDocuments) {
    const RECT container{0, 0, 40, 30};
    std::string deep = Xml("<About>");
    for (int i = 0; i < 5000; ++i) deep += "<Rect>";
    EXPECT_FALSE(Paint(deep, container)) << "nesting far beyond any layout";
    std::string huge = Xml("<About>");
    for (int i = 0; i < 1000; ++i)
        huge +=
            "<Rect left='1' width='99999999999' height='-99999999999'/><Rect right='-2147483648' width='2147483647' "
            "alpha='9' transparentColor='1'/>";
    EXPECT_TRUE(Paint(huge + "</About>", container)) << "extreme numbers are clamped, not trusted";
    unsigned seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::string bytes = Xml("<About><Rect color='255'/><Bitmap bitmap='x' center='5'/>");
        const size_t cut = bytes.size() * (round % 7) / 6;
        bytes.resize(std::min(bytes.size(), cut + 3));
        for (int i = 0; i < 8; ++i) {
            seed = seed * 1103515245u + 12345u;
            bytes[(seed >> 8) % bytes.size()] = static_cast<char>(seed >> 16);
        }
        Paint(bytes, container);
    }
    EXPECT_FALSE(reports.empty()) << "broken documents are reported, and nothing crashed";
}

// --- The main window's layout --------------------------------------------------------------

TEST_F(SkinTest, MainLayoutModel) {
    AddBitmap(L"bg", 10, 10, RGB(0, 0, 200), true);
    AddBitmap(L"btn", 12, 8, RGB(200, 0, 0));
    std::optional<MainLayout> layout =
        Main(Xml("<MainLayout width='60' height='40' transparentColor='14606046' oem='Brellan'>"
                 "<bitmap bitmap='bg' left='5' top='7' width='20' height='30' transparentColor='16711422'/>"
                 "<Bitmap bitmap='bg' left='40' top='0'/>"
                 "<Control name='progressbar' left='1' top='2' width='30' height='1' color='16711680'/>"
                 "<CONTROL name='PrevPhoto' bitmap='btn' left='3' top='4' width='0'/>"
                 "<Control name='Freeze' bitmap='btn' width='20' height='-5' transparentColor='16711422'/>"
                 "<Link bitmap='btn' url='http://example.invalid/' tooltip='Tooltip_OpenTovarinHome' left='8' "
                 "top='31'/>"
                 "<Link/>"
                 "<Other name='Setup' bitmap='missing'/>"
                 "</MainLayout>"));
    ASSERT_TRUE(layout);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(layout->width, 60);
    EXPECT_EQ(layout->height, 40);
    EXPECT_EQ(layout->transparentColor, std::optional<COLORREF>(RGB(222, 222, 222)));
    EXPECT_EQ(layout->oem, std::optional<std::wstring>(L"Brellan"));

    // The background: the see-through colour, the first bitmap centred in its box with its key
    // left out, the second copied as it is.
    ASSERT_TRUE(layout->background);
    EXPECT_EQ(BitmapSize(layout->background.get()).cx, 60);
    EXPECT_EQ(BitmapSize(layout->background.get()).cy, 40);
    HBITMAP background = layout->background.get();
    EXPECT_EQ(PixelOf(background, 0, 39), RGB(222, 222, 222));
    EXPECT_EQ(PixelOf(background, 11, 18), RGB(0, 0, 200)) << "offset (20 - 10) / 2, (30 - 10) / 2";
    EXPECT_EQ(PixelOf(background, 18, 25), RGB(0, 0, 200));
    EXPECT_EQ(PixelOf(background, 10, 17), RGB(222, 222, 222)) << "the key is left out";
    EXPECT_EQ(PixelOf(background, 9, 20), RGB(222, 222, 222));
    EXPECT_EQ(PixelOf(background, 20, 20), RGB(222, 222, 222));
    EXPECT_EQ(PixelOf(background, 40, 0), kKey) << "without a key the bitmap is opaque";
    EXPECT_EQ(PixelOf(background, 41, 1), RGB(0, 0, 200));

    ASSERT_EQ(layout->controls.size(), 3u) << "in document order; other elements are ignored";
    const MainLayout::Control& bar = layout->controls[0];
    EXPECT_TRUE(bar.Is(L"ProgressBar")) << "names compare in any case";
    EXPECT_FALSE(bar.Is(L"ProgressBarFrame"));
    EXPECT_EQ(bar.color, RGB(0, 0, 255));
    const RECT barRect = bar.Rect();
    EXPECT_EQ(std::make_tuple(barRect.left, barRect.top, barRect.right, barRect.bottom),
              std::make_tuple(1L, 2L, 31L, 3L));
    EXPECT_FALSE(bar.bitmap);
    EXPECT_FALSE(bar.transparentColor);

    const MainLayout::Control& prev = layout->controls[1];
    EXPECT_EQ(prev.name, L"PrevPhoto");
    EXPECT_EQ(std::make_pair(prev.left, prev.top), std::make_pair(3, 4));
    EXPECT_EQ(std::make_pair(prev.width, prev.height), std::make_pair(12, 8)) << "0 or absent: the bitmap's size";
    const MainLayout::Control& freeze = layout->controls[2];
    EXPECT_EQ(std::make_pair(freeze.left, freeze.top), std::make_pair(0, 0));
    EXPECT_EQ(std::make_pair(freeze.width, freeze.height), std::make_pair(20, 8)) << "below 1: the bitmap's size";
    EXPECT_EQ(freeze.transparentColor, std::optional<COLORREF>(kKey));
    EXPECT_EQ(freeze.color, kBlack);

    ASSERT_EQ(layout->links.size(), 2u);
    const MainLayout::Link& link = layout->links[0];
    EXPECT_EQ(link.url, L"http://example.invalid/");
    EXPECT_EQ(link.tooltip, L"Tooltip_OpenTovarinHome");
    EXPECT_EQ(std::make_pair(link.left, link.top), std::make_pair(8, 31));
    EXPECT_EQ(std::make_pair(link.width, link.height), std::make_pair(12, 8));
    EXPECT_TRUE(link.bitmap);
    EXPECT_TRUE(layout->links[1].url.empty());
    EXPECT_FALSE(layout->links[1].bitmap);

    // A button takes its bitmap out of the model and keeps it after the model has gone.
    UniqueBitmap taken = std::move(layout->controls[1].bitmap);
    layout.reset();
    EXPECT_EQ(PixelOf(taken.get(), 5, 5), RGB(200, 0, 0));

    // Without a see-through colour the face starts black; a box smaller than its bitmap cuts it.
    AddBitmap(L"plain", 10, 10, RGB(0, 160, 0));
    layout =
        Main(Xml("<MainLayout width='30' height='20'><Bitmap bitmap='plain' left='2' top='3' width='4' "
                 "height='4'/></MainLayout>"));
    ASSERT_TRUE(layout);
    EXPECT_FALSE(layout->transparentColor);
    EXPECT_FALSE(layout->oem);
    EXPECT_EQ(PixelOf(layout->background.get(), 2, 3), RGB(0, 160, 0));
    EXPECT_EQ(PixelOf(layout->background.get(), 5, 6), RGB(0, 160, 0));
    EXPECT_EQ(PixelOf(layout->background.get(), 6, 3), kBlack);
    EXPECT_EQ(PixelOf(layout->background.get(), 2, 7), kBlack);
}

TEST_F(SkinTest, MainLayoutFailuresAreFatal) {
    AddBitmap(L"btn", 12, 8, RGB(200, 0, 0));
    const std::pair<std::string, std::wstring> cases[] = {
        {Xml("<MainLayout height='41'/>"), L"Fatal Error: missing or wrong width and height attribute in <MainLayout>"},
        {Xml("<Skin width='0' height='41'/>"), L"Fatal Error: missing or wrong width and height attribute in <Skin>"},
        {Xml("<MainLayout width='221' height='-3'/>"),
         L"Fatal Error: missing or wrong width and height attribute in <MainLayout>"},
        {Xml("<MainLayout width='221' height='41'>\n  <Control bitmap='btn'/>\n</MainLayout>"),
         L"Fatal Error: <Control> must have name attribute : R3C3"},
        {Xml("<MainLayout width='221' height='41'><Control name='Setup' bitmap='missing_one'/></MainLayout>"),
         L"Can't load bitmap 'missing_one'"},
        {Xml("<MainLayout width='221' height='41'><Link bitmap='missing_two'/></MainLayout>"),
         L"Can't load bitmap 'missing_two'"},
        {Xml("<MainLayout width='221' height='41'><Bitmap bitmap='missing_three'/></MainLayout>"),
         L"Can't load bitmap 'missing_three'"},
        {Xml("<MainLayout width='221' height='41'>\n<Control name='x'>\n</MainLayout>"),
         L"Fatal Error: error parsing layout information : R4C1: 8, Error reading end tag."},
        {"<?xml version=\"1.0\"?>", L"Fatal Error: wrong format layout information"},
        {Xml("<MainLayout width='5000' height='41'/>"),
         L"Fatal Error: missing or wrong width and height attribute in <MainLayout>"},
    };
    for (const auto& [xml, text] : cases) {
        reports.clear();
        EXPECT_FALSE(Main(xml)) << xml;
        EXPECT_EQ(reports, (std::vector<Report>{{text, L"Fatal Error"}})) << xml;
    }

    // The shipped document cut short or damaged anywhere: a layout, or exactly one report.
    ResourceSource source;
    Bytes shipped;
    ASSERT_TRUE(source.LoadResourceData(L"XML", L"LAYOUT_MAIN", shipped));
    const std::string whole(shipped.begin(), shipped.end());
    unsigned seed = 99;
    for (size_t cut = 0; cut <= whole.size(); cut += 11) {
        std::string bytes = whole.substr(0, cut);
        if (cut % 2 && !bytes.empty()) {
            seed = seed * 1103515245u + 12345u;
            bytes[(seed >> 8) % bytes.size()] = static_cast<char>(seed >> 16);
        }
        reports.clear();
        std::optional<MainLayout> layout = Main(bytes);
        EXPECT_EQ(reports.size(), layout ? 0u : 1u) << bytes;
    }

    reports.clear();
    EXPECT_FALSE(LoadMainLayoutDocument(L"no_such_layout", Recorder()));
    EXPECT_EQ(reports, (std::vector<Report>{{L"Fatal Error: can't find layout information, Exit!", L"Fatal Error"}}));
}

// --- What the program ships ----------------------------------------------------------------

TEST_F(SkinTest, ShippedMainLayoutPlacesEveryControl) {
    std::optional<MainLayout> layout = LoadMainLayoutDocument(L"layout_main", Recorder());
    ASSERT_TRUE(layout);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(layout->width, 221);
    EXPECT_EQ(layout->height, 41);
    EXPECT_EQ(layout->transparentColor, std::optional<COLORREF>(14606046));
    EXPECT_FALSE(layout->oem) << "the partner id stays the settings' own";

    struct Place {
        const wchar_t* name;
        int left, top, width, height;
    };
    const Place places[] = {
        {L"PrevPhoto", 4, 6, 20, 20},         {L"Freeze", 28, 6, 20, 20},
        {L"NextPhoto", 53, 6, 20, 20},        {L"ShowHideDesktopIcons", 91, 6, 18, 20},
        {L"StatusOn", 116, 6, 18, 20},        {L"StatusOff", 116, 6, 18, 20},
        {L"Favorites", 147, 6, 18, 20},       {L"Tags", 167, 6, 18, 20},
        {L"Setup", 188, 6, 18, 20},           {L"Minimise", 207, 4, 9, 7},
        {L"DownloadNow", 62, 30, 7, 7},       {L"About", 190, 27, 14, 13},
        {L"ProgressBarFrame", 92, 32, 90, 3}, {L"ProgressBar", 93, 33, 88, 1},
    };
    EXPECT_EQ(layout->controls.size(), std::size(places));
    for (const Place& place : places) {
        const MainLayout::Control* control = FindControl(*layout, place.name);
        ASSERT_NE(control, nullptr) << place.name;
        EXPECT_EQ(std::make_tuple(control->left, control->top, control->width, control->height),
                  std::make_tuple(place.left, place.top, place.width, place.height))
            << place.name;
        const bool button = !control->Is(L"ProgressBar") && !control->Is(L"ProgressBarFrame");
        EXPECT_EQ(static_cast<bool>(control->bitmap), !control->Is(L"ProgressBar")) << place.name;
        if (button) {
            EXPECT_EQ(control->transparentColor, std::optional<COLORREF>(kKey)) << place.name;
        }
    }
    EXPECT_EQ(FindControl(*layout, L"ProgressBar")->color, RGB(0, 0, 255));

    ASSERT_EQ(layout->links.size(), 1u);
    const MainLayout::Link& link = layout->links[0];
    EXPECT_EQ(link.tooltip, L"Tooltip_OpenTovarinHome");
    EXPECT_EQ(link.url, L"/") << "the service's home page, wherever the service is";
    EXPECT_EQ(std::make_tuple(link.left, link.top, link.width, link.height), std::make_tuple(8, 31, 49, 5));
    EXPECT_EQ(link.transparentColor, std::optional<COLORREF>(kKey));

    // The face: see-through outside the rounded corners, solid under the buttons.
    HBITMAP face = layout->background.get();
    EXPECT_EQ(PixelOf(face, 0, 0), RGB(222, 222, 222));
    EXPECT_EQ(PixelOf(face, 220, 40), RGB(222, 222, 222));
    for (POINT p : {POINT{110, 20}, POINT{14, 16}, POINT{3, 20}, POINT{217, 20}, POINT{110, 38}}) {
        COLORREF c = PixelOf(face, p.x, p.y);
        EXPECT_NE(c, RGB(222, 222, 222)) << p.x << "," << p.y;
        EXPECT_NE(c, kKey) << p.x << "," << p.y;
    }

    // At 150 % and 200 % every place is scaled from the document's 96-DPI units, and the
    // buttons' pictures are the ones drawn for that scale, as large as their boxes expect.
    for (int dpi : {144, 192}) {
        std::optional<MainLayout> big = LoadMainLayoutDocument(L"layout_main", Recorder(), dpi);
        ASSERT_TRUE(big) << dpi;
        EXPECT_TRUE(reports.empty());
        EXPECT_EQ(std::make_pair(big->width, big->height), std::make_pair(MulDiv(221, dpi, 96), MulDiv(41, dpi, 96)));
        SIZE background = BitmapSize(big->background.get());
        EXPECT_EQ(std::make_pair(background.cx, background.cy), std::make_pair(LONG(big->width), LONG(big->height)));
        for (const Place& place : places) {
            const MainLayout::Control* control = FindControl(*big, place.name);
            ASSERT_NE(control, nullptr) << place.name;
            EXPECT_EQ(std::make_tuple(control->left, control->top, control->width, control->height),
                      std::make_tuple(MulDiv(place.left, dpi, 96), MulDiv(place.top, dpi, 96),
                                      MulDiv(place.width, dpi, 96), MulDiv(place.height, dpi, 96)))
                << place.name << " at " << dpi;
        }
        SIZE next = BitmapSize(FindControl(*big, L"NextPhoto")->bitmap.get());
        EXPECT_EQ(next.cx, MulDiv(16, dpi, 96)) << "NEXT drawn for " << dpi;
        const MainLayout::Link& bigLink = big->links[0];
        EXPECT_EQ(std::make_tuple(bigLink.left, bigLink.top, bigLink.width, bigLink.height),
                  std::make_tuple(MulDiv(8, dpi, 96), MulDiv(31, dpi, 96), MulDiv(49, dpi, 96), MulDiv(5, dpi, 96)));
        HBITMAP bigFace = big->background.get();
        EXPECT_EQ(PixelOf(bigFace, 0, 0), RGB(222, 222, 222));
        EXPECT_EQ(PixelOf(bigFace, big->width - 1, big->height - 1), RGB(222, 222, 222));
        EXPECT_EQ(PixelOf(bigFace, MulDiv(110, dpi, 96), MulDiv(20, dpi, 96)), PixelOf(face, 110, 20))
            << "the same bar, only larger";
    }
}

TEST_F(SkinTest, ShippedBitmapsHaveTheirSizesAndSeeThroughColour) {
    const std::map<std::wstring, SIZE> sizes = {
        {L"ABOUT_AUTHOR", {172, 86}},
        {L"ABOUT_OEM_LOGO", {48, 42}},
        {L"ABOUT_TITLE", {138, 27}},
        {L"BACKGROUND", {221, 41}},
        {L"DOWNLOAD_WALLPAPER", {7, 7}},
        {L"FAVORITES", {14, 14}},
        {L"FREEZE", {13, 13}},
        {L"HIDE_DESKTOP_ICONS", {14, 11}},
        {L"MAIN_ICON", {14, 13}},
        {L"MAIN_URL", {49, 5}},
        {L"MINIMISE", {9, 7}},
        {L"NEXT", {16, 16}},
        {L"PREV", {16, 16}},
        {L"PROGRESS_BAR_FRAME", {90, 3}},
        {L"SETUP", {14, 14}},
        {L"STATUS_OFF", {13, 15}},
        {L"STATUS_ON", {13, 15}},
        {L"TAGS", {12, 12}},
    };
    ResourceSource source;
    for (const auto& [name, size] : sizes) {
        UniqueBitmap bitmap(LoadSkinBitmap(source, name));
        ASSERT_TRUE(bitmap) << std::string(name.begin(), name.end());
        SIZE actual = BitmapSize(bitmap.get());
        EXPECT_EQ(std::make_pair(actual.cx, actual.cy), std::make_pair(size.cx, size.cy))
            << std::string(name.begin(), name.end());
        // Everything but the opaque face and frame is partly see-through, and partly drawn.
        if (name == L"BACKGROUND" || name == L"PROGRESS_BAR_FRAME") continue;
        MemorySurface surface(nullptr, bitmap.get());
        int keyed = 0;
        for (int y = 0; y < actual.cy; ++y)
            for (int x = 0; x < actual.cx; ++x) keyed += GetPixel(surface.dc(), x, y) == kKey;
        EXPECT_GT(keyed, 0) << std::string(name.begin(), name.end());
        EXPECT_LT(keyed, actual.cx * actual.cy) << std::string(name.begin(), name.end());
    }
    UniqueBitmap lower(LoadSkinBitmap(source, L"prev"));
    EXPECT_TRUE(lower) << "resource names in any case";

    // Every picture is drawn for 150 % and 200 % as well, at its size scaled.
    for (const auto& [name, size] : sizes)
        for (const auto& [suffix, dpi] : {std::make_pair(L"_150", 144), std::make_pair(L"_200", 192)}) {
            UniqueBitmap drawn(source.LoadModuleBitmap(name + suffix));
            ASSERT_TRUE(drawn) << std::string(name.begin(), name.end()) << dpi;
            SIZE actual = BitmapSize(drawn.get());
            EXPECT_EQ(std::make_pair(actual.cx, actual.cy),
                      std::make_pair(LONG(MulDiv(size.cx, dpi, 96)), LONG(MulDiv(size.cy, dpi, 96))))
                << std::string(name.begin(), name.end()) << dpi;
        }
    // The variant order: its own, then larger, then smaller.
    auto order = [](int dpi) {
        std::vector<int> dpis;
        for (const SkinVariant& v : SkinVariantsFor(dpi)) dpis.push_back(v.dpi);
        return dpis;
    };
    EXPECT_EQ(order(96), (std::vector<int>{96, 144, 192}));
    EXPECT_EQ(order(120), (std::vector<int>{144, 192, 96}));
    EXPECT_EQ(order(168), (std::vector<int>{192, 144, 96}));
    EXPECT_EQ(order(288), (std::vector<int>{192, 144, 96}));
    EXPECT_EQ(order(72), (std::vector<int>{96, 144, 192}));

    // Scaling keeps the key colour exact: a new pixel mostly on key is the key, any other
    // averages only what is drawn, and an average that lands on the key moves off it.
    const std::uint32_t key = 0xFEFEFE, red = 0xC80000;
    EXPECT_EQ(ScaleSkinPixels({key, key, red}, {3, 1}, {1, 1}, kKey), (std::vector<std::uint32_t>{key}));
    EXPECT_EQ(ScaleSkinPixels({key, red, red}, {3, 1}, {1, 1}, kKey), (std::vector<std::uint32_t>{red}));
    EXPECT_EQ(ScaleSkinPixels({key, red, 0x000064}, {3, 1}, {1, 1}, kKey), (std::vector<std::uint32_t>{0x640032}));
    EXPECT_NE(ScaleSkinPixels({0xFEFEFD, 0xFEFEFF}, {2, 1}, {1, 1}, kKey)[0], key);
    EXPECT_EQ(ScaleSkinPixels({0xFEFEFD, 0xFEFEFF}, {2, 1}, {1, 1}, std::nullopt)[0], key)
        << "without a key, a plain mean";
    EXPECT_EQ(ScaleSkinPixels({key, red}, {2, 1}, {4, 2}, kKey),
              (std::vector<std::uint32_t>{key, key, red, red, key, key, red, red}));
}

TEST_F(SkinTest, ShippedAboutAndWatermarkLayouts) {
    DrawnLayout about(Recorder());
    ASSERT_TRUE(about.Load(L"layout_about"));
    canvas.Create(280, 166, kCanvas);
    ASSERT_TRUE(about.Draw(canvas.GetDC(), RECT{0, 0, 280, 166}));
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(At(8, 8), kCanvas);
    EXPECT_EQ(At(9, 9), kWhite);
    EXPECT_EQ(At(14, 100), kWhite);
    const COLORREF green = RGB(171, 199, 91);
    EXPECT_EQ(At(15, 15), green);
    EXPECT_EQ(At(264, 150), green);
    EXPECT_EQ(At(20, 140), green) << "the bitmaps' see-through parts show the panel";
    EXPECT_NE(At(54, 46), green) << "the mark, centred 46 from the top";
    EXPECT_EQ(At(29, 46), green);
    // The version line ends 36 pixels from the right edge, 68 from the top.
    int versionInk = 0;
    for (int y = 68; y < 84; ++y)
        for (int x = 150; x < 244; ++x) versionInk += Near(At(x, y), kBlack, 60);
    EXPECT_GT(versionInk, 20);
    for (int y = 68; y < 84; ++y) EXPECT_EQ(At(244, y), green) << y;
    EXPECT_GT(InkBox(canvas, kCanvas).right, 0);

    // At 200 % the same page, twice as large: frame, panel, the mark drawn for 200 %, and the
    // version in a font twice as high.
    DrawnLayout large(Recorder());
    ASSERT_TRUE(large.Load(L"layout_about", 192));
    canvas.Create(560, 332, kCanvas);
    ASSERT_TRUE(large.Draw(canvas.GetDC(), RECT{0, 0, 560, 332}));
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(At(17, 17), kCanvas);
    EXPECT_EQ(At(18, 18), kWhite);
    EXPECT_EQ(At(30, 30), green);
    EXPECT_EQ(At(529, 301), green);
    EXPECT_NE(At(108, 92), green) << "the mark, centred 92 from the top";
    EXPECT_EQ(At(59, 92), green);
    int largeInk = 0;
    for (int y = 136; y < 168; ++y)
        for (int x = 300; x < 488; ++x) largeInk += Near(At(x, y), kBlack, 60);
    EXPECT_GT(largeInk, 3 * versionInk) << "the version text at twice the size";
    for (int y = 136; y < 168; ++y) EXPECT_EQ(At(488, y), green) << y;

    DrawnLayout watermark(Recorder());
    ASSERT_TRUE(watermark.Load(L"layout_watermark"));
    canvas.Create(300, 100, kCanvas);
    ASSERT_TRUE(watermark.Draw(canvas.GetDC(), RECT{0, 0, 300, 100}));
    EXPECT_EQ(InkBox(canvas, kCanvas).right, 0) << "the shipped watermark draws nothing without a caption";
    ASSERT_TRUE(watermark.Draw(canvas.GetDC(), RECT{0, 0, 300, 80}, {{"caption", L"Scenery \u00B7 12/10/2026"}}));
    const RECT ink = InkBox(canvas, kCanvas);
    EXPECT_GT(ink.left, 100) << "the caption sits in the bottom right corner";
    EXPECT_GT(ink.top, 40);
    EXPECT_LE(ink.right, 300 - 10);
    EXPECT_LE(ink.bottom, 80 - 8) << "inside the container: never under the task bar";
    EXPECT_TRUE(reports.empty());
}

TEST_F(SkinTest, LooseFilesReplaceBuiltInLayoutsAndBitmaps) {
    AddBitmap(L"prev", 5, 3, RGB(1, 2, 3));
    AddDocument(L"layout_about", Xml("<About><Rect color='255'/></About>"));
    AddDocument(L"layout_main", Xml("<MainLayout width='70' height='30' oem='Brellan'>"
                                    "<Control name='PrevPhoto' bitmap='prev'/><Control name='NextPhoto' "
                                    "bitmap='next'/></MainLayout>"));

    DrawnLayout about(Recorder());
    ASSERT_TRUE(about.Load(L"layout_about"));
    canvas.Create(30, 30, kCanvas);
    ASSERT_TRUE(about.Draw(canvas.GetDC(), RECT{0, 0, 30, 30}));
    EXPECT_EQ(At(15, 15), RGB(255, 0, 0));

    // The window's part: its client area takes the layout's size, the partner id the oem.
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    Settings settings(dir.path());
    std::optional<MainLayout> layout = LoadMainLayout(window, settings, Recorder());
    ASSERT_TRUE(layout);
    EXPECT_TRUE(reports.empty());
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(70L, 30L));
    EXPECT_EQ(settings.GetPartnerId(), L"Brellan");
    ASSERT_EQ(layout->controls.size(), 2u);
    SIZE prev = BitmapSize(layout->controls[0].bitmap.get());
    EXPECT_EQ(std::make_pair(prev.cx, prev.cy), std::make_pair(5L, 3L)) << "resource\\prev.bmp replaces PREV";
    EXPECT_EQ(PixelOf(layout->controls[0].bitmap.get(), 2, 1), RGB(1, 2, 3));
    SIZE next = BitmapSize(layout->controls[1].bitmap.get());
    EXPECT_EQ(std::make_pair(next.cx, next.cy), std::make_pair(16L, 16L)) << "the others stay built in";

    // Moved to a screen at 200 %, the window takes the layout again for that DPI: its client
    // area twice as large, the built-in picture the one drawn for 200 %.
    std::optional<MainLayout> moved = LoadMainLayout(window, settings, Recorder(), 192);
    ASSERT_TRUE(moved);
    GetClientRect(window, &client);
    EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(140L, 60L));
    next = BitmapSize(moved->controls[1].bitmap.get());
    EXPECT_EQ(std::make_pair(next.cx, next.cy), std::make_pair(32L, 32L));

    // Loose files follow the resources' naming: at 120 DPI the 150 % picture is shrunk (never
    // the 100 % one grown), above 200 % the largest there is grows; the key stays exact and
    // the rest is never blended with it.
    AddBitmap(L"next", 16, 16, RGB(0, 0, 200));
    AddBitmap(L"next_150", 30, 30, RGB(200, 0, 0), true);
    ResourceSource source;
    for (const auto& [dpi, side] :
         {std::make_pair(96, 16), std::make_pair(120, 25), std::make_pair(144, 30), std::make_pair(240, 50)}) {
        UniqueBitmap bitmap(LoadSkinBitmap(source, L"next", dpi, kKey));
        ASSERT_TRUE(bitmap) << dpi;
        SIZE size = BitmapSize(bitmap.get());
        EXPECT_EQ(std::make_pair(size.cx, size.cy), std::make_pair(LONG(side), LONG(side))) << dpi;
        if (dpi == 96) continue;
        MemorySurface surface(nullptr, bitmap.get());
        int keyed = 0, other = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const COLORREF p = GetPixel(surface.dc(), x, y);
                keyed += p == kKey;
                other += p != kKey && p != RGB(200, 0, 0);
            }
        EXPECT_EQ(GetPixel(surface.dc(), 0, 0), kKey) << dpi;
        EXPECT_EQ(GetPixel(surface.dc(), side / 2, side / 2), RGB(200, 0, 0)) << dpi;
        EXPECT_GE(keyed, 4 * (side - 1)) << "the border stays see-through at " << dpi;
        EXPECT_EQ(other, 0) << "no blend of key and picture at " << dpi;
    }

    // A broken override stops start-up and leaves the window and the settings alone.
    AddDocument(L"layout_main", Xml("<MainLayout width='90'>"));
    const std::wstring partner = settings.GetPartnerId();
    EXPECT_FALSE(LoadMainLayout(window, settings, Recorder()));
    EXPECT_EQ(reports.size(), 1u);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 140) << "the size it had";
    EXPECT_EQ(settings.GetPartnerId(), partner);
    DestroyWindow(window);
}
