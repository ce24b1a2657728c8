#include "platform/FolderTurn.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velmor {

namespace {

constexpr mode_t kOwnerOnly = 0600;

std::vector<FolderTurn::Folder> IdentityOf(int folder)
{
    struct stat info;
    if (::fstat(folder, &info) != 0) return {};
    return {{info.st_dev, info.st_ino}};
}

std::string TurnName(const FolderTurn::Folder& folder)
{
    char name[64];
    std::snprintf(name, sizeof name, "turn-%llx-%llx", static_cast<unsigned long long>(folder.first),
                  static_cast<unsigned long long>(folder.second));
    return name;
}

} // namespace

FolderTurn::FolderTurn(std::vector<Folder> folders) : FolderTurn(std::move(folders), WriterLock::WaitDeadline()) {}

FolderTurn::FolderTurn(int folder) : FolderTurn(IdentityOf(folder), std::chrono::steady_clock::now()) {}

FolderTurn::FolderTurn(std::vector<Folder> folders, WriterLock::Deadline deadline)
{
    const int privateFolder = WriterLock::Folder();
    m_privateFolder = privateFolder < 0 ? -1 : ::fcntl(privateFolder, F_DUPFD_CLOEXEC, 0);
    if (m_privateFolder < 0) return;
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    m_missed = !std::all_of(folders.begin(), folders.end(), [&](const Folder& folder) { return Take(folder, deadline); });
    if (m_missed) LetGo();
}

FolderTurn::~FolderTurn()
{
    LetGo();
    if (m_privateFolder >= 0) ::close(m_privateFolder);
}

void FolderTurn::LetGo()
{
    for (auto held = m_held.rbegin(); held != m_held.rend(); ++held) {
        ::unlinkat(m_privateFolder, held->second.c_str(), 0);
        ::close(held->first);
    }
    m_held.clear();
}

bool FolderTurn::Take(const Folder& folder, WriterLock::Deadline deadline)
{
    const std::string name = TurnName(folder);
    // A turn waited for on a file its holder has removed since is no turn:
    // the next one is waited for on the file under the name now.
    for (;;) {
        const int fd = ::openat(m_privateFolder, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kOwnerOnly);
        if (fd < 0) return true;
        struct stat held, named;
        if (!WriterLock::WaitFor(fd, LOCK_EX, deadline)) {
            const bool busy = errno == EWOULDBLOCK;
            ::close(fd);
            return !busy;
        }
        if (::fstat(fd, &held) == 0 && ::fstatat(m_privateFolder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_held.emplace_back(fd, name);
            return true;
        }
        ::close(fd);
    }
}

} // namespace velmor
