#pragma once
// The hidden names an all-or-nothing write uses beside its target: the
// temporary its bytes go to, and the name an old file is kept under while a
// series takes its place. Each name carries its writer's lock id
// (platform/WriterLock.h), so that what an ended writer left can be told
// from what a running one is still writing, and random digits of its own,
// so that no name a folder shows tells another user the writer's next ones
// (to take them first, with a pipe, say):
//   .<target>.part-<writer>-<random>    .<target>.aside-<writer>-<random>
// and, where that would not fit a file name (NAME_MAX) or a path (PATH_MAX),
//   .part-<hash of target>-<writer>-<random>    (.aside- likewise)
// Names alone are never trusted for more: the kept copies of a publish are
// known from its record in the writer's private folder
// (platform/PublishRecord.h), never from what a shared folder holds.
#include <string>
#include <vector>

namespace velmor {

enum class HiddenKind { Temporary, Aside };

// A number no publish of this process has had.
unsigned long long NewHiddenNumber();

// A fresh name of `kind` for the file `target` in a folder whose path is
// `folderBytes` long.
std::string HiddenName(HiddenKind kind, const std::string& target, size_t folderBytes);

// Finishes in the open folder `folder`, reached as `path`, what ended
// writers left there: the publishes their records name (rolled back when
// cut off), and the temporaries of the files `targets` (only this user's
// own regular files, never links). Nothing is touched where the writers
// cannot be told (no private folder).
void RemoveLeftovers(int folder, const std::string& path, const std::vector<std::string>& targets);

// renameat(2) within one folder, unless a test puts a failing call in its
// place (nullptr restores it); returns the call that was in place.
using RenameCall = int (*)(int folder, const char* from, int toFolder, const char* to);
RenameCall ReplaceRenameForTest(RenameCall rename);
int RenameInFolder(int folder, const std::string& from, const std::string& to);
// fsync(2) likewise, for every write of files, folders and records.
using SyncCall = int (*)(int fd);
SyncCall ReplaceSyncForTest(SyncCall sync);
int SyncToDisk(int fd);

} // namespace velmor
