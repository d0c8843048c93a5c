#pragma once
// The main window's commands: every button, menu item and hot key ends as one of these ids.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct Command {
    std::wstring name;  // empty for commands that take no hot key
    WORD id = 0;        // 0 for commands reached by hot key only
    std::function<void()> action;
};

class CommandTable {
public:
    void Add(Command command) { m_commands.push_back(std::move(command)); }
    // The first entry with the id; null when there is none.
    const Command* FindById(WORD id) const;
    // Every entry, in table order (the order hot keys are registered in).
    const std::vector<Command>& All() const { return m_commands; }

private:
    std::vector<Command> m_commands;
};
