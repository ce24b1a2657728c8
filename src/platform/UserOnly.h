#pragma once
// What only this user may reach: the folder that holds the single-instance
// lock and socket, and the other end of a local socket.
#include <filesystem>

namespace velmor {

// Creates `folder` with mode 0700 when it does not exist. True only when it
// is then a real folder (not a link) that belongs to this user and that
// nobody else may enter, read or write.
bool EnsurePrivateFolder(const std::filesystem::path& folder);

// Whether the process at the other end of a connected local socket runs as
// this user (the kernel's record of its credentials).
bool PeerIsThisUser(int socketDescriptor);

} // namespace velmor
