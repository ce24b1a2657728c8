#pragma once
// The hidden names an all-or-nothing write uses beside its target: the
// temporary its bytes go to, and the name an old file is kept under while a
// series takes its place. Each name carries its writer (process id and the
// process's start time), so that what a killed writer left can be told from
// what a running one is still writing:
//   .<target>.part-<pid>-<start>-<n>    .<target>.aside-<pid>-<start>-<n>
// and, where that would not fit a file name (NAME_MAX) or a path (PATH_MAX),
//   .part-<hash of target>-<pid>-<start>-<n>    (.aside- likewise)
#include <string>
#include <vector>

namespace velmor {

enum class HiddenKind { Temporary, Aside };

// A name of `kind` for the file `target` in a folder whose path is
// `folderBytes` long; no two calls of the running processes make the same.
std::string HiddenName(HiddenKind kind, const std::string& target, size_t folderBytes);

// Removes from the open folder the hidden files of the files `targets`
// whose writer has ended: only this user's own regular files, never links.
// Nothing is removed where the writers cannot be told (no /proc).
void RemoveLeftovers(int folder, const std::vector<std::string>& targets);

} // namespace velmor
