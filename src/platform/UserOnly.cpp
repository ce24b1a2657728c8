#include "platform/UserOnly.h"

#include "platform/AccessList.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <deque>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <mutex>
#include <optional>
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
// A group listing more members than fit in this is taken to list another.
constexpr size_t kMaxAccountBytes = size_t{1} << 24;

// Each account database is walked by one thread at a time: its place is
// the C library's, one for the whole process.
std::mutex gAccountWalk;

// Whether `matches` takes an entry of an account database that `next`
// reads on (as getpwent_r does); true too where it cannot be read whole.
template <typename Entry, typename Next, typename Matches> bool AnyAccount(Next next, Matches matches)
{
    std::vector<char> bytes(kAccountBytes);
    Entry entry{};
    Entry* read = nullptr;
    for (;;) {
        const int error = next(&entry, bytes.data(), bytes.size(), &read);
        if (error == ENOENT) return false;
        if (error == ERANGE && bytes.size() < kMaxAccountBytes) bytes.resize(bytes.size() * 2);
        else if (error != 0 || read == nullptr || matches(entry)) return true;
    }
}

// Whether an account other than `name` has `group` as its primary group or
// as a member.
bool AnotherAccountHas(gid_t group, const std::string& name)
{
    const std::lock_guard<std::mutex> guard(gAccountWalk);
    ::setpwent();
    const bool primary = AnyAccount<passwd>(::getpwent_r, [&](const passwd& account) {
        return account.pw_gid == group && name != account.pw_name;
    });
    ::endpwent();
    if (primary) return true;
    ::setgrent();
    const bool member = AnyAccount<::group>(::getgrent_r, [&](const ::group& entry) {
        for (char** member = entry.gr_mem; entry.gr_gid == group && *member != nullptr; ++member)
            if (name != *member) return true;
        return false;
    });
    ::endgrent();
    return member;
}

// Whether `group` is the user's own private group: the user's primary
// group, bearing the user's name, that no other account has.
bool UsersOwnGroup(gid_t group, uid_t user)
{
    passwd account{};
    ::group entry{};
    passwd* found = nullptr;
    ::group* foundGroup = nullptr;
    std::vector<char> accountBytes(kAccountBytes), groupBytes(kAccountBytes);
    return ::getpwuid_r(user, &account, accountBytes.data(), accountBytes.size(), &found) == 0 && found != nullptr &&
           account.pw_gid == group && ::getgrgid_r(group, &entry, groupBytes.data(), groupBytes.size(), &foundGroup) == 0 &&
           foundGroup != nullptr && std::string(entry.gr_name) == account.pw_name &&
           !AnotherAccountHas(group, account.pw_name);
}

// The id the kernel shows for an owner this process's user namespace cannot
// name, unless that id names someone here (as outside any namespace, where
// it is the account nobody's) or the namespace's map cannot be read.
std::optional<uid_t> UnnamedOwner()
{
    std::ifstream overflowFile("/proc/sys/kernel/overflowuid"), map("/proc/self/uid_map");
    uint64_t overflow = 0, inside = 0, outside = 0, count = 0;
    bool mapped = false, read = false;
    if (!(overflowFile >> overflow)) return std::nullopt;
    while (map >> inside >> outside >> count) {
        read = true;
        mapped = mapped || (overflow >= inside && overflow - inside < count);
    }
    return read && !mapped ? std::optional<uid_t>(uid_t(overflow)) : std::nullopt;
}

// Who walks, and who else owns the system's folders where it walks.
struct Walker {
    uid_t user = ::geteuid();
    std::optional<uid_t> unnamed = UnnamedOwner();
};

// Root, the user, and an owner the user namespace cannot name (root's
// folders show so inside a namespace that maps only the user).
bool TrustedOwner(uid_t owner, const Walker& walker)
{
    return owner == kRoot || owner == walker.user || owner == walker.unnamed;
}

// Whether the group class of the folder open at `fd` lets anyone but the
// user write there: a group other than the user's own, or another user its
// ACL names.
bool GroupClassMayWrite(int fd, const struct stat& folder, uid_t user)
{
    // Under an ACL the group bits are its mask: without a write there, no
    // entry of the class can write.
    if ((folder.st_mode & S_IWGRP) == 0) return false;
    const AccessList access = AccessList::Of(fd, folder.st_mode);
    // Unread, the group bits may be a mask over anyone's entry.
    if (!access.Known()) return true;
    return access.GroupClassMayWrite(user, folder.st_gid, [user](gid_t group) { return UsersOwnGroup(group, user); });
}

// Whether nobody but root and the user can put another entry in the place
// of one in `folder`, open at `fd`.
bool OnlyUserMayChange(int fd, const struct stat& folder, const Walker& walker)
{
    if (!S_ISDIR(folder.st_mode) || !TrustedOwner(folder.st_uid, walker)) return false;
    if ((folder.st_mode & S_ISVTX) != 0 || (folder.st_mode & S_IWOTH) != 0) return (folder.st_mode & S_ISVTX) != 0;
    return !GroupClassMayWrite(fd, folder, walker.user);
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
    bool Enter(int at, const char* name, const Walker& walker)
    {
        const int fd = ::openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat info;
        if (fd >= 0 && ::fstat(fd, &info) == 0 && OnlyUserMayChange(fd, info, walker)) {
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
    const Walker walker;
    Way way;
    if (!folder.is_absolute() || !way.Enter(AT_FDCWD, "/", walker)) return -1;
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
            if (!way.Enter(way.Top(), name.c_str(), walker)) return -1;
            continue;
        }
        // The folder itself is no link; one on the way is as safe as its owner.
        char target[PATH_MAX];
        const ssize_t length = ::readlinkat(way.Top(), name.c_str(), target, sizeof target);
        if (names.empty() || ++links > kMaxLinks || !TrustedOwner(entry.st_uid, walker) || length <= 0 ||
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
    if (fd >= 0 && ::fstat(fd, &info) == 0 && UserAlone(info, walker.user)) return fd;
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
