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
// belongs to root or to this user, and is open to writing by no one else
// unless it is sticky (as /tmp is, where only an entry's owner may move
// it); a folder open to its group counts as closed when that group is this
// user's own (its name, with no other member). A link on the way is
// followed when it belongs to root or to this user. -1 otherwise.
int OpenPrivateFolder(const std::filesystem::path& folder);

// Whether OpenPrivateFolder takes `folder`.
bool EnsurePrivateFolder(const std::filesystem::path& folder);

// Whether the process at the other end of a connected local socket runs as
// this user (the kernel's record of its credentials).
bool PeerIsThisUser(int socketDescriptor);

} // namespace velmor
