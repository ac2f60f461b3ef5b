// Splits files of one recorded size into classes of identical contents, with a bounded number of
// bytes in memory and of files open. Every byte of every file is read at most once, but for the
// members of a crowded class that others are compared with, and for a crowded class's members read
// again because a file they were compared with changed, or because no file descriptor was free.
#pragma once

#include "engine/ContentStage.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The sizes that shape the rounds' reads; tests derive the sizes of their files from them.
namespace content {

constexpr std::size_t kRoundBudget = 4u << 20; // the bytes a round of a scan holds
constexpr std::size_t kMinRead = 256;          // no round reads less per member than this
constexpr std::size_t kMaxHead = 64u << 10;    // a file below this size is read whole at once
constexpr std::size_t kTailBytes = 4u << 10;   // the last block, read before the middle
constexpr std::size_t kFirstChunk = 64u << 10; // the middle's first chunk; then four times larger
constexpr std::size_t kMaxChunk = 1u << 20;
// A class this crowded would get less than the first chunk per member and round: it is split in
// one reading of each member instead (CCrowdedClass).
constexpr std::size_t kWideClass = 64;

} // namespace content

class CContentClasses final : public CContentStage
{
public:
    // `helper` may be null: then everything is read on the calling thread. `roundBudget` bounds the
    // bytes held for one round (each member still gets a few hundred). `openFiles` may be shared with
    // other splitters; null gives this one a budget of its own.
    CContentClasses(const std::atomic<bool>& stop, CHelperThread* helper,
                    std::size_t roundBudget = content::kRoundBudget, COpenFileBudget* openFiles = nullptr);
    ~CContentClasses() override;
    CContentClasses(const CContentClasses&) = delete;
    CContentClasses& operator=(const CContentClasses&) = delete;

    // A file is in a class only if it stayed the file its stamp describes from its first open until
    // after its last read; one that cannot be opened or read is named by Unreadable.
    bool Split(const FileRecords& files, const std::vector<PositionClass>& candidates,
               std::vector<PositionClass>& classes) override;
    const std::vector<std::int32_t>& Unreadable() const override { return m_unreadable; }

    // Whether a candidate class of `members` files of `size` bytes is split by CCrowdedClass rather
    // than in rounds of `roundBudget` bytes.
    static bool IsCrowded(std::size_t members, std::int64_t size, std::size_t roundBudget);

    // Called between two rounds of reads, on the calling thread: tests change files at that moment.
    void SetRoundHook(std::function<void()> hook) { m_roundHook = std::move(hook); }

private:
    struct Member;
    struct Pending;
    enum class ERead : std::uint8_t
    {
        Done,
        Changed,       // not the listed file any more: in no class, silently
        Unreadable,    // in no class, and named
        NoDescriptors, // read again once this splitter's files are closed
    };
    struct Slot
    {
        std::int64_t size = 0;
        std::size_t length = 0;
        std::uint64_t key = 0;
        ERead state = ERead::Changed;
    };

    // Plans the next read of the first classes of `work` that fit the budget; returns how many.
    std::size_t PlanRound(std::vector<Pending>& work) const;
    void Plan(Pending& pending, std::size_t cap) const;
    // True when the round was large enough to be read on both threads.
    bool ReadRound(const FileRecords& files, std::vector<Pending>& work, std::size_t active);
    // The members of each class that read alike (indexes into its members), on both threads if `shared`.
    using Groups = std::vector<std::vector<std::size_t>>;
    std::vector<Groups> PartitionRound(const std::vector<Pending>& work, std::size_t active,
                                       bool shared) const;
    // Splits a class by its groups: classes still open go to `next`, finished ones to `classes`.
    void SplitRead(const FileRecords& files, Pending& pending, const Groups& groups,
                   std::vector<Pending>& next, std::vector<PositionClass>& classes);
    // Moves the classes too crowded for rounds out of `candidates` and splits them in one reading.
    bool SplitCrowded(const FileRecords& files, std::vector<Pending>& work,
                      std::vector<PositionClass>& classes);
    template <typename ReadOne>
    void RetryWithoutDescriptors(std::vector<Pending>& work,
                                 const std::vector<std::pair<std::uint32_t, std::uint32_t>>& tasks,
                                 ReadOne readOne);
    void ReadMember(const FileRecords& files, Pending& pending, std::size_t index);
    ERead Open(const FileRecords& files, Member& member);
    Groups Partition(const Pending& pending) const;
    bool Advance(Pending& pending, const Slot& first) const;
    void Release(Member& member);

    const std::atomic<bool>& m_stop;
    CHelperThread* m_helper;
    const std::size_t m_roundBudget;
    std::unique_ptr<char[]> m_arena; // one round's bytes, a stretch per member
    std::size_t m_arenaCapacity = 0;
    std::vector<Slot> m_slots;
    COpenFileBudget m_ownBudget;
    COpenFileBudget& m_openFiles;
    std::vector<std::int32_t> m_unreadable;
    std::function<void()> m_roundHook;
};
