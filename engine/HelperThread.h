// A second thread that shares loops with the scan's worker, so that reading uses both cores.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// Starts `body` on a thread of its own. When the system cannot make one, the thread returned is
// empty (not joinable) and the caller does the work alone.
std::thread StartHelperThread(std::function<void()> body);

// For tests: while set, StartHelperThread behaves as when the system refuses a thread.
extern std::atomic<bool> g_refuseHelperThreads;

class CHelperThread
{
public:
    CHelperThread();
    ~CHelperThread();
    CHelperThread(const CHelperThread&) = delete;
    CHelperThread& operator=(const CHelperThread&) = delete;

    // Calls body(i, thread) for every i in [0, count) on this thread (thread 0) and the helper
    // (thread 1), or on this thread alone when there is no helper; returns when all are done. The
    // body must be safe to run for two indexes at once. What it throws (the first, if both threads
    // throw) is thrown again here once both have stopped.
    using Body = std::function<void(std::size_t, unsigned)>;
    void ForEach(std::size_t count, const Body& body);

    // For tests: the indexes of every loop so far that the helper was offered a share of.
    std::size_t OfferedIndexes() const { return m_offeredIndexes.load(); }

private:
    void Claim(unsigned thread);
    void HelperLoop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    const Body* m_body = nullptr;
    std::size_t m_count = 0;
    std::atomic<std::size_t> m_next{0};
    std::atomic<std::size_t> m_offeredIndexes{0};
    std::exception_ptr m_thrown;  // guarded by m_mutex
    bool m_offered = false;       // a loop is handed over and not yet finished by the helper
    bool m_helperStarted = false; // the helper has begun on the loop on offer
    bool m_quit = false;
    std::thread m_thread; // started last, after the members it uses exist
};
