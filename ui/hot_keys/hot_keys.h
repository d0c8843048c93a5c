#pragma once
// The main window's global hot keys: the settings' hot-key map registered for the named
// commands of the command table, one report naming the combinations the system refused, and
// a fresh registration whenever the map changes.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "ui/hot_keys/hot_key_registry.h"
#include "ui/main_window/command_table.h"

class HotKeys {
public:
    // Tells the user which combinations failed: owner window, text, title. A message box
    // unless replaced (the tests must not block on one).
    using FailureReport = std::function<void(HWND owner, const std::wstring& text, const std::wstring& title)>;
    // Runs a call later on the window's thread: the map may change on any thread, and only
    // the window's own thread may register its hot keys.
    using Post = std::function<void(std::function<void()>)>;

    explicit HotKeys(std::shared_ptr<Settings> settings);
    ~HotKeys();
    HotKeys(const HotKeys&) = delete;
    HotKeys& operator=(const HotKeys&) = delete;

    // The window that receives WM_HOTKEY (on the calling thread) and the commands that may take
    // hot keys, in table order. From here on a changed map is registered again.
    void Attach(HWND window, const CommandTable& commands, Post post);
    // A refusal not met before: a box unless replaced.
    void SetFailureReport(FailureReport report) { m_report = std::move(report); }
    // The same refusal as the one reported last, at a later start: nothing unless given.
    void SetRepeatedFailureReport(FailureReport report) { m_repeatedReport = std::move(report); }

    // Unregisters all, then registers each named command the map has a key for, in table
    // order. Unless quiet, one report names every combination the system refused; the others
    // work regardless. A refusal is reported the first way once; while the same combinations
    // stay refused (the settings keep which), the repeated way. Returns the names of the
    // commands that failed.
    std::vector<std::wstring> RegisterHotKeys(bool quiet);
    // Registers again, quiet when the map is the one registered last: failures are reported
    // again only after the user changed the keys.
    void Resume();
    // Unregisters all. Changes of the map wait for the next registration (the options sheet
    // is open, or the program is ending).
    void UnregisterAll();

    // WM_HOTKEY: modifiers in the low word of lParam, the key in the high word.
    bool OnHotKey(LPARAM lParam) const;
    const HotKeyRegistry& Registry() const { return m_registry; }

private:
    void OnMapChanged();
    std::wstring FailureText(const std::vector<std::wstring>& failed, const Settings::HotKeyMap& map) const;

    std::shared_ptr<Settings> m_settings;
    HotKeyRegistry m_registry;
    HWND m_window = nullptr;
    std::vector<std::wstring> m_names;  // the named commands, in table order
    FailureReport m_report;
    FailureReport m_repeatedReport;
    int m_subscription = 0;
    bool m_suspended = true;                       // until the first registration
    std::optional<Settings::HotKeyMap> m_lastMap;  // the map of the last registration
    std::shared_ptr<HotKeys*> m_alive;             // posted calls find out whether this still exists
};
