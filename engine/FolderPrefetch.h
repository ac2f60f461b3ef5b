// Lists folders ahead of the walk on a second thread. The walk still takes every listing in its own
// order and decides alone what to enter, so records and texts come out exactly as without it.
#pragma once

#include "platform/FileIdentity.h"
#include "platform/FolderListing.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CLeaveOut;

class CFolderPrefetch
{
public:
    // Threads that list ahead once the listings are seen to come from a disk: from memory one keeps
    // up with the walk; from a disk several keep more reads waiting on it at once, and a disk serves
    // many at once much faster than one after another.
    static constexpr std::size_t kListersFromDisk = 4;

    // `listers` threads list ahead from the start; up to `maxListers` once the listings are seen to
    // come from a disk. What `leaveOut` names is never listed.
    explicit CFolderPrefetch(const std::atomic<bool>& stop, std::size_t listers = 1,
                             std::size_t maxListers = kListersFromDisk, const CLeaveOut* leaveOut = nullptr);
    ~CFolderPrefetch();
    CFolderPrefetch(const CFolderPrefetch&) = delete;
    CFolderPrefetch& operator=(const CFolderPrefetch&) = delete;

    // The listing of `folder`: the one made ahead if there is one (waiting while it is being made),
    // else made here. False when the folder cannot be listed.
    bool Open(const std::string& folder, platform::CFolderListing& listing);

    // Offers the subfolders of a folder just listed, so that they are listed before the walk needs them.
    void Offer(const std::string& folder, const platform::CFolderListing& listing);

private:
    enum class EState
    {
        Queued,
        Working,
        Ready,
    };
    struct Slot
    {
        EState state = EState::Queued;
        bool listed = false;
        platform::CFolderListing listing;
    };

    bool FromDiskLocked() const;
    void OfferLocked(const std::string& folder, const platform::CFolderListing& listing, bool walkGoesFirst);
    void HelperLoop();
    void StartHelpers(std::size_t count);

    const std::atomic<bool>& m_stop;
    const std::size_t m_maxListers;
    const CLeaveOut* m_leaveOut;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_queue; // taken from the back; paths the walk reached first are skipped
    std::unordered_map<std::string, Slot> m_slots;
    std::unordered_set<platform::FileId, platform::FileIdHash> m_expanded; // a link loop offers once
    std::size_t m_readyEntries = 0;  // entries held in listings made ahead and not yet taken
    std::size_t m_listedEntries = 0; // entries listed by the helpers so far, and how long that took
    std::chrono::steady_clock::duration m_listingTime{};
    bool m_quit = false;
    // Started last, after everything they use exists; none when refused. Only the walk's thread
    // starts them.
    std::vector<std::thread> m_threads;
};
