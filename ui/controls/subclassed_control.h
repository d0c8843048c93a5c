#pragma once
// The base of a standard control taken over by subclassing: it binds the object to the
// window, hands every message to the derived class, lets go of the window when it is
// destroyed or the object goes, and lets no exception unwind through the system's frames.
#include <windows.h>

class SubclassedControl {
public:
    SubclassedControl(const SubclassedControl&) = delete;
    SubclassedControl& operator=(const SubclassedControl&) = delete;

    HWND GetHwnd() const { return m_window; }
    // The object subclassing the window; null for any other window.
    static SubclassedControl* FromWindow(HWND window);

protected:
    SubclassedControl() = default;
    virtual ~SubclassedControl();

    // Takes over the window (letting go of one held before); false when it is not there or
    // cannot be subclassed.
    bool Subclass(HWND window);
    void Unsubclass();

    // A message for the control; what the control does not handle goes to Default.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // The window is being destroyed: release what belongs to it, before the base lets go.
    virtual void OnWindowGone() {}

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data);

    HWND m_window = nullptr;
};
