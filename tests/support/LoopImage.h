// A file system of a chosen type in a sparse image file, loop-mounted on a folder of its own for the
// life of the object and unmounted and removed with it, for tests of what other file systems do.
// Where it cannot mount (not root, no mkfs for the type, no loop device, a kernel without the file
// system) it says why, and the test skips with that reason.
#pragma once

#include <string>

// What a test may choose besides the type: empty means the type's own.
struct LoopImageOptions
{
    std::string size{};   // e.g. "200M"; else the type's smallest
    std::string format{}; // more options for the type's mkfs, e.g. "-m single"
    std::string mount{};  // options for the kernel's mount, e.g. "compress-force=zstd"
};

class CLoopImage
{
public:
    // "btrfs", "xfs", "ext4" or "vfat" (where the kernel has no FAT driver, a FAT image is mounted
    // through the user-space one where it is installed).
    explicit CLoopImage(const std::string& type, const LoopImageOptions& options = {});
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
    bool Make(const std::string& type, const LoopImageOptions& options);
    bool Mount(const std::string& type, const LoopImageOptions& options);
    // Runs a shell command; on failure its output, after `what`, becomes the reason.
    bool Run(const std::string& command, const std::string& what);

    std::string m_folder; // holds the image and the mount point
    std::string m_image;
    std::string m_root;
    std::string m_reason;
    bool m_mounted = false;
};
