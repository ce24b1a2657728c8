#include "platform/UserOnly.h"

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor {

namespace {

constexpr mode_t kOwnerOnly = S_IRWXU;
constexpr mode_t kOthers = S_IRWXG | S_IRWXO;

} // namespace

bool EnsurePrivateFolder(const std::filesystem::path& folder)
{
    if (folder.empty()) return false;
    if (mkdir(folder.c_str(), kOwnerOnly) != 0 && errno != EEXIST) return false;
    struct stat st {};
    // Not stat: a link planted under the name would lead elsewhere.
    if (lstat(folder.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & kOthers) == 0;
}

bool PeerIsThisUser(int socketDescriptor)
{
    ucred peer {};
    socklen_t length = sizeof peer;
    if (socketDescriptor < 0 || getsockopt(socketDescriptor, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
        length != sizeof peer)
        return false;
    return peer.uid == geteuid();
}

} // namespace velmor
