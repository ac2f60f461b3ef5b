// A second thread that shares loops with the scan's worker, so that reading uses both cores.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>

class CHelperThread
{
public:
    CHelperThread();
    ~CHelperThread();
    CHelperThread(const CHelperThread&) = delete;
    CHelperThread& operator=(const CHelperThread&) = delete;

    // Calls body(i, thread) for every i in [0, count) on this thread (thread 0) and the helper
    // (thread 1); returns when all are done. The body must not throw and must be safe to run for
    // two indexes at once.
    using Body = std::function<void(std::size_t, unsigned)>;
    void ForEach(std::size_t count, const Body& body);

private:
    void Claim(unsigned thread);
    void HelperLoop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    const Body* m_body = nullptr;
    std::size_t m_count = 0;
    std::atomic<std::size_t> m_next{0};
    bool m_offered = false;       // a loop is handed over and not yet finished by the helper
    bool m_helperStarted = false; // the helper has begun on the loop on offer
    bool m_quit = false;
    std::thread m_thread; // last, so that it starts after the members it uses exist
};
