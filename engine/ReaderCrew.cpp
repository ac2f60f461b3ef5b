// The threads live for one loop: a loop is a batch of several thousand files, which on a share takes
// far longer than starting them. A thread the system refuses leaves its share to the others.
#include "engine/ReaderCrew.h"

#include "engine/HelperThread.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

CReaderCrew::CReaderCrew(std::size_t readers, const ContentStageMaker& make, const std::atomic<bool>& stop,
                         COpenFileBudget& openFiles)
{
    for (std::size_t i = 0; i < readers; ++i)
        m_stages.push_back(make(stop, nullptr, openFiles));
}

void CReaderCrew::ForEach(std::size_t count, const Body& body)
{
    std::atomic<std::size_t> next{0};
    std::mutex thrownLock;
    std::exception_ptr thrown;
    auto work = [&](CContentStage& stage) {
        try {
            for (std::size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1))
                body(i, stage);
        } catch (...) {
            next.store(count); // the others stop at their next index
            const std::lock_guard<std::mutex> hold(thrownLock);
            if (!thrown)
                thrown = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(m_stages.size());
    for (std::size_t t = 1; t < m_stages.size() && t < count; ++t) {
        std::thread thread = StartHelperThread([&work, stage = m_stages[t].get()] { work(*stage); });
        if (!thread.joinable())
            break;
        threads.push_back(std::move(thread));
    }
    work(*m_stages[0]);
    for (std::thread& thread : threads)
        thread.join();
    if (thrown)
        std::rethrow_exception(thrown);
}
