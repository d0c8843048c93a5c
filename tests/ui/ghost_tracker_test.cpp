// The main window's ghost tracker on what Wine cannot show end to end: Wine 8 calls no
// foreground WinEvent hook, so the hook's reports are handed to the tracker here, with real
// windows of this thread standing in for the bar, the desktop and another program.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "ui/main_window/ghost_tracker.h"

namespace {

HWND MakeWindow(const wchar_t* className, int x) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, className, L"", WS_POPUP | WS_VISIBLE, x, 10, 100, 60, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

}  // namespace

TEST(GhostTracker, AClickOnTheDesktopBringsTheShownBarForwardUnlessTheBarHadTheFocus) {
    EXPECT_TRUE(GhostTracker::IsDesktopClass(L"Progman"));
    EXPECT_TRUE(GhostTracker::IsDesktopClass(L"WorkerW"));
    EXPECT_FALSE(GhostTracker::IsDesktopClass(L"Shell_TrayWnd"));
    EXPECT_FALSE(GhostTracker::IsDesktopClass(L"progman")) << "class names as the shell spells them";

    HWND bar = MakeWindow(L"KestraneTestBar", 10);
    HWND progman = MakeWindow(L"Progman", 120);
    HWND worker = MakeWindow(L"WorkerW", 230);
    HWND other = MakeWindow(L"KestraneTestOther", 340);
    ASSERT_TRUE(bar && progman && worker && other);
    std::vector<bool> ghosts;
    GhostTracker tracker;
    GhostTracker::Actions actions;
    actions.setGhost = [&](bool ghost) { ghosts.push_back(ghost); };
    actions.post = [](std::function<void()>) {};  // the later look is not what this test is about
    tracker.Attach(bar, actions);
    // The hook reports each foreground window once; the test makes it so, then reports it.
    auto foreground = [&](HWND window) {
        SetForegroundWindow(window);
        tracker.OnForeground(window);
    };

    foreground(other);
    ghosts.clear();
    foreground(progman);
    EXPECT_EQ(GetForegroundWindow(), bar) << "a click on the desktop from another program";
    EXPECT_EQ(ghosts, std::vector<bool>{false}) << "and the bar is opaque";

    foreground(bar);  // the hook reports the bar's own coming forward too
    ghosts.clear();
    foreground(progman);
    EXPECT_EQ(GetForegroundWindow(), progman) << "the user clicked away from the focused bar";
    EXPECT_TRUE(ghosts.empty());

    foreground(other);
    foreground(worker);
    EXPECT_EQ(GetForegroundWindow(), bar) << "the desktop behind the icons counts too";

    ShowWindow(bar, SW_HIDE);
    foreground(other);
    foreground(progman);
    EXPECT_FALSE(IsWindowVisible(bar)) << "a hidden bar stays hidden";
    EXPECT_EQ(GetForegroundWindow(), progman);

    tracker.Detach();
    for (HWND window : {bar, progman, worker, other}) DestroyWindow(window);
}
