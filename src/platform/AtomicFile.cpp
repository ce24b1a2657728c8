#include "platform/AtomicFile.h"

#include "platform/FolderTurn.h"
#include "platform/HiddenNames.h"
#include "platform/PublishRecord.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <memory>
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
constexpr mode_t kClassBits = 0777;
// Where the umask cannot be read, a new file stays its owner's.
constexpr mode_t kUnknownUmask = 077;

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

// The access ACL of `old`, the file `name` in `folder`; unknown when
// another file has taken the name since.
AccessList AccessOf(int folder, const std::string& name, const struct stat& old)
{
    const int fd = ::openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    struct stat now;
    AccessList access;
    if (fd >= 0 && ::fstat(fd, &now) == 0 && now.st_dev == old.st_dev && now.st_ino == old.st_ino)
        access = AccessList::Of(fd, old.st_mode);
    if (fd >= 0) ::close(fd);
    return access;
}

// The mode a replacement of `old`, the file `name` in `folder`, gets, and
// the ACL it carries over (`access`): a file of this user's lends its own,
// but one with another name, which someone else may have put there, no
// wider than the umask lets a new file be; another user's lends none. Under
// an ACL the group bits are its mask, not what the owning group may do: the
// mode takes the group's own entry, so that a file system that refuses the
// ACL opens the file to nobody the ACL kept out; and an ACL that cannot be
// read lends the group no more than a new file gets.
mode_t ReplacementMode(int folder, const std::string& name, bool exists, const struct stat& old, AccessList& access)
{
    const mode_t fresh = kNewFileMode & ~CurrentUmask();
    if (!exists || old.st_uid != ::geteuid()) return fresh;
    access = AccessOf(folder, name, old);
    const mode_t lent = old.st_mode & kPermissionBits;
    const mode_t own = access.Known() ? (lent & ~kClassBits) | access.ClassBits() : lent & (~S_IRWXG | fresh);
    if (old.st_nlink == 1) return own;
    access.Narrow(fresh);
    return own & fresh;
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
    SyncToDisk(fd);
    ::close(fd);
}

} // namespace

AtomicFile::SyncCall AtomicFile::ReplaceSyncForTest(SyncCall sync) { return velmor::ReplaceSyncForTest(sync); }

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
    m_folderDevice = other.m_folderDevice;
    m_folderInode = other.m_folderInode;
    m_name = std::move(other.m_name);
    m_temporaryName = std::move(other.m_temporaryName);
    m_mode = other.m_mode;
    m_access = std::move(other.m_access);
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
    m_folderDevice = 0;
    m_folderInode = 0;
    m_name.clear();
    m_temporaryName.clear();
    m_mode = 0;
    m_access = AccessList();
    m_stream = nullptr;
    m_fd = -1;
    m_failed = false;
    m_finished = false;
}

bool AtomicFile::Create(const std::filesystem::path& target, Naming naming, Leftovers leftovers)
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
    struct stat here;
    if (::fstat(folder, &here) != 0) {
        m_folder = FolderHandle();
        return false;
    }
    m_folderDevice = here.st_dev;
    m_folderInode = here.st_ino;
    if (leftovers == Leftovers::Remove) velmor::RemoveLeftovers(folder, m_folder.Path().native(), {m_name});
    m_mode = ReplacementMode(folder, m_name, exists, old, m_access);
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
    if (handle.Open(folder)) velmor::RemoveLeftovers(handle.Descriptor(), handle.Path().native(), names);
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
    if (m_access.Known() && m_access.ApplyTo(m_fd) != 0 && !ModesNotKept(errno)) m_failed = true;
    m_access = AccessList();
    if (SyncToDisk(m_fd) != 0) m_failed = true;
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

bool AtomicFile::ReachFolder(FolderHandle& folder) const
{
    const std::filesystem::path path = m_target.parent_path();
    struct stat here;
    if (!(folder.IsOpen() && folder.Path() == path) && !folder.Open(path)) return false;
    // The folder written in, not another one put under its name since.
    return ::fstat(folder.Descriptor(), &here) == 0 && here.st_dev == m_folderDevice && here.st_ino == m_folderInode;
}

bool AtomicFile::Rename(const FolderHandle& folder)
{
    if (!m_finished || m_failed) return false;
    if (m_temporary.empty()) return true;
    if (RenameInFolder(folder.Descriptor(), m_temporaryName, m_name) == 0) {
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
    if (!ReachFolder(folder)) {
        Discard();
        return false;
    }
    // Where another process holds the turn past the bound, the rename goes
    // on without it: one rename cannot leave two series mixed.
    const FolderTurn turn({{m_folderDevice, m_folderInode}});
    if (!Rename(folder)) return false;
    SyncFolder(folder);
    return true;
}

// What a series publish does in one folder.
struct AtomicFile::Publishing {
    FolderHandle folder;
    bool inodesKept = true;
    std::vector<PublishEntry> entries;
    PublishRecord record;
    bool restored = true;

    // The folders `files` are published into: their turns are waited for
    // before anything in them is looked at.
    static std::vector<FolderTurn::Folder> FoldersOf(const std::vector<AtomicFile>& files)
    {
        std::vector<FolderTurn::Folder> folders;
        for (const AtomicFile& file : files)
            if (!file.m_temporary.empty()) folders.emplace_back(file.m_folderDevice, file.m_folderInode);
        return folders;
    }
};

namespace {

// The entry of a finished file: its temporary, and the old file it replaces.
bool DescribeEntry(int folder, const std::string& name, const std::string& temporary, size_t folderBytes,
                   PublishEntry& entry)
{
    entry.name = name;
    entry.temporary = temporary;
    FileIdentity old;
    if (!IdentityAt(folder, temporary, entry.placed)) return false;
    if (!IdentityAt(folder, name, old)) return errno == ENOENT;
    // Only a regular file is set aside and put back; anything else under
    // the name since the file was made refuses the series.
    if (old.size < 0) return false;
    entry.kept = old;
    entry.aside = HiddenName(HiddenKind::Aside, name, folderBytes);
    return true;
}

} // namespace

bool AtomicFile::PublishAll(std::vector<AtomicFile>& files, std::vector<std::filesystem::path>* kept)
{
    const FolderTurn turn(Publishing::FoldersOf(files));
    if (turn.Missed()) {
        for (AtomicFile& file : files) file.Discard();
        return false;
    }
    const unsigned long long number = NewHiddenNumber();
    // Each file's folder and entry, the folders in the order the series reaches them.
    std::vector<std::unique_ptr<Publishing>> folders;
    std::vector<std::pair<Publishing*, size_t>> places(files.size(), {nullptr, 0});
    bool ok = true;
    for (size_t i = 0; ok && i < files.size(); ++i) {
        AtomicFile& file = files[i];
        ok = file.m_finished && !file.m_failed;
        if (!ok || file.m_temporary.empty()) continue;
        const std::filesystem::path path = file.m_target.parent_path();
        auto folder = std::find_if(folders.begin(), folders.end(), [&](const auto& f) { return f->folder.Path() == path; });
        if (folder == folders.end()) {
            folders.push_back(std::make_unique<Publishing>());
            folder = std::prev(folders.end());
            ok = file.ReachFolder((*folder)->folder);
            (*folder)->inodesKept = ok && KeepsInodes((*folder)->folder.Descriptor());
            // What ended writers' publishes did there is finished in the turn, before its names are
            // looked at: the sweep before the write may have found the folder busy.
            if (ok) PublishRecord::Sweep((*folder)->folder.Descriptor(), path.native());
        }
        Publishing& publishing = **folder;
        PublishEntry entry;
        ok = ok && file.ReachFolder(publishing.folder) &&
             DescribeEntry(publishing.folder.Descriptor(), file.m_name, file.m_temporaryName, path.native().size(), entry);
        places[i] = {&publishing, publishing.entries.size()};
        publishing.entries.push_back(std::move(entry));
    }
    // Recorded before the first rename: a publish cut off from here on is
    // undone by the next write into the folder. Where the record cannot be
    // kept the publish goes on without it.
    for (const auto& publishing : folders)
        if (ok) publishing->record.Begin(publishing->folder.Descriptor(), publishing->folder.Path().native(), number, publishing->entries);
    std::vector<size_t> renamed;
    for (size_t i = 0; ok && i < files.size(); ++i) {
        const auto [publishing, at] = places[i];
        if (publishing == nullptr) continue;
        renamed.push_back(i);
        ok = PublishRecord::SetAside(publishing->folder.Descriptor(), publishing->entries[at], publishing->inodesKept) &&
             files[i].Rename(publishing->folder);
    }
    for (AtomicFile& file : files)
        if (!ok) file.Discard();
    std::reverse(renamed.begin(), renamed.end());
    for (const size_t i : ok ? std::vector<size_t>{} : renamed) {
        const auto [publishing, at] = places[i];
        const PublishEntry& entry = publishing->entries[at];
        if (PublishRecord::RollBack(publishing->folder.Descriptor(), entry, publishing->inodesKept)) continue;
        publishing->restored = false;
        if (kept != nullptr) kept->push_back(publishing->folder.Path() / entry.aside);
    }
    // The renames reach the disk before the record says they are done, and
    // the old files go only then. A folder whose old file could not be put
    // back keeps its record, for the sweep to try again once this process
    // has ended.
    for (const auto& publishing : folders) {
        SyncFolder(publishing->folder);
        if (ok) publishing->record.Complete();
        for (const PublishEntry& entry : publishing->entries)
            if (ok) PublishRecord::DropKept(publishing->folder.Descriptor(), entry, publishing->inodesKept);
        if (ok || publishing->restored) publishing->record.End();
    }
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
        if (folder.IsOpen() || ReachFolder(reopened)) ::unlinkat(folder.Descriptor(), m_temporaryName.c_str(), 0);
    }
    m_temporary.clear();
    m_temporaryName.clear();
    m_finished = true;
    m_failed = true;
}

} // namespace velmor
