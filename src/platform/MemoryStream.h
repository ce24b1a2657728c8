#pragma once
// A read/seek stream over bytes that someone else owns: the decrypted block
// of a scene container, or a plain scene file read into memory.
#include <cstddef>
#include <cstdint>

namespace velmor {

class MemoryStream {
public:
    enum class Origin { Begin, Current, End };

    MemoryStream() = default;
    MemoryStream(uint8_t* data, uint64_t size) : data_(data), size_(size) {}

    // Copies up to `bytes` from the position on; returns how many it copied.
    uint64_t Read(void* dst, uint64_t bytes);
    // Positions outside 0..size are refused and leave the position alone.
    bool Seek(int64_t offset, Origin origin);
    uint64_t Tell() const { return pos_; }
    uint64_t Size() const { return size_; }
    // The bytes themselves, for readers that parse in place.
    uint8_t* Data() const { return data_; }

private:
    uint8_t* data_ = nullptr;
    uint64_t size_ = 0;
    uint64_t pos_ = 0;
};

} // namespace velmor
