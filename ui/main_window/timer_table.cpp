#include "ui/main_window/timer_table.h"

unsigned TimerTable::NextFreeId() const {
    unsigned id = kFirstId;
    for (const auto& timer : m_timers) {  // ids in ascending order
        if (timer.first > id) break;
        if (timer.first == id) ++id;
    }
    return id;
}

TimerTable::Callback TimerTable::Find(unsigned id) const {
    auto timer = m_timers.find(id);
    return timer == m_timers.end() ? Callback() : timer->second;
}
