#pragma once
// The timers the main window hands out to the core: the smallest free id from 10 up,
// each with its callback.
#include <functional>
#include <map>

class TimerTable {
public:
    using Callback = std::function<void()>;
    static constexpr unsigned kFirstId = 10;

    unsigned NextFreeId() const;
    void Add(unsigned id, Callback callback) { m_timers[id] = std::move(callback); }
    bool Contains(unsigned id) const { return m_timers.count(id) != 0; }
    bool Remove(unsigned id) { return m_timers.erase(id) != 0; }
    // A copy, so that a callback may remove its own timer while it runs.
    Callback Find(unsigned id) const;
    template <typename F>
    void ForEachId(F f) const {
        for (const auto& timer : m_timers) f(timer.first);
    }
    void Clear() { m_timers.clear(); }

private:
    std::map<unsigned, Callback> m_timers;
};
