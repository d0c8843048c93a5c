// Saves pictures of Kestrane's face for the documentation: the main window, the Setup,
// categories, Favorites and tray menus, a balloon, the caption on the wallpaper, every page of
// the options sheet and the sign-in dialog, in English and Simplified Chinese.
// Run by scripts/screenshots on a Wine desktop of its own; the clicks are real X input.
//   screenshots.exe <host folder for the PNG files> <service URL> [DPI]
// With a DPI other than 96 the screen has that DPI and the pictures are named NAME-en-150
// (the percentage); only the window, the Setup menu, the options and the sign-in dialog are
// taken then.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "config/version_table.h"
#include "desktop/shell/wallpaper_state.h"
#include "e2e/kestrane_process.h"
#include "e2e/wine_desktop.h"
#include "resources/resource.h"

namespace {

RECT Union(RECT a, const RECT& b) {
    UnionRect(&a, &a, &b);
    return a;
}

RECT Grown(RECT box, int margin, int width, int height) {
    box.left = std::max(0L, box.left - margin);
    box.top = std::max(0L, box.top - margin);
    box.right = std::min(static_cast<LONG>(width), box.right + margin);
    box.bottom = std::min(static_cast<LONG>(height), box.bottom + margin);
    return box;
}

RECT WindowBox(HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    return box;
}

std::string Point(LONG x, LONG y) { return std::to_string(x) + " " + std::to_string(y); }

std::string Centre(const RECT& box) { return Point((box.left + box.right) / 2, (box.top + box.bottom) / 2); }

// The centre of item `index` of a pop-up menu of `count` items of equal height.
std::string MenuItem(const RECT& menu, int index, int count) {
    const LONG inner = menu.bottom - menu.top - 6;
    return Point(menu.left + 40, menu.top + 3 + inner * (2 * index + 1) / (2 * count));
}

// The pop-up menus the process shows, newest first.
std::vector<HWND> Menus(const WineDesktop& desktop, DWORD processId) {
    std::vector<HWND> menus;
    desktop.Run([&] {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            wchar_t name[16] = {};
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == processId && IsWindowVisible(w) && GetClassNameW(w, name, 16) && wcscmp(name, L"#32768") == 0)
                menus.push_back(w);
        }
    });
    return menus;
}

HWND FindBalloon(const WineDesktop& desktop) {
    HWND balloon = nullptr;
    desktop.Run([&] {
        for (HWND w = GetTopWindow(nullptr); w && !balloon; w = GetWindow(w, GW_HWNDNEXT)) {
            wchar_t name[32] = {};
            if (IsWindowVisible(w) && GetClassNameW(w, name, 32) && wcscmp(name, TOOLTIPS_CLASSW) == 0 &&
                (GetWindowLongW(w, GWL_STYLE) & TTS_BALLOON))
                balloon = w;
        }
    });
    return balloon;
}

class Session {
public:
    // A larger DPI gets a desktop of as many more pixels: the same screen, only sharper.
    Session(const std::string& folder, const std::string& suffix, int dpi)
        : m_folder(folder),
          m_suffix(dpi == 96 ? suffix : suffix + "-" + std::to_string(dpi * 100 / 96)),
          m_dpi(dpi),
          m_desktop(MulDiv(1024, dpi, 96), MulDiv(768, dpi, 96)) {}

    bool Save(const char* name, const RECT& box) {
        const std::string shown(name);
        if (m_dpi != 96 && shown != "main-window" && shown != "setup-menu" && shown != "sign-in" &&
            shown.rfind("options-", 0) != 0)
            return true;
        const std::string path = m_folder + "/" + name + "-" + m_suffix + ".png";
        const bool saved = m_desktop.SaveScreen(Grown(box, 8, m_desktop.Width(), m_desktop.Height()), path);
        std::printf("%s %s\n", saved ? "saved" : "FAILED", path.c_str());
        return saved;
    }

    bool Run(unsigned short langId, const std::wstring& serviceUrl) {
        std::unique_ptr<ScreenDpi> screen;
        if (m_dpi != 96) screen = std::make_unique<ScreenDpi>(m_dpi);
        ProgramFolder folder;
        WriteAll(folder.Config(), "<?xml version=\"1.0\"?><TovarinSetting><Version>" + ToUtf8(GetProgramVersion()) +
                                      "</Version><LangId>" + std::to_string(langId) +
                                      "</LangId><Tags>fengguang</Tags><ServiceUrl>" + ToUtf8(serviceUrl) +
                                      "</ServiceUrl></TovarinSetting>");
        // Our own wallpaper already on the desktop: no question about the user's one.
        SetDesktopWallpaper(L"0", L"1", GetWallpaperPath().str());
        GetWallpaperPath().Remove();
        ChildProcess kestrane;
        HWND window = m_desktop.StartKestrane(folder.Executable(), kestrane);
        if (!window || !m_desktop.WaitForWindow(L"KestraneMainDialog", kestrane.GetId(), 15000)) return false;
        const DWORD process = kestrane.GetId();
        WaitUntil([] { return GetWallpaperPath().Exists(); }, 90);
        Sleep(3000);  // the download's last pictures and the progress strip settle

        const RECT face = WindowBox(window);
        auto control = [&](int id) { return WindowBox(GetDlgItem(window, id)); };
        // One Escape per open menu: one more would hide the bar.
        auto closeMenus = [&] {
            for (int i = 0; i < 3 && !Menus(m_desktop, process).empty(); ++i) m_desktop.XDoTool("key Escape sleep 0.3");
            WaitUntil([&] { return Menus(m_desktop, process).empty(); }, 5);
        };
        bool ok = true;

        // The window with the wallpaper around it, the pointer on its face between the buttons
        // (not ghosted, no tooltip), once the update check's balloon has gone.
        WaitUntil([&] { return FindBalloon(m_desktop) == nullptr; }, 15);
        // Wine does not give a layered window back what a balloon covered until it paints again.
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        m_desktop.XDoTool("mousemove " + Point(face.left + MulDiv(80, m_dpi, 96), face.top + MulDiv(15, m_dpi, 96)) +
                          " sleep 1");
        ok &= Save("main-window", {face.left - 150, face.top - 90, m_desktop.Width(), face.bottom + 10});

        m_desktop.XDoTool("mousemove " + Centre(control(IDC_FAVORITES)) + " sleep 0.5 click 1 sleep 1");
        std::vector<HWND> menus = Menus(m_desktop, process);
        ok &= !menus.empty() && Save("favorites-menu", Union(WindowBox(menus[0]), face));
        closeMenus();

        // Setup, then its quick categories.
        m_desktop.XDoTool("mousemove " + Centre(control(IDC_SETUP)) + " sleep 0.5 click 1 sleep 1");
        menus = Menus(m_desktop, process);
        if (menus.empty()) return false;
        const RECT setup = WindowBox(menus[0]);
        ok &= Save("setup-menu", Union(setup, face));
        m_desktop.XDoTool("mousemove " + MenuItem(setup, 0, 8) + " sleep 1.5");
        menus = Menus(m_desktop, process);
        if (menus.size() < 2) return false;
        const RECT categories = WindowBox(menus[0]);
        ok &= Save("categories-menu", Union(Union(setup, face), categories));

        // A category chosen: the balloon tells that the download starts again.
        m_desktop.XDoTool("mousemove " + Point(categories.right - 30, (categories.top + categories.bottom) / 2) +
                          " sleep 0.3 mousemove " + MenuItem(categories, 2, 10) + " sleep 0.5 click 1");
        HWND balloon = nullptr;
        WaitUntil([&] { return (balloon = FindBalloon(m_desktop)) != nullptr; }, 5);
        Sleep(500);
        if (balloon)
            ok &= Save("balloon", WindowBox(balloon));
        else
            ok = false, std::printf("FAILED no balloon\n");

        // The tray menu where the shell opens it: at the pointer, near the screen's corner.
        m_desktop.XDoTool("mousemove " + Point(m_desktop.Width() - 40, m_desktop.Height() - 8));
        PostMessageW(window, RegisterWindowMessageW(L"WM_TRAYICON"), 0, WM_RBUTTONUP);
        WaitUntil([&] { return !Menus(m_desktop, process).empty(); }, 5);
        Sleep(1000);
        menus = Menus(m_desktop, process);
        if (!menus.empty()) ok &= Save("tray-menu", WindowBox(menus[0]));
        closeMenus();

        // Every page of the options sheet, then the sign-in dialog.
        const char* const pageNames[] = {"options-basic",   "options-desktop",    "options-category",
                                         "options-hotkeys", "options-connection", "options-about"};
        PostMessageW(window, WM_COMMAND, ID_SHOW_PROPERTY_SHEET, 0);
        HWND sheet = m_desktop.WaitForWindow(L"#32770", process, 10000);
        if (!sheet) return false;
        for (int i = 0; i < 6; ++i) {
            SendMessageW(sheet, PSM_SETCURSEL, i, 0);
            Sleep(800);
            ok &= Save(pageNames[i], WindowBox(sheet));
        }
        if (m_dpi == 96) {
            // The caption, as a user asks for it: its box on the Desktop page, then OK.
            SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
            HWND desktopPage = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
            const std::optional<std::string> plain = WallpaperBytes();
            SendMessageW(GetDlgItem(desktopPage, IDC_SHOW_CAPTION), BM_CLICK, 0, 0);
            PostMessageW(GetDlgItem(sheet, IDOK), BM_CLICK, 0, 0);
            WaitUntil([&] { return !m_desktop.IsVisible(sheet); }, 5);
            ok &= WallpaperChangesFrom(plain, 10);
            // The caption in the corner of the work area, the window out of the way meanwhile.
            RECT work{0, 0, m_desktop.Width(), m_desktop.Height()};
            m_desktop.Run([&] { SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0); });
            const UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
            SetWindowPos(window, nullptr, work.left + 20, work.top + 20, 0, 0, flags);
            WaitUntil([&] { return FindBalloon(m_desktop) == nullptr; }, 20);
            Sleep(1000);
            ok &= Save("wallpaper-caption", {work.right - 360, work.bottom - 60, work.right, work.bottom});
            SetWindowPos(window, nullptr, face.left, face.top, 0, 0, flags);
            Sleep(500);
        } else {
            PostMessageW(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0);
            WaitUntil([&] { return !m_desktop.IsVisible(sheet); }, 5);
        }

        PostMessageW(window, WM_COMMAND, ID_LOGIN, 0);
        HWND login = m_desktop.WaitForWindow(L"#32770", process, 10000);
        if (!login) return false;
        Sleep(800);
        ok &= Save("sign-in", WindowBox(login));
        PostMessageW(login, WM_COMMAND, IDCANCEL, 0);
        WaitUntil([&] { return !m_desktop.IsVisible(login); }, 5);

        PostMessageW(window, WM_CLOSE, 0, 0);
        kestrane.WaitForExit(20000);
        return ok;
    }

private:
    std::string m_folder, m_suffix;
    int m_dpi;
    WineDesktop m_desktop;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int dpi = argc == 4 ? _wtoi(argv[3]) : 96;
    if ((argc != 3 && argc != 4) || dpi < 96 || dpi > 480) {
        std::fprintf(stderr, "usage: screenshots.exe <host folder> <service URL> [DPI, 96 to 480]\n");
        return 2;
    }
    const std::string folder = ToUtf8(argv[1]);
    WallpaperDescription before = CaptureCurrentWallpaper();
    bool ok = Session(folder, "en", dpi).Run(1033, argv[2]);
    ok &= Session(folder, "zh", dpi).Run(2052, argv[2]);
    SetDesktopWallpaper(before.TileWallpaper, before.WallpaperStyle, before.Wallpaper);
    return ok ? 0 : 1;
}
