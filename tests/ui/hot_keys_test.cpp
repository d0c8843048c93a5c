// Global hot keys: the key table and the key-combination text, and registration against the
// real system of the test prefix, with combinations held by "another program" (a second
// thread with a window of its own) and WM_HOTKEY delivered to a real window.
#include <gtest/gtest.h>

#include <windows.h>

#include <future>
#include <map>
#include <thread>

#include "base/handles.h"
#include "base/localization.h"
#include "config/settings.h"
#include "support/test_support.h"
#include "ui/hot_keys/hot_key_registry.h"
#include "ui/hot_keys/hot_keys.h"
#include "ui/hot_keys/virtual_keys.h"
#include "ui/main_window/command_table.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Holds combinations through a window on a thread of its own, as another program would.
class OtherProgram {
public:
    ~OtherProgram() {
        if (m_release) SetEvent(m_release.get());
        for (std::thread& thread : m_threads) thread.join();
    }
    bool Take(UINT modifiers, UINT vkey) {
        if (!m_release) m_release.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        std::promise<bool> taken;
        std::future<bool> result = taken.get_future();
        HANDLE release = m_release.get();
        m_threads.emplace_back([&taken, release, modifiers, vkey] {
            HWND window = CreateWindowExW(0, L"STATIC", L"other program", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                          GetModuleHandleW(nullptr), nullptr);
            const bool ok = window && RegisterHotKey(window, 1, modifiers, vkey);
            taken.set_value(ok);
            WaitForSingleObject(release, INFINITE);
            if (ok) UnregisterHotKey(window, 1);
            if (window) DestroyWindow(window);
        });
        return result.get();
    }

private:
    UniqueHandle m_release;
    std::vector<std::thread> m_threads;
};

// A window on the test thread whose WM_HOTKEY goes to the hot keys under test.
HotKeys* g_hotKeys = nullptr;
int g_hotKeyMessages = 0;

LRESULT CALLBACK HotKeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOTKEY) {
        ++g_hotKeyMessages;
        if (g_hotKeys) g_hotKeys->OnHotKey(lParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class TestWindow {
public:
    TestWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = HotKeyWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"KestraneHotKeyTest";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   windowClass.hInstance, nullptr);
    }
    ~TestWindow() { DestroyWindow(m_window); }
    HWND get() const { return m_window; }
    // Dispatches what is queued for the thread, for up to timeoutMs or until done() holds.
    template <typename Done>
    void Pump(Done done, DWORD timeoutMs = 2000) const {
        const DWORD start = GetTickCount();
        MSG message;
        while (!done() && GetTickCount() - start < timeoutMs) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            if (!done()) Sleep(10);
        }
    }

private:
    HWND m_window = nullptr;
};

struct Counters {
    std::map<std::wstring, int> runs;
    std::function<void()> Count(const std::wstring& name) {
        return [this, name] { ++runs[name]; };
    }
};

// The hot-key commands of the main window, in its table order, with an unnamed one between.
CommandTable MakeTable(Counters& counters) {
    CommandTable table;
    table.Add({L"Prev", 1000, counters.Count(L"Prev")});
    table.Add({L"Freeze", 1002, counters.Count(L"Freeze")});
    table.Add({L"Next", 1001, counters.Count(L"Next")});
    table.Add({L"ShowHideDesktopIcons", 32787, counters.Count(L"ShowHideDesktopIcons")});
    table.Add({L"", 1004, counters.Count(L"Setup")});
    table.Add({L"ToggleMainWindow", 0, counters.Count(L"ToggleMainWindow")});
    table.Add({L"DownloadNow", 32797, counters.Count(L"DownloadNow")});
    return table;
}

struct Report {
    HWND owner;
    std::wstring text, title;
    bool repeated;  // the same refusal as the one reported before
};

class HotKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadStringMaps());
        SelectLanguage(1033);
        ASSERT_NE(window.get(), nullptr);
        settings = std::make_shared<Settings>(dir.path());
        hotKeys = std::make_unique<HotKeys>(settings);
        hotKeys->SetFailureReport([this](HWND owner, const std::wstring& text, const std::wstring& title) {
            reports.push_back({owner, text, title, false});
        });
        hotKeys->SetRepeatedFailureReport([this](HWND owner, const std::wstring& text, const std::wstring& title) {
            reports.push_back({owner, text, title, true});
        });
        g_hotKeys = hotKeys.get();
        g_hotKeyMessages = 0;
    }
    void TearDown() override { g_hotKeys = nullptr; }

    // Posts WM_HOTKEY as the system does for a pressed combination and lets the window take it.
    void Press(const std::wstring& name, UINT modifiers, UINT vkey) {
        const int before = g_hotKeyMessages;
        PostMessageW(window.get(), WM_HOTKEY, hotKeys->Registry().GetAtom(name), MAKELPARAM(modifiers, vkey));
        window.Pump([&] { return g_hotKeyMessages > before; });
    }

    TempDir dir;
    TestWindow window;
    std::shared_ptr<Settings> settings;
    Counters counters;
    CommandTable table = MakeTable(counters);
    std::unique_ptr<HotKeys> hotKeys;
    std::vector<Report> reports;
};

}  // namespace

TEST(VirtualKeys, TheTableHoldsEachClassInOrderAndTheFirstNameOfACodeWins) {
    ASSERT_EQ(VirtualKeyCount(), 170u);
    const VirtualKey* keys = VirtualKeyTable();
    std::map<int, int> perClass;
    std::map<unsigned, int> perCode;
    for (size_t i = 0; i < VirtualKeyCount(); ++i) {
        ++perClass[keys[i].keyClass];
        ++perCode[keys[i].code];
        if (i > 0) {
            EXPECT_LE(keys[i - 1].keyClass, keys[i].keyClass) << "class by class, at " << i;
        }
        EXPECT_EQ(std::wstring(keys[i].stringId).rfind(L"VK_", 0), 0u) << i;
        EXPECT_STRNE(Narrow(keys[i].displayName).c_str(), "") << i;
    }
    EXPECT_EQ(perClass[VirtualKey::kNeedsCtrlAltOrWin], 51);
    EXPECT_EQ(perClass[VirtualKey::kNeedsModifier], 38);
    EXPECT_EQ(perClass[VirtualKey::kAlone], 61);
    EXPECT_EQ(perClass[VirtualKey::kNever], 20);
    for (const auto& code : perCode)
        EXPECT_EQ(code.second, code.first == 0x15 || code.first == 0x19 ? 2 : 1) << "code " << code.first;

    EXPECT_STREQ(Narrow(FindVirtualKey(0x15)->stringId).c_str(), "VK_KANA");
    EXPECT_STREQ(Narrow(FindVirtualKey(0x19)->stringId).c_str(), "VK_HANJA");
    EXPECT_STREQ(Narrow(FindVirtualKey(0x5A)->stringId).c_str(), "VK_Z");
    EXPECT_STREQ(Narrow(FindVirtualKey(0x87)->displayName).c_str(), "F24");
    EXPECT_STREQ(Narrow(FindVirtualKey(0xDC)->displayName).c_str(), "\\");
    EXPECT_STREQ(Narrow(FindVirtualKey(0xF9)->displayName).c_str(), "Erase EOF");
    EXPECT_EQ(FindVirtualKey(0xFF), nullptr);
    EXPECT_EQ(FindVirtualKey(0x07), nullptr);
}

TEST(VirtualKeys, ValidityDependsOnTheKeysClass) {
    const UINT none = 0;
    struct Case {
        const char* what;
        UINT vkey;
        bool alone, shift, ctrl, alt, win;
    } cases[] = {
        {"letter A", 'A', false, false, true, true, true},
        {"digit 7", '7', false, false, true, true, true},
        {"PrintScreen", VK_SNAPSHOT, false, false, true, true, true},
        {"OEM 102", VK_OEM_102, false, false, true, true, true},
        {"Page Down", VK_NEXT, false, true, true, true, true},
        {"Backspace", VK_BACK, false, true, true, true, true},
        {"numpad /", VK_DIVIDE, false, true, true, true, true},
        {"F5", VK_F5, true, true, true, true, true},
        {"volume up", VK_VOLUME_UP, true, true, true, true, true},
        {"IME mode change", VK_MODECHANGE, true, true, true, true, true},
        {"CTRL", VK_CONTROL, false, false, false, false, false},
        {"left Windows key", VK_LWIN, false, false, false, false, false},
        {"left mouse button", VK_LBUTTON, false, false, false, false, false},
        {"Num Lock", VK_NUMLOCK, false, false, false, false, false},
        {"a code the table lacks", 0xFF, true, true, true, true, true},
        {"key 0", 0, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidHotKey(none, c.vkey), c.alone) << c.what << " alone";
        EXPECT_EQ(IsValidHotKey(MOD_SHIFT, c.vkey), c.shift) << c.what << " with SHIFT";
        EXPECT_EQ(IsValidHotKey(MOD_CONTROL, c.vkey), c.ctrl) << c.what << " with CTRL";
        EXPECT_EQ(IsValidHotKey(MOD_ALT, c.vkey), c.alt) << c.what << " with ALT";
        EXPECT_EQ(IsValidHotKey(MOD_WIN, c.vkey), c.win) << c.what << " with WIN";
        EXPECT_EQ(IsValidHotKey(MOD_SHIFT | MOD_WIN, c.vkey), c.win) << c.what << " with SHIFT and WIN";
    }
    // An invalid combination has no text, a valid one always has some.
    for (size_t i = 0; i < VirtualKeyCount(); ++i) {
        const VirtualKey& key = VirtualKeyTable()[i];
        for (UINT modifiers : {0u, 1u, 2u, 4u, 8u, 15u})
            EXPECT_EQ(FormatHotKey(MakeHotKeyValue(modifiers, key.code)).empty(), !IsValidHotKey(modifiers, key.code))
                << Narrow(key.stringId) << " with " << modifiers;
    }
}

TEST(VirtualKeys, TheCombinationTextInTheShippedLanguages) {
    ASSERT_TRUE(LoadStringMaps());
    for (unsigned short language : {1033, 2052}) {
        SelectLanguage(language);
        ASSERT_EQ(GetSelectedLangId(), language);
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_WIN, 33)), L"WIN+PAGE UP") << language;
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_WIN, VK_NEXT)), L"WIN+PAGE DOWN");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL | MOD_ALT, 0x41)), L"CTRL+ALT+A");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, 255)), L"CTRL+#255");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_SHIFT | MOD_WIN | MOD_ALT | MOD_CONTROL, VK_F5)),
                  L"CTRL+ALT+WIN+SHIFT+F5");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(0, VK_F5)), L"F5");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_SHIFT, 'A')), L"");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, VK_CONTROL)), L"");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(0, 0x15)), L"KANA");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(0, 0x19)), L"HANJA");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_ALT, VK_SNAPSHOT)), L"ALT+PrintScreen");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, VK_OEM_5)), L"CTRL+\\");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_SHIFT, VK_ESCAPE)), L"SHIFT+ESC");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(0, VK_EREOF)), L"Erase EOF");
    }
}

TEST(VirtualKeys, AStringMapMayNameKeysByConstantOrByNumber) {
    ASSERT_TRUE(LoadStringMaps());
    ASSERT_TRUE(StringMap::Instance().AddDocument(
        "<?xml version='1.0' encoding='UTF-8' ?><Language><Name>Keys</Name><LangId>1031</LangId>"
        "<String id='VK_NEXT'>Bild ab</String><String id='VK_#65'>Taste A</String>"
        "<String id='VK_#255'>Taste 255</String><String id='VK_#34'>not used: the constant's name comes first</String>"
        "</Language>"));
    SelectLanguage(1031);
    EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_WIN, VK_NEXT)), L"WIN+Bild ab");
    EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, 'A')), L"CTRL+Taste A");
    EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, 255)), L"CTRL+Taste 255");
    EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, 254)), L"CTRL+CLEAR") << "the display name is the last resort";
    SelectLanguage(1033);
}

TEST_F(HotKeysTest, RegisteringACommandAgainKeepsItsAtomAndFreesTheOldCombination) {
    HotKeyRegistry registry;
    int runs = 0;
    registry.AddCommand({L"KestraneTestNext", 1001, [&] { ++runs; }});
    EXPECT_FALSE(registry.Register(L"KestraneTestNext", MOD_WIN, VK_NEXT)) << "no window yet";
    registry.SetWindow(window.get());
    EXPECT_FALSE(registry.Register(L"Unknown", MOD_WIN, VK_NEXT)) << "not a command";
    EXPECT_EQ(GlobalFindAtomW(L"Unknown"), 0);

    ASSERT_TRUE(registry.Register(L"KestraneTestNext", MOD_WIN, VK_NEXT));
    const ATOM atom = registry.GetAtom(L"KestraneTestNext");
    EXPECT_GE(atom, 0xC000) << "a global atom";
    EXPECT_EQ(GlobalFindAtomW(L"KestraneTestNext"), atom);
    ASSERT_TRUE(registry.Register(L"KestraneTestNext", MOD_CONTROL | MOD_ALT, 'N'));
    EXPECT_EQ(registry.GetAtom(L"KestraneTestNext"), atom);

    EXPECT_FALSE(registry.OnHotKey(MOD_WIN, VK_NEXT));
    EXPECT_TRUE(registry.OnHotKey(MOD_CONTROL | MOD_ALT, 'N'));
    EXPECT_FALSE(registry.OnHotKey(MOD_CONTROL, 'N'));
    EXPECT_EQ(runs, 1);
    {
        OtherProgram other;
        EXPECT_TRUE(other.Take(MOD_WIN, VK_NEXT)) << "the old combination is free again";
    }
    registry.Unregister(L"KestraneTestNext");
    EXPECT_FALSE(registry.IsRegistered(L"KestraneTestNext"));
    EXPECT_EQ(GlobalFindAtomW(L"KestraneTestNext"), 0) << "the atom is deleted with the registration";
    EXPECT_FALSE(registry.OnHotKey(MOD_CONTROL | MOD_ALT, 'N'));
    OtherProgram other;
    EXPECT_TRUE(other.Take(MOD_CONTROL | MOD_ALT, 'N'));
}

TEST_F(HotKeysTest, OneReportNamesEveryTakenCombinationAndTheOthersStillWork) {
    OtherProgram other;
    ASSERT_TRUE(other.Take(MOD_WIN, VK_END));
    ASSERT_TRUE(other.Take(MOD_CONTROL | MOD_ALT, 'D'));
    settings->SetHotKeys({{L"Prev", {MOD_WIN, VK_PRIOR}},
                          {L"Next", {MOD_WIN, VK_NEXT}},
                          {L"ShowHideDesktopIcons", {MOD_WIN, VK_END}},
                          {L"DownloadNow", {MOD_CONTROL | MOD_ALT, 'D'}},
                          {L"NoSuchCommand", {MOD_WIN, 'Q'}}});
    hotKeys->Attach(window.get(), table, nullptr);

    std::vector<std::wstring> failed = hotKeys->RegisterHotKeys(false);
    EXPECT_EQ(failed, (std::vector<std::wstring>{L"ShowHideDesktopIcons", L"DownloadNow"})) << "in table order";
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].owner, window.get());
    EXPECT_EQ(reports[0].title, L"Hotkey Registration Failed");
    EXPECT_EQ(reports[0].text,
              L"Following hotkey assign failed, maybe used by other program:\n"
              L"Show/Hide Desktop Icons\tWIN+END\n"
              L"Download Now\tCTRL+ALT+D");
    EXPECT_TRUE(hotKeys->Registry().IsRegistered(L"Prev"));
    EXPECT_TRUE(hotKeys->Registry().IsRegistered(L"Next"));
    EXPECT_FALSE(hotKeys->Registry().IsRegistered(L"NoSuchCommand"));
    EXPECT_EQ(GlobalFindAtomW(L"ShowHideDesktopIcons"), 0) << "a failed registration keeps no atom";

    Press(L"Next", MOD_WIN, VK_NEXT);
    Press(L"Prev", MOD_WIN, VK_PRIOR);
    Press(L"Prev", MOD_WIN, VK_END);
    EXPECT_EQ(counters.runs[L"Next"], 1);
    EXPECT_EQ(counters.runs[L"Prev"], 1);
    EXPECT_EQ(counters.runs[L"ShowHideDesktopIcons"], 0);

    EXPECT_EQ(hotKeys->RegisterHotKeys(true).size(), 2u);
    EXPECT_EQ(reports.size(), 1u) << "quiet";

    EXPECT_FALSE(reports[0].repeated);
    EXPECT_EQ(settings->GetRefusedHotKeys(), L"ShowHideDesktopIcons=" +
                                                 std::to_wstring(MakeHotKeyValue(MOD_WIN, VK_END)) + L";DownloadNow=" +
                                                 std::to_wstring(MakeHotKeyValue(MOD_CONTROL | MOD_ALT, 'D')) + L";")
        << "remembered for the next start";

    // The next start meets the same refusal: told again, the quiet way (a balloon, not a box).
    SelectLanguage(2052);
    hotKeys->RegisterHotKeys(false);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(reports[1].repeated);
    EXPECT_EQ(reports[1].title, GetString(L"Prompt_FailedToRegisterHotKey_Title"));
    EXPECT_NE(reports[1].title, reports[0].title);
    EXPECT_NE(reports[1].text.find(L"\tWIN+END"), std::wstring::npos) << "key names stay as they are";
    SelectLanguage(1033);

    // Another refusal is news: a box again; with every key free nothing is remembered.
    hotKeys->UnregisterAll();  // so that the new maps wait for the registrations below
    settings->SetHotKeys({{L"ShowHideDesktopIcons", {MOD_WIN, VK_END}}, {L"DownloadNow", {MOD_WIN, 'D'}}});
    EXPECT_EQ(hotKeys->RegisterHotKeys(false).size(), 1u);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_FALSE(reports[2].repeated);
    hotKeys->UnregisterAll();
    settings->SetHotKeys({{L"DownloadNow", {MOD_WIN, 'D'}}});
    EXPECT_TRUE(hotKeys->RegisterHotKeys(false).empty());
    EXPECT_EQ(settings->GetRefusedHotKeys(), L"");
    EXPECT_EQ(reports.size(), 3u);
}

TEST_F(HotKeysTest, WmHotKeyForWinPageDownRunsNextWithTheDefaultKeys) {
    settings->SetHotKeys(Settings::GetDefaultHotKeys());
    hotKeys->Attach(window.get(), table, nullptr);
    ASSERT_TRUE(hotKeys->RegisterHotKeys(false).empty()) << "the default keys are free in the test prefix";
    EXPECT_TRUE(reports.empty());

    Press(L"Next", MOD_WIN, VK_NEXT);
    EXPECT_EQ(counters.runs[L"Next"], 1);
    Press(L"ShowHideDesktopIcons", MOD_WIN, VK_END);
    EXPECT_EQ(counters.runs[L"ShowHideDesktopIcons"], 1);
    Press(L"Next", MOD_CONTROL, VK_NEXT);
    EXPECT_EQ(counters.runs[L"Next"], 1) << "the modifiers must match too";

    // The keyboard itself: the system turns the combination into WM_HOTKEY for our window.
    INPUT keys[4] = {};
    const WORD sequence[4][2] = {{VK_LWIN, 0}, {VK_NEXT, 0}, {VK_NEXT, KEYEVENTF_KEYUP}, {VK_LWIN, KEYEVENTF_KEYUP}};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = sequence[i][0];
        keys[i].ki.dwFlags = sequence[i][1];
    }
    ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
    window.Pump([&] { return counters.runs[L"Next"] == 2; }, 5000);
    EXPECT_EQ(counters.runs[L"Next"], 2) << "keyboard input reaches the registration";

    hotKeys->UnregisterAll();
    Press(L"Next", MOD_WIN, VK_NEXT);
    EXPECT_EQ(counters.runs[L"Next"], 2) << "nothing runs once unregistered";
    OtherProgram other;
    EXPECT_TRUE(other.Take(MOD_WIN, VK_NEXT)) << "the combination went back to the system";
}

TEST_F(HotKeysTest, AChangedMapIsRegisteredAgainAndReportedOnlyWhenItChanged) {
    OtherProgram other;
    ASSERT_TRUE(other.Take(MOD_WIN, VK_END));
    std::vector<std::function<void()>> posted;
    settings->SetHotKeys({{L"Next", {MOD_WIN, VK_NEXT}}, {L"ShowHideDesktopIcons", {MOD_WIN, VK_END}}});
    hotKeys->Attach(window.get(), table, [&posted](std::function<void()> call) { posted.push_back(call); });
    hotKeys->RegisterHotKeys(false);
    ASSERT_EQ(reports.size(), 1u);
    hotKeys->Resume();
    EXPECT_EQ(reports.size(), 1u) << "the same map again: quiet";

    // A change on the window's thread registers at once, and reports again.
    settings->SetHotKeys({{L"Next", {MOD_CONTROL | MOD_ALT, 'N'}}, {L"ShowHideDesktopIcons", {MOD_WIN, VK_END}}});
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_FALSE(hotKeys->Registry().OnHotKey(MOD_WIN, VK_NEXT));
    EXPECT_TRUE(hotKeys->Registry().OnHotKey(MOD_CONTROL | MOD_ALT, 'N'));

    // A change on another thread waits for the window's thread.
    std::thread([&] { settings->SetHotKeys({{L"Next", {MOD_CONTROL | MOD_ALT, 'M'}}}); }).join();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(hotKeys->Registry().OnHotKey(MOD_CONTROL | MOD_ALT, 'N')) << "not yet";
    posted[0]();
    EXPECT_FALSE(hotKeys->Registry().OnHotKey(MOD_CONTROL | MOD_ALT, 'N'));
    EXPECT_TRUE(hotKeys->Registry().OnHotKey(MOD_CONTROL | MOD_ALT, 'M'));
    EXPECT_FALSE(hotKeys->Registry().IsRegistered(L"ShowHideDesktopIcons"));
    EXPECT_EQ(reports.size(), 2u) << "nothing failed";

    // While the options sheet is open the keys are off, whatever the map does.
    hotKeys->UnregisterAll();
    settings->SetHotKeys({{L"Prev", {MOD_WIN, VK_PRIOR}}, {L"ShowHideDesktopIcons", {MOD_WIN, VK_END}}});
    EXPECT_FALSE(hotKeys->Registry().IsRegistered(L"Prev"));
    EXPECT_EQ(reports.size(), 2u);
    hotKeys->Resume();
    EXPECT_TRUE(hotKeys->Registry().IsRegistered(L"Prev"));
    EXPECT_FALSE(hotKeys->Registry().IsRegistered(L"Next"));
    EXPECT_EQ(reports.size(), 3u) << "changed while the sheet was open: reported";
}
