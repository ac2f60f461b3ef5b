// A file system of a chosen type in a sparse image file, loop-mounted on a folder of its own for the
// life of the object and unmounted and removed with it, for tests of what other file systems do.
// Where it cannot mount (not root, no mkfs for the type, no loop device, a kernel without the file
// system) it says why, and the test skips with that reason.
#pragma once

#include <string>

class CLoopImage
{
public:
    // "btrfs", "xfs", "ext4" or "vfat" (where the kernel has no FAT driver, a FAT image is mounted
    // through the user-space one where it is installed).
    explicit CLoopImage(const std::string& type);
    ~CLoopImage();
    CLoopImage(const CLoopImage&) = delete;
    CLoopImage& operator=(const CLoopImage&) = delete;

    bool Mounted() const { return m_mounted; }
    // Why it is not mounted.
    const std::string& Reason() const { return m_reason; }

    // The mount point, and a path under it.
    const std::string& Root() const { return m_root; }
    std::string Path(const std::string& relative) const { return m_root + "/" + relative; }
    void Write(const std::string& relative, const std::string& bytes) const;

private:
    bool Make(const std::string& type);
    bool Mount(const std::string& type);
    // Runs a shell command; on failure its output, after `what`, becomes the reason.
    bool Run(const std::string& command, const std::string& what);

    std::string m_folder; // holds the image and the mount point
    std::string m_image;
    std::string m_root;
    std::string m_reason;
    bool m_mounted = false;
};
