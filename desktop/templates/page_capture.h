#pragma once
// What shows a template's page and paints it: the browser control, or a stand-in in tests.
#include <windows.h>

#include <string>

#include "base/handles.h"

class PageCapture {
public:
    enum class Outcome { Captured, Failed, TimedOut };
    struct Result {
        Outcome outcome = Outcome::Failed;
        UniqueBitmap bitmap;  // the page's element, when captured
    };

    virtual ~PageCapture() = default;
    // Whether a page can be loaded now; makes what it needs when that is missing.
    virtual bool Ready() = 0;
    // Loads the page, waits until it has finished loading and paints its first visible element.
    virtual Result LoadAndCapture(const std::wstring& url) = 0;
    // Lets go of what Ready made, on the thread that made it.
    virtual void Release() = 0;
};
