// The helper sleeps until a loop is handed over, takes indexes from the same counter as the caller,
// and reports back when the counter runs out. A loop that the caller finishes before the helper has
// woken up is taken back, so short loops never wait for the helper to be scheduled.
#include "engine/HelperThread.h"

#include <system_error>
#include <utility>

std::atomic<bool> g_refuseHelperThreads{false};

std::thread StartHelperThread(std::function<void()> body)
{
    if (g_refuseHelperThreads.load())
        return std::thread();
    try {
        return std::thread(std::move(body));
    } catch (const std::system_error&) {
        return std::thread(); // out of threads or memory for a stack: one thread still does it all
    }
}

CHelperThread::CHelperThread()
{
    m_thread = StartHelperThread([this] { HelperLoop(); });
}

CHelperThread::~CHelperThread()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CHelperThread::Claim(unsigned thread)
{
    try {
        for (std::size_t i = m_next.fetch_add(1); i < m_count; i = m_next.fetch_add(1))
            (*m_body)(i, thread);
    } catch (...) {
        m_next.store(m_count); // the other thread stops at its next index
        std::lock_guard<std::mutex> hold(m_mutex);
        if (!m_thrown)
            m_thrown = std::current_exception();
    }
}

void CHelperThread::ForEach(std::size_t count, const Body& body)
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_body = &body;
        m_count = count;
        m_next.store(0);
        m_thrown = nullptr;
        m_offered = m_thread.joinable();
        m_helperStarted = false;
        if (m_offered)
            m_offeredIndexes.fetch_add(count);
    }
    m_wake.notify_one();
    Claim(0);
    std::unique_lock<std::mutex> hold(m_mutex);
    if (!m_helperStarted)
        m_offered = false; // taken back: the helper never sees this loop
    else
        m_done.wait(hold, [this] { return !m_offered; });
    m_body = nullptr;
    if (m_thrown)
        std::rethrow_exception(std::exchange(m_thrown, nullptr));
}

void CHelperThread::HelperLoop()
{
    std::unique_lock<std::mutex> hold(m_mutex);
    for (;;) {
        m_wake.wait(hold, [this] { return m_quit || (m_offered && !m_helperStarted); });
        if (m_quit)
            return;
        m_helperStarted = true;
        hold.unlock();
        Claim(1);
        hold.lock();
        m_offered = false;
        m_done.notify_one();
    }
}
