#pragma once
// How the core reaches the user interface. Every operation but the timer ones and
// RequestExit may be called from any thread: it then runs later on the user-interface thread.
#include <functional>
#include <string>

#include "app/controller_state.h"
#include "base/path.h"
#include "net/version_info.h"

class IUI {
public:
    enum ShowInfoType { ShowInfoTip = 0, ShowInfoBalloon = 1, ShowInfoMessage = 2 };
    using Callback = std::function<void()>;

    // Timers run on the user-interface thread; ids start at 10. 0 means no timer.
    virtual unsigned SetTimer(unsigned periodMs, Callback callback) = 0;
    virtual void KillTimer(unsigned id) = 0;
    virtual bool ResetTimer(unsigned id, unsigned periodMs) = 0;
    virtual void RequestExit() = 0;
    // The Controller's state after a change; the window shows it and keeps it for its menus.
    virtual void UpdateState(ControllerStatePtr state) = 0;
    virtual void ShowProgress(int percent, const std::wstring& text) = 0;
    virtual void ShowInfo(ShowInfoType type, const std::wstring& text, const std::wstring& title) = 0;
    // Asks before installing a downloaded update, unless it is verified and silent updates are
    // on; install runs only when the user agrees (or was not asked).
    virtual void ConfirmInstallUpdate(const VersionInfo& info, bool verified, Callback install) = 0;
    // A copy of the picture was saved: the user is told where, and may open its folder.
    virtual void PictureSaved(const Path& file) = 0;

protected:
    ~IUI() = default;  // not owned through this interface
};
