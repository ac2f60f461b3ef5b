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

    // Calls body(i) for every i in [0, count) on this thread and the helper; returns when all are done.
    // The body must not throw and must be safe to run for two indexes at once.
    void ForEach(std::size_t count, const std::function<void(std::size_t)>& body);

private:
    void Claim();
    void HelperLoop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    const std::function<void(std::size_t)>* m_body = nullptr;
    std::size_t m_count = 0;
    std::atomic<std::size_t> m_next{0};
    unsigned m_generation = 0;
    bool m_helperBusy = false;
    bool m_quit = false;
    std::thread m_thread; // last, so that it starts after the members it uses exist
};
