#include "platform/WriterLock.h"

#include "platform/UserOnly.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velmor {

namespace {

constexpr mode_t kOwnerOnlyFile = 0600;
constexpr size_t kIdDigits = 16;
constexpr const char* kLockPrefix = "writer-";
constexpr const char* kHiddenLockPrefix = ".writer-";

std::filesystem::path StateHome()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return state;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* entry = ::getpwuid(::geteuid());
        home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') return {};
    return std::filesystem::path(home) / ".local" / "state";
}

std::filesystem::path PrivateFolderPath()
{
    const std::filesystem::path state = StateHome();
    return state.empty() ? state : state / "Quillmarsh" / "Velmor";
}

std::string NewId()
{
    unsigned long long value = 0;
    if (::getrandom(&value, sizeof value, 0) != ssize_t(sizeof value)) {
        // Without the kernel's randomness: the time and the process keep ids apart.
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        value = (static_cast<unsigned long long>(now.tv_sec) << 32) ^ static_cast<unsigned long long>(now.tv_nsec) ^
                (static_cast<unsigned long long>(::getpid()) << 48);
    }
    char text[kIdDigits + 1];
    std::snprintf(text, sizeof text, "%016llx", value);
    return text;
}

struct Lock {
    pid_t pid = 0;
    std::filesystem::path path;   // of the private folder
    std::string id;
    int folder = -1;
    int lock = -1;

    // The lock file appears under its name only once it is held, so that no
    // one can find it unheld while its writer runs.
    void Take()
    {
        pid = ::getpid();
        path = PrivateFolderPath();
        id = NewId();
        folder = OpenPrivateFolder(path);
        if (folder < 0) return;
        const std::string name = kLockPrefix + id, hidden = kHiddenLockPrefix + id;
        lock = ::openat(folder, hidden.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kOwnerOnlyFile);
        if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0 && ::renameat(folder, hidden.c_str(), folder, name.c_str()) == 0)
            return;
        if (lock >= 0) ::unlinkat(folder, hidden.c_str(), 0), ::close(lock);
        ::close(folder);
        lock = folder = -1;
    }
    // A forked child shares its parent's lock: it lets go of its copies
    // only, which leaves the parent's lock held.
    void Drop(bool own)
    {
        if (own && lock >= 0) ::unlinkat(folder, (kLockPrefix + id).c_str(), 0);
        if (lock >= 0) ::close(lock);
        if (folder >= 0) ::close(folder);
        lock = folder = -1;
    }
    ~Lock()
    {
        if (pid == ::getpid()) Drop(true);
    }
};

std::mutex gLockGuard;
Lock gLock;

// The lock of this process, taken anew after a fork or when the private
// folder is set elsewhere.
const Lock& Current()
{
    if (gLock.pid != ::getpid() || gLock.path != PrivateFolderPath()) {
        gLock.Drop(gLock.pid == ::getpid());
        gLock.Take();
    }
    return gLock;
}

} // namespace

std::string WriterLock::Id()
{
    const std::lock_guard<std::mutex> guard(gLockGuard);
    return Current().id;
}

bool WriterLock::Held() { return Folder() >= 0; }

int WriterLock::Folder()
{
    const std::lock_guard<std::mutex> guard(gLockGuard);
    return Current().lock >= 0 ? gLock.folder : -1;
}

bool WriterLock::IsId(const std::string& text)
{
    if (text.size() != kIdDigits) return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

namespace {

// Whether anyone holds the lock file `name` of the private folder: its
// writer, or one still making it. Absent, it is held by no one.
bool LockHeld(int folder, const std::string& name)
{
    const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno != ENOENT;
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    return !free;
}

} // namespace

bool WriterLock::Running(const std::string& id)
{
    const int folder = Folder();
    if (folder < 0 || !IsId(id) || id == Id()) return true;
    return LockHeld(folder, kLockPrefix + id);
}

void WriterLock::ForgetEnded(const std::string& entry)
{
    const int folder = Folder();
    for (const std::string prefix : {kLockPrefix, kHiddenLockPrefix}) {
        const std::string id = entry.starts_with(prefix) ? entry.substr(prefix.size()) : std::string();
        // A lock outlives no record: an ended writer is told by a lock that
        // is free or gone alike.
        if (folder >= 0 && IsId(id) && id != Id() && !LockHeld(folder, entry)) ::unlinkat(folder, entry.c_str(), 0);
    }
}

} // namespace velmor
