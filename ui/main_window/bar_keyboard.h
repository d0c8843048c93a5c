#pragma once
// The bar from the keyboard. Tab and the arrow keys walk its buttons left to right, Enter clicks
// the focused one as Space does, Escape hides the bar as its Minimise button does. Focus
// rectangles show only once the keyboard is used: a mouse click or an activation hides them
// again.
#include <windows.h>

class SkinControls;

namespace BarKeyboard {

// A message of the thread's loop before the dialog manager sees it; true when it was handled
// here. Messages of other windows than the bar and its children are left alone.
bool PreTranslate(HWND bar, const MSG& message, SkinControls& controls);
// WM_ACTIVATE of the bar: on activation the first button takes the focus. True when handled.
bool OnActivate(HWND bar, WPARAM state, SkinControls& controls);

}  // namespace BarKeyboard
