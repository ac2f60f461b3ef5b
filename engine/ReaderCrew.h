// Many readers at once, for storage where every request is a round trip: two threads that each wait
// for one request at a time leave a share idle almost all the time, while it would answer dozens
// together. Each reader has a content stage of its own and takes whole classes of candidates, so
// nothing is handed over between them.
#pragma once

#include "engine/ContentStage.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class CReaderCrew
{
public:
    // `readers` stages made by `make`, the calling thread's among them.
    CReaderCrew(std::size_t readers, const ContentStageMaker& make, const std::atomic<bool>& stop,
                COpenFileBudget& openFiles);

    // Calls body(i, stage) for every i in [0, count) on as many threads as there are readers and
    // returns when all are done; each stage serves one thread at a time. What a body throws (the
    // first) is thrown again here once every thread has stopped.
    using Body = std::function<void(std::size_t, CContentStage&)>;
    void ForEach(std::size_t count, const Body& body);

    const std::vector<std::unique_ptr<CContentStage>>& Stages() const { return m_stages; }

private:
    std::vector<std::unique_ptr<CContentStage>> m_stages;
};
