#include "platform/SweptFolder.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace velmor {

namespace {

constexpr int kLookFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The deepest folder of the absolute path `path` that is reached from "/"
// name by name, following no link, in `there`; `whole` when that is the
// path's own. False when not even "/" could be looked at.
bool DeepestFolder(const std::string& path, struct stat& there, bool& whole)
{
    int fd = ::open("/", kLookFlags);
    whole = fd >= 0;
    for (size_t start = 1; whole && start < path.size();) {
        const size_t end = std::min(path.find('/', start), path.size());
        const int next = end > start ? ::openat(fd, path.substr(start, end - start).c_str(), kLookFlags) : fd;
        if (next < 0) whole = false;
        else if (next != fd) ::close(fd), fd = next;
        start = end + 1;
    }
    const bool seen = fd >= 0 && ::fstat(fd, &there) == 0;
    if (fd >= 0) ::close(fd);
    return seen;
}

} // namespace

SweptFolder::SweptFolder(int folder, const std::string& path)
    : m_path(path), m_known(::fstat(folder, &m_here) == 0), m_inodesKept(KeepsInodes(folder))
{
}

SweptFolder::Match SweptFolder::Of(const PublishRecord::Contents& head)
{
    // By inode only where inode numbers are kept: a record by inode of a
    // folder whose file system makes them up cannot tell its files any more.
    const bool mine = head.inodesKept ? m_inodesKept && head.device == m_here.st_dev && head.inode == m_here.st_ino
                                      : !m_inodesKept && head.path == m_path;
    if (m_known && mine) return Match::This;
    return Gone(head) ? Match::Gone : Match::Other;
}

bool SweptFolder::Gone(const PublishRecord::Contents& head)
{
    if (!m_mounts) m_mounts = MountTable::Read();
    if (m_mounts->HoldingServedElsewhere(head.path)) return head.inodesKept;
    struct stat there;
    bool whole = false;
    if (!m_mounts->MayLookAt(head.path) || !DeepestFolder(head.path, there, whole)) return false;
    // Another file system where its path leads (a stick unplugged, its
    // mount point left) may give way to the record's again.
    if (static_cast<unsigned long long>(there.st_dev) != head.device) return false;
    return !whole || (head.inodesKept && static_cast<unsigned long long>(there.st_ino) != head.inode);
}

} // namespace velmor
