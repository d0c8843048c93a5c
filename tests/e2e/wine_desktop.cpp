#include "e2e/wine_desktop.h"

#include "support/test_support.h"

namespace {

// Wine starts a host program without waiting for it and hands back no handle that ends with
// it, so the host shell writes the script's exit code into a file under /tmp polled here.
bool RunOnHost(const std::string& script) {
    static int count = 0;
    const std::string name = "kestrane-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    const Path marker(L"Z:\\tmp\\" + std::wstring(name.begin(), name.end()));
    marker.Remove();
    const std::string wrapped = "(" + script + "); echo $? > /tmp/" + name;
    std::wstring commandLine = L"Z:\\bin\\sh -c \"" + std::wstring(wrapped.begin(), wrapped.end()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    std::string code;
    WaitUntil([&] { return !(code = ReadAll(marker)).empty(); }, 10);
    marker.Remove();
    return code.rfind("0\n", 0) == 0;
}

}  // namespace

bool WineDesktop::XDoTool(const std::string& arguments) const { return RunOnHost("xdotool " + arguments); }

bool WineDesktop::SaveScreen(const RECT& box, const std::string& hostPath) const {
    const std::string geometry = std::to_string(box.right - box.left) + "x" + std::to_string(box.bottom - box.top) +
                                 "+" + std::to_string(box.left) + "+" + std::to_string(box.top);
    return RunOnHost("import -window root -crop " + geometry + " +repage " + hostPath);
}

std::string WineDesktop::ScreenBytes(const RECT& box) const {
    static int count = 0;
    const std::string name = "kestrane-screen-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    if (!SaveScreen(box, "-depth 8 rgb:/tmp/" + name)) return {};
    const Path file(L"Z:\\tmp\\" + std::wstring(name.begin(), name.end()));
    std::string bytes = ReadAll(file);
    file.Remove();
    return bytes;
}
