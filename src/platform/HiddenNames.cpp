#include "platform/HiddenNames.h"

#include "platform/FolderTurn.h"
#include "platform/PublishRecord.h"
#include "platform/SystemRandom.h"
#include "platform/WriterLock.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor {

namespace {

constexpr const char* kTemporaryMark = ".part-";
constexpr const char* kAsideMark = ".aside-";
constexpr size_t kHashDigits = 16;
constexpr size_t kWriterDigits = 16;

std::atomic<RenameCall> gRename{&::renameat};
std::atomic<SyncCall> gSync{&::fsync};

// FNV-1a: the same target gives the same short name in every process.
std::string NameHash(const std::string& name)
{
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

bool HexDigits(const std::string& text, size_t from, size_t to)
{
    if (from >= to || to - from > kHashDigits) return false;
    for (size_t i = from; i < to; ++i)
        if (!((text[i] >= '0' && text[i] <= '9') || (text[i] >= 'a' && text[i] <= 'f'))) return false;
    return true;
}

// A temporary's name as it tells it: the target (or its hash) and the writer.
struct Temporary {
    std::string target;   // empty for a short name, which has the hash of it
    std::string hash;
    std::string writer;
};

// "<writer>-<n>" from `at` to the end.
bool ReadWriter(const std::string& name, size_t at, Temporary& file)
{
    const size_t dash = at + kWriterDigits;
    if (name.size() <= dash || name[dash] != '-' || !HexDigits(name, dash + 1, name.size())) return false;
    file.writer = name.substr(at, kWriterDigits);
    return WriterLock::IsId(file.writer);
}

bool ReadTemporaryName(const std::string& name, Temporary& file)
{
    const std::string mark = kTemporaryMark;
    const size_t hashEnd = mark.size() + kHashDigits;
    if (name.starts_with(mark) && name.size() > hashEnd && name[hashEnd] == '-' && ReadWriter(name, hashEnd + 1, file)) {
        file.hash = name.substr(mark.size(), kHashDigits);
        return true;
    }
    const size_t at = name.rfind(mark);
    if (name[0] != '.' || at == std::string::npos || at <= 1 || !ReadWriter(name, at + mark.size(), file)) return false;
    file.target = name.substr(1, at - 1);
    return true;
}

bool OwnRegularFile(int folder, const std::string& name)
{
    struct stat info;
    return ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
           info.st_uid == ::geteuid();
}

// The temporaries of `targets` whose writers have ended.
void RemoveTemporaries(int folder, const std::vector<std::string>& targets)
{
    const std::set<std::string> names(targets.begin(), targets.end());
    std::set<std::string> hashes;
    for (const std::string& name : names) hashes.insert(NameHash(name));
    // A descriptor of its own: the listing reads and moves it.
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (listing == nullptr) {
        if (fd >= 0) ::close(fd);
        return;
    }
    std::vector<std::string> ended;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        Temporary file;
        if (name[0] != '.' || !ReadTemporaryName(name, file)) continue;
        const bool ours = file.hash.empty() ? names.count(file.target) != 0 : hashes.count(file.hash) != 0;
        if (ours && !WriterLock::Running(file.writer) && OwnRegularFile(folder, name)) ended.push_back(name);
    }
    ::closedir(listing);
    for (const std::string& name : ended) ::unlinkat(folder, name.c_str(), 0);
}

} // namespace

unsigned long long NewHiddenNumber()
{
    static std::atomic<unsigned long long> counter{0};
    return counter.fetch_add(1);
}

std::string HiddenName(HiddenKind kind, const std::string& target, size_t folderBytes)
{
    const std::string mark = kind == HiddenKind::Temporary ? kTemporaryMark : kAsideMark;
    const std::string token = WriterLock::Id() + "-" + RandomDigits();
    std::string name = "." + target + mark + token;
    if (name.size() <= NAME_MAX && folderBytes + 1 + name.size() < PATH_MAX) return name;
    return mark + NameHash(target) + "-" + token;
}

void RemoveLeftovers(int folder, const std::string& path, const std::vector<std::string>& targets)
{
    // Without a lock of its own a writer cannot tell an ended writer from
    // a running one.
    if (!WriterLock::Held()) return;
    // Not while a publish is at work in the folder, which sweeps in its turn.
    const FolderTurn turn(folder);
    if (!turn.Held()) return;
    PublishRecord::Sweep(folder, path);
    RemoveTemporaries(folder, targets);
}

RenameCall ReplaceRenameForTest(RenameCall rename) { return gRename.exchange(rename != nullptr ? rename : &::renameat); }

int RenameInFolder(int folder, const std::string& from, const std::string& to)
{
    return gRename.load()(folder, from.c_str(), folder, to.c_str());
}

SyncCall ReplaceSyncForTest(SyncCall sync) { return gSync.exchange(sync != nullptr ? sync : &::fsync); }

int SyncToDisk(int fd) { return gSync.load()(fd); }

} // namespace velmor
