#include "platform/FolderWalk.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace velmor {

namespace {

// As many links as the kernel follows in one path before it gives up.
constexpr int kMaxLinkHops = 40;
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// The names of a path in order; "." and ".." stay, empty names go.
std::deque<std::string> Names(const std::string& path)
{
    std::deque<std::string> names;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        if (end > start) names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::string ReadLinkAt(int folder, const std::string& name)
{
    std::vector<char> text(256);
    for (;;) {
        const ssize_t n = ::readlinkat(folder, name.c_str(), text.data(), text.size());
        if (n < 0) return {};
        if (size_t(n) < text.size()) return std::string(text.data(), size_t(n));
        text.resize(text.size() * 2);
    }
}

} // namespace

bool MayFollowLink(const struct stat& folder, const struct stat& link, uid_t user)
{
    constexpr mode_t kOpenToAll = S_ISVTX | S_IWOTH;
    if ((folder.st_mode & kOpenToAll) != kOpenToAll) return true;
    return link.st_uid == user || link.st_uid == folder.st_uid;
}

bool MayReplaceFile(const struct stat& folder, const struct stat& file, uid_t user)
{
    if ((folder.st_mode & S_ISVTX) == 0 || (folder.st_mode & (S_IWGRP | S_IWOTH)) == 0) return true;
    return file.st_uid == user || file.st_uid == folder.st_uid;
}

FolderHandle::~FolderHandle() { Close(); }

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path))
{
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

void FolderHandle::Close()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

bool FolderHandle::Enter(int fd, const std::filesystem::path& path)
{
    if (fd < 0) return false;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
    m_path = path;
    return true;
}

bool FolderHandle::Open(const std::filesystem::path& folder) { return Walk(folder, nullptr, LastLinks::ByRule); }

bool FolderHandle::OpenFileFolder(const std::filesystem::path& target, std::string& name, LastLinks links)
{
    return Walk(target, &name, links);
}

bool FolderHandle::Walk(const std::filesystem::path& path, std::string* lastName, LastLinks links)
{
    Close();
    const auto fail = [this] {
        Close();
        return false;
    };
    std::error_code ec;
    const bool absolute = path.is_absolute();
    const std::filesystem::path start = absolute ? std::filesystem::path("/") : std::filesystem::current_path(ec);
    std::deque<std::string> pending = Names(path.native());
    if (ec || pending.empty() || !Enter(::open(absolute ? "/" : ".", kFolderFlags), start)) return fail();
    const uid_t user = ::geteuid();
    int hops = 0;
    while (!pending.empty()) {
        const std::string name = std::move(pending.front());
        pending.pop_front();
        const bool last = pending.empty() && lastName != nullptr;
        if (name == "." || name == "..") {
            if (last) return fail();
            if (name == ".." && !Enter(::openat(m_fd, "..", kFolderFlags), m_path.parent_path())) return fail();
            continue;
        }
        struct stat entry;
        if (::fstatat(m_fd, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT || !last) return fail();
            *lastName = name;
            return true;
        }
        if (S_ISLNK(entry.st_mode)) {
            struct stat here;
            const bool ownOnly = last && links == LastLinks::OwnOnly;
            if (::fstat(m_fd, &here) != 0 || !MayFollowLink(here, entry, user) || (ownOnly && entry.st_uid != user) ||
                ++hops > kMaxLinkHops)
                return fail();
            const std::string to = ReadLinkAt(m_fd, name);
            if (to.empty()) return fail();
            std::deque<std::string> more = Names(to);
            pending.insert(pending.begin(), more.begin(), more.end());
            if (to[0] == '/' && !Enter(::open("/", kFolderFlags), "/")) return fail();
            continue;
        }
        if (last) {
            *lastName = name;
            return true;
        }
        // Opened without following: a link put there since the look is refused.
        if (!Enter(::openat(m_fd, name.c_str(), kFolderFlags | O_NOFOLLOW), m_path / name)) return fail();
    }
    // A path of folders only ("/", "a/..") names no file.
    return lastName == nullptr ? true : fail();
}

} // namespace velmor
