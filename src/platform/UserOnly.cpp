#include "platform/UserOnly.h"

#include <cerrno>
#include <climits>
#include <deque>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velmor {

namespace {

constexpr mode_t kOwnerOnly = S_IRWXU;
constexpr mode_t kOthers = S_IRWXG | S_IRWXO;
constexpr uid_t kRoot = 0;
// As the kernel's own walk: past this many links a path names nothing.
constexpr int kMaxLinks = 40;
constexpr size_t kAccountBytes = 16384;

bool TrustedOwner(uid_t owner, uid_t user) { return owner == kRoot || owner == user; }

// Whether `group` is the user's own private group: it bears the user's name
// and counts nobody else among its members.
bool UsersOwnGroup(gid_t group, uid_t user)
{
    passwd account{};
    ::group entry{};
    passwd* found = nullptr;
    ::group* foundGroup = nullptr;
    std::vector<char> accountBytes(kAccountBytes), groupBytes(kAccountBytes);
    if (::getpwuid_r(user, &account, accountBytes.data(), accountBytes.size(), &found) != 0 || found == nullptr ||
        account.pw_gid != group || ::getgrgid_r(group, &entry, groupBytes.data(), groupBytes.size(), &foundGroup) != 0 ||
        foundGroup == nullptr || std::string(entry.gr_name) != account.pw_name)
        return false;
    for (char** member = entry.gr_mem; *member != nullptr; ++member)
        if (std::string(*member) != account.pw_name) return false;
    return true;
}

// Whether nobody but root and the user can put another entry in the place
// of one in `folder`.
bool OnlyUserMayChange(const struct stat& folder, uid_t user)
{
    if (!S_ISDIR(folder.st_mode) || !TrustedOwner(folder.st_uid, user)) return false;
    if ((folder.st_mode & S_ISVTX) != 0 || (folder.st_mode & S_IWOTH) != 0) return (folder.st_mode & S_ISVTX) != 0;
    return (folder.st_mode & S_IWGRP) == 0 || UsersOwnGroup(folder.st_gid, user);
}

bool UserAlone(const struct stat& folder, uid_t user)
{
    return S_ISDIR(folder.st_mode) && folder.st_uid == user && (folder.st_mode & kOthers) == 0;
}

// The folders walked so far, "/" first, each open as a path and checked.
class Way {
public:
    ~Way()
    {
        for (const int fd : m_folders) ::close(fd);
    }
    bool Enter(int at, const char* name, uid_t user)
    {
        const int fd = ::openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat info;
        if (fd >= 0 && ::fstat(fd, &info) == 0 && OnlyUserMayChange(info, user)) {
            m_folders.push_back(fd);
            return true;
        }
        if (fd >= 0) ::close(fd);
        return false;
    }
    // ".." of "/" is "/".
    void Up()
    {
        if (m_folders.size() > 1) ::close(m_folders.back()), m_folders.pop_back();
    }
    void BackToRoot()
    {
        while (m_folders.size() > 1) Up();
    }
    int Top() const { return m_folders.back(); }

private:
    std::vector<int> m_folders;
};

std::deque<std::string> NamesOf(const std::filesystem::path& path)
{
    std::deque<std::string> names;
    for (const std::filesystem::path& name : path.relative_path()) names.push_back(name.native());
    return names;
}

} // namespace

int OpenPrivateFolder(const std::filesystem::path& folder)
{
    const uid_t user = ::geteuid();
    Way way;
    if (!folder.is_absolute() || !way.Enter(AT_FDCWD, "/", user)) return -1;
    std::deque<std::string> names = NamesOf(folder);
    for (int links = 0; !names.empty();) {
        const std::string name = names.front();
        names.pop_front();
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            way.Up();
            continue;
        }
        struct stat entry;
        bool found = ::fstatat(way.Top(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0;
        // Another process making it at the same time made it for both.
        if (!found && errno == ENOENT && (::mkdirat(way.Top(), name.c_str(), kOwnerOnly) == 0 || errno == EEXIST))
            found = ::fstatat(way.Top(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0;
        if (!found) return -1;
        if (!S_ISLNK(entry.st_mode)) {
            if (!way.Enter(way.Top(), name.c_str(), user)) return -1;
            continue;
        }
        // The folder itself is no link; one on the way is as safe as its owner.
        char target[PATH_MAX];
        const ssize_t length = ::readlinkat(way.Top(), name.c_str(), target, sizeof target);
        if (names.empty() || ++links > kMaxLinks || !TrustedOwner(entry.st_uid, user) || length <= 0 ||
            size_t(length) == sizeof target)
            return -1;
        const std::filesystem::path followed(std::string(target, size_t(length)));
        if (followed.is_absolute()) way.BackToRoot();
        const std::deque<std::string> more = NamesOf(followed);
        names.insert(names.begin(), more.begin(), more.end());
    }
    // A descriptor that reads and syncs, of the very folder checked.
    const int fd = ::openat(way.Top(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && UserAlone(info, user)) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

bool EnsurePrivateFolder(const std::filesystem::path& folder)
{
    const int fd = OpenPrivateFolder(folder);
    if (fd >= 0) ::close(fd);
    return fd >= 0;
}

bool PeerIsThisUser(int socketDescriptor)
{
    ucred peer {};
    socklen_t length = sizeof peer;
    if (socketDescriptor < 0 || getsockopt(socketDescriptor, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
        length != sizeof peer)
        return false;
    return peer.uid == geteuid();
}

} // namespace velmor
