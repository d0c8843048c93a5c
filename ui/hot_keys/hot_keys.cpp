#include "ui/hot_keys/hot_keys.h"

#include <algorithm>

#include "base/localization.h"
#include "ui/controls/dialog_base.h"
#include "ui/hot_keys/virtual_keys.h"
#include "ui/menus/menu_mnemonics.h"

namespace {

void ShowFailureBox(HWND owner, const std::wstring& text, const std::wstring& title) {
    ShowMessageBox(owner, text, title, MB_OK | MB_ICONWARNING);
}

}  // namespace

HotKeys::HotKeys(std::shared_ptr<Settings> settings)
    : m_settings(std::move(settings)), m_report(ShowFailureBox), m_alive(std::make_shared<HotKeys*>(this)) {}

HotKeys::~HotKeys() {
    if (m_subscription) m_settings->Unsubscribe(m_subscription);
}

void HotKeys::Attach(HWND window, const CommandTable& commands, Post post) {
    m_window = window;
    m_registry.SetWindow(window);
    m_names.clear();
    for (const Command& command : commands.All()) {
        if (command.name.empty() || std::count(m_names.begin(), m_names.end(), command.name)) continue;
        m_names.push_back(command.name);
        m_registry.AddCommand(command);
    }
    if (m_subscription) return;
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    std::weak_ptr<HotKeys*> alive = m_alive;
    m_subscription = m_settings->Subscribe([alive, post, windowThread](const Settings::Changes& changes) {
        if (!changes.Has(Settings::Field::HotKeys)) return;
        auto follow = [alive] {
            if (std::shared_ptr<HotKeys*> self = alive.lock()) (*self)->OnMapChanged();
        };
        if (GetCurrentThreadId() == windowThread) {
            follow();
        } else if (post) {
            post(follow);
        }
    });
}

std::vector<std::wstring> HotKeys::RegisterHotKeys(bool quiet) {
    const Settings::HotKeyMap map = m_settings->GetHotKeys();
    m_registry.UnregisterAll();
    m_suspended = false;
    m_lastMap = map;
    std::vector<std::wstring> failed;
    for (const std::wstring& name : m_names) {
        auto key = map.find(name);
        if (key == map.end()) continue;
        if (!m_registry.Register(name, key->second.modifier, key->second.vkey)) failed.push_back(name);
    }
    if (quiet) return failed;
    // What was refused, as the settings remember it: names and combinations.
    std::wstring refused;
    for (const std::wstring& name : failed) {
        const Settings::HotKey& key = map.at(name);
        refused += name + L"=" + std::to_wstring(MakeHotKeyValue(key.modifier, key.vkey)) + L";";
    }
    const bool repeated = !refused.empty() && refused == m_settings->GetRefusedHotKeys();
    m_settings->SetRefusedHotKeys(refused);
    const FailureReport& report = repeated ? m_repeatedReport : m_report;
    if (!failed.empty() && report)
        report(m_window, FailureText(failed, map), GetString(L"Prompt_FailedToRegisterHotKey_Title"));
    return failed;
}

std::wstring HotKeys::FailureText(const std::vector<std::wstring>& failed, const Settings::HotKeyMap& map) const {
    std::wstring text = GetString(L"Prompt_FailedToRegisterHotKey");
    for (const std::wstring& name : failed) {
        const Settings::HotKey& key = map.at(name);
        text += L"\n" + StripMnemonic(GetString(L"CmdName_" + name)) + L"\t" +
                FormatHotKey(MakeHotKeyValue(key.modifier, key.vkey));
    }
    return text;
}

void HotKeys::Resume() { RegisterHotKeys(m_lastMap && *m_lastMap == m_settings->GetHotKeys()); }

void HotKeys::UnregisterAll() {
    m_registry.UnregisterAll();
    m_suspended = true;
}

void HotKeys::OnMapChanged() {
    if (!m_suspended) Resume();
}

bool HotKeys::OnHotKey(LPARAM lParam) const { return m_registry.OnHotKey(LOWORD(lParam), HIWORD(lParam)); }
