#include "ui/hot_keys/hot_key_registry.h"

#include <algorithm>

#include "base/debug_log.h"

HotKeyRegistry::~HotKeyRegistry() { UnregisterAll(); }

void HotKeyRegistry::AddCommand(const Command& command) {
    if (!command.name.empty()) m_commands[command.name] = command.action;
}

std::vector<HotKeyRegistry::Registration>::iterator HotKeyRegistry::Find(const std::wstring& name) {
    return std::find_if(m_registrations.begin(), m_registrations.end(),
                        [&name](const Registration& r) { return r.name == name; });
}

bool HotKeyRegistry::Register(const std::wstring& name, UINT modifiers, UINT vkey) {
    auto command = m_commands.find(name);
    if (!m_window || command == m_commands.end()) return false;
    UniqueAtom atom;
    auto earlier = Find(name);
    if (earlier != m_registrations.end()) {
        // The command keeps its id: only the combination changes.
        UnregisterHotKey(m_window, earlier->atom.get());
        atom = std::move(earlier->atom);
        m_registrations.erase(earlier);
    } else {
        atom.reset(GlobalAddAtomW(name.c_str()));
        if (!atom) {
            LogLastError(L"GlobalAddAtomW");
            return false;
        }
    }
    if (!RegisterHotKey(m_window, atom.get(), modifiers, vkey)) {
        LogLastError(L"RegisterHotKey");
        return false;  // the atom goes with the failed registration
    }
    m_registrations.push_back(Registration{name, std::move(atom), modifiers, vkey, command->second});
    return true;
}

void HotKeyRegistry::Unregister(const std::wstring& name) {
    auto registration = Find(name);
    if (registration == m_registrations.end()) return;
    if (m_window) UnregisterHotKey(m_window, registration->atom.get());
    m_registrations.erase(registration);
}

void HotKeyRegistry::UnregisterAll() {
    for (const Registration& registration : m_registrations)
        if (m_window) UnregisterHotKey(m_window, registration.atom.get());
    m_registrations.clear();
}

bool HotKeyRegistry::OnHotKey(UINT modifiers, UINT vkey) const {
    for (const Registration& registration : m_registrations) {
        if (registration.modifiers != modifiers || registration.vkey != vkey) continue;
        // A copy: the action may change the registrations (the options sheet drops them all).
        std::function<void()> action = registration.action;
        if (action) action();
        return true;
    }
    return false;
}

ATOM HotKeyRegistry::GetAtom(const std::wstring& name) const {
    for (const Registration& registration : m_registrations)
        if (registration.name == name) return registration.atom.get();
    return 0;
}
