// The plain reference for the content stage: every candidate compared byte for byte with every
// earlier one that leads a class, nothing kept between comparisons, no stop honoured inside a call.
#pragma once

#include "engine/ContentStage.h"

namespace platform {
class CInputFile;
}

class CPairwiseClasses final : public CContentStage
{
public:
    bool Split(const FileRecords& files, const std::vector<PositionClass>& candidates,
               std::vector<PositionClass>& classes) override;
    // It names nothing: a file it cannot read simply equals nothing.
    const std::vector<std::int32_t>& Unreadable() const override { return m_none; }

private:
    std::vector<std::int32_t> m_none;
};

// True when the two records' files have identical contents now; a file that cannot be opened
// equals nothing.
bool FilesEqual(const FileItem& a, const FileItem& b);

// The bytes CompareContents reads of each file at a time.
constexpr std::size_t kCompareBlock = 1024;

// Reads both files from their starts in step; true when they end together with equal bytes.
bool CompareContents(platform::CInputFile& fa, platform::CInputFile& fb);
