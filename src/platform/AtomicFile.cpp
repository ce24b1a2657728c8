#include "platform/AtomicFile.h"

#include "platform/HiddenNames.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace velmor {

namespace {

constexpr size_t kStreamBufferBytes = size_t{1} << 20;
constexpr int kNameAttempts = 64;
constexpr mode_t kNewFileMode = 0666;   // narrowed by the umask
constexpr mode_t kOwnerOnly = 0600;
// Set-id bits are not carried over: the new file is this user's, not the
// old file's owner's.
constexpr mode_t kPermissionBits = 01777;
// Where the umask cannot be read, a new file stays its owner's.
constexpr mode_t kUnknownUmask = 077;

std::atomic<AtomicFile::SyncCall> gSyncFile{&::fsync};
std::atomic<AtomicFile::ModeCall> gChangeMode{&::fchmod};

// A file system that keeps no modes (FAT, some network shares) refuses to
// set one; the temporary stays owner-only, as it was made.
static_assert(ENOTSUP == EOPNOTSUPP);
bool ModesNotKept(int error) { return error == EPERM || error == ENOTSUP; }

// Read, not set: setting the umask to learn it would change it for every
// thread in the meantime.
mode_t CurrentUmask()
{
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (status == nullptr) return kUnknownUmask;
    unsigned mask = kUnknownUmask;
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    std::fclose(status);
    return mode_t(mask & 0777);
}

// Walks to `target`'s folder and looks at what its name holds there now:
// nothing, or a regular file this user may replace (`old`, when `exists`).
bool OpenTarget(const std::filesystem::path& target, AtomicFile::Naming naming, FolderHandle& folder,
                std::string& name, struct stat& old, bool& exists)
{
    const LastLinks links = naming == AtomicFile::Naming::ByProgram ? LastLinks::OwnOnly : LastLinks::ByRule;
    if (!folder.OpenFileFolder(target, name, links)) return false;
    exists = ::fstatat(folder.Descriptor(), name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists) return errno == ENOENT;
    struct stat here;
    return S_ISREG(old.st_mode) && ::fstat(folder.Descriptor(), &here) == 0 && MayReplaceFile(here, old, ::geteuid());
}

void SyncFolder(const FolderHandle& folder)
{
    const int fd = ::openat(folder.Descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // The rename is done either way; a folder that cannot be synced only
    // loses the guarantee that it survives a power cut.
    gSyncFile.load()(fd);
    ::close(fd);
}

// `folder` open on `path`, opened again only when it is another folder.
bool Reach(FolderHandle& folder, const std::filesystem::path& path)
{
    return (folder.IsOpen() && folder.Path() == path) || folder.Open(path);
}

// Keeps the old file `name` under a hidden name while its successor takes
// its place: a second link where the filesystem has them, else the old
// file moved. Nothing to keep leaves `aside` empty; a folder is no file.
// The kept copy carries the number of its publish.
bool KeepAside(const FolderHandle& folder, const std::string& name, unsigned long long publish, std::string& aside)
{
    const int fd = folder.Descriptor();
    struct stat old;
    if (::fstatat(fd, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    if (S_ISDIR(old.st_mode)) return false;
    aside = HiddenName(HiddenKind::Aside, name, folder.Path().native().size(), publish);
    if (::linkat(fd, name.c_str(), fd, aside.c_str(), 0) == 0 || RenameInFolder(fd, name, aside) == 0)
        return true;
    aside.clear();
    return false;
}

} // namespace

AtomicFile::SyncCall AtomicFile::ReplaceSyncForTest(SyncCall sync)
{
    return gSyncFile.exchange(sync != nullptr ? sync : &::fsync);
}

AtomicFile::ModeCall AtomicFile::ReplaceModeForTest(ModeCall change)
{
    return gChangeMode.exchange(change != nullptr ? change : &::fchmod);
}

AtomicFile::~AtomicFile() { Discard(); }

AtomicFile::AtomicFile(AtomicFile&& other) noexcept { *this = std::move(other); }

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept
{
    if (this == &other) return *this;
    Discard();
    m_target = std::move(other.m_target);
    m_temporary = std::move(other.m_temporary);
    m_folder = std::move(other.m_folder);
    m_name = std::move(other.m_name);
    m_temporaryName = std::move(other.m_temporaryName);
    m_mode = other.m_mode;
    m_stream = std::exchange(other.m_stream, nullptr);
    m_fd = std::exchange(other.m_fd, -1);
    m_failed = other.m_failed;
    m_finished = other.m_finished;
    other.Reset();
    return *this;
}

void AtomicFile::Reset()
{
    m_target.clear();
    m_temporary.clear();
    m_folder = FolderHandle();
    m_name.clear();
    m_temporaryName.clear();
    m_mode = 0;
    m_stream = nullptr;
    m_fd = -1;
    m_failed = false;
    m_finished = false;
}

bool AtomicFile::Create(const std::filesystem::path& target, Leftovers leftovers, Naming naming)
{
    Discard();
    Reset();
    m_failed = m_finished = true;   // until the file is open
    struct stat old;
    bool exists = false;
    if (!OpenTarget(target, naming, m_folder, m_name, old, exists)) {
        m_folder = FolderHandle();
        return false;
    }
    m_target = m_folder.Path() / m_name;
    const int folder = m_folder.Descriptor();
    if (leftovers == Leftovers::Remove) velmor::RemoveLeftovers(folder, {m_name});
    // A replaced file keeps who may read it, but only a file of this user's
    // lends its mode: another user's would let that user read the new one.
    m_mode = exists && old.st_uid == ::geteuid() ? old.st_mode & kPermissionBits : kNewFileMode & ~CurrentUmask();
    for (int attempt = 0; attempt < kNameAttempts && m_fd < 0; ++attempt) {
        m_temporaryName = HiddenName(HiddenKind::Temporary, m_name, m_folder.Path().native().size());
        m_fd = ::openat(folder, m_temporaryName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kOwnerOnly);
        if (m_fd < 0 && errno != EEXIST) break;
    }
    if (m_fd < 0) {
        m_temporaryName.clear();
        m_folder = FolderHandle();
        return false;
    }
    m_temporary = m_folder.Path() / m_temporaryName;
    m_failed = m_finished = false;
    return true;
}

bool AtomicFile::MayCreate(const std::vector<std::filesystem::path>& targets, Naming naming)
{
    return std::all_of(targets.begin(), targets.end(), [naming](const std::filesystem::path& target) {
        FolderHandle folder;
        std::string name;
        struct stat old;
        bool exists = false;
        return OpenTarget(target, naming, folder, name, old, exists);
    });
}

void AtomicFile::RemoveLeftovers(const std::filesystem::path& folder, const std::vector<std::string>& names)
{
    FolderHandle handle;
    if (handle.Open(folder)) velmor::RemoveLeftovers(handle.Descriptor(), names);
}

std::FILE* AtomicFile::Stream()
{
    if (m_stream == nullptr && m_fd >= 0 && !m_finished) {
        m_stream = ::fdopen(m_fd, "wb");
        if (m_stream == nullptr) m_failed = true;
        else std::setvbuf(m_stream, nullptr, _IOFBF, kStreamBufferBytes);
    }
    return m_stream;
}

bool AtomicFile::Write(const void* bytes, size_t count)
{
    std::FILE* stream = Stream();
    if (stream == nullptr) m_failed = true;
    if (m_failed) return false;
    if (count != 0 && std::fwrite(bytes, 1, count, stream) != count) m_failed = true;
    return !m_failed;
}

bool AtomicFile::Flush()
{
    if (m_stream != nullptr && std::fflush(m_stream) != 0) m_failed = true;
    return !m_failed && m_fd >= 0;
}

bool AtomicFile::Finish()
{
    if (m_finished) return !m_failed;
    if (m_fd < 0) {
        m_failed = true;
        return false;
    }
    if (m_stream != nullptr && (std::fflush(m_stream) != 0 || std::ferror(m_stream))) m_failed = true;
    if (gChangeMode.load()(m_fd, m_mode) != 0 && !ModesNotKept(errno)) m_failed = true;
    if (gSyncFile.load()(m_fd) != 0) m_failed = true;
    const int closed = m_stream != nullptr ? std::fclose(m_stream) : ::close(m_fd);
    if (closed != 0) m_failed = true;
    m_stream = nullptr;
    m_fd = -1;
    m_finished = true;
    if (m_failed) Discard();
    // A finished file holds no descriptor: a series may have thousands.
    m_folder = FolderHandle();
    return !m_failed;
}

bool AtomicFile::Rename(const FolderHandle& folder, std::string* aside, unsigned long long publish)
{
    if (!m_finished || m_failed) return false;
    if (m_temporary.empty()) return true;
    if ((aside == nullptr || KeepAside(folder, m_name, publish, *aside)) &&
        RenameInFolder(folder.Descriptor(), m_temporaryName, m_name) == 0) {
        m_temporary.clear();
        m_temporaryName.clear();
        return true;
    }
    m_failed = true;
    Discard();
    return false;
}

bool AtomicFile::Publish()
{
    if (!m_finished || m_failed) return false;
    if (m_temporary.empty()) return true;
    FolderHandle folder;
    if (!folder.Open(m_target.parent_path())) {
        Discard();
        return false;
    }
    if (!Rename(folder, nullptr, 0)) return false;
    SyncFolder(folder);
    return true;
}

bool AtomicFile::PublishAll(std::vector<AtomicFile>& files, std::vector<std::filesystem::path>* kept)
{
    // Each folder is marked with what the publish places there before its
    // first rename in it: what a killed publish left is undone by the next
    // write's sweep.
    const unsigned long long publish = NewHiddenNumber();
    std::vector<PlacedFile> placedFiles(files.size());
    std::set<std::filesystem::path> marked;
    const auto mark = [&](const FolderHandle& folder, const std::filesystem::path& path) {
        std::vector<std::pair<std::string, PlacedFile>> placed;
        for (size_t i = 0; i < files.size(); ++i) {
            struct stat info;
            const AtomicFile& file = files[i];
            if (file.m_temporary.empty() || file.m_target.parent_path() != path) continue;
            if (::fstatat(folder.Descriptor(), file.m_temporaryName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
            placed.emplace_back(file.m_name, placedFiles[i] = PlacedFile::Of(info));
        }
        return MarkPublishing(folder.Descriptor(), publish, placed) && marked.insert(path).second;
    };
    std::vector<std::pair<size_t, std::string>> renamed;   // with the name its old file is kept under
    FolderHandle folder;
    bool ok = true;
    for (size_t i = 0; i < files.size(); ++i) {
        AtomicFile& file = files[i];
        ok = ok && file.m_finished && !file.m_failed;
        if (ok && !file.m_temporary.empty()) {
            const std::filesystem::path path = file.m_target.parent_path();
            std::string aside;
            ok = Reach(folder, path) && (marked.count(path) != 0 || mark(folder, path)) &&
                 file.Rename(folder, &aside, publish);
            if (ok || !aside.empty()) renamed.emplace_back(i, aside);
        }
        if (!ok) file.Discard();
    }
    bool restored = true;
    if (!ok) std::reverse(renamed.begin(), renamed.end());
    for (const auto& [i, aside] : renamed) {
        const std::filesystem::path path = files[i].m_target.parent_path();
        if (ok || (Reach(folder, path) && PutBackKeptCopy(folder.Descriptor(), aside, files[i].m_name, placedFiles[i])) ||
            aside.empty())
            continue;
        restored = false;
        if (kept != nullptr) kept->push_back(path / aside);
    }
    // A copy that could not be put back keeps its folder marked, for the
    // sweep to try again once this process has ended.
    for (const std::filesystem::path& path : marked) {
        if (!Reach(folder, path)) continue;
        if (ok || restored) ::unlinkat(folder.Descriptor(), PublishingMarker(publish).c_str(), 0);
        SyncFolder(folder);
    }
    // The old files go only once the new names are on the disk.
    for (const auto& [i, aside] : renamed)
        if (ok && !aside.empty() && Reach(folder, files[i].m_target.parent_path()))
            ::unlinkat(folder.Descriptor(), aside.c_str(), 0);
    return ok;
}

void AtomicFile::CloseQuietly()
{
    if (m_stream != nullptr) std::fclose(m_stream);
    else if (m_fd >= 0) ::close(m_fd);
    m_stream = nullptr;
    m_fd = -1;
}

void AtomicFile::Discard()
{
    CloseQuietly();
    if (!m_temporaryName.empty()) {
        FolderHandle reopened;
        const FolderHandle& folder = m_folder.IsOpen() ? m_folder : reopened;
        if (folder.IsOpen() || reopened.Open(m_target.parent_path()))
            ::unlinkat(folder.Descriptor(), m_temporaryName.c_str(), 0);
    }
    m_temporary.clear();
    m_temporaryName.clear();
    m_finished = true;
    m_failed = true;
}

} // namespace velmor
