// Leases on open files (Linux): while one is held, another process that opens the file for writing
// (or, under a write lease, at all) or truncates it waits until the lease is given back or the
// system's break time passes, and this process is told at once.
#pragma once

namespace platform {

class CFileLease
{
public:
    enum class ETake
    {
        Held,
        Conflict,    // another open of the file stands in the way (for writing; under a write lease, any)
        Unavailable, // the file system or the user allows no lease here (not the owner, no CAP_LEASE)
    };

    CFileLease() = default;
    CFileLease(const CFileLease&) = delete;
    CFileLease& operator=(const CFileLease&) = delete;
    ~CFileLease() { Release(); }

    // A read lease needs `fd` opened read-only; a write lease, opened for writing and by nobody else.
    ETake Take(int fd, bool write);
    bool Held() const { return m_fd >= 0; }
    // Whether another process now waits to write to the file, or the system took the lease back after
    // its break time. A reader waiting on a write lease is no writer.
    bool WriteWanted() const;
    void Release();

private:
    int m_fd = -1;
};

// How many lease breaks this process has been told of: a long loop compares it with an earlier
// count to learn cheaply that a writer waits.
unsigned LeaseBreaks();

} // namespace platform
