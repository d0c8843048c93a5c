// The process-wide map from thread id to that thread's message loop.
#include <map>
#include <mutex>

#include "base/message_loop.h"

namespace {

struct LoopMap {
    std::mutex mutex;
    std::map<DWORD, MessageLoop*> loops;
};

LoopMap& Loops() {
    static LoopMap map;
    return map;
}

}  // namespace

namespace AppModule {

void AddMessageLoop(MessageLoop* loop) {
    std::lock_guard<std::mutex> guard(Loops().mutex);
    Loops().loops[GetCurrentThreadId()] = loop;
}

void RemoveMessageLoop() {
    std::lock_guard<std::mutex> guard(Loops().mutex);
    Loops().loops.erase(GetCurrentThreadId());
}

MessageLoop* GetMessageLoop() {
    std::lock_guard<std::mutex> guard(Loops().mutex);
    auto entry = Loops().loops.find(GetCurrentThreadId());
    return entry == Loops().loops.end() ? nullptr : entry->second;
}

}  // namespace AppModule
