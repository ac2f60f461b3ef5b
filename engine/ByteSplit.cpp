// Decides which members of a class stay together after a round: only members whose bytes compare
// equal, bucketed first by a key of sampled bytes so that a large class is not compared pairwise. A
// class read to its end becomes a result if its members are still the files listed.
#include "engine/ContentRound.h"
#include "engine/HelperThread.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kFewMembers = 8; // so few are compared with each other directly

} // namespace

std::vector<CContentClasses::Groups> CContentClasses::PartitionRound(const std::vector<Pending>& work,
                                                                     std::size_t active, bool shared) const
{
    // Comparing a round of large chunks takes about as long as reading it: the helper shares that too.
    std::vector<Groups> parts(active);
    auto one = [&](std::size_t p, unsigned) { parts[p] = Partition(work[p]); };
    if (shared && active > 1)
        m_helper->ForEach(active, one);
    else
        for (std::size_t p = 0; p < active; ++p)
            one(p, 0);
    return parts;
}

void CContentClasses::SplitRead(const FileRecords& files, Pending& pending, const Groups& groups,
                                std::vector<Pending>& next, std::vector<PositionClass>& classes)
{
    for (const std::vector<std::size_t>& group : groups) {
        if (group.size() < 2) {
            Release(pending.members[group.front()]);
            continue;
        }
        Pending narrower = pending.WithoutMembers();
        for (const std::size_t i : group) {
            narrower.members.push_back(std::move(pending.members[i]));
            pending.members[i].counted = false; // the count moved along with the file
        }
        if (Advance(narrower, m_slots[pending.firstSlot + group.front()])) {
            next.push_back(std::move(narrower));
            continue;
        }
        // Every byte is read. A file rewritten in place since its first open, or replaced while it
        // was open over several rounds, is not the file the others were compared with as the user
        // will see it now. A file read whole in one open was checked on its descriptor already.
        PositionClass found;
        for (Member& member : narrower.members) {
            Release(member);
            const auto at = static_cast<std::size_t>(member.position);
            if (member.checked || platform::StillSame(files.items[at].path, files.Stamp(at)))
                found.push_back(member.position);
        }
        if (found.size() > 1)
            classes.push_back(std::move(found));
    }
    for (Member& member : pending.members) // the failed ones
        Release(member);
}

CContentClasses::Groups CContentClasses::Partition(const Pending& pending) const
{
    const Slot* slots = m_slots.data() + pending.firstSlot;
    const char* arena = m_arena.get() + pending.arenaAt;
    auto same = [&](std::size_t a, std::size_t b) {
        const Slot& x = slots[a];
        const Slot& y = slots[b];
        return x.key == y.key && x.size == y.size && x.length == y.length &&
               std::memcmp(arena + a * pending.request, arena + b * pending.request, x.length) == 0;
    };
    std::vector<std::size_t> live;
    for (std::size_t i = 0; i < pending.members.size(); ++i)
        if (slots[i].state == ERead::Done)
            live.push_back(i);
    // Few members are simply compared with each other; many are first sorted by key, stably, so that
    // only members of one key are compared and each group keeps its members in ascending order.
    const bool bucketed = live.size() > kFewMembers;
    if (bucketed)
        std::stable_sort(live.begin(), live.end(),
                         [&](std::size_t a, std::size_t b) { return slots[a].key < slots[b].key; });

    Groups groups;
    std::size_t firstOfKey = 0;
    for (std::size_t n = 0; n < live.size(); ++n) {
        const std::size_t i = live[n];
        if (bucketed && (n == 0 || slots[i].key != slots[live[n - 1]].key))
            firstOfKey = groups.size();
        auto match = std::find_if(groups.begin() + static_cast<std::ptrdiff_t>(firstOfKey), groups.end(),
                                  [&](const std::vector<std::size_t>& g) { return same(g.front(), i); });
        if (match != groups.end())
            match->push_back(i);
        else
            groups.push_back({i});
    }
    return groups;
}
