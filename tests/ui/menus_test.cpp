// The pop-up menus as the program builds them (real HMENUs read back through the system),
// in English and in Simplified Chinese from the shipped string map; the commands of their
// list items against a real Settings in a temporary program folder; their placement; and the
// flat style drawn into a bitmap.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <clocale>
#include <map>
#include <vector>

#include "app/picture_name.h"
#include "base/handles.h"
#include "base/localization.h"
#include "base/utf8.h"
#include "config/settings.h"
#include "resources/resource.h"
#include "store/package_file.h"
#include "store/picture.h"
#include "support/test_support.h"
#include "ui/menus/flat_menu_style.h"
#include "ui/menus/menu_mnemonics.h"
#include "ui/menus/menu_placement.h"
#include "ui/menus/menus.h"

namespace {

struct ItemView {
    UINT id = 0;  // 0 for separators and sub-menus
    std::wstring text;
    bool separator = false, checked = false, grayed = false;
    HMENU subMenu = nullptr;
    HBITMAP bitmap = nullptr;
};

std::vector<ItemView> Items(HMENU menu) {
    std::vector<ItemView> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        ItemView item;
        wchar_t text[256] = {};
        GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
        item.text = text;
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        item.separator = (state & MF_SEPARATOR) != 0;
        item.checked = (state & MF_CHECKED) != 0;
        item.grayed = (state & MF_GRAYED) != 0;
        item.subMenu = GetSubMenu(menu, i);
        if (!item.subMenu && !item.separator) item.id = GetMenuItemID(menu, i);
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_BITMAP;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        item.bitmap = info.hbmpItem;
        items.push_back(item);
    }
    return items;
}

std::vector<UINT> Ids(const std::vector<ItemView>& items) {
    std::vector<UINT> ids;
    for (const ItemView& item : items) ids.push_back(item.id);
    return ids;
}

std::vector<std::wstring> Texts(const std::vector<ItemView>& items) {
    std::vector<std::wstring> texts;
    for (const ItemView& item : items) texts.push_back(item.text);
    return texts;
}

class CountingListener : public LanguageListener {
public:
    void OnLanguageChanged() override { ++changes; }
    int changes = 0;
};

COLORREF CentreColour(HBITMAP bitmap) {
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    ScopedSelect selected(dc.get(), bitmap);
    BITMAP info{};
    GetObjectW(bitmap, sizeof(info), &info);
    return GetPixel(dc.get(), info.bmWidth / 2, info.bmHeight / 2);
}

class Menus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadStringMaps());
        SelectLanguage(1033);
        settings = std::make_shared<Settings>(dir.path());
        CommandMenus::Sources sources;
        // As the window keeps it: the last state the Controller handed over.
        sources.state = [this] { return std::make_shared<const ControllerState>(state); };
        sources.showFavorite = [this](const ImagePtr& image) { shown.push_back(image); };
        sources.showBalloon = [this](const std::wstring& text) { balloons.push_back(text); };
        sources.saveSettings = [this] { settings->Save(); };
        menus = std::make_unique<CommandMenus>(settings, sources);
    }
    void TearDown() override { SelectLanguage(1033); }

    // A favourite whose thumbnail package holds a wide picture of one colour (or none).
    FavoriteEntry Favorite(int id, const std::wstring& category, const std::wstring& stamp, COLORREF colour,
                           bool withPackage = true) {
        std::wstring url = L"fav" + std::to_wstring(id) + L".jpg", thumb = L"thumb" + std::to_wstring(id) + L".jpg";
        auto image = std::make_shared<Image>(id, settings->GetDataDirectory() / MakePackageFileName(url), url, L"");
        auto thumbnail =
            std::make_shared<Image>(id, settings->GetFavoritesDirectory() / MakePackageFileName(thumb), thumb, L"");
        if (withPackage) {
            Picture picture;
            Bytes bytes;
            EXPECT_TRUE(picture.Create(60, 30, colour));
            EXPECT_TRUE(picture.SaveToBytes(bytes));
            EXPECT_TRUE(settings->GetFavoritesDirectory().CreateDirectories());
            EXPECT_TRUE(WritePackage(thumbnail, bytes, thumbnail->GetPath()));
        }
        return FavoriteEntry{image, thumbnail, category, stamp};
    }

    TempDir dir;
    std::shared_ptr<Settings> settings;
    std::unique_ptr<CommandMenus> menus;
    ControllerState state;
    std::vector<ImagePtr> shown;
    std::vector<std::wstring> balloons;
};

}  // namespace

TEST_F(Menus, SetupMenuInEnglishAndInSimplifiedChinese) {
    UniqueMenu menu = menus->BuildSetupMenu();
    std::vector<ItemView> items = Items(menu.get());
    ASSERT_EQ(items.size(), 12u);
    EXPECT_EQ(Ids(items),
              (std::vector<UINT>{0, 0, ID_RESTORE_OLD_WALLPAPER, ID_SAVE_PICTURE, ID_NEVER_SHOW_PICTURE,
                                 ID_CHECK_UPDATE, ID_SHOW_PROPERTY_SHEET, 0, 0, ID_LOGIN, ID_APP_ABOUT, ID_APP_EXIT}));
    EXPECT_NE(items[0].subMenu, nullptr);
    EXPECT_TRUE(items[1].separator);
    EXPECT_NE(items[7].subMenu, nullptr);
    EXPECT_TRUE(items[8].separator);
    EXPECT_EQ(Texts(items),
              (std::vector<std::wstring>{L"&Quick Category", L"", L"&Restore Old Wallpaper", L"Sa&ve Picture As...",
                                         L"&Never Show This Picture", L"Check for &Updates", L"&Options...",
                                         L"&Languages", L"", L"Sign &In...", L"&About", L"E&xit"}));
    EXPECT_TRUE(items[2].grayed) << "no old wallpaper recorded: nothing to restore";
    EXPECT_FALSE(items[3].grayed);
    EXPECT_FALSE(items[4].grayed);
    EXPECT_EQ(GetMenuItemCount(items[0].subMenu), 10) << "All, eight categories, More Categories";
    EXPECT_EQ(GetMenuItemCount(items[7].subMenu), 3) << "three languages";

    SelectLanguage(2052);
    state.canRestoreOldWallpaper = true;
    menu = menus->BuildSetupMenu();
    items = Items(menu.get());
    EXPECT_EQ(Texts(items),
              (std::vector<std::wstring>{
                  L"\u5FEB\u901F\u5206\u7C7B(&Q)", L"", L"\u6062\u590D\u539F\u6765\u7684\u58C1\u7EB8(&R)",
                  L"\u56FE\u7247\u53E6\u5B58\u4E3A(&V)...", L"\u4E0D\u518D\u663E\u793A\u8FD9\u5F20\u56FE\u7247(&N)",
                  L"\u68C0\u67E5\u66F4\u65B0(&U)", L"\u9009\u9879(&O)...", L"\u8BED\u8A00(&L)", L"",
                  L"\u767B\u5F55(&I)...", L"\u5173\u4E8E(&A)", L"\u9000\u51FA(&X)"}));
    EXPECT_FALSE(items[2].grayed) << "the user's own wallpaper can be restored";
}

TEST_F(Menus, SignedInTheMenusOfferSignOutAndForManagersTheCategoryPage) {
    state.loginState = Settings::kLoggedIn;
    state.currentImage = std::make_shared<Image>(7, Path(L"C:\\x.tvp"), L"x.jpg", L"");
    std::vector<ItemView> items = Items(menus->BuildSetupMenu().get());
    ASSERT_EQ(items.size(), 12u);
    EXPECT_EQ(items[9].id, static_cast<UINT>(ID_LOGOUT));
    EXPECT_EQ(items[9].text, L"Sign Ou&t");

    Settings::LoginRecord manager;
    manager.Manage = true;
    state.loginRecord = manager;
    items = Items(menus->BuildSetupMenu().get());
    ASSERT_EQ(items.size(), 13u);
    EXPECT_EQ(items[10].id, static_cast<UINT>(ID_MANAGE_CATEGORY));
    EXPECT_EQ(items[10].text, L"\u7BA1\u7406\u56FE\u7247(&M)");
    std::vector<ItemView> tray = Items(menus->BuildTrayMenu().get());
    EXPECT_EQ(Ids(tray), (std::vector<UINT>{ID_SHOW_MAIN_WINDOW, ID_RESTORE_OLD_WALLPAPER, ID_SAVE_PICTURE,
                                            ID_NEVER_SHOW_PICTURE, 0, 0, ID_DOWNLOAD_NOW, ID_SHOW_PROPERTY_SHEET, 0,
                                            ID_LOGOUT, ID_MANAGE_CATEGORY, ID_APP_ABOUT, ID_APP_EXIT}));
    EXPECT_EQ(tray[0].text, L"&Show Main Window");
    EXPECT_EQ(tray[2].text, L"Sa&ve Picture As...");
    EXPECT_EQ(tray[3].text, L"&Never Show This Picture");
    EXPECT_EQ(tray[5].text, L"&Quick Category");
    EXPECT_NE(tray[5].subMenu, nullptr);

    state.currentImage = std::make_shared<Image>(0, Path(L"C:\\x.tvp"), L"x.jpg", L"");
    EXPECT_EQ(Items(menus->BuildSetupMenu().get()).size(), 12u) << "no page for an image without id";
    EXPECT_EQ(Items(menus->BuildTrayMenu().get()).size(), 12u);
    state.currentImage = nullptr;
    EXPECT_EQ(Items(menus->BuildTrayMenu().get()).size(), 12u) << "nor for a local picture";
}

TEST_F(Menus, QuickCategoriesCheckTheTagsAndGrayThoseThatNeedSignIn) {
    settings->SetTags(L"fengguang qiche");
    std::vector<ItemView> items = Items(menus->BuildQuickCategoryMenu().get());
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(Ids(items), (std::vector<UINT>{32900, 32901, 32902, 32903, 32904, 32905, 32906, 32907, 32908,
                                             ID_CATEGORY_MORE_OPTIONS}));
    EXPECT_EQ(items[0].text, L"All");
    EXPECT_EQ(items[3].text, L"Scenery");
    EXPECT_EQ(items[9].text, L"&More Categories...");
    for (size_t i = 0; i < items.size(); ++i) {
        const bool tagged = i == 3 || i == 4;  // fengguang, qiche (the list is in id order)
        EXPECT_EQ(items[i].checked, tagged) << i;
        EXPECT_EQ(items[i].grayed, i == 7) << "xiezhen needs a sign-in: " << i;
    }
    state.loginState = Settings::kLoggedIn;
    settings->SetTags(L"");
    items = Items(menus->BuildQuickCategoryMenu().get());
    EXPECT_FALSE(items[7].grayed);
    EXPECT_TRUE(items[0].checked) << "no tags: every category";

    SelectLanguage(2052);
    items = Items(menus->BuildQuickCategoryMenu().get());
    EXPECT_EQ(items[0].text, L"\u5168\u90E8");
    EXPECT_EQ(items[3].text, L"\u98CE\u5149");

    settings->SetPartnerId(L"Quorvane");
    items = Items(menus->BuildQuickCategoryMenu().get());
    ASSERT_EQ(items.size(), 11u);
    EXPECT_EQ(items[0].id, 32900u);
    EXPECT_EQ(items[1].id, 32901u);
    EXPECT_TRUE(items[1].checked) << "the partner category comes first and is the partner's tag";
    EXPECT_FALSE(items[2].checked);
}

TEST_F(Menus, ChoosingAQuickCategoryStoresItOnceAndAnnouncesTheDownload) {
    int tagChanges = 0;
    int subscription = settings->Subscribe([&](const Settings::Changes& changes) {
        if (changes.Has(Settings::Field::Tags)) ++tagChanges;
    });
    settings->SetTags(L"fengguang");
    tagChanges = 0;
    menus->BuildQuickCategoryMenu();

    EXPECT_TRUE(menus->OnCommand(32902));  // dongwu
    EXPECT_EQ(settings->GetTags(), L"dongwu");
    EXPECT_EQ(tagChanges, 1);
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0], L"Categories changed, downloading new wallpapers...");
    EXPECT_NE(ReadAll(settings->GetConfigPath()).find("<Tags>dongwu</Tags>"), std::string::npos) << "saved";

    EXPECT_TRUE(menus->OnCommand(32902));
    EXPECT_EQ(tagChanges, 1) << "already the only tag: nothing happens";
    EXPECT_EQ(balloons.size(), 1u);

    EXPECT_TRUE(menus->OnCommand(32900));  // All
    EXPECT_EQ(settings->GetTags(), L"");
    EXPECT_EQ(tagChanges, 2);
    EXPECT_EQ(balloons.size(), 2u);
    EXPECT_TRUE(menus->OnCommand(32900));
    EXPECT_EQ(tagChanges, 2);

    EXPECT_FALSE(menus->OnCommand(32909)) << "beyond the list: not a quick category";
    EXPECT_FALSE(menus->OnCommand(ID_CATEGORY_MORE_OPTIONS)) << "the command table's";
    settings->Unsubscribe(subscription);
}

TEST_F(Menus, LanguagesAreListedOnceEachAndChoosingOneSwitchesAndSaves) {
    UniqueMenu menu = menus->BuildLanguagesMenu();
    std::vector<ItemView> items = Items(menu.get());
    ASSERT_EQ(items.size(), 3u) << "Traditional Chinese carries two LANGIDs and is listed once";
    EXPECT_EQ(Ids(items), (std::vector<UINT>{34000, 34001, 34002}));
    EXPECT_EQ(Texts(items), (std::vector<std::wstring>{L"Traditional Chinese", L"English", L"Simplified Chinese"}));
    EXPECT_FALSE(items[0].checked);
    EXPECT_TRUE(items[1].checked);

    SelectLanguage(3076);
    items = Items(menus->BuildLanguagesMenu().get());
    EXPECT_TRUE(items[0].checked) << "3076 is one of Traditional Chinese's ids";
    EXPECT_FALSE(items[1].checked);

    CountingListener listener;
    EXPECT_TRUE(menus->OnCommand(34002));
    EXPECT_EQ(GetSelectedLangId(), 2052);
    EXPECT_EQ(listener.changes, 1) << "every window re-texts itself";
    EXPECT_NE(ReadAll(settings->GetConfigPath()).find("<LangId>2052</LangId>"), std::string::npos);
    EXPECT_EQ(Items(menus->BuildSetupMenu().get())[10].text, L"\u5173\u4E8E(&A)") << "the next menu is in Chinese";
    EXPECT_FALSE(menus->OnCommand(34003)) << "beyond the list";
}

TEST_F(Menus, FavoritesWithThumbnailsDatesAndTheAddAndDeleteItems) {
    std::vector<ItemView> items = Items(menus->BuildFavoritesMenu().get());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, static_cast<UINT>(ID_ADD_FAVORITE));
    EXPECT_EQ(items[0].text, L"&Sign in to use Favorites");
    EXPECT_TRUE(items[0].grayed);

    std::setlocale(LC_TIME, "C");
    state.loginState = Settings::kLoggedIn;
    state.favorites = std::make_shared<FavoriteList>(FavoriteList{
        Favorite(501, L"fengguang", L"20240715093000", RGB(200, 0, 0)),
        Favorite(502, L"unknowncat", L"2024", RGB(0, 0, 200)),
        Favorite(503, L"dongwu", L"20231231", RGB(0, 0, 0), false),
    });
    state.currentImage = (*state.favorites)[0].image;
    // The Controller's thread decodes the thumbnails whose packages are there.
    for (const FavoriteEntry& entry : *state.favorites)
        if (ThumbnailPtr thumbnail = DecodeThumbnail(entry.thumbnail->GetPath()))
            state.thumbnails[entry.thumbnail->GetPath().str()] = thumbnail;
    EXPECT_EQ(state.thumbnails.size(), 2u) << "the third has no package yet";
    UniqueMenu menu = menus->BuildFavoritesMenu();
    items = Items(menu.get());
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(Ids(items), (std::vector<UINT>{32950, 32951, 32952, 0, ID_ADD_FAVORITE, ID_DELETE_FAVORITE}));
    // Named as the caption names a picture: the day in the user's own format.
    EXPECT_EQ(items[0].text, L"Scenery\t" + ShortDate(*TimestampDay(L"20240715")));
    EXPECT_EQ(items[1].text, L"unknowncat") << "no date in a short stamp; the category itself without a text";
    EXPECT_EQ(items[2].text, L"Animals\t" + ShortDate(*TimestampDay(L"20231231")));
    EXPECT_TRUE(items[3].separator);
    EXPECT_TRUE(items[4].grayed) << "the current image is a favourite already";
    EXPECT_FALSE(items[5].grayed);

    ASSERT_NE(items[0].bitmap, nullptr);
    BITMAP thumbnail{};
    ASSERT_TRUE(GetObjectW(items[0].bitmap, sizeof(thumbnail), &thumbnail));
    EXPECT_EQ(thumbnail.bmWidth, 25);
    EXPECT_EQ(thumbnail.bmHeight, 25);
    EXPECT_EQ(CentreColour(items[0].bitmap), RGB(200, 0, 0));
    EXPECT_EQ(CentreColour(items[1].bitmap), RGB(0, 0, 200));
    EXPECT_EQ(items[2].bitmap, nullptr) << "its thumbnail has not arrived";

    state.currentImage = std::make_shared<Image>(999, Path(L"C:\\x.tvp"), L"x.jpg", L"");
    std::vector<ItemView> again = Items(menus->BuildFavoritesMenu().get());
    EXPECT_EQ(again[0].bitmap, items[0].bitmap) << "made once per image";
    EXPECT_FALSE(again[4].grayed);
    EXPECT_TRUE(again[5].grayed) << "the current image is not a favourite";

    EXPECT_TRUE(menus->OnCommand(32951));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], (*state.favorites)[1].image);
    EXPECT_TRUE(menus->OnCommand(32953)) << "a favourite id beyond the list";
    EXPECT_TRUE(menus->OnCommand(ID_FAVORITE_IMAGE_LAST));
    EXPECT_EQ(shown.size(), 1u) << "is ignored";

    SelectLanguage(2052);
    items = Items(menus->BuildFavoritesMenu().get());
    EXPECT_EQ(items[0].text.substr(0, 3), L"\u98CE\u5149\t");
    EXPECT_EQ(items[4].text, L"\u6DFB\u52A0\u5230\u6536\u85CF\u5939(&A)");

    state.loginState = Settings::kLoggedOut;
    menus->BuildFavoritesMenu();
    EXPECT_TRUE(menus->OnCommand(32950));
    EXPECT_EQ(shown.size(), 1u) << "signed out, the list is gone";
}

// A translation that gives two items of one menu the same key, or none, is caught here.
TEST_F(Menus, EveryFixedItemHasAKeyOfItsOwnInEveryLanguage) {
    // The lists (categories, favourites, languages) show names as they are; their items answer
    // to their first character.
    auto listed = [](UINT id) {
        return (id >= ID_QUICK_CATEGORY_FIRST && id < ID_CATEGORY_MORE_OPTIONS) ||
               (id >= ID_FAVORITE_IMAGE_FIRST && id <= ID_FAVORITE_IMAGE_LAST) ||
               (id >= ID_LANGUAGE_FIRST && id < ID_LANGUAGE_FIRST + 100);
    };
    std::vector<LanguagePtr> languages = StringMap::Instance().GetLanguages();
    ASSERT_EQ(languages.size(), 3u);
    for (const LanguagePtr& language : languages) {
        SelectLanguage(*language->LangIds.begin());
        const std::string name = ToUtf8(language->Name);
        for (bool signedIn : {false, true}) {
            state.loginState = signedIn ? Settings::kLoggedIn : Settings::kLoggedOut;
            Settings::LoginRecord manager;
            manager.Manage = signedIn;
            state.loginRecord = manager;
            state.currentImage = std::make_shared<Image>(7, Path(L"C:\\x.tvp"), L"x.jpg", L"");
            UniqueMenu setup = menus->BuildSetupMenu(), tray = menus->BuildTrayMenu();
            UniqueMenu favorites = menus->BuildFavoritesMenu();
            for (HMENU menu :
                 {setup.get(), GetSubMenu(setup.get(), 0), GetSubMenu(setup.get(), 7), tray.get(), favorites.get()}) {
                ASSERT_NE(menu, nullptr) << name;
                std::map<wchar_t, std::wstring> keys;
                for (const ItemView& item : Items(menu)) {
                    if (item.separator || listed(item.id)) continue;
                    const std::string text = ToUtf8(item.text);
                    const wchar_t key = MnemonicOf(item.text);
                    EXPECT_TRUE((key >= L'A' && key <= L'Z') || (key >= L'0' && key <= L'9'))
                        << name << ": \"" << text << "\" has no key a keyboard types";
                    EXPECT_EQ(StripMnemonic(item.text).find_first_of(L"&()"), std::wstring::npos)
                        << name << ": " << text;
                    auto taken = keys.emplace(key, item.text);
                    EXPECT_TRUE(taken.second)
                        << name << ": \"" << text << "\" and \"" << ToUtf8(taken.first->second) << "\" share their key";
                }
            }
        }
    }
}

TEST(MenuPlacement, OpensAwayFromTheNearerScreenEdgeAndStaysOnAMonitor) {
    MonitorLookup one;
    one.isOnMonitor = [](POINT at) { return at.x >= 0 && at.x < 1024 && at.y >= 0 && at.y < 768; };
    one.nearestWorkArea = [](POINT) { return RECT{0, 0, 1024, 738}; };

    PopupPlacement low = PlaceAtWindow(RECT{700, 600, 921, 641}, 768, one);
    EXPECT_EQ(low.at.x, 921);
    EXPECT_EQ(low.at.y, 600) << "upwards from the window's top";
    EXPECT_EQ(low.flags, static_cast<UINT>(TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_VERNEGANIMATION));

    PopupPlacement high = PlaceAtWindow(RECT{100, 384, 321, 425}, 768, one);
    EXPECT_EQ(high.at.y, 425) << "downwards from its bottom (the top is not below the middle)";
    EXPECT_EQ(high.flags, static_cast<UINT>(TPM_RIGHTALIGN | TPM_TOPALIGN | TPM_VERPOSANIMATION));

    PopupPlacement beside = PlaceAtWindow(RECT{1100, 100, 1321, 141}, 768, one);
    EXPECT_EQ(beside.at.x, 1024) << "moved into the work area";
    EXPECT_EQ(beside.at.y, 141);
    EXPECT_EQ(IntoWorkArea(POINT{-50, 700}, one).x, 0);
    EXPECT_EQ(IntoWorkArea(POINT{1010, 760}, one).x, 1010) << "on a monitor: left alone, taskbar or not";
}

namespace {

// A bitmap to draw menu items into, read back pixel by pixel.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_dc.reset(CreateCompatibleDC(nullptr));
        m_old = SelectObject(m_dc.get(), m_bitmap.get());
    }
    ~Canvas() { SelectObject(m_dc.get(), m_old); }
    HDC dc() const { return m_dc.get(); }
    COLORREF At(int x, int y) const { return GetPixel(m_dc.get(), x, y); }
    // Pixels of the columns [from, to) that differ from the colour.
    int CountOther(int from, int to, COLORREF colour) const {
        int count = 0;
        for (int x = from; x < to; ++x)
            for (int y = 0; y < m_height; ++y) count += At(x, y) != colour;
        return count;
    }
    bool Has(COLORREF colour) const {
        for (int x = 0; x < m_width; ++x)
            for (int y = 0; y < m_height; ++y)
                if (At(x, y) == colour) return true;
        return false;
    }

private:
    int m_width, m_height;
    UniqueBitmap m_bitmap;
    UniqueMemoryDc m_dc;
    HGDIOBJ m_old = nullptr;
};

ULONG_PTR ItemData(HMENU menu, int position, UINT* type = nullptr) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA | MIIM_FTYPE;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    if (type) *type = info.fType;
    return info.dwItemData;
}

bool Draw(const FlatMenuStyle& style, const Canvas& canvas, int width, int height, ULONG_PTR data, UINT state) {
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemState = state;
    draw.hDC = canvas.dc();
    draw.rcItem = RECT{0, 0, width, height};
    draw.itemData = data;
    return style.OnDrawItem(draw);
}

}  // namespace

TEST(FlatMenuStyle, EveryItemOfTheMenuAndItsSubMenusBecomesOwnerDrawn) {
    ASSERT_TRUE(LoadStringMaps());
    SelectLanguage(1033);
    TempDir dir;
    CommandMenus menus(std::make_shared<Settings>(dir.path()), CommandMenus::Sources{});
    UniqueMenu setup = menus.BuildSetupMenu();
    std::map<HMENU, std::vector<ItemView>> before;
    for (HMENU menu : {setup.get(), GetSubMenu(setup.get(), 0), GetSubMenu(setup.get(), 7)}) before[menu] = Items(menu);
    FlatMenuStyle style;
    style.Apply(setup.get());
    for (HMENU menu : {setup.get(), GetSubMenu(setup.get(), 0), GetSubMenu(setup.get(), 7)}) {
        ASSERT_NE(menu, nullptr);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            UINT type = 0;
            ULONG_PTR data = ItemData(menu, i, &type);
            EXPECT_TRUE(type & MFT_OWNERDRAW) << i;
            // What a screen reader finds at the start of an owner-drawn item's data.
            const MSAAMENUINFO* accessible = reinterpret_cast<const MSAAMENUINFO*>(data);
            ASSERT_NE(accessible, nullptr);
            EXPECT_EQ(accessible->dwMSAASignature, static_cast<DWORD>(MSAA_MENU_SIG)) << i;
            EXPECT_EQ(std::wstring(accessible->pszWText, accessible->cchWText), before[menu][i].text) << i;
            MEASUREITEMSTRUCT measure{};
            measure.CtlType = ODT_MENU;
            measure.itemData = data;
            ASSERT_TRUE(style.OnMeasureItem(measure)) << i;
            if (type & MFT_SEPARATOR) {
                EXPECT_EQ(measure.itemHeight, static_cast<UINT>(FlatMenuStyle::kSeparatorHeight));
            } else {
                EXPECT_GT(measure.itemWidth,
                          static_cast<UINT>(FlatMenuStyle::kIconColumnWidth + FlatMenuStyle::kTextIndent +
                                            FlatMenuStyle::kRightMargin));
                EXPECT_GE(measure.itemHeight, 20u);
            }
        }
    }
    EXPECT_EQ(GetMenuState(setup.get(), 2, MF_BYPOSITION) & MF_GRAYED, static_cast<UINT>(MF_GRAYED))
        << "the states stay";

    // For a window at 200 % the fonts and the sizes are twice as large.
    auto measured = [&](int position) {
        MEASUREITEMSTRUCT measure{};
        measure.CtlType = ODT_MENU;
        measure.itemData = ItemData(setup.get(), position);
        EXPECT_TRUE(style.OnMeasureItem(measure));
        return std::make_pair(measure.itemWidth, measure.itemHeight);
    };
    int separator = 0;
    for (UINT type = 0; separator < GetMenuItemCount(setup.get()); ++separator)
        if (ItemData(setup.get(), separator, &type), type & MFT_SEPARATOR) break;
    ASSERT_LT(separator, GetMenuItemCount(setup.get()));
    EXPECT_EQ(style.GetDpi(), 96);
    const auto text = measured(0);
    style.SetDpi(192);
    EXPECT_EQ(measured(separator).second, static_cast<UINT>(2 * FlatMenuStyle::kSeparatorHeight));
    const auto large = measured(0);
    EXPECT_GE(large.first, text.first * 9 / 5) << "wider: " << text.first << " then " << large.first;
    EXPECT_GE(large.second, text.second * 9 / 5) << "taller: " << text.second << " then " << large.second;
    style.SetDpi(96);
    EXPECT_EQ(measured(0), text) << "and back";

    // The keys typed in the drawn menus: E&xit at once, the grayed "&Restore" only selected,
    // the categories' shared first letter cycles, a key of no item is ignored.
    LRESULT answer = 0;
    ASSERT_TRUE(style.OnMenuChar(L'x', setup.get(), answer));
    EXPECT_EQ(answer, MAKELRESULT(11, MNC_EXECUTE));
    ASSERT_TRUE(style.OnMenuChar(L'O', setup.get(), answer));
    EXPECT_EQ(answer, MAKELRESULT(6, MNC_EXECUTE));
    ASSERT_TRUE(style.OnMenuChar(L'r', setup.get(), answer));
    EXPECT_EQ(answer, MAKELRESULT(2, MNC_SELECT)) << "nothing to restore: selected, not chosen";
    ASSERT_TRUE(style.OnMenuChar(L'z', setup.get(), answer));
    EXPECT_EQ(HIWORD(answer), MNC_IGNORE);
    HMENU categories = GetSubMenu(setup.get(), 0);
    std::vector<int> startingWithA;
    for (size_t i = 0; i < before[categories].size(); ++i)
        if (before[categories][i].text[0] == L'A') startingWithA.push_back(static_cast<int>(i));
    ASSERT_EQ(startingWithA.size(), 3u) << "All, Animals, Anime";
    auto highlight = [&](int position, bool on) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STATE;
        info.fState = on ? MFS_HILITE : 0;
        SetMenuItemInfoW(categories, position, TRUE, &info);
    };
    ASSERT_TRUE(style.OnMenuChar(L'a', categories, answer));
    EXPECT_EQ(answer, MAKELRESULT(startingWithA[0], MNC_SELECT));
    highlight(startingWithA[0], true);
    ASSERT_TRUE(style.OnMenuChar(L'a', categories, answer));
    EXPECT_EQ(answer, MAKELRESULT(startingWithA[1], MNC_SELECT)) << "the next one after the highlighted one";
    highlight(startingWithA[0], false);
    highlight(startingWithA[2], true);
    ASSERT_TRUE(style.OnMenuChar(L'a', categories, answer));
    EXPECT_EQ(answer, MAKELRESULT(startingWithA[0], MNC_SELECT)) << "round to the first";
    ASSERT_TRUE(style.OnMenuChar(L'm', categories, answer));
    EXPECT_EQ(answer, MAKELRESULT(9, MNC_EXECUTE)) << "&More Categories";
    UniqueMenu plain(CreatePopupMenu());
    AppendMenuW(plain.get(), MF_STRING, 1, L"E&xit");
    EXPECT_FALSE(style.OnMenuChar(L'x', plain.get(), answer)) << "not a menu of the style";

    // Names with an ampersand of their own keep it: the lists escape it, the marks go elsewhere.
    EXPECT_EQ(StripMnemonic(EscapeMnemonic(L"Cars & Bikes")), L"Cars & Bikes");
    EXPECT_EQ(MnemonicOf(EscapeMnemonic(L"Cars & Bikes")), L'\0');
    EXPECT_EQ(MnemonicOf(L"R&&B &Soul"), L'S');
    EXPECT_EQ(StripMnemonic(L"\u9000\u51FA(&X)"), L"\u9000\u51FA") << "the added key goes with its brackets";
    EXPECT_EQ(StripMnemonic(L"\u9009\u9879(&O)..."), L"\u9009\u9879...");
    EXPECT_EQ(StripMnemonic(L"Fish (&Chips)"), L"Fish (Chips)") << "a mark inside a word in brackets";
    EXPECT_EQ(MnemonicOf(L"\u9000\u51FA(&x)"), L'X');
    EXPECT_EQ(WithoutMarks(L"\u9000\u51FA(&X)"), L"\u9000\u51FA(X)") << "as the menu shows it without cues";
    EXPECT_EQ(WithoutMarks(L"R&&B &Soul"), L"R&B Soul");

    MEASUREITEMSTRUCT foreign{};
    foreign.CtlType = ODT_MENU;
    foreign.itemData = 12345;
    EXPECT_FALSE(style.OnMeasureItem(foreign)) << "not an item of the style";
    foreign.CtlType = ODT_BUTTON;
    EXPECT_FALSE(style.OnMeasureItem(foreign));
}

TEST(FlatMenuStyle, DrawsColumnSelectionChecksSeparatorsAndTextSplitAtTheTab) {
    UniqueMenu menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, 1, L"Scenery\t07/15/24");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, 2, L"Checked");
    Canvas red(25, 25);
    {
        UniqueBrush brush(CreateSolidBrush(RGB(220, 0, 0)));
        RECT all{0, 0, 25, 25};
        FillRect(red.dc(), &all, brush.get());
    }
    UniqueBitmap thumbnail(CreateCompatibleBitmap(red.dc(), 25, 25));
    {
        UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
        ScopedSelect selected(dc.get(), thumbnail.get());
        BitBlt(dc.get(), 0, 0, 25, 25, red.dc(), 0, 0, SRCCOPY);
    }
    MENUITEMINFOW withImage{};
    withImage.cbSize = sizeof(withImage);
    withImage.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP;
    withImage.wID = 3;
    wchar_t text[] = L"With thumbnail";
    withImage.dwTypeData = text;
    withImage.hbmpItem = thumbnail.get();
    InsertMenuItemW(menu.get(), 3, TRUE, &withImage);

    FlatMenuStyle style;
    style.Apply(menu.get());
    const int width = 220, height = 24, textStart = FlatMenuStyle::kIconColumnWidth + FlatMenuStyle::kTextIndent;

    Canvas plain(width, height);
    ASSERT_TRUE(Draw(style, plain, width, height, ItemData(menu.get(), 0), 0));
    const COLORREF column = plain.At(2, 2), area = plain.At(width - 2, 1);
    EXPECT_NE(column, area) << "the icon column is shaded";
    EXPECT_EQ(plain.CountOther(FlatMenuStyle::kIconColumnWidth, textStart, area), 0) << "the text is indented";
    EXPECT_GT(plain.CountOther(textStart, textStart + 30, area), 0) << "the left part";
    EXPECT_GT(plain.CountOther(width - FlatMenuStyle::kRightMargin - 30, width - FlatMenuStyle::kRightMargin, area), 0)
        << "the right part, right-aligned";
    EXPECT_EQ(plain.CountOther(width - FlatMenuStyle::kRightMargin, width, area), 0) << "then the margin";
    EXPECT_TRUE(plain.Has(GetSysColor(COLOR_MENUTEXT)));

    Canvas grayed(width, height);
    ASSERT_TRUE(Draw(style, grayed, width, height, ItemData(menu.get(), 0), ODS_GRAYED));
    EXPECT_GT(grayed.CountOther(textStart, textStart + 30, area), 0);
    EXPECT_FALSE(grayed.Has(GetSysColor(COLOR_MENUTEXT))) << "disabled text has a colour of its own";

    Canvas selected(width, height);
    ASSERT_TRUE(Draw(style, selected, width, height, ItemData(menu.get(), 0), ODS_SELECTED));
    const COLORREF frame = selected.At(0, 0);
    EXPECT_NE(frame, column);
    EXPECT_EQ(selected.At(width - 1, height - 1), frame);
    EXPECT_EQ(selected.At(width / 2, 0), frame);
    EXPECT_NE(selected.At(width - 2, 2), area) << "the selected item is filled";
    EXPECT_NE(selected.At(width - 2, 2), frame);

    Canvas separator(width, FlatMenuStyle::kSeparatorHeight);
    ASSERT_TRUE(Draw(style, separator, width, FlatMenuStyle::kSeparatorHeight, ItemData(menu.get(), 1), 0));
    int line = 0;
    for (int x = FlatMenuStyle::kIconColumnWidth; x < width; ++x)
        line += separator.At(x, FlatMenuStyle::kSeparatorHeight / 2 - 1) != area ||
                separator.At(x, FlatMenuStyle::kSeparatorHeight / 2) != area;
    EXPECT_GT(line, width / 2) << "an etched line across the middle";

    Canvas unchecked(width, height), checked(width, height);
    ASSERT_TRUE(Draw(style, unchecked, width, height, ItemData(menu.get(), 2), 0));
    ASSERT_TRUE(Draw(style, checked, width, height, ItemData(menu.get(), 2), ODS_CHECKED));
    EXPECT_EQ(unchecked.CountOther(0, FlatMenuStyle::kIconColumnWidth, column), 0);
    EXPECT_GT(checked.CountOther(0, FlatMenuStyle::kIconColumnWidth, column), 40) << "a framed box in the column";

    Canvas image(width, 29);
    ASSERT_TRUE(Draw(style, image, width, 29, ItemData(menu.get(), 3), 0));
    EXPECT_EQ(image.At(FlatMenuStyle::kIconColumnWidth / 2, 14), RGB(220, 0, 0)) << "the thumbnail in the column";
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemData = ItemData(menu.get(), 3);
    ASSERT_TRUE(style.OnMeasureItem(measure));
    EXPECT_GE(measure.itemHeight, 29u) << "room for the thumbnail";

    EXPECT_FALSE(Draw(style, plain, width, height, 12345, 0)) << "not an item of the style";

    // The mark is drawn as an underline, never as an "&"; hidden when the menu came by mouse.
    AppendMenuW(menu.get(), MF_STRING, 4, L"&Wallpaper");
    AppendMenuW(menu.get(), MF_STRING, 5, L"Wallpaper");
    style.Apply(menu.get());
    Canvas marked(width, height), hidden(width, height), unmarked(width, height);
    ASSERT_TRUE(Draw(style, marked, width, height, ItemData(menu.get(), 4), 0));
    ASSERT_TRUE(Draw(style, hidden, width, height, ItemData(menu.get(), 4), ODS_NOACCEL));
    ASSERT_TRUE(Draw(style, unmarked, width, height, ItemData(menu.get(), 5), 0));
    EXPECT_GT(marked.CountOther(textStart, width, area), unmarked.CountOther(textStart, width, area))
        << "the W underlined";
    const int markedInk = marked.CountOther(textStart, width, area),
              hiddenInk = hidden.CountOther(textStart, width, area),
              plainInk = unmarked.CountOther(textStart, width, area);
    EXPECT_LT(hiddenInk, markedInk) << "without the cues no underline";
    EXPECT_EQ(hiddenInk, plainInk) << "and no \"&\": drawn as if it had no mark";
    MEASUREITEMSTRUCT withMark{}, withoutMark{};
    withMark.CtlType = withoutMark.CtlType = ODT_MENU;
    withMark.itemData = ItemData(menu.get(), 4);
    withoutMark.itemData = ItemData(menu.get(), 5);
    ASSERT_TRUE(style.OnMeasureItem(withMark) && style.OnMeasureItem(withoutMark));
    EXPECT_EQ(withMark.itemWidth, withoutMark.itemWidth) << "the mark takes no room";
}
