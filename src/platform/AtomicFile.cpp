#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velmor {

namespace {

constexpr size_t kStreamBufferBytes = size_t{1} << 20;
// Room left in a 255-byte file name for the dot and the suffix.
constexpr size_t kKeptNameBytes = 200;
constexpr int kNameAttempts = 64;
constexpr mode_t kNewFileMode = 0666;   // narrowed by the umask
constexpr mode_t kPermissionBits = 07777;

std::atomic<uint64_t> gNameCounter{0};

// The start of a UTF-8 name, cut between characters.
std::string KeptName(std::string name)
{
    if (name.size() <= kKeptNameBytes) return name;
    size_t cut = kKeptNameBytes;
    while (cut > 0 && (static_cast<uint8_t>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
    return name;
}

// A hidden name beside the target, its own to this process and attempt.
std::filesystem::path TemporaryName(const std::filesystem::path& target)
{
    const uint64_t tick = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const uint64_t token = (uint64_t(::getpid()) << 40) ^ (gNameCounter.fetch_add(1) << 20) ^ tick;
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".part-%012llx", static_cast<unsigned long long>(token & 0xFFFFFFFFFFFFull));
    return target.parent_path() / ("." + KeptName(target.filename().string()) + suffix);
}

// A link is followed, so that its file is replaced and the link stays.
std::filesystem::path FollowLink(const std::filesystem::path& target)
{
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec))) return target;
    const std::filesystem::path resolved = std::filesystem::canonical(target, ec);
    return ec ? target : resolved;
}

void SyncFolder(const std::filesystem::path& folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // The rename is done either way; a folder that cannot be synced only
    // loses the guarantee that it survives a power cut.
    ::fsync(fd);
    ::close(fd);
}

} // namespace

AtomicFile::~AtomicFile() { Discard(); }

AtomicFile::AtomicFile(AtomicFile&& other) noexcept { *this = std::move(other); }

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept
{
    if (this == &other) return *this;
    Discard();
    m_target = std::move(other.m_target);
    m_temporary = std::move(other.m_temporary);
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
    m_stream = nullptr;
    m_fd = -1;
    m_failed = false;
    m_finished = false;
}

bool AtomicFile::Create(const std::filesystem::path& target)
{
    Discard();
    Reset();
    m_target = FollowLink(target);
    struct stat info;
    const bool exists = ::stat(m_target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        m_failed = true;
        return false;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        // A pipe nobody reads would hold the open for ever: such an open
        // fails instead, and once open, writes wait for the reader as usual.
        m_fd = ::open(m_target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, kNewFileMode);
        if (m_fd >= 0) ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    } else {
        for (int attempt = 0; attempt < kNameAttempts && m_fd < 0; ++attempt) {
            m_temporary = TemporaryName(m_target);
            m_fd = ::open(m_temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
            if (m_fd < 0 && errno != EEXIST) break;
        }
        // A replaced file keeps who may read it.
        if (m_fd >= 0 && exists) ::fchmod(m_fd, info.st_mode & kPermissionBits);
    }
    if (m_fd < 0) {
        m_temporary.clear();
        m_failed = true;
        return false;
    }
    return true;
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
    // A device or pipe has nothing to sync.
    if (!m_temporary.empty() && ::fsync(m_fd) != 0) m_failed = true;
    const int closed = m_stream != nullptr ? std::fclose(m_stream) : ::close(m_fd);
    if (closed != 0) m_failed = true;
    m_stream = nullptr;
    m_fd = -1;
    m_finished = true;
    if (m_failed) Discard();
    return !m_failed;
}

bool AtomicFile::Rename()
{
    if (!m_finished || m_failed) return false;
    if (m_temporary.empty()) return true;
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        m_failed = true;
        Discard();
        return false;
    }
    m_temporary.clear();
    return true;
}

bool AtomicFile::Publish()
{
    const bool inPlace = m_temporary.empty();
    if (!Rename()) return false;
    if (!inPlace) SyncFolder(m_target.parent_path());
    return true;
}

bool AtomicFile::PublishAll(std::vector<AtomicFile>& files)
{
    std::set<std::filesystem::path> folders;
    bool ok = true;
    for (AtomicFile& file : files) {
        if (!ok) {
            file.Discard();
            continue;
        }
        const bool inPlace = file.m_temporary.empty();
        ok = file.Rename();
        if (ok && !inPlace) folders.insert(file.m_target.parent_path());
    }
    for (const std::filesystem::path& folder : folders) SyncFolder(folder);
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
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
    m_finished = true;
    m_failed = true;
}

} // namespace velmor
