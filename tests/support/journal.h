#pragma once
// What concurrent work did, in order, for tests to compare with what it should have done.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class Journal {
public:
    void Add(const std::string& entry) {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_entries.push_back(entry);
        m_changed.notify_all();
    }
    std::vector<std::string> Entries() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_entries;
    }
    // Waits until at least count entries were added; false on time-out.
    bool WaitFor(size_t count, int seconds = 20) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(seconds), [&] { return m_entries.size() >= count; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_entries;
};
