#include "platform/PublishRecord.h"

#include "platform/HiddenNames.h"
#include "platform/SweptFolder.h"
#include "platform/WriterLock.h"

#include <cerrno>
#include <climits>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace velmor {

namespace {

constexpr const char* kFormat = "velmor publish 1";
constexpr const char* kWriting = ".publish-";    // being written: no rename has happened yet
constexpr const char* kBegun = "publish-";
constexpr const char* kCompleted = "published-";
// A record this writer cannot read, renamed once so that no later sweep
// reads it again. It stays: it may be the only note of which hidden files
// in some folder are kept copies.
constexpr const char* kDamaged = "damaged-";
// A record whose folder can never be met again (platform/SweptFolder.h),
// renamed once likewise: it may still note which hidden files are kept
// copies, should its folder be one moved away.
constexpr const char* kOrphaned = "orphaned-";
// A real record takes some 150 bytes a file; one of a series of a hundred
// thousand slices stays far below this.
constexpr off_t kMaxRecordBytes = off_t{64} << 20;
// What is read of a record of another folder at every write: its format
// and its folder, whose path no real one outgrows.
constexpr size_t kHeadBytes = size_t{64} << 10;
constexpr size_t kFolderFields = 5;
constexpr size_t kEntryFields = 5;
constexpr size_t kMaxHexDigits = 16;
// File systems whose files are not found again by device and inode after a
// remount. FAT makes up its inode numbers at every mount, and so do FUSE
// drivers (fuse and fuseblk alike: which of them keep theirs the kernel
// cannot tell), 9p and SMB servers; NFS, Ceph and AFS servers keep theirs,
// but their files take the device number of the mount, new at each mount.
constexpr long kMsdosMagic = 0x4d44;
constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kFuseMagic = 0x65735546;
constexpr long kNfsMagic = 0x6969;
constexpr long kCifsMagic = 0xFF534D42;
constexpr long kSmb2Magic = 0xFE534D42;
constexpr long kSmbMagic = 0x517B;
constexpr long kNinePMagic = 0x01021997;
constexpr long kCephMagic = 0x00c36400;
constexpr long kKernelAfsMagic = 0x6B414653;
constexpr long kOpenAfsMagic = 0x5346414F;
constexpr std::array<long, 11> kInodesMadeUp = {kMsdosMagic, kExfatMagic, kFuseMagic, kNfsMagic,       kCifsMagic,   kSmb2Magic,
                                                kSmbMagic,   kNinePMagic, kCephMagic, kKernelAfsMagic, kOpenAfsMagic};
constexpr long kNoFileSize = -1;   // what a name holds that is no regular file

std::string Hex(unsigned long long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llx", value);
    return text;
}

bool ReadHex(std::string_view text, unsigned long long& value)
{
    if (text.empty() || text.size() > kMaxHexDigits) return false;
    value = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        value = value * 16 + unsigned(digit);
    }
    return true;
}

std::string EncodeIdentity(const FileIdentity& file)
{
    return Hex(file.device) + "-" + Hex(file.inode) + "-" + Hex(static_cast<unsigned long long>(file.seconds)) + "-" +
           Hex(static_cast<unsigned long long>(file.nanoseconds)) + "-" + Hex(static_cast<unsigned long long>(file.size));
}

bool DecodeIdentity(std::string_view text, FileIdentity& file)
{
    unsigned long long parts[5];
    size_t at = 0;
    for (int i = 0; i < 5; ++i) {
        const size_t end = i < 4 ? text.find('-', at) : text.size();
        if (end == std::string_view::npos || !ReadHex(text.substr(at, end - at), parts[i])) return false;
        at = end + 1;
    }
    file = {parts[0], parts[1], static_cast<long long>(parts[2]), static_cast<long long>(parts[3]),
            static_cast<long long>(parts[4])};
    return true;
}

// One name inside its folder: never a path, never the folder or its parent.
bool PlainName(std::string_view name)
{
    return !name.empty() && name.size() <= NAME_MAX && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool HiddenPlainName(std::string_view name) { return PlainName(name) && name[0] == '.'; }

// "<prefix><writer>-<number>": the record's writer.
bool ReadRecordName(const std::string& name, const std::string& prefix, std::string& writer)
{
    const size_t dash = prefix.size() + kMaxHexDigits;
    unsigned long long number = 0;
    writer = name.substr(0, dash).substr(std::min(prefix.size(), name.size()));
    return name.starts_with(prefix) && name.size() > dash && name[dash] == '-' && WriterLock::IsId(writer) &&
           ReadHex(name.substr(dash + 1), number);
}

std::vector<std::string> FolderEntries(int folder)
{
    std::vector<std::string> names;
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (listing == nullptr) {
        if (fd >= 0) ::close(fd);
        return names;
    }
    while (const dirent* entry = ::readdir(listing)) names.emplace_back(entry->d_name);
    ::closedir(listing);
    return names;
}

enum class Reading { Read, Damaged, Unreadable };

// The record's first `limit` bytes from its descriptor (all of a shorter
// one), within the bound. Damaged: too large or no regular file, as no
// writer makes one; unreadable: gone, still growing or failing, for a
// later sweep to try again.
Reading ReadBounded(int fd, size_t limit, std::string& bytes)
{
    struct stat info;
    if (::fstat(fd, &info) != 0 || info.st_nlink == 0) return Reading::Unreadable;
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxRecordBytes) return Reading::Damaged;
    const size_t wanted = std::min(size_t(info.st_size), limit);
    // One byte more of a record read whole: one still growing is no whole.
    bytes.resize(wanted < size_t(info.st_size) ? wanted : wanted + 1);
    size_t got = 0;
    for (ssize_t n; got < bytes.size() && (n = ::pread(fd, bytes.data() + got, bytes.size() - got, off_t(got))) != 0;
         got += size_t(n))
        if (n < 0) return Reading::Unreadable;
    if (got != wanted) return Reading::Unreadable;
    bytes.resize(got);
    return Reading::Read;
}

// The next `count` fields of `rest`, each ended by a NUL, in place; false
// where the bytes end first.
bool TakeFields(std::string_view& rest, std::string_view* fields, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const size_t end = rest.find('\0');
        if (end == std::string_view::npos) return false;
        fields[i] = rest.substr(0, end);
        rest.remove_prefix(end + 1);
    }
    return true;
}

bool SyncDescriptor(int fd) { return SyncToDisk(fd) == 0; }

bool WriteWhole(int fd, const std::string& bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// The format and the folder's fields of a record, `rest` left at its
// first entry; false for anything malformed.
bool DecodeFolder(std::string_view bytes, PublishRecord::Contents& contents, std::string_view& rest)
{
    // The format first: a damaged record (NUL bytes, anything else) is
    // refused before any of it is taken apart.
    const std::string_view format(kFormat, std::strlen(kFormat) + 1);
    if (!bytes.starts_with(format)) return false;
    rest = bytes.substr(format.size());
    std::string_view folder[kFolderFields - 1];
    if (!TakeFields(rest, folder, std::size(folder)) || !ReadHex(folder[0], contents.device) ||
        !ReadHex(folder[1], contents.inode) || (folder[2] != "0" && folder[2] != "1") || !folder[3].starts_with('/'))
        return false;
    contents.inodesKept = folder[2] == "1";
    contents.path = folder[3];
    return true;
}

// The record of the open folder `folder` rolled back, or its old files
// removed once it completed.
void Finish(int privateFolder, const std::string& name, bool completed, int folder, const PublishRecord::Contents& contents)
{
    bool done = true;
    for (auto entry = contents.entries.rbegin(); entry != contents.entries.rend(); ++entry) {
        if (completed) PublishRecord::DropKept(folder, *entry, contents.inodesKept);
        else done = PublishRecord::RollBack(folder, *entry, contents.inodesKept) && done;
    }
    if (done) ::unlinkat(privateFolder, name.c_str(), 0);
}

enum class Part { Head, Whole };

// The record from its descriptor, its head (the folder's fields) or whole,
// and what that says; damaged where it is malformed.
Reading ReadRecord(int fd, Part part, PublishRecord::Contents& contents)
{
    std::string bytes;
    std::string_view entries;
    const Reading read = ReadBounded(fd, part == Part::Head ? kHeadBytes : size_t(kMaxRecordBytes), bytes);
    if (read != Reading::Read) return read;
    const bool formed = part == Part::Head ? DecodeFolder(bytes, contents, entries) : PublishRecord::Decode(bytes, contents);
    return formed ? Reading::Read : Reading::Damaged;
}

// Finishes one record of an ended writer when it is of this folder, and
// sets aside one whose folder is gone for good. Only a record of this
// folder is read whole: the others cost every write no more than a head.
void FinishRecord(int privateFolder, const std::string& name, bool completed, int folder, SweptFolder& swept)
{
    const int fd = ::openat(privateFolder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    // Another sweep at work on it has it; one done with it has removed it
    // or set it aside.
    PublishRecord::Contents contents;
    Reading read = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? ReadRecord(fd, Part::Head, contents) : Reading::Unreadable;
    const SweptFolder::Match match = read == Reading::Read ? swept.Of(contents) : SweptFolder::Match::Other;
    if (match == SweptFolder::Match::This) read = ReadRecord(fd, Part::Whole, contents);
    const auto setAside = [&](const char* prefix) { ::renameat(privateFolder, name.c_str(), privateFolder, (prefix + name).c_str()); };
    if (read == Reading::Damaged) setAside(kDamaged);
    else if (read == Reading::Read && match == SweptFolder::Match::This) Finish(privateFolder, name, completed, folder, contents);
    else if (read == Reading::Read && match == SweptFolder::Match::Gone) setAside(kOrphaned);
    ::close(fd);
}

// The entries that follow the folder's fields, each checked where it lies
// before any is copied: how many, or false for one malformed or a name
// that appears twice.
bool CountEntries(std::string_view entries, size_t& count)
{
    std::vector<std::string_view> names;
    for (std::string_view fields[kEntryFields]; !entries.empty(); ++count) {
        FileIdentity file;
        if (!TakeFields(entries, fields, kEntryFields) || !PlainName(fields[0]) || !HiddenPlainName(fields[1]) ||
            !DecodeIdentity(fields[2], file) || !(fields[3].empty() || HiddenPlainName(fields[3])) ||
            !DecodeIdentity(fields[4], file))
            return false;
        for (const size_t name : {0, 1, 3})
            if (!fields[name].empty()) names.push_back(fields[name]);
    }
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) == names.end();
}

} // namespace

FileIdentity FileIdentity::Of(const struct stat& info)
{
    return {static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino),
            static_cast<long long>(info.st_mtim.tv_sec), static_cast<long long>(info.st_mtim.tv_nsec),
            S_ISREG(info.st_mode) ? static_cast<long long>(info.st_size) : kNoFileSize};
}

bool FileIdentity::Matches(const FileIdentity& other, bool inodesKept) const
{
    if (size == kNoFileSize || other.size == kNoFileSize) return false;
    const bool sameTime = seconds == other.seconds && nanoseconds == other.nanoseconds && size == other.size;
    return sameTime && (!inodesKept || (device == other.device && inode == other.inode));
}

bool IdentityAt(int folder, const std::string& name, FileIdentity& identity)
{
    struct stat info;
    if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    identity = FileIdentity::Of(info);
    return true;
}

namespace {

bool FileSystemKeepsInodes(int folder)
{
    struct statfs info;
    if (::fstatfs(folder, &info) != 0) return true;
    return std::find(kInodesMadeUp.begin(), kInodesMadeUp.end(), static_cast<long>(info.f_type)) == kInodesMadeUp.end();
}

std::atomic<KeepsInodesCall> gKeepsInodes{&FileSystemKeepsInodes};

} // namespace

bool KeepsInodes(int folder) { return gKeepsInodes.load()(folder); }

KeepsInodesCall ReplaceKeepsInodesForTest(KeepsInodesCall call)
{
    return gKeepsInodes.exchange(call != nullptr ? call : &FileSystemKeepsInodes);
}

PublishRecord::~PublishRecord() = default;

bool PublishRecord::Begin(int folder, const std::string& path, unsigned long long number,
                          const std::vector<PublishEntry>& entries)
{
    const int privateFolder = WriterLock::Folder();
    struct stat here;
    if (privateFolder < 0 || ::fstat(folder, &here) != 0) return false;
    Contents contents{here.st_dev, here.st_ino, KeepsInodes(folder), path, entries};
    m_writer = WriterLock::Id();
    m_number = number;
    const std::string tail = m_writer + "-" + Hex(number), writing = kWriting + tail, begun = kBegun + tail;
    const int fd = ::openat(privateFolder, writing.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    // On the disk under its name before the first rename: no cut may keep a
    // rename and lose the record of it.
    bool written = WriteWhole(fd, Encode(contents)) && SyncDescriptor(fd);
    written = ::close(fd) == 0 && written && ::renameat(privateFolder, writing.c_str(), privateFolder, begun.c_str()) == 0 &&
              SyncDescriptor(privateFolder);
    if (!written) {
        ::unlinkat(privateFolder, writing.c_str(), 0);
        ::unlinkat(privateFolder, begun.c_str(), 0);
        return false;
    }
    m_name = begun;
    return true;
}

void PublishRecord::Complete()
{
    const int privateFolder = WriterLock::Folder();
    if (m_name.empty() || privateFolder < 0) return;
    const std::string completed = kCompleted + m_writer + "-" + Hex(m_number);
    if (::renameat(privateFolder, m_name.c_str(), privateFolder, completed.c_str()) != 0) return;
    m_name = completed;
    SyncDescriptor(privateFolder);
}

void PublishRecord::End()
{
    const int privateFolder = WriterLock::Folder();
    if (!m_name.empty() && privateFolder >= 0) ::unlinkat(privateFolder, m_name.c_str(), 0);
    m_name.clear();
}

void PublishRecord::Sweep(int folder, const std::string& path)
{
    const int privateFolder = WriterLock::Folder();
    if (privateFolder < 0) return;
    SweptFolder swept(folder, path);
    for (const std::string& name : FolderEntries(privateFolder)) {
        std::string writer;
        if (ReadRecordName(name, kWriting, writer)) {
            if (!WriterLock::Running(writer)) ::unlinkat(privateFolder, name.c_str(), 0);
        } else if (ReadRecordName(name, kBegun, writer) || ReadRecordName(name, kCompleted, writer)) {
            if (!WriterLock::Running(writer)) FinishRecord(privateFolder, name, name.starts_with(kCompleted), folder, swept);
        } else {
            WriterLock::ForgetEnded(name);
        }
    }
}

bool PublishRecord::RollBack(int folder, const PublishEntry& entry, bool inodesKept)
{
    FileIdentity named, aside, temporary;
    const bool holds = IdentityAt(folder, entry.name, named);
    if (IdentityAt(folder, entry.temporary, temporary) && temporary.Matches(entry.placed, inodesKept))
        ::unlinkat(folder, entry.temporary.c_str(), 0);
    if (entry.aside.empty()) {
        if (holds && named.Matches(entry.placed, inodesKept)) ::unlinkat(folder, entry.name.c_str(), 0);
        return true;
    }
    // Only the very file set aside goes back; anything else under its name
    // is not ours to move.
    if (!IdentityAt(folder, entry.aside, aside) || !aside.Matches(entry.kept, inodesKept)) return true;
    // Set aside as a second link and never replaced: renaming one link of a
    // file over another would leave both. Where files are told by size and
    // time the old file was moved, never linked: what its name holds now is
    // the placed file or a later one, however like the old it looks.
    if (inodesKept && holds && named.Matches(entry.kept, inodesKept)) {
        ::unlinkat(folder, entry.aside.c_str(), 0);
        return true;
    }
    // Renamed over the placed file, which goes only as its old file comes back.
    if (!holds || named.Matches(entry.placed, inodesKept))
        return RenameInFolder(folder, entry.aside, entry.name) == 0;
    return false;
}

bool PublishRecord::SetAside(int folder, const PublishEntry& entry, bool inodesKept)
{
    FileIdentity named, aside;
    const bool holds = IdentityAt(folder, entry.name, named);
    if (entry.aside.empty()) return !holds;
    if (!holds || !named.Matches(entry.kept, inodesKept)) return false;
    // A second link where inodes tell it from the placed file, else the old
    // file moved, so that no two names hold files told apart by size and
    // time alone.
    const bool linked = inodesKept && ::linkat(folder, entry.name.c_str(), folder, entry.aside.c_str(), 0) == 0;
    if (!linked && RenameInFolder(folder, entry.name, entry.aside) != 0) return false;
    if (IdentityAt(folder, entry.aside, aside) && aside.Matches(entry.kept, inodesKept)) return true;
    // Changed since it was looked at: a file moved goes back to its name.
    if (!linked && !IdentityAt(folder, entry.name, named)) RenameInFolder(folder, entry.aside, entry.name);
    return false;
}

void PublishRecord::DropKept(int folder, const PublishEntry& entry, bool inodesKept)
{
    FileIdentity aside;
    if (!entry.aside.empty() && IdentityAt(folder, entry.aside, aside) && aside.Matches(entry.kept, inodesKept))
        ::unlinkat(folder, entry.aside.c_str(), 0);
}

std::string PublishRecord::Encode(const Contents& contents)
{
    std::string bytes;
    const auto field = [&bytes](const std::string& text) { bytes += text, bytes += '\0'; };
    field(kFormat);
    field(Hex(contents.device));
    field(Hex(contents.inode));
    field(contents.inodesKept ? "1" : "0");
    field(contents.path);
    for (const PublishEntry& entry : contents.entries) {
        field(entry.name);
        field(entry.temporary);
        field(EncodeIdentity(entry.placed));
        field(entry.aside);
        field(EncodeIdentity(entry.kept));
    }
    return bytes;
}

bool PublishRecord::Decode(std::string_view bytes, Contents& contents)
{
    std::string_view rest, fields[kEntryFields];
    size_t count = 0;
    if (!DecodeFolder(bytes, contents, rest) || !CountEntries(rest, count)) return false;
    contents.entries.assign(count, {});
    for (PublishEntry& entry : contents.entries) {
        TakeFields(rest, fields, kEntryFields);
        entry = {std::string(fields[0]), std::string(fields[1]), {}, std::string(fields[3]), {}};
        DecodeIdentity(fields[2], entry.placed), DecodeIdentity(fields[4], entry.kept);
    }
    return true;
}

} // namespace velmor
