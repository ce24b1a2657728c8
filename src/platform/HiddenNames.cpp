#include "platform/HiddenNames.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace velmor {

namespace {

constexpr const char* kTemporaryMark = ".part-";
constexpr const char* kAsideMark = ".aside-";
constexpr const char* kPublishingMark = ".publishing-";
// Fields of /proc/<pid>/stat between the command's closing bracket and the
// start time, the 22nd field; the state is the first of them.
constexpr int kFieldsBeforeStartTime = 19;
constexpr size_t kMaxHexDigits = 16;

struct Writer {
    unsigned long long pid = 0;
    unsigned long long start = 0;   // clock ticks after boot; 0 when unknown
};

std::atomic<RenameCall> gRename{&::renameat};

// The state and start time of process `pid`; false when /proc cannot say.
bool ReadProcess(unsigned long long pid, char& state, unsigned long long& start)
{
    std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "re");
    if (file == nullptr) return false;
    char text[1024];
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    const std::string line(text, n);
    const size_t bracket = line.rfind(')');
    if (bracket == std::string::npos) return false;
    std::istringstream fields(line.substr(bracket + 1));
    std::string field;
    for (int i = 0; i < kFieldsBeforeStartTime && fields >> field; ++i)
        if (i == 0) state = field[0];
    return static_cast<bool>(fields >> start);
}

// This process, looked up again after a fork.
Writer ThisWriter()
{
    static std::mutex lock;
    static Writer writer;
    const std::lock_guard<std::mutex> guard(lock);
    const auto pid = static_cast<unsigned long long>(::getpid());
    char state = 0;
    unsigned long long start = 0;
    if (writer.pid != pid) writer = {pid, ReadProcess(pid, state, start) ? start : 0};
    return writer;
}

std::string Hex(unsigned long long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llx", value);
    return text;
}

// FNV-1a: the same target gives the same short name in every process.
std::string NameHash(const std::string& name)
{
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// Reads "<hex>" up to `end` (or the text's end) from `at`.
bool ReadHex(const std::string& text, size_t& at, char end, unsigned long long& value)
{
    size_t digits = 0;
    value = 0;
    for (; at < text.size() && text[at] != end; ++at, ++digits) {
        const char c = text[at];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0 || digits == kMaxHexDigits) return false;
        value = value * 16 + unsigned(digit);
    }
    return digits > 0;
}

// The writer and number of a publish.
using PublishId = std::tuple<unsigned long long, unsigned long long, unsigned long long>;

// A hidden file as its name tells it.
struct HiddenFile {
    std::string name;
    HiddenKind kind = HiddenKind::Temporary;
    bool marker = false;   // a publish's, for no target
    std::string target;    // empty for a short name, which has the hash of it
    std::string hash;
    Writer writer;
    unsigned long long number = 0;
    bool ours = false;     // of one of the targets swept

    PublishId Publish() const { return {writer.pid, writer.start, number}; }
};

// "<pid>-<start>-<n>" and nothing else.
bool ReadWriter(const std::string& text, size_t at, HiddenFile& file)
{
    return ReadHex(text, at, '-', file.writer.pid) && at++ < text.size() && ReadHex(text, at, '-', file.writer.start) &&
           at++ < text.size() && ReadHex(text, at, '\0', file.number) && at == text.size();
}

bool ReadHiddenName(const std::string& name, HiddenFile& file)
{
    file.name = name;
    const std::string publishing = kPublishingMark;
    file.marker = name.compare(0, publishing.size(), publishing) == 0 && ReadWriter(name, publishing.size(), file);
    if (file.marker) return true;
    for (const HiddenKind kind : {HiddenKind::Temporary, HiddenKind::Aside}) {
        const std::string mark = kind == HiddenKind::Temporary ? kTemporaryMark : kAsideMark;
        file.kind = kind;
        const size_t hashEnd = mark.size() + kMaxHexDigits;
        if (name.compare(0, mark.size(), mark) == 0 && name.size() > hashEnd && name[hashEnd] == '-' &&
            ReadWriter(name, hashEnd + 1, file)) {
            file.target.clear();
            file.hash = name.substr(mark.size(), kMaxHexDigits);
            return true;
        }
        const size_t at = name.rfind(mark);
        if (name[0] == '.' && at != std::string::npos && at > 1 && ReadWriter(name, at + mark.size(), file)) {
            file.target = name.substr(1, at - 1);
            file.hash.clear();
            return true;
        }
    }
    return false;
}

// A process of that id that started at that time and has not ended; one
// that cannot be looked up for any reason but its absence counts as
// running. An ended process not yet waited for (Z) or being removed (X) is
// gone.
bool StillRunning(const Writer& writer)
{
    errno = 0;
    char state = 0;
    unsigned long long start = 0;
    if (!ReadProcess(writer.pid, state, start)) return errno != ENOENT;
    return state != 'Z' && state != 'X' && start == writer.start;
}

bool OwnRegularFile(int folder, const std::string& name)
{
    struct stat info;
    return ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
           info.st_uid == ::geteuid();
}

// The names a publish marker lists, each with the file placed under it:
// "<inode>-<seconds>-<nanoseconds>:<name>", in hex, and a zero byte each.
std::vector<std::pair<std::string, PlacedFile>> ReadMarker(int folder, const std::string& marker)
{
    std::vector<std::pair<std::string, PlacedFile>> placed;
    const int fd = ::openat(folder, marker.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return placed;
    std::string text;
    char buffer[1 << 16];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    ::close(fd);
    unsigned long long inode = 0, seconds = 0, nanoseconds = 0;
    for (size_t at = 0, end; (end = text.find('\0', at)) != std::string::npos; at = end + 1) {
        if (ReadHex(text, at, '-', inode) && at++ < end && ReadHex(text, at, '-', seconds) && at++ < end &&
            ReadHex(text, at, ':', nanoseconds) && at < end)
            placed.emplace_back(text.substr(at + 1, end - at - 1),
                                PlacedFile{inode, static_cast<long long>(seconds), static_cast<long long>(nanoseconds)});
    }
    return placed;
}

// Undoes a publish cut off before its last rename, over every name its
// marker lists, so that the folder holds what it held before. False while
// an old file stays aside.
bool UndoPublish(int folder, const HiddenFile& marker, const std::vector<HiddenFile>& leftovers)
{
    std::map<std::string, std::string> asides;   // by the name they are for, or its hash
    for (const HiddenFile& left : leftovers)
        if (!left.marker && left.kind == HiddenKind::Aside && left.Publish() == marker.Publish())
            asides[left.hash.empty() ? left.target : left.hash] = left.name;
    bool restored = true;
    for (const auto& [name, file] : ReadMarker(folder, marker.name)) {
        auto aside = asides.find(name);
        if (aside == asides.end()) aside = asides.find(NameHash(name));
        restored = PutBackKeptCopy(folder, aside != asides.end() ? aside->second : "", name, file) && restored;
        if (aside != asides.end()) asides.erase(aside);
    }
    return restored && asides.empty();
}

} // namespace

unsigned long long NewHiddenNumber()
{
    static std::atomic<unsigned long long> counter{0};
    return counter.fetch_add(1);
}

std::string HiddenName(HiddenKind kind, const std::string& target, size_t folderBytes, unsigned long long number)
{
    const Writer writer = ThisWriter();
    const std::string mark = kind == HiddenKind::Temporary ? kTemporaryMark : kAsideMark;
    const std::string token = Hex(writer.pid) + "-" + Hex(writer.start) + "-" + Hex(number);
    std::string name = "." + target + mark + token;
    if (name.size() <= NAME_MAX && folderBytes + 1 + name.size() < PATH_MAX) return name;
    return mark + NameHash(target) + "-" + token;
}

std::string PublishingMarker(unsigned long long number)
{
    const Writer writer = ThisWriter();
    return kPublishingMark + Hex(writer.pid) + "-" + Hex(writer.start) + "-" + Hex(number);
}

bool MarkPublishing(int folder, unsigned long long number, const std::vector<std::pair<std::string, PlacedFile>>& placed)
{
    std::string records;
    for (const auto& [name, file] : placed)
        records += Hex(file.inode) + "-" + Hex(file.seconds) + "-" + Hex(file.nanoseconds) + ":" + name + '\0';
    const std::string marker = PublishingMarker(number);
    const int fd = ::openat(folder, marker.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    // On the disk before the first rename: no cut may keep a rename and lose its line.
    const bool written = ::write(fd, records.data(), records.size()) == ssize_t(records.size()) && ::fsync(fd) == 0;
    if (::close(fd) == 0 && written) return true;
    ::unlinkat(folder, marker.c_str(), 0);
    return false;
}

RenameCall ReplaceRenameForTest(RenameCall rename) { return gRename.exchange(rename != nullptr ? rename : &::renameat); }

int RenameInFolder(int folder, const std::string& from, const std::string& to)
{
    return gRename.load()(folder, from.c_str(), folder, to.c_str());
}

bool PutBackKeptCopy(int folder, const std::string& aside, const std::string& name, const PlacedFile& placed)
{
    struct stat kept, named;
    const bool holds = ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0;
    if (aside.empty()) {
        if (holds && PlacedFile::Of(named) == placed) ::unlinkat(folder, name.c_str(), 0);
        return true;
    }
    if (::fstatat(folder, aside.c_str(), &kept, AT_SYMLINK_NOFOLLOW) != 0) return true;
    // Renaming one link of a file over another would leave both.
    if (holds && named.st_dev == kept.st_dev && named.st_ino == kept.st_ino) {
        ::unlinkat(folder, aside.c_str(), 0);
        return true;
    }
    return (!holds || PlacedFile::Of(named) == placed) && RenameInFolder(folder, aside, name) == 0;
}

void RemoveLeftovers(int folder, const std::vector<std::string>& targets)
{
    // Without /proc no writer can be told from a gone one.
    if (ThisWriter().start == 0) return;
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
    // This user's hidden files of ended writers: those of the targets, and
    // every marker and kept copy, since the series cut off may have had
    // other names than the next one.
    std::vector<HiddenFile> leftovers;
    std::set<PublishId> unfinished;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        HiddenFile file;
        if (name[0] != '.' || !ReadHiddenName(name, file)) continue;
        file.ours = file.hash.empty() ? names.count(file.target) != 0 : hashes.count(file.hash) != 0;
        if ((file.ours || file.marker || file.kind == HiddenKind::Aside) && !StillRunning(file.writer) &&
            OwnRegularFile(folder, name)) {
            if (file.marker) unfinished.insert(file.Publish());
            leftovers.push_back(file);
        }
    }
    ::closedir(listing);
    for (const HiddenFile& marker : leftovers)
        if (marker.marker && UndoPublish(folder, marker, leftovers)) ::unlinkat(folder, marker.name.c_str(), 0);
    // The old files of a completed publish go.
    for (const HiddenFile& left : leftovers)
        if (left.ours && !left.marker && (left.kind == HiddenKind::Temporary || !unfinished.count(left.Publish())))
            ::unlinkat(folder, left.name.c_str(), 0);
}

} // namespace velmor
