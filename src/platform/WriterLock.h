#pragma once
// Who is still writing. Every process that writes holds a lock of its own
// for as long as it runs, in a folder of its user's that nobody else may
// write: $XDG_STATE_HOME/Quillmarsh/Velmor (~/.local/state/... when that is
// unset). The hidden files a write leaves beside its target carry the lock's
// id, and so do the records of its publishes that live in that folder. A
// writer whose lock nobody holds has ended, however it ended: the kernel lets
// a lock go with its last holder, ids are never given twice, and a lock
// reaches every process that shares the folder (another pid namespace too),
// which a process id does not.
//
// What the private folder holds, who makes each file and who may remove it:
//   writer-<id>             a writer's lock, made locked (below)  by its writer as it ends; by a sweep
//                                                                 once nobody holds it, while the
//                                                                 sweep holds making-locks alone
//   making-locks            the first writer or sweep to need it  nobody
//   turn-<device>-<inode>   a publish or sweep taking a folder's  by its holder as it lets go
//                           turn (platform/FolderTurn.h)
//   .publish-<id>-<n>,      a series publish, before its first    by its writer once done; by a sweep
//   publish-…, published-…  rename (platform/PublishRecord.h)     once the writer has ended
//   damaged-<record>,       a sweep that cannot read a record,    nobody: it may be the only note of
//   orphaned-<record>       or whose folder is gone for good      which hidden files are kept copies
// A lock file is locked before it has a name (an unnamed file, linked in
// through /proc), so that no sweep ever sees it free. Where the file system
// makes no unnamed files, or /proc is missing, it is made while its maker
// holds making-locks shared, which a sweep must hold alone to remove one.
//
// No wait for another process lasts longer than kWaitBound: one stopped
// (Ctrl+Z, a debugger) or hung on a dead network folder holds nobody up for
// longer. A writer that cannot have making-locks by then writes without its
// lock, and tries again, without waiting, at each later use.
//
// The folder is refused, and neither read nor written, when it is a link,
// belongs to another user or is open to others, or when another user could
// put another folder in its place (platform/UserOnly.h); a process that
// cannot take its lock there (a read-only or full home) reads and writes no
// record either, and counts every other writer as running.
#include <chrono>
#include <string>

namespace velmor {

class WriterLock {
public:
    static constexpr std::chrono::milliseconds kWaitBound{5000};
    using Deadline = std::chrono::steady_clock::time_point;

    // This process's id: 16 hex digits, made (and its lock taken) on first
    // use, and anew in a forked child.
    static std::string Id();
    // Whether this process holds its lock; the private folder is open then.
    static bool Held();
    // The private folder, open for this process when it holds its lock,
    // else -1.
    static int Folder();
    // Whether the writer `id` may still run: its lock is held, or its
    // folder cannot tell.
    static bool Running(const std::string& id);
    // The end of a wait for another process that starts now.
    static Deadline WaitDeadline();
    // flock(2) on `fd`, tried again after short growing pauses until
    // `deadline`; false for an error, or with errno EWOULDBLOCK when another
    // process still holds it then.
    static bool WaitFor(int fd, int operation, Deadline deadline);
    // flock(2) on `fd` without waiting.
    static bool TryLock(int fd, int operation);
    // The flock(2) both make (always with LOCK_NB), unless a test puts
    // another call in its place (nullptr restores it); returns the call that
    // was in place.
    using LockCall = int (*)(int fd, int operation);
    static LockCall ReplaceLockForTest(LockCall call);
    // Whether `text` has the form of an id.
    static bool IsId(const std::string& text);
    // Removes `entry` of the private folder when it is the lock of a writer
    // that has ended, and no writer is making its lock; anything else, and
    // a lock half made, stays.
    static void ForgetEnded(const std::string& entry);
};

} // namespace velmor
