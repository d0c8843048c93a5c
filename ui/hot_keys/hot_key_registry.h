#pragma once
// The global hot keys of one window: per command name a global atom as the hot-key id, the
// combination and the command's action.
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/handles.h"
#include "ui/main_window/command_table.h"

class HotKeyRegistry {
public:
    HotKeyRegistry() = default;
    ~HotKeyRegistry();  // unregisters everything
    HotKeyRegistry(const HotKeyRegistry&) = delete;
    HotKeyRegistry& operator=(const HotKeyRegistry&) = delete;

    // The window that receives WM_HOTKEY; it must belong to the calling thread.
    void SetWindow(HWND window) { m_window = window; }
    // Makes a named command one that may take a hot key; unnamed commands are ignored.
    void AddCommand(const Command& command);

    // Gives the command the combination (any earlier one of the command is dropped first and
    // its atom used again). False when there is no window, the name is not a command, or the
    // system refuses the combination (taken by another program, for example).
    bool Register(const std::wstring& name, UINT modifiers, UINT vkey);
    void Unregister(const std::wstring& name);
    void UnregisterAll();

    // Runs the action of the first registration with this combination; false when none has it.
    bool OnHotKey(UINT modifiers, UINT vkey) const;

    // The hot-key id of a registered command; 0 when it has none.
    ATOM GetAtom(const std::wstring& name) const;
    bool IsRegistered(const std::wstring& name) const { return GetAtom(name) != 0; }

private:
    struct Registration {
        std::wstring name;
        UniqueAtom atom;
        UINT modifiers;
        UINT vkey;
        std::function<void()> action;
    };
    std::vector<Registration>::iterator Find(const std::wstring& name);

    HWND m_window = nullptr;
    std::map<std::wstring, std::function<void()>> m_commands;
    std::vector<Registration> m_registrations;  // in registration order
};
