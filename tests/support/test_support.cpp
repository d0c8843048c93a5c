#include "support/test_support.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>

#include "base/utf8.h"
#include "store/picture.h"

TempDir::TempDir() {
    static LONG counter = 0;
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring name = L"kestrane-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(InterlockedIncrement(&counter)) + L"-" + std::to_wstring(GetTickCount());
    m_path = Path(base) / name;
    m_path.RemoveAll();
    m_path.CreateDirectories();
}

TempDir::~TempDir() { m_path.RemoveAll(); }

std::string ReadAll(const Path& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteAll(const Path& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Path TestExecutableDirectory() {
    wchar_t buffer[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return Path(std::wstring(buffer, length)).Parent();
}

namespace {

bool IsLink(const Path& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Whether the folder lists the name, even for a link whose target is gone.
bool Listed(const Path& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
}

// Wine's name of a Windows path on the host ("/tmp/..."), empty outside Wine.
std::string HostPath(const Path& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return std::string();
    char* name = toUnix(path.c_str());
    if (!name) return std::string();
    std::string result(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Wine starts a host program by its Z: path, splitting the command line by Windows' rules; its
// process cannot be waited for, so the caller polls for the effect.
bool RunHostProgram(const wchar_t* program, const std::string& arguments) {
    std::wstring commandLine = program + FromUtf8(arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

bool MakeDirectoryLink(const Path& link, const Path& target) {
    // Windows makes the link itself; Wine 8 only pretends to (CreateSymbolicLinkW is a stub and
    // FSCTL_SET_REPARSE_POINT is not supported), but it shows a host symbolic link as one.
    using CreateLink = BOOLEAN(WINAPI*)(const wchar_t*, const wchar_t*, DWORD);
    auto createLink = reinterpret_cast<CreateLink>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
    // A directory link, allowed without elevation where developer mode permits it.
    if (createLink && createLink(link.c_str(), target.c_str(), 0x1 | 0x2) && IsLink(link)) return true;
    std::string hostLink = HostPath(link.Parent()), hostTarget = HostPath(target);
    if (hostLink.empty() || hostTarget.empty()) return false;
    hostLink += "/" + ToUtf8(link.FileName());
    if (!RunHostProgram(L"Z:\\bin\\ln", " -sfn \"" + hostTarget + "\" \"" + hostLink + "\"")) return false;
    for (int i = 0; i < 100 && !IsLink(link); ++i) Sleep(50);
    return IsLink(link);
}

bool MountReadOnly(const Path& source, const Path& target) {
    const std::string hostSource = HostPath(source), hostTarget = HostPath(target);
    if (hostSource.empty() || hostTarget.empty() || !target.ListDirectory().empty()) return false;
    const std::string arguments = " \"" + hostSource + "\" \"" + hostTarget + "\"";
    if (!RunHostProgram(L"Z:\\bin\\mount", " --bind" + arguments)) return false;
    for (int i = 0; i < 100 && target.ListDirectory().empty(); ++i) Sleep(50);
    if (target.ListDirectory().empty()) return false;
    // A bind mount takes its own flags only when mounted again.
    if (!RunHostProgram(L"Z:\\bin\\mount", " -o remount,ro,bind \"" + hostTarget + "\"")) return false;
    const Path probe = target / L"~write-probe";
    for (int i = 0; i < 100; ++i, Sleep(50)) {
        HANDLE file =
            CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) return true;
        CloseHandle(file);
    }
    Unmount(target);
    return false;
}

// Lazily: Wine's server may hold the folder open a while after the program has ended.
void Unmount(const Path& target) {
    const std::string hostTarget = HostPath(target);
    if (hostTarget.empty() || !RunHostProgram(L"Z:\\bin\\umount", " --lazy \"" + hostTarget + "\"")) return;
    for (int i = 0; i < 100 && !target.ListDirectory().empty(); ++i) Sleep(50);
}

void RemoveDirectoryLink(const Path& link) {
    // Wine cannot remove a host link (it removes an empty target instead), nor see one whose
    // target is gone; the host can do both.
    std::string hostLink = HostPath(link);
    if (hostLink.empty()) {
        if (IsLink(link)) RemoveDirectoryW(link.c_str());
        return;
    }
    if (!RunHostProgram(L"Z:\\bin\\rm", " -f \"" + hostLink + "\"")) return;
    for (int i = 0; i < 100 && Listed(link); ++i) Sleep(50);
}

RECT DifferingBox(const Picture& a, const Picture& b) {
    RECT box{LONG_MAX, LONG_MAX, -1, -1};
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (GetPixel(a.GetDC(), x, y) != GetPixel(b.GetDC(), x, y))
                box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                           std::max<LONG>(box.bottom, y + 1)};
    return box;
}
