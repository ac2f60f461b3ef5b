// The helper sleeps until a loop is handed over, takes indexes from the same counter as the caller,
// and reports back when the counter runs out.
#include "engine/HelperThread.h"

CHelperThread::CHelperThread() : m_thread([this] { HelperLoop(); }) {}

CHelperThread::~CHelperThread()
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CHelperThread::Claim()
{
    for (std::size_t i = m_next.fetch_add(1); i < m_count; i = m_next.fetch_add(1))
        (*m_body)(i);
}

void CHelperThread::ForEach(std::size_t count, const std::function<void(std::size_t)>& body)
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_body = &body;
        m_count = count;
        m_next.store(0);
        m_helperBusy = true;
        ++m_generation;
    }
    m_wake.notify_one();
    Claim();
    std::unique_lock<std::mutex> hold(m_mutex);
    m_done.wait(hold, [this] { return !m_helperBusy; });
    m_body = nullptr;
}

void CHelperThread::HelperLoop()
{
    unsigned seen = 0;
    std::unique_lock<std::mutex> hold(m_mutex);
    for (;;) {
        m_wake.wait(hold, [&] { return m_quit || m_generation != seen; });
        if (m_quit)
            return;
        seen = m_generation;
        hold.unlock();
        Claim();
        hold.lock();
        m_helperBusy = false;
        m_done.notify_one();
    }
}
