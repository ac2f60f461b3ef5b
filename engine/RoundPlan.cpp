// Decides what the next round reads: which classes take part, and which byte range of each. A class
// is read first at its head (a small file whole), then its last block (files that differ late part
// early), then its middle in chunks that grow while its members keep agreeing.
#include "engine/ContentRound.h"

#include <algorithm>

using namespace content;

std::size_t CContentClasses::PlanRound(std::vector<Pending>& work) const
{
    // A round reads the first classes whose reads fit the budget, each as much as it wants: rather
    // fewer classes with long reads than all of them with short ones, which would take many more
    // rounds and opens.
    std::size_t bytes = 0;
    std::size_t active = 0;
    for (Pending& pending : work) {
        const std::size_t cap = std::max(m_roundBudget / pending.members.size(), kMinRead);
        Plan(pending, cap);
        const std::size_t need = pending.members.size() * pending.request;
        if (active > 0 && bytes + need > m_roundBudget)
            break;
        bytes += need;
        ++active;
    }
    return active;
}

void CContentClasses::Plan(Pending& pending, std::size_t cap) const
{
    switch (pending.step) {
    case Pending::EStep::Head: {
        const std::size_t head = std::min(cap, kMaxHead);
        pending.offset = 0;
        // A file the head covers whole, one of exactly the head's size too, is checked on its
        // descriptor after the read, which shows whether it still ends where the listing said.
        pending.length = pending.listedSize < static_cast<std::int64_t>(head)
                             ? static_cast<std::size_t>(pending.listedSize)
                             : head;
        pending.request = pending.length;
        break;
    }
    case Pending::EStep::Tail:
        // A crowded class reads a shorter last block and leaves the rest to the middle.
        pending.tailFrom = std::max(pending.tailFrom, pending.size - static_cast<std::int64_t>(cap));
        pending.middleTo = pending.tailFrom;
        pending.offset = pending.tailFrom;
        pending.length = static_cast<std::size_t>(pending.size - pending.tailFrom);
        pending.request = pending.length + 1;
        break;
    case Pending::EStep::Middle:
        pending.offset = pending.middleFrom;
        pending.length =
            std::min({cap, pending.chunk, static_cast<std::size_t>(pending.middleTo - pending.middleFrom)});
        // A middle that runs to the end, after a digest, asks for one byte more like the last block.
        pending.request = pending.middleFrom + static_cast<std::int64_t>(pending.length) == pending.size
                              ? pending.length + 1
                              : pending.length;
        break;
    }
}

bool CContentClasses::Advance(Pending& pending, const Slot& first) const
{
    switch (pending.step) {
    case Pending::EStep::Head: {
        const auto read = static_cast<std::int64_t>(first.length);
        pending.size = first.size;
        if (read >= pending.size)
            return false;
        pending.tailFrom = std::max(read, pending.size - static_cast<std::int64_t>(kTailBytes));
        pending.middleFrom = read;
        pending.middleTo = pending.tailFrom;
        pending.step = Pending::EStep::Tail;
        return true;
    }
    case Pending::EStep::Tail:
        pending.step = Pending::EStep::Middle;
        return pending.middleFrom < pending.middleTo;
    case Pending::EStep::Middle:
        pending.middleFrom += static_cast<std::int64_t>(pending.length);
        pending.chunk = std::min(pending.chunk * 4, kMaxChunk);
        return pending.middleFrom < pending.middleTo;
    }
    return false;
}
