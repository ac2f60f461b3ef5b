// Splits files of one recorded size into classes of identical contents, reading every byte of every
// file at most once and keeping a bounded number of bytes in memory.
#pragma once

#include "engine/FileItem.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CHelperThread;

using PositionClass = std::vector<std::int32_t>;

class CContentClasses
{
public:
    // `helper` may be null: then everything is read on the calling thread.
    CContentClasses(const std::atomic<bool>& stop, CHelperThread* helper);

    // `members` are positions in `files`, ascending, all of one recorded size. Appends each class of
    // two or more files with identical contents (positions ascending) to `classes`. A file that
    // cannot be opened or read, or that changes while it is read, is in no class. False when a stop
    // was noticed; `classes` is then incomplete.
    bool Split(const std::vector<FileItem>& files, const PositionClass& members,
               std::vector<PositionClass>& classes);

private:
    struct Pending;
    struct Slot // what one member's read gave
    {
        std::int64_t size = 0; // as the file is now, not as listed
        std::size_t length = 0;
        std::uint64_t key = 0;
        bool failed = false;
    };

    // Reads [offset, offset + length) of every member into the arena; expectedSize < 0 takes any size.
    bool ReadRange(const std::vector<FileItem>& files, const PositionClass& members, std::int64_t offset,
                   std::size_t length, std::int64_t expectedSize);
    std::vector<std::vector<std::size_t>> Partition(std::size_t count) const;

    const std::atomic<bool>& m_stop;
    CHelperThread* m_helper;
    std::vector<char> m_arena; // one round's bytes, one stretch per member
    std::vector<Slot> m_slots;
    std::size_t m_stride = 0;
};
