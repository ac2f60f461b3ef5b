// Reads one round: every member of every class taking part, over its class's planned range, into
// one arena, on both threads when the round is large; files stay open between rounds while the
// open-file budget allows.
#include "engine/ContentRound.h"
#include "engine/Digest.h"
#include "engine/HelperThread.h"

#include <cstring>

using namespace content;

namespace {

constexpr std::size_t kShareBytes = 256u << 10; // a round this large is read on both threads
constexpr std::size_t kShareMembers = 32;

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

} // namespace

bool CContentClasses::ReadRound(const FileRecords& files, std::vector<Pending>& work, std::size_t active)
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
    const bool shared =
        m_helper != nullptr && tasks.size() > 1 && (bytes >= kShareBytes || tasks.size() >= kShareMembers);
    if (shared)
        m_helper->ForEach(tasks.size(), [&](std::size_t t, unsigned) { readOne(t); });
    else
        for (std::size_t t = 0; t < tasks.size(); ++t)
            readOne(t);

    RetryWithoutDescriptors(work, tasks, readOne);
    return shared;
}

template <typename ReadOne>
void CContentClasses::RetryWithoutDescriptors(
    std::vector<Pending>& work, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& tasks,
    ReadOne readOne)
{
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
    if (const ERead opened = member.file.IsOpen() ? ERead::Done : Open(files, member); opened != ERead::Done)
        return fail(opened);

    // A file read whole in one go is checked on its descriptor right after: its size and last write
    // show whether it grew, shrank or was written meanwhile, with no look-up of its path. A read over
    // several rounds that reaches the listed end asks for one byte more instead (the plan's request),
    // to see whether the file still ends there; its path is looked up once its class is complete.
    const bool whole = pending.step == Pending::EStep::Head &&
                       static_cast<std::int64_t>(pending.length) >= pending.listedSize;
    slot.size = pending.listedSize;
    const std::int64_t got = member.file.ReadAt(bytes, pending.request, pending.offset);
    if (got < 0)
        return fail(ERead::Unreadable);
    if (got != static_cast<std::int64_t>(pending.length) ||
        (whole && !member.file.Unchanged(files.Stamp(static_cast<std::size_t>(member.position)))))
        return fail(ERead::Changed);
    member.checked = whole;
    slot.length = pending.length;
    slot.key = Mix(SampleKey(bytes, slot.length), static_cast<std::uint64_t>(slot.size));
    slot.state = ERead::Done;
    // Keep a file read in part open while there is room.
    if (!whole && (member.counted || m_openFiles.Take())) {
        member.counted = true;
        return;
    }
    member.file.Close();
}
CContentClasses::ERead CContentClasses::Open(const FileRecords& files, Member& member)
{
    const auto at = static_cast<std::size_t>(member.position);
    const std::string& path = files.items[at].path;
    std::size_t name = 0;
    const CFolderHandles::Handle folder = m_openFiles.Folders().FolderOf(path, name);
    const platform::CInputFile::EOpen opened =
        folder != nullptr ? member.file.OpenSameIn(*folder, path.c_str() + name, files.Stamp(at))
                          : member.file.OpenSame(path, files.Stamp(at));
    switch (opened) {
    case platform::CInputFile::EOpen::Opened:
        return ERead::Done;
    case platform::CInputFile::EOpen::Changed:
        return ERead::Changed;
    case platform::CInputFile::EOpen::NoDescriptors:
        return ERead::NoDescriptors;
    case platform::CInputFile::EOpen::Failed:
        break;
    }
    return ERead::Unreadable;
}

void CContentClasses::Release(Member& member)
{
    if (member.counted)
        m_openFiles.Give();
    member.counted = false;
    member.file.Close();
}
