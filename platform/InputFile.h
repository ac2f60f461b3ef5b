// A regular file opened for reading while other programs may go on reading and writing it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class CInputFile
{
public:
    CInputFile() = default;
    CInputFile(const CInputFile&) = delete;
    CInputFile& operator=(const CInputFile&) = delete;
    CInputFile(CInputFile&& other) noexcept;
    CInputFile& operator=(CInputFile&& other) noexcept;
    ~CInputFile();

    // False when the path cannot be opened or is not a regular file (a pipe would block the scan).
    // The size is read as the file is opened.
    bool Open(const std::string& path);
    // Opens without looking at the file; reads fail on pipes and folders, and Examine tells the rest.
    bool OpenOnly(const std::string& path);
    // Reads the size and checks that the file is a regular one.
    bool Examine();
    void Close();
    bool IsOpen() const { return m_handle != -1; }

    // The size as Open or Examine read it, not as the folder listing gave it.
    bool GetSize(std::int64_t& size) const;

    // Reads from the current position until `count` bytes or the end: the count read, 0 at the
    // end, -1 on failure.
    std::int64_t Read(void* buffer, std::size_t count);

    // The same at an offset, leaving the current position alone.
    std::int64_t ReadAt(void* buffer, std::size_t count, std::int64_t offset);

private:
    int Descriptor() const;

    std::intptr_t m_handle = -1; // a descriptor or a handle, -1 when closed
    std::int64_t m_size = -1;
};

} // namespace platform
