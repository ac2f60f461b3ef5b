// Leases and the signal that tells of their breaks. Unless told otherwise the system tells of a break
// with SIGIO, which ends a process that does not handle it: every lease asks for a real-time signal
// instead, whose handler only counts, so that whichever thread it reaches nothing else is disturbed.
// SIGIO, which the system still sends where that signal's queue is full, gets the same handler.
#include "platform/posix/FileLease.h"

#include "platform/ReplaceFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>

namespace platform {

namespace {

std::atomic<unsigned> s_breaks{0};
static_assert(std::atomic<unsigned>::is_always_lock_free, "counted from a signal handler");

void CountBreak(int, siginfo_t*, void*)
{
    s_breaks.fetch_add(1, std::memory_order_relaxed);
}

// The signal, once its handler is in place; 0 where it could not be (another part of the process
// already handles it), and then no lease is taken.
int BreakSignal()
{
    static int signal = 0;
    static std::once_flag installed;
    std::call_once(installed, [] {
        const int chosen = SIGRTMIN + 4; // clear of the few that the C library and debuggers use
        struct sigaction now
        {};
        if (sigaction(chosen, nullptr, &now) != 0 || (now.sa_flags & SA_SIGINFO) != 0 ||
            now.sa_handler != SIG_DFL)
            return;
        struct sigaction count
        {};
        count.sa_sigaction = CountBreak;
        count.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&count.sa_mask);
        if (sigaction(chosen, &count, nullptr) != 0)
            return;
        signal = chosen;
        // Where the queue of real-time signals is full, the system sends SIGIO instead: counted the same,
        // unless another part of the process handles it already.
        struct sigaction io
        {};
        if (sigaction(SIGIO, nullptr, &io) == 0 && (io.sa_flags & SA_SIGINFO) == 0 &&
            io.sa_handler == SIG_DFL)
            sigaction(SIGIO, &count, nullptr);
    });
    return signal;
}

} // namespace

CFileLease::ETake CFileLease::Take(int fd, bool write)
{
    Release();
    const int signal = BreakSignal();
    if (signal == 0 || testing::Hooks().noLeases)
        return ETake::Unavailable;
    // The signal is asked for before every lease: giving a lease back resets it to SIGIO.
    if (fcntl(fd, F_SETSIG, signal) != 0)
        return ETake::Unavailable;
    if (fcntl(fd, F_SETLEASE, write ? F_WRLCK : F_RDLCK) != 0)
        return errno == EAGAIN || errno == EBUSY ? ETake::Conflict : ETake::Unavailable;
    m_fd = fd;
    return ETake::Held;
}

bool CFileLease::WriteWanted() const
{
    return Held() && fcntl(m_fd, F_GETLEASE) == F_UNLCK;
}

void CFileLease::Release()
{
    if (m_fd >= 0)
        fcntl(m_fd, F_SETLEASE, F_UNLCK);
    m_fd = -1;
}

unsigned LeaseBreaks()
{
    return s_breaks.load(std::memory_order_relaxed);
}

unsigned testing::LeaseBreaksSeen()
{
    return LeaseBreaks();
}

} // namespace platform
