#include "readers/ByteSource.h"

#include "platform/FilePaths.h"

#include <algorithm>
#include <cstring>

namespace velmor {

ByteSource::~ByteSource() { Close(); }

bool ByteSource::Open(const std::wstring& sceneFile, const std::wstring& blockOrPath, const std::wstring& filePath)
{
    if (blockOrPath.compare(0, 4, L"this") == 0) return OpenBlock(sceneFile, blockOrPath);
    return OpenFile(filePath);
}

bool ByteSource::OpenFile(const std::wstring& filePath)
{
    Close();
    file_ = ReadOnlyFile(ResolveScenePath(filePath));
    if (!file_.RegularSize(size_)) {
        Close();
        return false;
    }
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
    file_ = ReadOnlyFile();
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
    if (!file_.IsOpen()) return false;
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
    if (!file_.ReadExactlyAt(position_, out, bytes)) return false;
    position_ += bytes;
    return true;
}

bool ByteSource::ReadAt(uint64_t offset, void* dst, uint64_t bytes) const
{
    if (offset > size_ || bytes > size_ - offset) return false;
    if (memory_ != nullptr) {
        std::memcpy(dst, memory_ + offset, static_cast<size_t>(bytes));
        return true;
    }
    return file_.IsOpen() && file_.ReadExactlyAt(offset, dst, bytes);
}

bool ByteSource::Fill(uint64_t bytes)
{
    if (!window_.Ok() || window_.Size() == 0) {
        if (!window_.Commit(kWindow)) return false;
    }
    const uint64_t want = std::min(kWindow, size_ - position_);
    if (want < bytes || !file_.ReadExactlyAt(position_, window_.Data(), want)) return false;
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
    if (!file_.IsOpen()) return nullptr;
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
