#pragma once
// Sequential bytes of a payload, from a file or from a block of the open
// scene container, read in large pieces. Short data is reported, never
// silently treated as zeros.
#include "platform/Memory.h"
#include "platform/ReadOnlyFile.h"
#include "scene/SceneBlockStream.h"

#include <cstdint>
#include <string>

namespace velmor {

class ByteSource {
public:
    ByteSource() = default;
    ~ByteSource();
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // A path starting with "this" names a block of `sceneFile`; anything
    // else is a file. False when it cannot be opened or decrypted.
    bool Open(const std::wstring& sceneFile, const std::wstring& blockOrPath, const std::wstring& filePath);
    bool OpenFile(const std::wstring& filePath);
    bool OpenBlock(const std::wstring& sceneFile, const std::wstring& blockName);
    void Close();

    // Copies exactly `bytes` into dst; false (with dst partly written) when
    // the source ends first or fails.
    bool ReadInto(void* dst, uint64_t bytes);
    // Copies exactly `bytes` from `offset` on, without moving the position;
    // safe to call from several threads at once.
    bool ReadAt(uint64_t offset, void* dst, uint64_t bytes) const;
    // The next `bytes` bytes, contiguous and valid until the next call;
    // nullptr when the source ends first. `bytes` at most kWindow.
    const uint8_t* Take(uint64_t bytes);
    bool Skip(uint64_t bytes);
    uint64_t Size() const { return size_; }
    uint64_t Position() const { return position_; }

    static constexpr uint64_t kWindow = 1u << 20;

private:
    bool Fill(uint64_t bytes);

    ReadOnlyFile file_;
    SceneBlockStream block_;
    const uint8_t* memory_ = nullptr;   // the block's bytes, when reading a block
    uint64_t size_ = 0;
    uint64_t position_ = 0;             // of the next byte handed out
    CommittedBuffer window_;            // file bytes [windowStart_, windowStart_ + windowFill_)
    uint64_t windowStart_ = 0;
    uint64_t windowFill_ = 0;
};

} // namespace velmor
