#pragma once
// The tray icon's menu, built fresh on every click from the sign-in state.
#include <windows.h>

struct TrayMenuState {
    bool signedIn = false;
    bool canManageCurrentImage = false;  // signed in with the manage flag, and a current image with an id
};

// quickCategories becomes the menu's sub-menu (owned by it from then on); null leaves it out.
HMENU BuildTrayMenu(const TrayMenuState& state, HMENU quickCategories);
