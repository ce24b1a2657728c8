#pragma once
// What only this user may reach: the folder that holds the single-instance
// lock and socket, the folder that holds the writers' locks and records,
// and the other end of a local socket.
#include <filesystem>

namespace velmor {

// Opens the folder `folder`, making those of its folders that are missing
// (mode 0700), when it is a real folder (not a link) that belongs to this
// user and that nobody else may enter, read or write, and when nobody else
// can put another folder in its place: every folder on the way from "/"
// belongs to root, to this user or to an id this process's user namespace
// cannot name (which is how root's show inside one), and is open to writing
// by no one else unless it is sticky (as /tmp is, where only an entry's
// owner may move it). Write access is read as the kernel reads it: from the
// ACL where the group bits show a write (then they may be its mask), where
// another user an entry names, or a group other than the user's own private
// group (its primary group, of its name, that no other account has as a
// member or as its primary group) counts as another writer, and so does an
// ACL that cannot be read (without /proc). A link on the
// way is followed when its owner is one the folders may have. -1 otherwise.
int OpenPrivateFolder(const std::filesystem::path& folder);

// Whether OpenPrivateFolder takes `folder`.
bool EnsurePrivateFolder(const std::filesystem::path& folder);

// Whether the process at the other end of a connected local socket runs as
// this user (the kernel's record of its credentials).
bool PeerIsThisUser(int socketDescriptor);

} // namespace velmor
