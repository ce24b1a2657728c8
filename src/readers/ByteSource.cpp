#include "readers/ByteSource.h"

#include "platform/FilePaths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor {
namespace {

bool PreadAll(int fd, uint8_t* dst, uint64_t bytes, uint64_t offset)
{
    while (bytes > 0) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(bytes, 1u << 30));
        const ssize_t n = pread(fd, dst, chunk, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        dst += n;
        offset += static_cast<uint64_t>(n);
        bytes -= static_cast<uint64_t>(n);
    }
    return true;
}

} // namespace

ByteSource::~ByteSource() { Close(); }

bool ByteSource::Open(const std::wstring& sceneFile, const std::wstring& blockOrPath, const std::wstring& filePath)
{
    if (blockOrPath.compare(0, 4, L"this") == 0) return OpenBlock(sceneFile, blockOrPath);
    return OpenFile(filePath);
}

bool ByteSource::OpenFile(const std::wstring& filePath)
{
    Close();
    fd_ = open(ResolveScenePath(filePath).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return false;
    }
    size_ = static_cast<uint64_t>(st.st_size);
    return true;
}

bool ByteSource::OpenBlock(const std::wstring& sceneFile, const std::wstring& blockName)
{
    Close();
    if (!block_.ReadSceneBlock(sceneFile, blockName)) return false;
    memory_ = block_.stream.Data();
    size_ = block_.plainLength;
    return true;
}

void ByteSource::Close()
{
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    block_.FreeBlock();
    memory_ = nullptr;
    size_ = position_ = windowStart_ = windowFill_ = 0;
}

bool ByteSource::ReadInto(void* dst, uint64_t bytes)
{
    if (bytes > size_ - position_) return false;
    if (memory_ != nullptr) {
        std::memcpy(dst, memory_ + position_, static_cast<size_t>(bytes));
        position_ += bytes;
        return true;
    }
    if (fd_ < 0) return false;
    // Hand out what the window already holds, then read the rest straight
    // into the destination.
    auto* out = static_cast<uint8_t*>(dst);
    if (position_ >= windowStart_ && position_ < windowStart_ + windowFill_) {
        const uint64_t held = std::min(bytes, windowStart_ + windowFill_ - position_);
        std::memcpy(out, window_.Data() + (position_ - windowStart_), static_cast<size_t>(held));
        out += held;
        position_ += held;
        bytes -= held;
    }
    if (bytes == 0) return true;
    if (!PreadAll(fd_, out, bytes, position_)) return false;
    position_ += bytes;
    return true;
}

bool ByteSource::Fill(uint64_t bytes)
{
    if (!window_.Ok() || window_.Size() == 0) {
        if (!window_.Commit(kWindow)) return false;
    }
    const uint64_t want = std::min(kWindow, size_ - position_);
    if (want < bytes || !PreadAll(fd_, window_.Data(), want, position_)) return false;
    windowStart_ = position_;
    windowFill_ = want;
    return true;
}

const uint8_t* ByteSource::Take(uint64_t bytes)
{
    if (bytes > kWindow || bytes > size_ - position_) return nullptr;
    if (memory_ != nullptr) {
        const uint8_t* p = memory_ + position_;
        position_ += bytes;
        return p;
    }
    if (fd_ < 0) return nullptr;
    const bool inWindow = position_ >= windowStart_ && position_ + bytes <= windowStart_ + windowFill_;
    if (!inWindow && !Fill(bytes)) return nullptr;
    const uint8_t* p = window_.Data() + (position_ - windowStart_);
    position_ += bytes;
    return p;
}

bool ByteSource::Skip(uint64_t bytes)
{
    if (bytes > size_ - position_) return false;
    position_ += bytes;
    return true;
}

} // namespace velmor
