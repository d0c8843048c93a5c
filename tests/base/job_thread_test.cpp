#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/job_thread.h"
#include "support/journal.h"

namespace {

// A manual-reset event for handshakes between the test and a job.
class Event {
public:
    Event() : m_handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() { CloseHandle(m_handle); }
    void Set() { SetEvent(m_handle); }
    bool Wait(DWORD ms = 10000) { return WaitForSingleObject(m_handle, ms) == WAIT_OBJECT_0; }

private:
    HANDLE m_handle;
};

using Strings = std::vector<std::string>;

}  // namespace

TEST(JobThread, RunsQueuedJobsHighestPriorityFirstThenInTheOrderPosted) {
    Journal journal;
    Event started, release, done;
    JobThread thread(L"Worker");
    thread.Post([&] {
        started.Set();
        release.Wait();
    });
    ASSERT_TRUE(started.Wait());
    thread.Post([&] { journal.Add("1"); }, 1);
    thread.Post([&] { journal.Add("100"); }, 100);
    thread.Post([&] { journal.Add("50"); }, 50);
    // Jobs of one priority run in the order they were posted.
    for (const char* name : {"a", "b", "c", "d", "e", "f"}) thread.Post([&journal, name] { journal.Add(name); }, 7);
    thread.Post([&] { done.Set(); }, -5);
    release.Set();
    ASSERT_TRUE(done.Wait());
    EXPECT_EQ(journal.Entries(), (Strings{"100", "50", "a", "b", "c", "d", "e", "f", "1"}));
}

TEST(JobThread, AJobPostedFromAJobRunsAfterIt) {
    Journal journal;
    Event done;
    JobThread thread(L"Worker");
    thread.Post([&] {
        journal.Add("first begins");
        thread.Post([&] {
            journal.Add("second");
            done.Set();
        });
        Sleep(50);
        journal.Add("first ends");
    });
    ASSERT_TRUE(done.Wait());
    EXPECT_EQ(journal.Entries(), (Strings{"first begins", "first ends", "second"}));
}

TEST(JobThread, AJobThatThrowsIsLoggedAndTheNextOneStillRuns) {
    Event done;
    JobThread thread(L"Worker");
    thread.Post([] { throw std::runtime_error("broken job"); });
    thread.Post([] { throw 42; });
    thread.Post([&] { done.Set(); });
    EXPECT_TRUE(done.Wait()) << "the thread survived both failures";
}

TEST(JobThread, ANestedLoopHoldsBackQueuedJobs) {
    Journal journal;
    Event inLoop, done;
    JobThread thread(L"Worker");
    thread.Post([&] {
        journal.Add("loop begins");
        inLoop.Set();
        EXPECT_TRUE(RunNestedLoop());
        journal.Add("loop ends");
    });
    ASSERT_TRUE(inLoop.Wait());
    thread.Post([&] {
        journal.Add("queued job");
        done.Set();
    });
    Sleep(200);  // the nested loop pumps the job message meanwhile
    EXPECT_EQ(journal.Entries(), (Strings{"loop begins"})) << "no job may start inside the nested loop";
    EndNestedLoop(thread.GetThreadId());
    ASSERT_TRUE(done.Wait());
    EXPECT_EQ(journal.Entries(), (Strings{"loop begins", "loop ends", "queued job"}));
}

TEST(JobThread, ANestedLoopGivesWayToQuit) {
    std::atomic<bool> result{true};
    std::atomic<bool> after{false};
    {
        JobThread thread(L"");
        thread.Post([&] {
            PostQuitMessage(3);
            result = RunNestedLoop();
            after = true;
        });
        thread.Wait();  // only the re-posted WM_QUIT can end the thread
    }
    EXPECT_FALSE(result);
    EXPECT_TRUE(after);
}

TEST(JobThread, StopLetsTheRunningJobFinishAndDropsTheRest) {
    Journal journal;
    Event started, release;
    JobThread thread(L"Worker");
    thread.Post([&] {
        started.Set();
        release.Wait();
        journal.Add("running job finished");
    });
    ASSERT_TRUE(started.Wait());
    thread.Post([&] { journal.Add("queued job"); });
    thread.Stop();
    thread.Post([&] { journal.Add("posted after stop"); });
    release.Set();
    thread.Wait();
    EXPECT_EQ(journal.Entries(), (Strings{"running job finished"}));
}

TEST(JobThread, DestroyingWithAFullQueueFreesJobsWithoutRunningThem) {
    auto token = std::make_shared<int>(0);
    std::atomic<int> runs{0};
    Event started;
    {
        JobThread thread(L"Worker");
        thread.Post([&] {
            started.Set();
            Sleep(200);
        });
        ASSERT_TRUE(started.Wait());
        for (int i = 0; i < 10; ++i) thread.Post([token, &runs] { ++runs; });
        EXPECT_EQ(token.use_count(), 11);
    }
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(token.use_count(), 1) << "the queued jobs were freed";
}

TEST(JobThread, JobsPostedFromManyThreadsRunExactlyOnce) {
    constexpr int kThreads = 4, kJobs = 500;
    std::atomic<int> runs{0};
    std::atomic<bool> overlapping{false};
    std::atomic<int> running{0};
    Event done;
    {
        JobThread thread(L"Worker");
        std::vector<std::thread> posters;
        for (int t = 0; t < kThreads; ++t) {
            posters.emplace_back([&] {
                for (int i = 0; i < kJobs; ++i) {
                    thread.Post([&] {
                        if (++running > 1) overlapping = true;
                        if (++runs == kThreads * kJobs) done.Set();
                        --running;
                    });
                }
            });
        }
        for (auto& poster : posters) poster.join();
        ASSERT_TRUE(done.Wait(30000));
    }
    EXPECT_EQ(runs, kThreads * kJobs);
    EXPECT_FALSE(overlapping) << "jobs of one thread never run at the same time";
}

TEST(JobThread, EachThreadIsASingleThreadedApartment) {
    HRESULT result = S_OK;
    Event done;
    JobThread thread(L"Worker");
    thread.Post([&] {
        result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(result)) CoUninitialize();
        done.Set();
    });
    ASSERT_TRUE(done.Wait());
    EXPECT_EQ(result, RPC_E_CHANGED_MODE) << "the thread was already initialised apartment-threaded";
}

TEST(JobThread, ANamedThreadIsNamedBeforeItsFirstJob) {
    using GetDescription = HRESULT(WINAPI*)(HANDLE, PWSTR*);
    auto get = reinterpret_cast<GetDescription>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
    if (!get) GTEST_SKIP() << "this system keeps no thread descriptions";
    auto nameOf = [&](const std::wstring& threadName) {
        std::wstring name = L"?";
        Event done;
        JobThread thread(threadName);
        thread.Post(
            [&] {
                PWSTR description = nullptr;
                if (SUCCEEDED(get(GetCurrentThread(), &description)) && description) {
                    name = description;
                    LocalFree(description);
                }
                done.Set();
            },
            1);  // below the naming job's priority
        EXPECT_TRUE(done.Wait());
        return name;
    };
    EXPECT_EQ(nameOf(L"Controller"), L"Controller");
    EXPECT_EQ(nameOf(L""), L"") << "no name, no naming job";
}
