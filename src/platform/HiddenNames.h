#pragma once
// The hidden names an all-or-nothing write uses beside its target: the
// temporary its bytes go to, and the name an old file is kept under while a
// series takes its place. Each name carries its writer (process id and the
// process's start time), so that what a killed writer left can be told from
// what a running one is still writing:
//   .<target>.part-<pid>-<start>-<n>    .<target>.aside-<pid>-<start>-<n>
// and, where that would not fit a file name (NAME_MAX) or a path (PATH_MAX),
//   .part-<hash of target>-<pid>-<start>-<n>    (.aside- likewise)
// A series publish marks its folder with .publishing-<pid>-<start>-<n> from
// before its first rename until its last, and keeps its old files under
// aside names of the same <n>. The marker lists each name with the file
// the publish puts there: one left by an ended writer tells which names
// still hold what it put there, and which old files take them back.
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace velmor {

enum class HiddenKind { Temporary, Aside };

// A file told from any other that later takes its name, whose inode may be
// the same one freed and given again: the inode and the time it was last
// written.
struct PlacedFile {
    unsigned long long inode = 0;
    long long seconds = 0;
    long long nanoseconds = 0;

    static PlacedFile Of(const struct stat& info)
    {
        return {info.st_ino, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
    }
    bool operator==(const PlacedFile&) const = default;
};

// A number no hidden name of the running processes has had.
unsigned long long NewHiddenNumber();

// A name of `kind` for the file `target` in a folder whose path is
// `folderBytes` long, unique for each number.
std::string HiddenName(HiddenKind kind, const std::string& target, size_t folderBytes,
                       unsigned long long number = NewHiddenNumber());
// The marker of the series publish of that number; MarkPublishing makes it
// in the open folder, on the disk, with the names and files it will place.
std::string PublishingMarker(unsigned long long number);
bool MarkPublishing(int folder, unsigned long long number, const std::vector<std::pair<std::string, PlacedFile>>& placed);

// Removes from the open folder the hidden files of the files `targets`
// whose writer has ended: only this user's own regular files, never links.
// A publish of an ended writer that did not complete is undone first, over
// all its names (PutBackKeptCopy). Nothing is touched where the writers
// cannot be told (no /proc).
void RemoveLeftovers(int folder, const std::vector<std::string>& targets);

// Undoes the publish of one file in the open folder. Where `name` still
// holds the file the publish placed (`placed`), or nothing, the old
// file kept under `aside` takes it back; with nothing kept (`aside` empty
// or gone) the placed file goes. Where the placed file never came, the
// second name of the old one goes. False when the old file stays under
// `aside`: it could not be renamed, or a later file holds the name.
bool PutBackKeptCopy(int folder, const std::string& aside, const std::string& name, const PlacedFile& placed);

// renameat(2) within one folder, unless a test puts a failing call in its
// place (nullptr restores it); returns the call that was in place.
using RenameCall = int (*)(int folder, const char* from, int toFolder, const char* to);
RenameCall ReplaceRenameForTest(RenameCall rename);
int RenameInFolder(int folder, const std::string& from, const std::string& to);

} // namespace velmor
