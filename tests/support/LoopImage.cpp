// Loop-mounted images for tests. Each image and mount point lives in a folder made only for it, so
// tests running at once never share a name; the kernel frees the loop device at the unmount.
#include "tests/support/LoopImage.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct ImageKind
{
    const char* type;
    const char* size;  // sparse: only what the file system writes takes room
    const char* mkfs;  // given the image's path after it
    const char* owner; // the package that brings the mkfs
};

// XFS refuses images under 300 MiB; Btrfs wants about 114 MiB per device.
constexpr ImageKind kKinds[] = {
    {"btrfs", "128M", "mkfs.btrfs -q", "btrfs-progs"},
    {"xfs", "300M", "mkfs.xfs -q -m reflink=1", "xfsprogs"},
    {"ext4", "32M", "mkfs.ext4 -q", "e2fsprogs"},
    {"vfat", "32M", "mkfs.vfat", "dosfstools"},
};

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool HasProgram(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

CLoopImage::CLoopImage(const std::string& type, const LoopImageOptions& options)
{
    if (geteuid() != 0) {
        m_reason = "mounting an image needs root";
        return;
    }
    std::string folder = (fs::temp_directory_path() / "quorvel-image-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        m_reason = "no folder for the image could be made";
        return;
    }
    m_folder = folder;
    m_image = m_folder + "/image";
    m_root = m_folder + "/mount";
    m_mounted = Make(type, options) && Mount(type, options);
}

CLoopImage::~CLoopImage()
{
    if (m_mounted && umount2(m_root.c_str(), 0) != 0 && umount2(m_root.c_str(), MNT_DETACH) != 0)
        return; // never remove a tree through a mount still in place
    std::error_code error;
    if (!m_folder.empty())
        fs::remove_all(m_folder, error);
}

bool CLoopImage::Run(const std::string& command, const std::string& what)
{
    const std::string log = m_folder + "/log";
    if (std::system((command + " >" + Quote(log) + " 2>&1").c_str()) == 0)
        return true;
    std::ifstream in(log);
    m_reason = what + ": " + std::string(std::istreambuf_iterator<char>(in), {});
    while (!m_reason.empty() && (m_reason.back() == '\n' || m_reason.back() == ' '))
        m_reason.pop_back();
    return false;
}

bool CLoopImage::Make(const std::string& type, const LoopImageOptions& options)
{
    for (const ImageKind& kind : kKinds) {
        if (type != kind.type)
            continue;
        const std::string mkfs = std::string(kind.mkfs).substr(0, std::string(kind.mkfs).find(' '));
        if (!HasProgram(mkfs)) {
            m_reason = mkfs + " is not installed (package " + kind.owner + ")";
            return false;
        }
        const std::string size = options.size.empty() ? kind.size : options.size;
        return Run("truncate -s " + size + " " + Quote(m_image), "truncate") &&
               Run(std::string(kind.mkfs) + " " + options.format + " " + Quote(m_image), mkfs);
    }
    throw std::invalid_argument("no image of type " + type);
}

bool CLoopImage::Mount(const std::string& type, const LoopImageOptions& options)
{
    fs::create_directory(m_root);
    const std::string how = "mount -o " + Quote("loop" + (options.mount.empty() ? "" : "," + options.mount));
    if (Run(how + " -t " + type + " " + Quote(m_image) + " " + Quote(m_root), how + " -t " + type))
        return true;
    if (type != "vfat" || !HasProgram("fusefat"))
        return false;
    const std::string kernelReason = m_reason;
    if (Run("fusefat -o rw+ " + Quote(m_image) + " " + Quote(m_root), "fusefat"))
        return true;
    m_reason = kernelReason + "; " + m_reason;
    return false;
}

void CLoopImage::Write(const std::string& relative, const std::string& bytes) const
{
    std::ofstream out(Path(relative), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + Path(relative));
}
