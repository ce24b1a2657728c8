#include "platform/WriterLock.h"

#include "platform/SystemRandom.h"
#include "platform/UserOnly.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace velmor {

namespace {

constexpr mode_t kOwnerOnlyFile = 0600;
constexpr size_t kIdDigits = 16;
constexpr int kIdAttempts = 64;
constexpr const char* kLockPrefix = "writer-";
// Held shared by every writer while it makes its lock, alone by a sweep
// while it removes one.
constexpr const char* kMakingName = "making-locks";
// Where an unnamed lock file is reached to be linked in.
constexpr const char* kOwnDescriptors = "/proc/self/fd/";
// A wait for another process looks again after these, growing.
constexpr std::chrono::milliseconds kFirstPause{1}, kLongestPause{50};

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

using Clock = std::chrono::steady_clock;

struct Lock {
    pid_t pid = 0;
    std::filesystem::path path;   // of the private folder
    std::string id;
    int folder = -1;
    int lock = -1;
    // Another process held making-locks past the bound: each later use
    // tries again to make the lock, without waiting.
    bool retry = false;

    // A fresh id and its lock, in a new process or private folder.
    void Start()
    {
        pid = ::getpid();
        path = PrivateFolderPath();
        id = RandomDigits();
        Take(WriterLock::WaitDeadline());
    }
    // A lock file never vanishes under its maker, which therefore always
    // ends up holding one where the folder is usable and no other process
    // holds making-locks past `deadline`.
    void Take(WriterLock::Deadline deadline)
    {
        retry = false;
        folder = OpenPrivateFolder(path);
        if (folder >= 0 && !MakeUnnamed()) MakeUnderMakingLocks(deadline);
        if (lock < 0 && folder >= 0) ::close(folder), folder = -1;
    }
    // Locked before it has a name: false where the file system makes no
    // unnamed files or /proc is not there to link one in through.
    bool MakeUnnamed()
    {
        const int fd = ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, kOwnerOnlyFile);
        if (fd >= 0 && WriterLock::TryLock(fd, LOCK_EX)) {
            const std::string self = kOwnDescriptors + std::to_string(fd);
            for (int attempt = 0; attempt < kIdAttempts; ++attempt, id = RandomDigits()) {
                if (::linkat(AT_FDCWD, self.c_str(), folder, (kLockPrefix + id).c_str(), AT_SYMLINK_FOLLOW) == 0)
                    return lock = fd, true;
                if (errno != EEXIST) break;
            }
        }
        if (fd >= 0) ::close(fd);
        return false;
    }
    // Made while making-locks is shared, and the sweep removes one only
    // while it holds that lock alone (ForgetEnded): no sweep meets a lock
    // file whose maker is still to lock it, and one whose maker was killed
    // before is free, and goes.
    void MakeUnderMakingLocks(WriterLock::Deadline deadline)
    {
        const int making = ::openat(folder, kMakingName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kOwnerOnlyFile);
        if (making < 0) return;
        if (WriterLock::WaitFor(making, LOCK_SH, deadline)) MakeNamed(deadline);
        else retry = errno == EWOULDBLOCK;
        ::close(making);
    }
    void MakeNamed(WriterLock::Deadline deadline)
    {
        for (int attempt = 0; attempt < kIdAttempts; ++attempt, id = RandomDigits()) {
            const std::string name = kLockPrefix + id;
            const int fd = ::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kOwnerOnlyFile);
            if (fd < 0 && errno == EEXIST) continue;
            // Anyone else at it (a look whether it is held) lets go at once.
            if (fd >= 0 && WriterLock::WaitFor(fd, LOCK_EX, deadline)) {
                lock = fd;
            } else if (fd >= 0) {
                retry = errno == EWOULDBLOCK;
                ::unlinkat(folder, name.c_str(), 0);
                ::close(fd);
            }
            return;
        }
    }
    // A forked child shares its parent's lock: it lets go of its copies
    // only, which leaves the parent's lock held.
    void Drop(bool own)
    {
        if (own && lock >= 0) ::unlinkat(folder, (kLockPrefix + id).c_str(), 0);
        if (lock >= 0) ::close(lock);
        if (folder >= 0) ::close(folder);
        lock = folder = -1;
        retry = false;
    }
    ~Lock()
    {
        if (pid == ::getpid()) Drop(true);
    }
};

std::mutex gLockGuard;
Lock gLock;
std::atomic<WriterLock::LockCall> gLockCall{&::flock};

// The lock of this process, taken anew after a fork or when the private
// folder is set elsewhere.
const Lock& Current()
{
    if (gLock.pid != ::getpid() || gLock.path != PrivateFolderPath()) {
        gLock.Drop(gLock.pid == ::getpid());
        gLock.Start();
    } else if (gLock.retry) {
        gLock.Take(Clock::now());
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

WriterLock::Deadline WriterLock::WaitDeadline() { return Clock::now() + kWaitBound; }

bool WriterLock::WaitFor(int fd, int operation, Deadline deadline)
{
    for (auto pause = kFirstPause;; pause = std::min(pause * 2, kLongestPause)) {
        if (TryLock(fd, operation)) return true;
        const auto now = Clock::now();
        if (errno != EWOULDBLOCK || now >= deadline) return false;
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    }
}

bool WriterLock::TryLock(int fd, int operation)
{
    int done;
    while ((done = gLockCall.load()(fd, operation | LOCK_NB)) != 0 && errno == EINTR) {
    }
    return done == 0;
}

WriterLock::LockCall WriterLock::ReplaceLockForTest(LockCall call)
{
    return gLockCall.exchange(call != nullptr ? call : &::flock);
}

bool WriterLock::IsId(const std::string& text)
{
    if (text.size() != kIdDigits) return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

namespace {

// Whether anyone holds the lock file `name` of the private folder. Absent,
// it is held by no one; nor is one whose maker is still to lock it, whose
// id nothing carries yet.
bool LockHeld(int folder, const std::string& name)
{
    const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno != ENOENT;
    const bool free = WriterLock::TryLock(fd, LOCK_SH);
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
    const std::string id = entry.starts_with(kLockPrefix) ? entry.substr(std::string(kLockPrefix).size()) : std::string();
    if (folder < 0 || !IsId(id) || id == Id()) return;
    // While no writer is making its lock: the lock files are all held, or
    // their writers have ended. Busy now, they go with a later sweep.
    const int making = ::openat(folder, kMakingName, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kOwnerOnlyFile);
    if (making >= 0 && TryLock(making, LOCK_EX) && !LockHeld(folder, entry))
        ::unlinkat(folder, entry.c_str(), 0);
    if (making >= 0) ::close(making);
}

} // namespace velmor
