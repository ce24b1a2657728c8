#pragma once
// A file written whole or not at all. The bytes go to a hidden temporary
// file in the target's own folder, readable by its owner only, which is
// flushed to the disk, given its final permissions (the old file's, or
// those a new file gets under the umask) and only then renamed over the
// target: a full disk, a refused write or a killed program leaves whatever
// was there before and nothing under the target's name. Only regular files
// are written: a pipe, device, socket or folder under the target's name is
// refused before anything is written, so that no write waits on another
// process or hands it the bytes. The old file's permissions, with its ACL,
// are kept when it is the writing user's own (where the file system takes
// no ACL, no class gets more than its own entry gave it); one with another
// link (another name of it may be where someone else put it) lends them,
// every entry of the ACL too, only as far as the umask allows. Another
// user's file in a sticky folder others may write to is refused, as a
// plain open is.
//
// The target's path is walked name by name, and a link on the way is
// followed (so that the file behind it is replaced and the link stays)
// unless it sits in a folder that is sticky and writable by everyone, such
// as /tmp, and belongs neither to this user nor to the folder's owner: such
// a write fails and touches nothing, whatever fs.protected_symlinks says.
// Names of the program's own choosing follow only the user's own links at
// the end (platform/FolderWalk.h). Every caller says which a name is.
//
// What an ended writer left behind goes with the next write into the
// folder: its temporaries of the target, and what its series publishes
// did there, which their records in the writer's private folder tell
// (platform/PublishRecord.h); whether a writer has ended is told by its
// lock (platform/WriterLock.h). A hidden name too long for the folder is
// shortened to a hash of the target's name, which still names it.
//
// Writers use either the buffered Write/Stream side or the Descriptor,
// never both on one file.
#include "platform/AccessList.h"
#include "platform/FolderWalk.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmor {

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();   // whatever was not published is removed
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&& other) noexcept;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Whether Create clears what ended writers left of the target, or the
    // caller has done so for a whole series (RemoveLeftovers).
    enum class Leftovers { Remove, RemovedByCaller };
    // Who named the target: the user, or this program (the files of a
    // series in the folder the user chose).
    enum class Naming { ByUser, ByProgram };

    // Opens the temporary file for `target`. False when it cannot be made,
    // when the target may not be written (above), or when reaching it would
    // take a link that may not be followed.
    bool Create(const std::filesystem::path& target, Naming naming, Leftovers leftovers = Leftovers::Remove);
    // Whether Create would take each of `targets` as they are now: a series
    // is looked at whole before its first file is written.
    static bool MayCreate(const std::vector<std::filesystem::path>& targets, Naming naming);
    // Removes what ended writers left in `folder` of the files `names`.
    static void RemoveLeftovers(const std::filesystem::path& folder, const std::vector<std::string>& names);

    bool Write(const void* bytes, size_t count);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    bool Flush();
    // The buffered stream of the file, for libraries that write to one.
    std::FILE* Stream();
    // The file descriptor, for libraries that do their own writing; they
    // report what failed with MarkFailed.
    int Descriptor() const { return m_fd; }
    void MarkFailed() { m_failed = true; }

    // Flushes, gives the file its final permissions, syncs it to the disk
    // and closes it; the file keeps its temporary name until Publish. False
    // (and the file removed) when anything since Create failed.
    bool Finish();
    // Renames the finished file over its target and syncs the folder.
    bool Publish();
    bool Commit() { return Finish() && Publish(); }
    // Closes and removes the temporary file.
    void Discard();
    // Publishes finished files in their order, syncing each folder once: a
    // series appears only when every one of its files is complete. Each old
    // file is kept under a hidden name until all are in place, and a record
    // of the publish in the writer's private folder lets the next write
    // into the folder undo it when this process is cut off. False when one
    // could not be renamed: then every old file comes back, every file that
    // was new goes, and the rest are removed, so the folders hold the old
    // series whole. An old file that cannot come back stays under its
    // hidden name, added to `kept`. False too, with nothing renamed and
    // every file removed, when another process holds a folder's turn past
    // the bound (platform/FolderTurn.h).
    static bool PublishAll(std::vector<AtomicFile>& files, std::vector<std::filesystem::path>* kept = nullptr);

    // fsync(2) unless a test puts a failing call in its place (nullptr
    // restores it); returns the call that was in place.
    using SyncCall = int (*)(int fd);
    static SyncCall ReplaceSyncForTest(SyncCall sync);
    // fchmod(2) likewise.
    using ModeCall = int (*)(int fd, mode_t mode);
    static ModeCall ReplaceModeForTest(ModeCall change);

    bool Failed() const { return m_failed; }
    bool IsOpen() const { return m_fd >= 0; }
    const std::filesystem::path& Target() const { return m_target; }
    // Empty once published or removed.
    const std::filesystem::path& TemporaryPath() const { return m_temporary; }

private:
    struct Publishing;
    bool Rename(const FolderHandle& folder);
    bool ReachFolder(FolderHandle& folder) const;
    void CloseQuietly();
    void Reset();

    std::filesystem::path m_target;      // links resolved
    std::filesystem::path m_temporary;
    FolderHandle m_folder;               // open from Create to Finish
    dev_t m_folderDevice = 0;            // the folder, told again at Publish
    ino_t m_folderInode = 0;
    std::string m_name;                  // of the target in its folder
    std::string m_temporaryName;
    mode_t m_mode = 0;                   // the permissions it gets at Finish
    AccessList m_access;                 // and the ACL, where the old file lends one
    std::FILE* m_stream = nullptr;
    int m_fd = -1;
    bool m_failed = false;
    bool m_finished = false;
};

} // namespace velmor
