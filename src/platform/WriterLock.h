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
// The folder is refused, and neither read nor written, when it is a link,
// belongs to another user or is open to others, or when another user could
// put another folder in its place (platform/UserOnly.h); a process that
// cannot take its lock there (a read-only or full home) reads and writes no
// record either, and counts every other writer as running.
#include <string>

namespace velmor {

class WriterLock {
public:
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
    // flock(2) on `fd`, waiting as long as it takes; false for an error.
    static bool WaitFor(int fd, int operation);
    // The flock(2) WaitFor makes, unless a test puts another call in its
    // place (nullptr restores it); returns the call that was in place.
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
