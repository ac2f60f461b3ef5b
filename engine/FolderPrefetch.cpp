// The walk lists the folders it needs next itself, from the start of the tree; the helpers always
// take the folder offered last and offer the subfolders of what they list in turn, so they work
// through the tree from the far end. The two meet somewhere in the middle, and the walk finds the
// helpers' listings ready when it gets there. Memory stays bounded: past kMaxReadyEntries entries
// made ahead and not yet taken, the helpers wait for the walk to catch up.
#include "engine/FolderPrefetch.h"

#include "engine/HelperThread.h"
#include "engine/ScanOptions.h"
#include "platform/Path.h"

#include <algorithm>
#include <new>

namespace {

constexpr std::size_t kMaxReadyEntries = 32768;
// Listings that take this long an entry come from the disk.
constexpr std::chrono::microseconds kFromDiskPerEntry{10};
constexpr std::size_t kJudgedEntries = 512; // listed before the judgement is made

} // namespace

CFolderPrefetch::CFolderPrefetch(const std::atomic<bool>& stop, std::size_t listers, std::size_t maxListers,
                                 const CLeaveOut* leaveOut)
    : m_stop(stop), m_maxListers(std::max(listers, maxListers)), m_leaveOut(leaveOut)
{
    // Room for every helper first: a thread started and then not stored would end the program.
    m_threads.reserve(m_maxListers);
    StartHelpers(listers);
}

void CFolderPrefetch::StartHelpers(std::size_t count)
{
    while (m_threads.size() < count && m_threads.size() < m_threads.capacity()) {
        std::thread thread = StartHelperThread([this] { HelperLoop(); });
        if (!thread.joinable())
            return;
        m_threads.push_back(std::move(thread));
    }
}

CFolderPrefetch::~CFolderPrefetch()
{
    if (m_threads.empty())
        return;
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

bool CFolderPrefetch::Open(const std::string& folder, platform::CFolderListing& listing)
{
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        auto slot = m_slots.find(folder);
        if (slot != m_slots.end() && slot->second.state != EState::Queued) {
            // Offers by the helper may rehash the map while this thread waits: look the slot up anew.
            m_changed.wait(hold, [&] { return m_slots.find(folder)->second.state == EState::Ready; });
            slot = m_slots.find(folder);
            const bool listed = slot->second.listed;
            listing = std::move(slot->second.listing);
            m_readyEntries -= listing.Entries().size();
            m_slots.erase(slot);
            m_changed.notify_all();
            if (listed)
                return true;
        } else if (slot != m_slots.end()) {
            m_slots.erase(slot); // the walk got here first; the helper will skip it
        }
    }
    // Also when the helper failed, which may have been for want of memory.
    return listing.Open(folder, &m_stop, m_leaveOut != nullptr ? m_leaveOut->FolderIds() : nullptr);
}

void CFolderPrefetch::Offer(const std::string& folder, const platform::CFolderListing& listing)
{
    if (m_threads.empty())
        return; // without helpers the walk lists every folder itself
    bool fromDisk = false;
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        OfferLocked(folder, listing, true);
        fromDisk = FromDiskLocked();
        m_changed.notify_all();
    }
    if (fromDisk && m_threads.size() < m_maxListers)
        StartHelpers(m_maxListers);
}

bool CFolderPrefetch::FromDiskLocked() const
{
    return m_listedEntries >= kJudgedEntries && m_listingTime > kFromDiskPerEntry * m_listedEntries;
}

void CFolderPrefetch::OfferLocked(const std::string& folder, const platform::CFolderListing& listing,
                                  bool walkGoesFirst)
{
    if (!m_expanded.insert(listing.FolderId()).second)
        return;
    for (auto entry = listing.Entries().begin(); entry != listing.Entries().end(); ++entry) {
        if (!entry->isDirectory || platform::IsSelfOrParent(entry->name))
            continue;
        std::string path = platform::JoinPath(folder, entry->name);
        if (m_leaveOut != nullptr && m_leaveOut->Folder(*entry, path))
            continue;
        if (walkGoesFirst) {
            walkGoesFirst = false; // the walk enters it next: listing it here would only make it wait
            continue;
        }
        if (m_slots.try_emplace(path).second)
            m_queue.push_back(std::move(path));
    }
}

void CFolderPrefetch::HelperLoop()
{
    std::unique_lock<std::mutex> hold(m_mutex);
    for (;;) {
        m_changed.wait(hold, [this] {
            return m_quit || m_stop.load() || (!m_queue.empty() && m_readyEntries < kMaxReadyEntries);
        });
        if (m_quit || m_stop.load())
            return;
        const std::string folder = std::move(m_queue.back());
        m_queue.pop_back();
        auto slot = m_slots.find(folder);
        if (slot == m_slots.end() || slot->second.state != EState::Queued)
            continue;
        slot->second.state = EState::Working;
        hold.unlock();
        platform::CFolderListing listing;
        bool listed = false;
        const auto started = std::chrono::steady_clock::now();
        try {
            listed = listing.Open(folder, &m_stop, m_leaveOut != nullptr ? m_leaveOut->FolderIds() : nullptr);
        } catch (const std::bad_alloc&) {
            listed = false; // the walk lists it again itself
        }
        const auto took = std::chrono::steady_clock::now() - started;
        hold.lock();
        m_listingTime += took;
        m_listedEntries += listing.Entries().size();
        slot = m_slots.find(folder); // the slot stays: only the walk erases a slot that is not queued
        try {
            if (listed && !m_stop.load())
                OfferLocked(folder, listing, false);
        } catch (const std::bad_alloc&) {
            // Subfolders not offered are simply listed by the walk itself.
        }
        m_readyEntries += listing.Entries().size();
        slot->second.listing = std::move(listing);
        slot->second.listed = listed;
        slot->second.state = EState::Ready;
        m_changed.notify_all();
    }
}
