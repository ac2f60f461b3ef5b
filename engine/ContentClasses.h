// Splits files of one recorded size into classes of identical contents, reading every byte of every
// file at most once, with a bounded number of bytes in memory and of files open.
#pragma once

#include "engine/FileItem.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CHelperThread;

using PositionClass = std::vector<std::int32_t>;

class CContentClasses
{
public:
    // `helper` may be null: then everything is read on the calling thread. `roundBudget` bounds the
    // bytes held for one round (each member still gets a few hundred).
    CContentClasses(const std::atomic<bool>& stop, CHelperThread* helper, std::size_t roundBudget = 4u << 20);
    ~CContentClasses();
    CContentClasses(const CContentClasses&) = delete;
    CContentClasses& operator=(const CContentClasses&) = delete;

    // Each of `candidates` holds positions in `files` (ascending) of files with the same recorded size.
    // Appends every class of two or more files with identical contents to `classes`, its positions
    // ascending. A file that cannot be opened or read, or whose size is no longer the listed one, is
    // in no class; files now empty are one class. False when a stop was noticed.
    bool Split(const std::vector<FileItem>& files, const std::vector<PositionClass>& candidates,
               std::vector<PositionClass>& classes);

private:
    struct Member;
    struct Pending;
    struct Slot
    {
        std::int64_t size = 0; // as the file is now
        std::size_t length = 0;
        std::uint64_t key = 0;
        bool failed = false;
    };

    // Plans the next read of the first classes of `work` that fit the budget; returns how many.
    std::size_t PlanRound(std::vector<Pending>& work) const;
    void Plan(Pending& pending, std::size_t cap) const;
    void ReadRound(const std::vector<FileItem>& files, std::vector<Pending>& work, std::size_t active);
    // Splits a class by the bytes just read: classes still open go to `next`, finished ones to `classes`.
    void SplitRead(Pending& pending, std::vector<Pending>& next, std::vector<PositionClass>& classes);
    void ReadMember(const std::vector<FileItem>& files, Pending& pending, std::size_t index);
    std::vector<std::vector<std::size_t>> Partition(const Pending& pending) const;
    bool Advance(Pending& pending, const Slot& first) const;
    void Release(Member& member);

    const std::atomic<bool>& m_stop;
    CHelperThread* m_helper;
    const std::size_t m_roundBudget;
    std::unique_ptr<char[]> m_arena; // one round's bytes, a stretch per member
    std::size_t m_arenaCapacity = 0;
    std::vector<Slot> m_slots;
    std::atomic<int> m_openFiles{0};
};
