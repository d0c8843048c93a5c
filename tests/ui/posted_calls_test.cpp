#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "ui/main_window/posted_calls.h"
#include "ui/main_window/timer_table.h"

namespace {

constexpr UINT kRunCall = WM_USER + 2;

PostedCallQueue* g_queue = nullptr;

LRESULT CALLBACK QueueWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunCall) {
        g_queue->RunOne();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateQueueWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = QueueWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KestranePostedCallTest";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

}  // namespace

TEST(PostedCallQueue, CallsFromOtherThreadsRunOnTheWindowThreadInOrder) {
    PostedCallQueue queue;
    g_queue = &queue;
    HWND window = CreateQueueWindow();
    ASSERT_NE(window, nullptr);
    const DWORD uiThread = GetCurrentThreadId();
    constexpr int kThreads = 3, kCalls = 200;
    std::vector<std::vector<int>> seen(kThreads);
    int wrongThread = 0, total = 0;

    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i)
                queue.Post(window, kRunCall, [&, t, i] {
                    if (GetCurrentThreadId() != uiThread) ++wrongThread;
                    seen[t].push_back(i);
                    ++total;
                });
        });
    }
    for (auto& poster : posters) poster.join();
    MSG message;
    while (total < kThreads * kCalls && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);

    EXPECT_EQ(wrongThread, 0);
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<size_t>(kCalls));
        for (int i = 0; i < kCalls; ++i) ASSERT_EQ(seen[t][i], i) << "calls of one poster keep their order";
    }

    DestroyWindow(window);
    bool ran = false;
    EXPECT_FALSE(queue.Post(window, kRunCall, [&] { ran = true; })) << "no window, no call";
    EXPECT_FALSE(queue.Post(nullptr, kRunCall, [&] { ran = true; }));
    queue.RunOne();
    EXPECT_FALSE(ran) << "a refused call is not left in the queue";
    g_queue = nullptr;
}

TEST(TimerTable, HandsOutTheSmallestFreeIdFromTen) {
    TimerTable timers;
    int fired = 0;
    unsigned first = timers.NextFreeId();
    timers.Add(first, [&] { ++fired; });
    unsigned second = timers.NextFreeId();
    timers.Add(second, [&] { fired += 10; });
    EXPECT_EQ(first, 10u);
    EXPECT_EQ(second, 11u);

    EXPECT_TRUE(timers.Remove(10));
    EXPECT_FALSE(timers.Remove(10)) << "an unknown id is ignored";
    EXPECT_EQ(timers.NextFreeId(), 10u) << "a freed id is used again";
    timers.Add(10, [&] { fired += 100; });
    EXPECT_EQ(timers.NextFreeId(), 12u);

    timers.Find(10)();
    timers.Find(11)();
    EXPECT_EQ(fired, 110);
    EXPECT_FALSE(timers.Find(42)) << "no callback for an unknown id";
}
