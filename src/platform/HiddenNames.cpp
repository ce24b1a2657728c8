#include "platform/HiddenNames.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor {

namespace {

constexpr const char* kTemporaryMark = ".part-";
constexpr const char* kAsideMark = ".aside-";
// Fields of /proc/<pid>/stat between the command's closing bracket and the
// start time, the 22nd field; the state is the first of them.
constexpr int kFieldsBeforeStartTime = 19;
constexpr size_t kMaxHexDigits = 16;

struct Writer {
    unsigned long long pid = 0;
    unsigned long long start = 0;   // clock ticks after boot; 0 when unknown
};

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

// "<pid>-<start>-<n>" and nothing else.
bool ReadWriter(const std::string& text, size_t at, Writer& writer)
{
    unsigned long long n = 0;
    return ReadHex(text, at, '-', writer.pid) && at++ < text.size() && ReadHex(text, at, '-', writer.start) &&
           at++ < text.size() && ReadHex(text, at, '\0', n) && at == text.size();
}

// The target a hidden name is for (or the hash of it, for a short name),
// and its writer.
bool ReadHiddenName(const std::string& name, std::string& target, std::string& hash, Writer& writer)
{
    for (const std::string mark : {kTemporaryMark, kAsideMark}) {
        const size_t hashEnd = mark.size() + kMaxHexDigits;
        if (name.compare(0, mark.size(), mark) == 0 && name.size() > hashEnd && name[hashEnd] == '-' &&
            ReadWriter(name, hashEnd + 1, writer)) {
            target.clear();
            hash = name.substr(mark.size(), kMaxHexDigits);
            return true;
        }
        const size_t at = name.rfind(mark);
        if (name[0] == '.' && at != std::string::npos && at > 1 && ReadWriter(name, at + mark.size(), writer)) {
            target = name.substr(1, at - 1);
            hash.clear();
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

} // namespace

std::string HiddenName(HiddenKind kind, const std::string& target, size_t folderBytes)
{
    static std::atomic<unsigned long long> counter{0};
    const Writer writer = ThisWriter();
    const std::string mark = kind == HiddenKind::Temporary ? kTemporaryMark : kAsideMark;
    const std::string token = Hex(writer.pid) + "-" + Hex(writer.start) + "-" + Hex(counter.fetch_add(1));
    std::string name = "." + target + mark + token;
    if (name.size() <= NAME_MAX && folderBytes + 1 + name.size() < PATH_MAX) return name;
    return mark + NameHash(target) + "-" + token;
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
    std::vector<std::string> leftovers;
    std::string target, hash;
    Writer writer;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name[0] == '.' && ReadHiddenName(name, target, hash, writer) &&
            (hash.empty() ? names.count(target) : hashes.count(hash)) && !StillRunning(writer))
            leftovers.push_back(name);
    }
    ::closedir(listing);
    const uid_t user = ::geteuid();
    for (const std::string& name : leftovers) {
        struct stat info;
        if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == user)
            ::unlinkat(folder, name.c_str(), 0);
    }
}

} // namespace velmor
