// Decides the classes of a crowded class in one reading of each member; see CrowdedClass.h. Equality
// is only ever decided by comparing bytes: the digests pick which anchor to compare with.
//
// Memory: besides the members' positions, at most two branches a member (32 bytes each), four table
// slots a branch (4 bytes each) and 7 bytes of state a member, so at most about 110 bytes a member,
// plus per thread kCachedChunks + 1 buffers of the class's longest chunk (at most about 3.1 MiB).
// Open files: a member and an anchor per thread, four in all, whatever the class's size.
#include "engine/CrowdedClass.h"

#include "engine/Digest.h"
#include "engine/HelperThread.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

constexpr std::size_t kCachedChunks = 24; // anchors' chunks kept in memory per thread

// The trie's lock is held for a few hundred nanoseconds at a time, and taken several times for
// every member: a thread that finds it held tries again for a while before it sleeps, since waking
// a sleeper costs the system more than the wait.
class CBriefMutex
{
public:
    void lock()
    {
        for (int tries = 0; tries < kTries; ++tries)
            if (m_mutex.try_lock())
                return;
        m_mutex.lock();
    }
    void unlock() { m_mutex.unlock(); }

private:
    static constexpr int kTries = 200;
    std::mutex m_mutex;
};

} // namespace

// What one thread reads with: the member it places, the anchor last opened, and the anchors' chunks
// most recently compared with, so that a crowd of copies is compared with memory.
struct CCrowdedClass::Reader
{
    struct Cached
    {
        std::int32_t anchor = -1;
        std::uint32_t chunk = 0;
        std::uint64_t lastUse = 0;
        std::unique_ptr<char[]> bytes;
    };

    // `room`: the longest chunk of the class, and the byte that shows where a file ends.
    explicit Reader(std::size_t longest) : room(longest), mine(std::make_unique<char[]>(longest)) {}

    const std::size_t room;
    platform::CInputFile member;
    platform::CInputFile anchor;
    std::int32_t anchorOpen = -1;
    std::unique_ptr<char[]> mine;
    std::vector<Cached> cache = std::vector<Cached>(kCachedChunks);
    std::uint64_t uses = 0;

    Cached& Slot(std::int32_t anchorIndex, std::uint32_t chunk, bool& found)
    {
        Cached* oldest = &cache.front();
        for (Cached& cached : cache) {
            if (cached.anchor == anchorIndex && cached.chunk == chunk) {
                found = true;
                cached.lastUse = ++uses;
                return cached;
            }
            if (cached.lastUse < oldest->lastUse)
                oldest = &cached;
        }
        found = false;
        if (!oldest->bytes)
            oldest->bytes = std::make_unique<char[]>(room);
        oldest->anchor = -1; // until it is read whole
        oldest->lastUse = ++uses;
        return *oldest;
    }

    void Forget()
    {
        anchor.Close();
        anchorOpen = -1;
        for (Cached& cached : cache)
            cached.anchor = -1;
    }
};

// One pass over the members: the branches, and what became of each member. Indexes are members'.
struct CCrowdedClass::Pass
{
    Pass(std::uint32_t chunks, std::size_t count)
        : trie(chunks), outcomes(count, EOutcome::Pending), equalTo(count, -1), used(count, 0),
          faults(count, EOutcome::Pending)
    {}

    CBriefMutex mutex; // guards the trie, `used` and `faults`
    CChunkTrie trie;
    std::vector<EOutcome> outcomes; // each written by the thread placing that member
    std::vector<std::int32_t> equalTo;
    std::vector<std::uint8_t> used; // compared with as an anchor
    std::vector<EOutcome> faults;   // Changed or Unreadable: failed when read as an anchor
};

CCrowdedClass::CCrowdedClass(const FileRecords& files, const std::atomic<bool>& stop, CHelperThread* helper,
                             std::size_t membersPerRound, const std::function<void()>& roundHook)
    : m_files(files), m_stop(stop), m_helper(helper),
      m_membersPerRound(std::max<std::size_t>(membersPerRound, 1)), m_roundHook(roundHook)
{}

CCrowdedClass::~CCrowdedClass() = default;

bool CCrowdedClass::Split(std::vector<std::int32_t> members, std::vector<PositionClass>& classes,
                          std::vector<std::int32_t>& unreadable)
{
    m_size = m_files.items[static_cast<std::size_t>(members.front())].size;
    m_head = std::min(m_size, kEdge);
    m_tailFrom = std::max(m_head, m_size - kEdge);
    m_chunks =
        m_head >= m_size ? 1u : 2u + static_cast<std::uint32_t>((m_tailFrom - m_head + kChunk - 1) / kChunk);
    const auto room = static_cast<std::size_t>(
        std::max({m_head, m_size - m_tailFrom, std::min(kChunk, m_tailFrom - m_head)}));
    for (auto& reader : m_readers)
        reader = std::make_unique<Reader>(room + 1);
    // A pass whose anchors all stayed the listed files is final; otherwise the members left are
    // placed again without the files that failed, so each repetition has fewer members.
    while (members.size() > 1) {
        m_members = std::move(members);
        Pass pass(m_chunks, m_members.size());
        if (!RunPass(pass))
            return false;
        if (Settle(pass, members, classes, unreadable))
            return true;
        for (auto& reader : m_readers)
            reader->Forget();
    }
    return true;
}

bool CCrowdedClass::RunPass(Pass& pass)
{
    const std::size_t count = m_members.size();
    for (std::size_t first = 0; first < count; first += m_membersPerRound) {
        const std::size_t batch = std::min(m_membersPerRound, count - first);
        auto place = [&](std::size_t i, unsigned thread) { Place(pass, first + i, *m_readers[thread]); };
        if (m_helper != nullptr)
            m_helper->ForEach(batch, place);
        else
            for (std::size_t i = 0; i < batch; ++i)
                place(i, 0);
        if (m_stop.load(std::memory_order_relaxed))
            return false;
        if (m_roundHook && first + batch < count)
            m_roundHook();
    }
    // Members that found no descriptor free are placed again with every other file of this class
    // closed; one that still cannot be opened is named rather than silently left out.
    m_readers[1]->Forget();
    for (std::size_t i = 0; i < count; ++i)
        if (pass.outcomes[i] == EOutcome::NoDescriptors) {
            m_readers[0]->Forget();
            Place(pass, i, *m_readers[0]);
        }
    return !m_stop.load(std::memory_order_relaxed);
}

platform::CInputFile::EOpen CCrowdedClass::Open(platform::CInputFile& file, std::size_t member) const
{
    const auto at = static_cast<std::size_t>(m_members[member]);
    return file.OpenSame(m_files.items[at].path, m_files.Stamp(at));
}

void CCrowdedClass::Place(Pass& pass, std::size_t member, Reader& reader)
{
    EOutcome& outcome = pass.outcomes[member];
    switch (Open(reader.member, member)) {
    case platform::CInputFile::EOpen::Opened:
        break;
    case platform::CInputFile::EOpen::Changed:
        outcome = EOutcome::Changed;
        return;
    case platform::CInputFile::EOpen::NoDescriptors:
        outcome = EOutcome::NoDescriptors;
        return;
    case platform::CInputFile::EOpen::Failed:
        outcome = EOutcome::Unreadable;
        return;
    }
    outcome = Walk(pass, member, reader);
    // A member rewritten in place, or replaced while it was open, is not what it was compared as. One
    // read in a single chunk is checked on its descriptor, with no look-up of its path; one read in
    // many, open for longer, by its path.
    const auto at = static_cast<std::size_t>(m_members[member]);
    if (outcome == EOutcome::Equal &&
        !(m_chunks == 1 ? reader.member.Unchanged(m_files.Stamp(at))
                        : platform::StillSame(m_files.items[at].path, m_files.Stamp(at))))
        outcome = EOutcome::Changed;
    reader.member.Close();
}

CCrowdedClass::EOutcome CCrowdedClass::Walk(Pass& pass, std::size_t member, Reader& reader)
{
    Step step;
    for (std::uint32_t chunk = 0; chunk < m_chunks; ++chunk) {
        if (m_stop.load(std::memory_order_relaxed))
            return EOutcome::Stopped;
        const EOutcome read = ReadChunk(reader.member, chunk, reader.mine.get());
        if (read != EOutcome::Pending)
            return read;
        step = Next(pass, member, reader, step.branch, chunk);
        if (step.outcome != EOutcome::Pending)
            return step.outcome;
    }
    pass.equalTo[member] = step.anchor;
    return EOutcome::Equal;
}

std::pair<std::int64_t, std::int64_t> CCrowdedClass::Range(std::uint32_t chunk) const
{
    if (chunk == 0)
        return {0, m_head};
    if (chunk == 1)
        return {m_tailFrom, m_size - m_tailFrom};
    const std::int64_t offset = m_head + (chunk - 2) * kChunk;
    return {offset, std::min(kChunk, m_tailFrom - offset)};
}

CCrowdedClass::EOutcome CCrowdedClass::ReadChunk(platform::CInputFile& file, std::uint32_t chunk,
                                                 char* buffer) const
{
    const auto [offset, length] = Range(chunk);
    // A chunk that reaches the listed end asks for one byte more, to see that the file still ends
    // there; a file read in one chunk is checked on its descriptor or by its path instead.
    const std::int64_t request = offset + length == m_size && m_chunks > 1 ? length + 1 : length;
    const std::int64_t got = file.ReadAt(buffer, static_cast<std::size_t>(request), offset);
    if (got < 0)
        return EOutcome::Unreadable;
    return got == length ? EOutcome::Pending : EOutcome::Changed;
}

CCrowdedClass::Step CCrowdedClass::Next(Pass& pass, std::size_t member, Reader& reader, std::int32_t branch,
                                        std::uint32_t chunk)
{
    std::int32_t anchor;
    {
        const std::lock_guard<CBriefMutex> lock(pass.mutex);
        branch = pass.trie.Settle(branch, chunk);
        anchor = pass.trie[branch].anchor;
        if (anchor >= 0)
            pass.used[static_cast<std::size_t>(anchor)] = 1;
    }
    const auto length = static_cast<std::size_t>(Range(chunk).second);
    const char* mine = reader.mine.get();
    if (branch == CChunkTrie::kRoot)
        return Choose(pass, member, reader, CChunkTrie::kRoot, -1, chunk, DigestOf(mine, length));
    const char* theirs = nullptr;
    if (const EOutcome fault = AnchorChunk(pass, reader, anchor, chunk, theirs); fault != EOutcome::Pending)
        return {branch, anchor, fault};
    if (std::memcmp(mine, theirs, length) == 0)
        return {branch, anchor, EOutcome::Pending};
    return Part(pass, member, reader, branch, anchor, chunk, theirs);
}

CCrowdedClass::Step CCrowdedClass::Part(Pass& pass, std::size_t member, Reader& reader, std::int32_t branch,
                                        std::int32_t anchor, std::uint32_t chunk, const char* theirs)
{
    // The member differs from its anchor at `chunk`. The first to part there cuts the anchor's branch,
    // which takes the digest of the anchor's chunk; the members after it look among the branches that
    // parted there, so that digest is worked out only when no other member has parted there yet.
    const auto length = static_cast<std::size_t>(Range(chunk).second);
    const std::uint64_t mineDigest = DigestOf(reader.mine.get(), length);
    std::optional<std::uint64_t> theirDigest;
    std::int32_t node = -1;
    while (node < 0) {
        {
            const std::lock_guard<CBriefMutex> lock(pass.mutex);
            branch = pass.trie.Settle(branch, chunk);
            if (pass.trie[branch].from == chunk) {
                node = pass.trie[branch].parent;
            } else if (theirDigest) {
                pass.trie.Add(pass.trie.Cut(branch, chunk, *theirDigest), static_cast<std::int32_t>(member),
                              mineDigest);
                return {branch, anchor, EOutcome::Anchor};
            }
        }
        if (node < 0)
            theirDigest = DigestOf(theirs, length);
    }
    return Choose(pass, member, reader, node, branch, chunk, mineDigest);
}

CCrowdedClass::Step CCrowdedClass::Choose(Pass& pass, std::size_t member, Reader& reader, std::int32_t node,
                                          std::int32_t skip, std::uint32_t chunk, std::uint64_t digest)
{
    // The member parted from its anchor at `chunk`: of the branches that start there, those whose
    // first chunk has the member's digest are compared with it byte for byte. Another thread may add
    // one meanwhile, so the search is made again, under the lock, before a branch of its own is added.
    const auto length = static_cast<std::size_t>(Range(chunk).second);
    std::vector<std::int32_t> tried{skip};
    std::vector<std::int32_t> found;
    for (;;) {
        std::vector<std::pair<std::int32_t, std::int32_t>> candidates; // branch, anchor
        {
            const std::lock_guard<CBriefMutex> lock(pass.mutex);
            found.clear();
            pass.trie.Find(node, digest, found);
            for (const std::int32_t branch : found)
                if (std::find(tried.begin(), tried.end(), branch) == tried.end()) {
                    candidates.emplace_back(branch, pass.trie[branch].anchor);
                    pass.used[static_cast<std::size_t>(candidates.back().second)] = 1;
                }
            if (candidates.empty()) {
                pass.trie.Add(node, static_cast<std::int32_t>(member), digest);
                return {node, -1, EOutcome::Anchor};
            }
        }
        for (const auto& [branch, anchor] : candidates) {
            tried.push_back(branch);
            const char* theirs = nullptr;
            if (const EOutcome fault = AnchorChunk(pass, reader, anchor, chunk, theirs);
                fault != EOutcome::Pending)
                return {branch, anchor, fault};
            if (std::memcmp(reader.mine.get(), theirs, length) == 0)
                return {branch, anchor, EOutcome::Pending};
        }
    }
}

CCrowdedClass::EOutcome CCrowdedClass::AnchorChunk(Pass& pass, Reader& reader, std::int32_t anchor,
                                                   std::uint32_t chunk, const char*& bytes)
{
    bool found = false;
    Reader::Cached& cached = reader.Slot(anchor, chunk, found);
    bytes = cached.bytes.get();
    if (found)
        return EOutcome::Pending;
    EOutcome fault = EOutcome::Pending;
    if (reader.anchorOpen != anchor) {
        reader.anchorOpen = -1;
        switch (Open(reader.anchor, static_cast<std::size_t>(anchor))) {
        case platform::CInputFile::EOpen::Opened:
            reader.anchorOpen = anchor;
            break;
        case platform::CInputFile::EOpen::NoDescriptors:
            return EOutcome::NoDescriptors;
        case platform::CInputFile::EOpen::Changed:
            fault = EOutcome::Changed;
            break;
        case platform::CInputFile::EOpen::Failed:
            fault = EOutcome::Unreadable;
            break;
        }
    }
    if (fault == EOutcome::Pending)
        fault = ReadChunk(reader.anchor, chunk, cached.bytes.get());
    if (fault == EOutcome::Pending) {
        cached.anchor = anchor;
        cached.chunk = chunk;
        return EOutcome::Pending;
    }
    const std::lock_guard<CBriefMutex> lock(pass.mutex);
    EOutcome& recorded = pass.faults[static_cast<std::size_t>(anchor)];
    if (recorded != EOutcome::Unreadable)
        recorded = fault;
    return EOutcome::Undecided;
}

bool CCrowdedClass::Settle(Pass& pass, std::vector<std::int32_t>& members,
                           std::vector<PositionClass>& classes, std::vector<std::int32_t>& unreadable)
{
    // Every anchor compared with is checked once more after the last read: one rewritten in the
    // meantime may have been compared as two different files, so then the pass is repeated.
    bool final = true;
    members.clear();
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        const auto at = static_cast<std::size_t>(m_members[i]);
        EOutcome fault = pass.faults[i];
        if (pass.used[i] != 0 && fault == EOutcome::Pending &&
            !platform::StillSame(m_files.items[at].path, m_files.Stamp(at)))
            fault = EOutcome::Changed;
        final = final && fault == EOutcome::Pending;
        const EOutcome outcome = fault != EOutcome::Pending ? fault : pass.outcomes[i];
        if (outcome == EOutcome::Unreadable || outcome == EOutcome::NoDescriptors)
            unreadable.push_back(m_members[i]);
        else if (outcome != EOutcome::Changed)
            members.push_back(m_members[i]);
    }
    if (final)
        Emit(pass, classes);
    return final;
}

void CCrowdedClass::Emit(const Pass& pass, std::vector<PositionClass>& classes) const
{
    std::vector<std::int32_t> classOf(m_members.size(), -1);
    const std::size_t first = classes.size();
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (pass.outcomes[i] != EOutcome::Equal)
            continue;
        const auto anchor = static_cast<std::size_t>(pass.equalTo[i]);
        if (classOf[anchor] < 0) {
            classOf[anchor] = static_cast<std::int32_t>(classes.size());
            classes.push_back({m_members[anchor]});
        }
        classes[static_cast<std::size_t>(classOf[anchor])].push_back(m_members[i]);
    }
    for (std::size_t c = first; c < classes.size(); ++c)
        std::sort(classes[c].begin(), classes[c].end());
}
