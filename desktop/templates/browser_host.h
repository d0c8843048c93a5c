#pragma once
// The system's web-browser control in a hidden pop-up window of our own, without ATL: it
// loads a page, waits on a nested message loop for the page to finish loading (or for the
// time-out), and paints the page's first visible element into a bitmap.
//
// Everything here belongs to the thread that first made it ready, which must be a COM
// single-threaded apartment pumping messages (a JobThread is). EndNestedLoop for that thread
// gives up a wait without a capture.
#include <windows.h>

#include <memory>
#include <string>

#include "desktop/templates/page_capture.h"

class BrowserHost : public PageCapture {
public:
    explicit BrowserHost(unsigned timeoutMs);
    ~BrowserHost() override;
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    bool Ready() override;
    Result LoadAndCapture(const std::wstring& url) override;
    void Release() override;

private:
    struct Control;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnDocumentComplete(const std::wstring& url);
    void OnTimeout();
    UniqueBitmap Capture();
    void FitWindow(int width, int height);

    const unsigned m_timeoutMs;
    DWORD m_thread = 0;         // where the control lives
    DWORD m_waitingThread = 0;  // who runs the nested loop for a page; 0 when nobody waits
    bool m_completed = false;   // the page itself finished loading
    bool m_timedOut = false;
    std::unique_ptr<Control> m_control;
};
