// Runs one scan on the test's own thread and keeps everything the engine said.
#pragma once

#include "engine/ScanEngine.h"

#include <functional>
#include <string>
#include <vector>

struct ScanOutcome
{
    std::vector<std::string> scanTexts;
    std::vector<std::string> resolveTexts;
    int finishedCount = 0;
    bool stopped = false;
    std::vector<FileItem> results;
    std::int32_t groupCount = 0;
    std::string summary;
    std::vector<ScanWarning> warnings;
    bool failed = false;
    std::string failure;
    std::size_t readers = 0; // read at once at most
    std::size_t leftOutFiles = 0;
    std::size_t leftOutFolders = 0;
};

// Hooks let a test act at a given moment of the scan (stop it, change a file).
struct ScanHooks
{
    std::function<void(CScanEngine&, const std::string&)> onScanProgress;
    std::function<void(CScanEngine&, const std::string&)> onResolveProgress;
    std::function<void()> betweenRounds; // between two rounds of reads of the file contents
};

class CRecordingListener final : public CMyFilesListener
{
public:
    CRecordingListener(CScanEngine& engine, ScanOutcome& outcome, ScanHooks hooks);

    void OnScanProgress(const std::string& text) override;
    void OnResolveProgress(const std::string& text) override;
    void OnScanFinished() override;

private:
    CScanEngine& m_engine;
    ScanOutcome& m_outcome;
    ScanHooks m_hooks;
};

// How the contents are told apart: the engine's own reading, or the plain pairwise reference.
enum class EResolveMethod
{
    Partition,
    Pairwise,
};

// `readers` above 1 reads with that many at once, as on a share; 0 as what holds the folders asks.
// `readersWhenCold` above 1 takes over once enough reads have been judged, as from a cold disk.
// `options` says what the scan leaves out.
ScanOutcome RunScan(const std::vector<std::string>& folders, ScanHooks hooks = {},
                    EResolveMethod method = EResolveMethod::Partition, std::size_t readers = 0,
                    std::size_t readersWhenCold = 0, const ScanOptions& options = {});

// The groups of a result list as paths, with `root` + "/" taken off each path that starts with it.
using Groups = std::vector<std::vector<std::string>>;
Groups GroupsOf(const std::vector<FileItem>& results, const std::string& root);

// The path with the system's separator shown as "/", as the expectations are written.
std::string Slashed(std::string path);

// Paths of the scan texts, with the count kept: "(3 scanned) a/b" for root + "/a/b".
std::vector<std::string> Relative(const std::vector<std::string>& texts, const std::string& root);
