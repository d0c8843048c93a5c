#include "ui/main_window/command_table.h"

#include <algorithm>

const Command* CommandTable::FindById(WORD id) const {
    if (id == 0) return nullptr;
    auto found = std::find_if(m_commands.begin(), m_commands.end(), [id](const Command& c) { return c.id == id; });
    return found == m_commands.end() ? nullptr : &*found;
}
