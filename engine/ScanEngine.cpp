// The engine's life: what the owner calls, the worker's entry and the notifications.
#include "engine/ScanEngine.h"

#include "engine/ContentClasses.h"

#include <cassert>
#include <new>

CScanEngine::CScanEngine() = default;
CScanEngine::~CScanEngine() = default;

void CScanEngine::AddListener(CMyFilesListener* listener)
{
    m_listeners.push_back(listener);
}

void CScanEngine::AddFolder(const std::string& folder)
{
    m_folders.push_back(folder);
}

void CScanEngine::RequestStop()
{
    m_stop.store(true);
}

bool CScanEngine::IsStopped() const
{
    return m_stop.load();
}

void CScanEngine::Lock()
{
    m_lock.lock();
}

void CScanEngine::Unlock()
{
    m_lock.unlock();
}

std::int32_t CScanEngine::GetResultCount() const
{
    return static_cast<std::int32_t>(m_results.size());
}

FileItem CScanEngine::GetResult(std::int32_t index) const
{
    assert(index >= 0 && static_cast<std::size_t>(index) < m_results.size());
    return m_results[static_cast<std::size_t>(index)];
}

std::string CScanEngine::GetSummaryText() const
{
    const auto scanned = static_cast<std::int32_t>(m_files.size());
    const auto grouped = static_cast<std::int32_t>(m_results.size()) - m_groupCount;
    return "Scan completed (" + std::to_string(scanned) + " files scanned, " + std::to_string(grouped) +
           " duplicates found)";
}

std::string CScanEngine::GetFailureText() const
{
    if (!m_failedRoot.empty())
        return "Not enough memory to scan " + m_failedRoot;
    return "Not enough memory to finish the scan";
}

void CScanEngine::Warn(ScanWarning::EKind kind, const std::string& path)
{
    m_warnings.push_back(ScanWarning{kind, path});
}

void CScanEngine::Fail() noexcept
{
    // Whatever was found is incomplete: nothing of it is shown. Clearing frees memory, it takes none.
    std::lock_guard<std::mutex> hold(m_lock);
    m_failed = true;
    m_groupCount = 0;
    std::vector<FileItem>().swap(m_results);
    std::vector<FileItem>().swap(m_files);
    std::vector<platform::FileStamp>().swap(m_stamps);
    FileIdSet().swap(m_recordedFiles);
    FileIdSet().swap(m_walkedFolders);
    try {
        m_failedRoot = m_currentRoot;
    } catch (const std::bad_alloc&) {
        m_failedRoot.clear();
    }
}

void CScanEngine::NotifyScanProgress(const std::string& path)
{
    const std::string text =
        "(" + std::to_string(static_cast<std::int32_t>(m_files.size())) + " scanned) " + path;
    for (CMyFilesListener* listener : m_listeners)
        listener->OnScanProgress(text);
}

void CScanEngine::NotifyResolveProgress(const std::string& text)
{
    for (CMyFilesListener* listener : m_listeners)
        listener->OnResolveProgress(text);
}

void CScanEngine::NotifyFinished()
{
    // The owner may destroy the engine as soon as it hears of the end, so the worker works from its
    // own copy of the list and never reads the engine again.
    const std::vector<CMyFilesListener*> listeners = m_listeners;
    for (CMyFilesListener* listener : listeners)
        listener->OnScanFinished();
}

unsigned ScanThreadProc(CScanEngine* engine)
{
    try {
        if (!engine->IsStopped())
            engine->ScanFolders();
        engine->m_currentRoot.clear();
        if (!engine->IsStopped())
            engine->ResolveDuplicates();
    } catch (const std::bad_alloc&) {
        engine->Fail();
    } catch (const std::length_error&) {
        engine->Fail(); // a container asked for more than it can ever hold: out of memory as well
    }
    engine->NotifyFinished();
    return 0;
}
