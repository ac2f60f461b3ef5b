// Decides the classes of one candidate class too crowded for rounds, reading each member once: a
// member is compared, chunk by chunk as it is read, with the member it has agreed with so far (its
// anchor), and where they part it is matched by bytes with the others that parted there, or starts
// a branch of its own and stops being read. Anchors' chunks are read again (from memory or the
// system's cache); a member is read again only in a pass repeated because a file it was compared
// with changed, or because no file descriptor was free.
#pragma once

#include "engine/ChunkTrie.h"
#include "engine/FileRecords.h"
#include "platform/InputFile.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CHelperThread;

class CCrowdedClass
{
public:
    // The first and the last chunk, and the middle's chunks, two of which stay in the processor's cache.
    static constexpr std::int64_t kEdge = 4 << 10;
    static constexpr std::int64_t kChunk = 128 << 10;

    // `roundHook`, when set, is called on the calling thread between two batches of members.
    CCrowdedClass(const FileRecords& files, const std::atomic<bool>& stop, CHelperThread* helper,
                  std::size_t membersPerRound, const std::function<void()>& roundHook);
    ~CCrowdedClass();
    CCrowdedClass(const CCrowdedClass&) = delete;
    CCrowdedClass& operator=(const CCrowdedClass&) = delete;

    // Appends the classes of `members` (positions of one recorded size, ascending) to `classes`, and
    // the members that could not be read to `unreadable`. False when a stop was noticed.
    bool Split(std::vector<std::int32_t> members, std::vector<PositionClass>& classes,
               std::vector<std::int32_t>& unreadable);

private:
    enum class EOutcome : std::uint8_t
    {
        Pending, // not decided yet; as a fault: none
        Equal,   // equal to its anchor throughout
        Anchor,  // unlike every member before it
        Changed, // not the listed file any more
        Unreadable,
        NoDescriptors, // placed again once every other file is closed
        Undecided,     // an anchor it was compared with failed: the pass is repeated
        Stopped,
    };
    struct Reader;
    struct Pass;
    struct Step
    {
        std::int32_t branch = CChunkTrie::kRoot;
        std::int32_t anchor = -1;
        EOutcome outcome = EOutcome::Pending;
    };

    bool RunPass(Pass& pass);
    void Place(Pass& pass, std::size_t member, Reader& reader);
    EOutcome Walk(Pass& pass, std::size_t member, Reader& reader);
    Step Next(Pass& pass, std::size_t member, Reader& reader, std::int32_t branch, std::uint32_t chunk);
    Step Part(Pass& pass, std::size_t member, Reader& reader, std::int32_t branch, std::int32_t anchor,
              std::uint32_t chunk, const char* theirs);
    Step Choose(Pass& pass, std::size_t member, Reader& reader, std::int32_t node, std::int32_t skip,
                std::uint32_t chunk, std::uint64_t digest);
    std::pair<std::int64_t, std::int64_t> Range(std::uint32_t chunk) const; // offset, length
    EOutcome ReadChunk(platform::CInputFile& file, std::uint32_t chunk, char* buffer) const;
    EOutcome AnchorChunk(Pass& pass, Reader& reader, std::int32_t anchor, std::uint32_t chunk,
                         const char*& bytes);
    platform::CInputFile::EOpen Open(platform::CInputFile& file, std::size_t member) const;
    bool Settle(Pass& pass, std::vector<std::int32_t>& members, std::vector<PositionClass>& classes,
                std::vector<std::int32_t>& unreadable);
    void Emit(const Pass& pass, std::vector<PositionClass>& classes) const;

    const FileRecords& m_files;
    const std::atomic<bool>& m_stop;
    CHelperThread* m_helper;
    const std::size_t m_membersPerRound;
    const std::function<void()>& m_roundHook;
    std::vector<std::int32_t> m_members; // positions of the pass under way
    std::int64_t m_size = 0;
    std::int64_t m_head = 0;     // chunk 0 is [0, m_head)
    std::int64_t m_tailFrom = 0; // chunk 1 is [m_tailFrom, m_size): files that differ late part early
    std::uint32_t m_chunks = 0;
    std::unique_ptr<Reader> m_readers[2];
};
