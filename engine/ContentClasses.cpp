// Partition refinement. All members of a class are read over the same byte range in one round, and
// the class is split by those bytes: first a head (a small file is read whole by it), then the last
// block (files that differ late are told apart early), then the middle in growing chunks. A member
// that is alone after a round is unique and never read again, so distinct files cost one small read
// each. Within a round, members are bucketed by a hash of sampled bytes, and only members whose
// bytes compare equal with memcmp stay together: the hash orders work, it never decides equality.
#include "engine/ContentClasses.h"

#include "engine/HelperThread.h"
#include "platform/InputFile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kRoundBudget = 8u << 20; // bytes of all members of one round
constexpr std::size_t kMinRead = 256;          // no round reads less per member than this
constexpr std::size_t kMaxHead = 64u << 10;    // a file up to this size is read whole at once
constexpr std::size_t kTailBytes = 4u << 10;   // the last block, read before the middle
constexpr std::size_t kFirstChunk = 64u << 10; // the middle's first chunk; then four times larger
constexpr std::size_t kMaxChunk = 1u << 20;
constexpr std::size_t kShareBytes = 256u << 10; // a round this large is read on both threads
constexpr std::size_t kShareMembers = 32;
constexpr std::size_t kFewMembers = 8; // so few are compared with each other directly

std::uint64_t Mix(std::uint64_t h, std::uint64_t v)
{
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h * 0xFF51AFD7ED558CCDull;
}

// A bucketing key from at most 18 words of the bytes, spread over them; cheap on megabyte chunks.
std::uint64_t SampleKey(const char* bytes, std::size_t length)
{
    std::uint64_t h = Mix(0, length);
    if (length < 16) {
        for (std::size_t i = 0; i < length; ++i)
            h = Mix(h, static_cast<unsigned char>(bytes[i]));
        return h;
    }
    std::uint64_t word;
    const std::size_t last = length - sizeof word;
    for (std::size_t k = 0; k < 16; ++k) {
        std::memcpy(&word, bytes + last * k / 15, sizeof word);
        h = Mix(h, word);
    }
    std::memcpy(&word, bytes + 8, sizeof word);
    h = Mix(h, word);
    std::memcpy(&word, bytes + last - 8, sizeof word);
    return Mix(h, word);
}

std::size_t RoundLength(std::size_t members, std::size_t wanted, std::size_t floor)
{
    const std::size_t budget = std::max(kRoundBudget / std::max<std::size_t>(members, 1), floor);
    return std::min(wanted, budget);
}

} // namespace

struct CContentClasses::Pending
{
    PositionClass members;
    std::int64_t size = 0;
    std::int64_t tailFrom = 0; // the last block starts here; reaching size means it was read
    std::int64_t middleFrom = 0;
    std::int64_t middleTo = 0;
    std::size_t chunk = kFirstChunk;
};

CContentClasses::CContentClasses(const std::atomic<bool>& stop, CHelperThread* helper)
    : m_stop(stop), m_helper(helper)
{}

bool CContentClasses::Split(const std::vector<FileItem>& files, const PositionClass& members,
                            std::vector<PositionClass>& classes)
{
    const std::size_t head = RoundLength(members.size(), kMaxHead, kMinRead);
    if (!ReadRange(files, members, 0, head, -1))
        return false;

    std::vector<Pending> work;
    for (const std::vector<std::size_t>& group : Partition(members.size())) {
        if (group.size() < 2)
            continue;
        Pending pending;
        for (const std::size_t i : group)
            pending.members.push_back(members[i]);
        const Slot& first = m_slots[group.front()];
        const auto read = static_cast<std::int64_t>(first.length);
        pending.size = first.size;
        pending.tailFrom = std::max(read, first.size - static_cast<std::int64_t>(kTailBytes));
        pending.middleFrom = read;
        pending.middleTo = pending.tailFrom;
        work.push_back(std::move(pending));
    }

    while (!work.empty()) {
        Pending pending = std::move(work.back());
        work.pop_back();
        std::int64_t offset;
        std::size_t length;
        if (pending.tailFrom < pending.size) {
            offset = pending.tailFrom;
            length = static_cast<std::size_t>(pending.size - pending.tailFrom);
            pending.tailFrom = pending.size;
        } else if (pending.middleFrom < pending.middleTo) {
            offset = pending.middleFrom;
            length = std::min(RoundLength(pending.members.size(), pending.chunk, kTailBytes),
                              static_cast<std::size_t>(pending.middleTo - pending.middleFrom));
            pending.middleFrom += static_cast<std::int64_t>(length);
            pending.chunk = std::min(pending.chunk * 4, kMaxChunk);
        } else {
            classes.push_back(std::move(pending.members));
            continue;
        }
        if (!ReadRange(files, pending.members, offset, length, pending.size))
            return false;
        for (const std::vector<std::size_t>& group : Partition(pending.members.size())) {
            if (group.size() < 2)
                continue;
            Pending narrower = pending;
            narrower.members.clear();
            for (const std::size_t i : group)
                narrower.members.push_back(pending.members[i]);
            work.push_back(std::move(narrower));
        }
    }
    return true;
}

bool CContentClasses::ReadRange(const std::vector<FileItem>& files, const PositionClass& members,
                                std::int64_t offset, std::size_t length, std::int64_t expectedSize)
{
    const std::size_t count = members.size();
    m_stride = length;
    m_arena.resize(count * length);
    m_slots.assign(count, Slot());
    auto readOne = [&](std::size_t i) {
        Slot& slot = m_slots[i];
        platform::CInputFile file;
        // A file whose size changed since the head was read is no longer a copy of anything.
        if (m_stop.load(std::memory_order_relaxed) ||
            !file.Open(files[static_cast<std::size_t>(members[i])].path) || !file.GetSize(slot.size) ||
            (expectedSize >= 0 && slot.size != expectedSize)) {
            slot.failed = true;
            return;
        }
        const std::int64_t available = std::max<std::int64_t>(slot.size - offset, 0);
        slot.length =
            static_cast<std::size_t>(std::min<std::int64_t>(available, static_cast<std::int64_t>(length)));
        char* bytes = m_arena.data() + i * length;
        if (file.ReadAt(bytes, slot.length, offset) != static_cast<std::int64_t>(slot.length)) {
            slot.failed = true;
            return;
        }
        slot.key = Mix(SampleKey(bytes, slot.length), static_cast<std::uint64_t>(slot.size));
    };
    if (m_helper != nullptr && count > 1 && (count * length >= kShareBytes || count >= kShareMembers))
        m_helper->ForEach(count, readOne);
    else
        for (std::size_t i = 0; i < count; ++i)
            readOne(i);
    return !m_stop.load(std::memory_order_relaxed);
}

std::vector<std::vector<std::size_t>> CContentClasses::Partition(std::size_t count) const
{
    auto same = [&](std::size_t a, std::size_t b) {
        const Slot& x = m_slots[a];
        const Slot& y = m_slots[b];
        return x.key == y.key && x.size == y.size && x.length == y.length &&
               std::memcmp(m_arena.data() + a * m_stride, m_arena.data() + b * m_stride, x.length) == 0;
    };
    std::vector<std::size_t> live;
    for (std::size_t i = 0; i < count; ++i)
        if (!m_slots[i].failed)
            live.push_back(i);
    // Few members are simply compared with each other; many are first sorted by key, stably, so that
    // only members of one key are compared and each group keeps its members in ascending order.
    const bool bucketed = live.size() > kFewMembers;
    if (bucketed)
        std::stable_sort(live.begin(), live.end(),
                         [&](std::size_t a, std::size_t b) { return m_slots[a].key < m_slots[b].key; });

    std::vector<std::vector<std::size_t>> groups;
    std::size_t firstOfKey = 0;
    for (std::size_t n = 0; n < live.size(); ++n) {
        const std::size_t i = live[n];
        if (bucketed && (n == 0 || m_slots[i].key != m_slots[live[n - 1]].key))
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
