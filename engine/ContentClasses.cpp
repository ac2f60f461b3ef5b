// Partition refinement. In each round every member of every open class is read over its class's
// next byte range, and each class is split by those bytes: first a head (a small file is read whole
// by it), then the last block (files that differ late are told apart early), then the middle in
// growing chunks. A member left alone is unique and never read again, so a distinct file costs one
// small read. Members are bucketed by a hash of sampled bytes, but only members whose bytes compare
// equal with memcmp stay together: the hash orders the work, it never decides equality. All classes
// of a call advance together, so one round is one batch of reads that both threads can share.
#include "engine/ContentClasses.h"

#include "engine/HelperThread.h"
#include "platform/InputFile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kMinRead = 256;          // no round reads less per member than this
constexpr std::size_t kMaxHead = 64u << 10;    // a file below this size is read whole at once
constexpr std::size_t kTailBytes = 4u << 10;   // the last block, read before the middle
constexpr std::size_t kFirstChunk = 64u << 10; // the middle's first chunk; then four times larger
constexpr std::size_t kMaxChunk = 1u << 20;
constexpr std::size_t kShareBytes = 256u << 10; // a round this large is read on both threads
constexpr std::size_t kShareMembers = 32;
constexpr std::size_t kFewMembers = 8; // so few are compared with each other directly
// A class this crowded would get less than the first chunk per member and round: it is first split
// by a digest of each member's remaining bytes, read in reads of kDigestRead.
constexpr std::size_t kWideClass = 64;
constexpr std::size_t kDigestRead = 128u << 10;
// Members of one digest beyond this many are compared with the first one by one rather than side by
// side, where each would get only a small chunk a round.
constexpr std::size_t kSideBySide = 16;
// Files kept open between rounds: growing the descriptor table of a threaded process is slow. The
// spare ones are left to the rest of the process: standard streams, the readers' own opens, the
// window's connections.
constexpr std::size_t kMaxOpenFiles = 32;
constexpr std::size_t kSpareFiles = 40;

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

// A 128-bit digest of a byte stream fed in pieces whose sizes are multiples of 32 (the last aside),
// four lanes wide so that their multiplications overlap. Each step is one-to-one in its lane, so two
// streams that differ in one word always end in different lanes; the digest only narrows a class,
// so speed matters more here than resistance to made-up collisions.
class CDigest
{
public:
    void Add(const char* bytes, std::size_t length)
    {
        // The lanes are kept in locals: stored in the object, every step would go through memory,
        // since the bytes read may be any object as far as the compiler knows.
        std::uint64_t lane[4] = {m_lane[0], m_lane[1], m_lane[2], m_lane[3]};
        std::size_t at = 0;
        for (; at + 32 <= length; at += 32)
            for (int k = 0; k < 4; ++k)
                lane[k] = Step(lane[k], bytes + at + 8 * k);
        if (at < length) {
            char last[32] = {};
            std::memcpy(last, bytes + at, length - at);
            for (int k = 0; k < 4; ++k)
                lane[k] = Step(lane[k], last + 8 * k);
        }
        for (int k = 0; k < 4; ++k)
            m_lane[k] = lane[k];
        m_length += length;
    }

    std::pair<std::uint64_t, std::uint64_t> Value() const
    {
        return {Mix(Mix(m_lane[0], m_lane[1]), m_length), Mix(Mix(m_lane[2], m_lane[3]), m_length)};
    }

private:
    static std::uint64_t Step(std::uint64_t lane, const char* bytes)
    {
        std::uint64_t word;
        std::memcpy(&word, bytes, sizeof word);
        const std::uint64_t x = (lane ^ word) * 0x9FB21C651E98DF25ull;
        return (x << 29) | (x >> 35);
    }

    std::uint64_t m_lane[4] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull, 0xA4093822299F31D0ull,
                               0x082EFA98EC4E6C89ull};
    std::uint64_t m_length = 0;
};

} // namespace

COpenFileBudget::COpenFileBudget()
{
    const std::size_t limit = platform::OpenFileLimit();
    const std::size_t spare = limit > kSpareFiles ? (limit - kSpareFiles) / 2 : 0;
    m_limit.store(static_cast<int>(std::min<std::size_t>(spare, kMaxOpenFiles)));
}

bool COpenFileBudget::Take()
{
    if (m_open.fetch_add(1) < m_limit.load())
        return true;
    m_open.fetch_sub(1);
    return false;
}

void COpenFileBudget::Give()
{
    m_open.fetch_sub(1);
}

struct CContentClasses::Member
{
    std::int32_t position = 0;
    platform::CInputFile file; // kept open between rounds while few files are open
    bool counted = false;      // counts against the open-file budget
};

struct CContentClasses::Pending
{
    enum class EStep
    {
        Head,
        Tail,
        Middle,
    };

    std::vector<Member> members;
    std::int64_t listedSize = 0;
    std::int64_t size = 0; // known after the head round
    std::int64_t tailFrom = 0;
    std::int64_t middleFrom = 0;
    std::int64_t middleTo = 0;
    std::size_t chunk = kFirstChunk;
    EStep step = EStep::Head;

    // This round: the range read, the bytes asked for (one more than the range where the file's end
    // must be seen), and where the members' bytes and slots start.
    std::int64_t offset = 0;
    std::size_t length = 0;
    std::size_t request = 0;
    std::size_t arenaAt = 0;
    std::size_t firstSlot = 0;

    Pending WithoutMembers() const
    {
        Pending copy;
        copy.listedSize = listedSize;
        copy.size = size;
        copy.tailFrom = tailFrom;
        copy.middleFrom = middleFrom;
        copy.middleTo = middleTo;
        copy.chunk = chunk;
        copy.step = step;
        copy.offset = offset;
        copy.length = length;
        copy.request = request;
        return copy;
    }
};

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

    while (!work.empty()) {
        const std::size_t active = PlanRound(work);
        ReadRound(files, work, active);
        if (m_stop.load(std::memory_order_relaxed)) {
            for (Pending& pending : work)
                for (Member& member : pending.members)
                    Release(member);
            return false;
        }
        // The classes left out of this round go first next time, so that every class gets its turn.
        std::vector<Pending> next(std::make_move_iterator(work.begin() + static_cast<std::ptrdiff_t>(active)),
                                  std::make_move_iterator(work.end()));
        for (std::size_t p = 0; p < active; ++p)
            SplitRead(files, work[p], next, classes);
        work = std::move(next);
        if (m_roundHook && !work.empty())
            m_roundHook();
    }
    return true;
}

void CContentClasses::SplitRead(const FileRecords& files, Pending& pending, std::vector<Pending>& next,
                                std::vector<PositionClass>& classes)
{
    for (const std::vector<std::size_t>& group : Partition(pending)) {
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
            if (narrower.members.size() > kWideClass && narrower.step == Pending::EStep::Tail)
                SplitByDigest(files, narrower, next, classes);
            else
                next.push_back(std::move(narrower));
            continue;
        }
        // Every byte is read. A file rewritten in place since its first open, or replaced while it
        // was open, is not the file the others were compared with as the user will see it now.
        PositionClass found;
        for (Member& member : narrower.members) {
            Release(member);
            const auto at = static_cast<std::size_t>(member.position);
            if (platform::StillSame(files.items[at].path, files.Stamp(at)))
                found.push_back(member.position);
        }
        if (found.size() > 1)
            classes.push_back(std::move(found));
    }
    for (Member& member : pending.members) // the failed ones
        Release(member);
}

void CContentClasses::SplitByDigest(const FileRecords& files, Pending& crowded, std::vector<Pending>& next,
                                    std::vector<PositionClass>& classes)
{
    // Read the rest of every member in large reads, one member after another on both threads: the
    // cost is the bytes, however many members there are. Members of one digest then go on to the
    // ordinary rounds, which compare their bytes: the digest narrows the class, it never decides.
    for (Member& member : crowded.members)
        Release(member);
    const std::int64_t from = crowded.middleFrom;
    const std::size_t count = crowded.members.size();
    std::vector<std::pair<std::uint64_t, std::uint64_t>> digests(count);
    std::vector<ERead> states(count, ERead::Changed);
    std::unique_ptr<char[]> buffers[2] = {std::make_unique<char[]>(kDigestRead),
                                          std::make_unique<char[]>(kDigestRead)};
    auto digestOne = [&](std::size_t i, unsigned thread) {
        const auto at = static_cast<std::size_t>(crowded.members[i].position);
        platform::CInputFile file;
        switch (file.OpenSame(files.items[at].path, files.Stamp(at))) {
        case platform::CInputFile::EOpen::Opened:
            break;
        case platform::CInputFile::EOpen::Changed:
            states[i] = ERead::Changed;
            return;
        case platform::CInputFile::EOpen::NoDescriptors:
            states[i] = ERead::NoDescriptors;
            return;
        case platform::CInputFile::EOpen::Failed:
            states[i] = ERead::Unreadable;
            return;
        }
        CDigest digest;
        char* buffer = buffers[thread].get();
        for (std::int64_t offset = from; offset < crowded.size;) {
            if (m_stop.load(std::memory_order_relaxed)) {
                states[i] = ERead::Changed;
                return;
            }
            const auto want = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(kDigestRead), crowded.size - offset));
            const std::int64_t got = file.ReadAt(buffer, want, offset);
            if (got != static_cast<std::int64_t>(want)) {
                states[i] = got < 0 ? ERead::Unreadable : ERead::Changed;
                return;
            }
            digest.Add(buffer, want);
            offset += static_cast<std::int64_t>(want);
        }
        digests[i] = digest.Value();
        states[i] = ERead::Done;
    };
    if (m_helper != nullptr)
        m_helper->ForEach(count, digestOne);
    else
        for (std::size_t i = 0; i < count; ++i)
            digestOne(i, 0);
    for (std::size_t i = 0; i < count; ++i) {
        if (states[i] == ERead::NoDescriptors)
            digestOne(i, 0); // every file of this splitter is closed by now
        if (states[i] == ERead::NoDescriptors || states[i] == ERead::Unreadable)
            m_unreadable.push_back(crowded.members[i].position);
    }

    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < count; ++i)
        if (states[i] == ERead::Done)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return digests[a] < digests[b]; });
    ForEachRun(
        order.size(), [&](std::size_t a, std::size_t b) { return digests[order[a]] == digests[order[b]]; },
        [&](std::size_t first, std::size_t end) {
            if (end - first < 2)
                return;
            if (end - first > kSideBySide) {
                std::vector<std::int32_t> positions;
                for (std::size_t k = first; k < end; ++k)
                    positions.push_back(crowded.members[order[k]].position);
                SplitByAnchor(files, from, crowded.size, std::move(positions), classes);
                return;
            }
            // Members of one digest are most likely copies: their rest is compared in the largest
            // chunks at once, with no early look at the last block.
            Pending same = crowded.WithoutMembers();
            same.step = Pending::EStep::Middle;
            same.middleTo = crowded.size;
            same.tailFrom = crowded.size;
            same.chunk = kMaxChunk;
            for (std::size_t k = first; k < end; ++k)
                same.members.push_back(std::move(crowded.members[order[k]]));
            next.push_back(std::move(same));
        });
}

void CContentClasses::SplitByAnchor(const FileRecords& files, std::int64_t from, std::int64_t size,
                                    std::vector<std::int32_t> members, std::vector<PositionClass>& classes)
{
    // Each member is read beside the first in large reads, one member after another on both threads:
    // the cost stays the bytes however many members there are (the first is read again each time,
    // from memory). Equality is transitive, so the members equal to the first are its whole class;
    // the others are split again the same way, around the first of them.
    enum class EOutcome : std::uint8_t
    {
        Equal,
        Different,
        Changed,
        Unreadable,
        NoDescriptors,
        AnchorChanged, // the first is not the listed file any more: nothing is known
        AnchorUnreadable,
    };
    std::unique_ptr<char[]> buffers[2][2];
    for (auto& pair : buffers)
        for (auto& buffer : pair)
            buffer = std::make_unique<char[]>(kDigestRead + 1);
    auto open = [&](platform::CInputFile& file, std::int32_t position) {
        const auto at = static_cast<std::size_t>(position);
        return file.OpenSame(files.items[at].path, files.Stamp(at));
    };
    while (members.size() > 1 && !m_stop.load(std::memory_order_relaxed)) {
        const std::int32_t first = members.front();
        std::vector<EOutcome> outcomes(members.size(), EOutcome::Equal);
        auto compare = [&](std::size_t i, unsigned thread) {
            EOutcome& outcome = outcomes[i];
            platform::CInputFile anchor;
            platform::CInputFile member;
            const platform::CInputFile::EOpen opened = open(member, members[i]);
            if (opened != platform::CInputFile::EOpen::Opened) {
                outcome = opened == platform::CInputFile::EOpen::Changed         ? EOutcome::Changed
                          : opened == platform::CInputFile::EOpen::NoDescriptors ? EOutcome::NoDescriptors
                                                                                 : EOutcome::Unreadable;
                return;
            }
            const platform::CInputFile::EOpen anchorOpened = open(anchor, first);
            if (anchorOpened != platform::CInputFile::EOpen::Opened) {
                outcome = anchorOpened == platform::CInputFile::EOpen::NoDescriptors ? EOutcome::NoDescriptors
                          : anchorOpened == platform::CInputFile::EOpen::Changed     ? EOutcome::AnchorChanged
                                                                                 : EOutcome::AnchorUnreadable;
                return;
            }
            char* a = buffers[thread][0].get();
            char* b = buffers[thread][1].get();
            for (std::int64_t offset = from; offset < size;) {
                if (m_stop.load(std::memory_order_relaxed)) {
                    outcome = EOutcome::Changed;
                    return;
                }
                const auto want = static_cast<std::size_t>(
                    std::min<std::int64_t>(static_cast<std::int64_t>(kDigestRead), size - offset));
                // The last read asks for one byte more, so that it sees whether the file still ends there.
                const std::size_t request =
                    offset + static_cast<std::int64_t>(want) == size ? want + 1 : want;
                const std::int64_t gotAnchor = anchor.ReadAt(a, request, offset);
                if (gotAnchor != static_cast<std::int64_t>(want)) {
                    outcome = gotAnchor < 0 ? EOutcome::AnchorUnreadable : EOutcome::AnchorChanged;
                    return;
                }
                const std::int64_t got = member.ReadAt(b, request, offset);
                if (got != static_cast<std::int64_t>(want)) {
                    outcome = got < 0 ? EOutcome::Unreadable : EOutcome::Changed;
                    return;
                }
                if (std::memcmp(a, b, want) != 0) {
                    outcome = EOutcome::Different;
                    return;
                }
                offset += static_cast<std::int64_t>(want);
            }
        };
        if (m_helper != nullptr)
            m_helper->ForEach(members.size() - 1,
                              [&](std::size_t i, unsigned thread) { compare(i + 1, thread); });
        else
            for (std::size_t i = 1; i < members.size(); ++i)
                compare(i, 0);
        for (std::size_t i = 1; i < members.size(); ++i)
            if (outcomes[i] == EOutcome::NoDescriptors)
                compare(i, 0); // a second try, with the other thread's files closed

        const auto at = static_cast<std::size_t>(first);
        const auto seen = [&outcomes](EOutcome wanted) {
            return std::find(outcomes.begin() + 1, outcomes.end(), wanted) != outcomes.end();
        };
        if (seen(EOutcome::AnchorUnreadable) || seen(EOutcome::AnchorChanged) ||
            !platform::StillSame(files.items[at].path, files.Stamp(at))) {
            // Compared with a first that is not the listed file any more: the others start again.
            if (seen(EOutcome::AnchorUnreadable))
                m_unreadable.push_back(first);
            members.erase(members.begin());
            continue;
        }
        PositionClass found{first};
        std::vector<std::int32_t> rest;
        for (std::size_t i = 1; i < members.size(); ++i) {
            const std::size_t member = static_cast<std::size_t>(members[i]);
            switch (outcomes[i]) {
            case EOutcome::Equal:
                if (platform::StillSame(files.items[member].path, files.Stamp(member)))
                    found.push_back(members[i]);
                break;
            case EOutcome::Different:
                rest.push_back(members[i]);
                break;
            case EOutcome::Unreadable:
            case EOutcome::NoDescriptors:
                m_unreadable.push_back(members[i]);
                break;
            case EOutcome::Changed:
            case EOutcome::AnchorChanged:
            case EOutcome::AnchorUnreadable:
                break;
            }
        }
        if (found.size() > 1 && !m_stop.load(std::memory_order_relaxed))
            classes.push_back(std::move(found));
        members = std::move(rest);
    }
}

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
        // A file the head covers whole, one of exactly the head's size too, is asked for one byte
        // more, so the read itself shows that it still ends where the listing said.
        pending.length = pending.listedSize < static_cast<std::int64_t>(head)
                             ? static_cast<std::size_t>(pending.listedSize)
                             : head;
        pending.request = static_cast<std::int64_t>(pending.length) == pending.listedSize ? pending.length + 1
                                                                                          : pending.length;
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

void CContentClasses::ReadRound(const FileRecords& files, std::vector<Pending>& work, std::size_t active)
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> tasks;
    std::size_t bytes = 0;
    for (std::size_t p = 0; p < active; ++p) {
        Pending& pending = work[p];
        pending.arenaAt = bytes;
        pending.firstSlot = tasks.size();
        for (std::size_t i = 0; i < pending.members.size(); ++i)
            tasks.emplace_back(static_cast<std::uint32_t>(p), static_cast<std::uint32_t>(i));
        bytes += pending.members.size() * pending.request;
    }
    if (bytes > m_arenaCapacity) {
        m_arena.reset(new char[bytes]); // not zeroed: every byte used is read first
        m_arenaCapacity = bytes;
    }
    m_slots.assign(tasks.size(), Slot());

    auto readOne = [&](std::size_t t) { ReadMember(files, work[tasks[t].first], tasks[t].second); };
    if (m_helper != nullptr && tasks.size() > 1 && (bytes >= kShareBytes || tasks.size() >= kShareMembers))
        m_helper->ForEach(tasks.size(), [&](std::size_t t, unsigned) { readOne(t); });
    else
        for (std::size_t t = 0; t < tasks.size(); ++t)
            readOne(t);

    // Files that found no descriptor free get one more try once every file this splitter keeps open
    // is closed; a file that still cannot be opened is named rather than silently left out.
    bool retry = false;
    for (const Slot& slot : m_slots)
        retry = retry || slot.state == ERead::NoDescriptors;
    if (retry) {
        m_openFiles.Exhausted();
        for (Pending& pending : work)
            for (Member& member : pending.members)
                Release(member);
        for (std::size_t t = 0; t < tasks.size(); ++t)
            if (m_slots[t].state == ERead::NoDescriptors)
                readOne(t);
    }
    for (std::size_t t = 0; t < tasks.size(); ++t) {
        if (m_slots[t].state == ERead::NoDescriptors || m_slots[t].state == ERead::Unreadable)
            m_unreadable.push_back(work[tasks[t].first].members[tasks[t].second].position);
    }
}

void CContentClasses::ReadMember(const FileRecords& files, Pending& pending, std::size_t index)
{
    Member& member = pending.members[index];
    Slot& slot = m_slots[pending.firstSlot + index];
    char* bytes = m_arena.get() + pending.arenaAt + index * pending.request;
    slot.state = ERead::Changed;
    auto fail = [&member, &slot](ERead state) {
        slot.state = state;
        if (!member.counted)
            member.file.Close();
    };
    if (m_stop.load(std::memory_order_relaxed))
        return fail(ERead::Changed);
    if (!member.file.IsOpen()) {
        const auto at = static_cast<std::size_t>(member.position);
        switch (member.file.OpenSame(files.items[at].path, files.Stamp(at))) {
        case platform::CInputFile::EOpen::Opened:
            break;
        case platform::CInputFile::EOpen::Changed:
            return fail(ERead::Changed);
        case platform::CInputFile::EOpen::NoDescriptors:
            return fail(ERead::NoDescriptors);
        case platform::CInputFile::EOpen::Failed:
            return fail(ERead::Unreadable);
        }
    }

    // A read that reaches the listed end asks for one byte more, so it sees whether the file still
    // ends there.
    slot.size = pending.listedSize;
    const std::int64_t got = member.file.ReadAt(bytes, pending.request, pending.offset);
    if (got < 0)
        return fail(ERead::Unreadable);
    if (got != static_cast<std::int64_t>(pending.length))
        return fail(ERead::Changed);
    slot.length = pending.length;
    slot.key = Mix(SampleKey(bytes, slot.length), static_cast<std::uint64_t>(slot.size));
    slot.state = ERead::Done;

    // The whole file is known once the head covered it; otherwise keep it open while there is room.
    const bool whole =
        pending.step == Pending::EStep::Head && static_cast<std::int64_t>(slot.length) >= slot.size;
    if (!whole && (member.counted || m_openFiles.Take())) {
        member.counted = true;
        return;
    }
    member.file.Close();
}

void CContentClasses::Release(Member& member)
{
    if (member.counted)
        m_openFiles.Give();
    member.counted = false;
    member.file.Close();
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

std::vector<std::vector<std::size_t>> CContentClasses::Partition(const Pending& pending) const
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

    std::vector<std::vector<std::size_t>> groups;
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
