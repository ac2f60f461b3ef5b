// Decides which path each candidate class takes, and runs the rounds.
//
// Partition refinement. In each round every member of every open class is read over its class's
// next byte range, and each class is split by those bytes: first a head (a small file is read whole
// by it), then the last block (files that differ late are told apart early), then the middle in
// growing chunks. Ranges follow each other, so no byte of a file is read twice; a member left alone
// is unique and never read again, so a distinct file costs one small read. Members are bucketed by a
// key of sampled bytes, but only members whose bytes compare equal stay together: the key orders the
// work, it never decides equality. All classes of a call advance together, so one round is one batch
// of reads that both threads can share.
//
// A class too crowded for rounds, where each member would get a few hundred bytes a round and be
// opened again for each, is split in one reading of each member instead (CCrowdedClass). A crowd of
// small files stays with the rounds when one round holds every member whole: there each is opened
// once and compared in memory, where the crowded path would open the file it is compared with too.
#include "engine/ContentRound.h"
#include "engine/CrowdedClass.h"

#include <algorithm>

using namespace content;

namespace {

// A crowded class's members are placed in batches of the round budget over this, at least
// kCrowdRoundMembers: between two the round hook is called.
constexpr std::size_t kCrowdRoundBytes = 4u << 10;
constexpr std::size_t kCrowdRoundMembers = 16;

} // namespace

bool CContentClasses::IsCrowded(std::size_t members, std::int64_t size, std::size_t roundBudget)
{
    if (members <= kWideClass)
        return false;
    // As the head round plans it: a file shorter than the head is read whole in it.
    const std::size_t cap = std::max(roundBudget / members, kMinRead);
    return size >= static_cast<std::int64_t>(std::min(cap, kMaxHead));
}

CContentClasses::CContentClasses(const std::atomic<bool>& stop, CHelperThread* helper,
                                 std::size_t roundBudget, COpenFileBudget* openFiles)
    : m_stop(stop), m_helper(helper), m_roundBudget(roundBudget),
      m_openFiles(openFiles != nullptr ? *openFiles : m_ownBudget)
{}

CContentClasses::~CContentClasses() = default;

bool CContentClasses::Split(const FileRecords& files, const std::vector<PositionClass>& candidates,
                            std::vector<PositionClass>& classes)
{
    std::vector<Pending> work;
    for (const PositionClass& candidate : candidates) {
        Pending pending;
        pending.listedSize = files.items[static_cast<std::size_t>(candidate.front())].size;
        pending.members.resize(candidate.size());
        for (std::size_t i = 0; i < candidate.size(); ++i)
            pending.members[i].position = candidate[i];
        work.push_back(std::move(pending));
    }
    if (!SplitCrowded(files, work, classes))
        return false;

    while (!work.empty()) {
        const std::size_t active = PlanRound(work);
        const bool shared = ReadRound(files, work, active);
        if (m_stop.load(std::memory_order_relaxed)) {
            for (Pending& pending : work)
                for (Member& member : pending.members)
                    Release(member);
            return false;
        }
        // The classes left out of this round go first next time, so that every class gets its turn.
        std::vector<Pending> next(std::make_move_iterator(work.begin() + static_cast<std::ptrdiff_t>(active)),
                                  std::make_move_iterator(work.end()));
        const std::vector<Groups> parts = PartitionRound(work, active, shared);
        for (std::size_t p = 0; p < active; ++p)
            SplitRead(files, work[p], parts[p], next, classes);
        work = std::move(next);
        if (m_roundHook && !work.empty())
            m_roundHook();
    }
    return true;
}

bool CContentClasses::SplitCrowded(const FileRecords& files, std::vector<Pending>& work,
                                   std::vector<PositionClass>& classes)
{
    CCrowdedClass crowded(files, m_stop, m_helper,
                          std::max(m_roundBudget / kCrowdRoundBytes, kCrowdRoundMembers), m_roundHook);
    auto kept = work.begin();
    for (Pending& pending : work) {
        if (!IsCrowded(pending.members.size(), pending.listedSize, m_roundBudget)) {
            if (&*kept != &pending)
                *kept = std::move(pending);
            ++kept;
            continue;
        }
        std::vector<std::int32_t> members;
        for (const Member& member : pending.members)
            members.push_back(member.position);
        if (!crowded.Split(std::move(members), classes, m_unreadable))
            return false;
    }
    work.erase(kept, work.end());
    return true;
}
