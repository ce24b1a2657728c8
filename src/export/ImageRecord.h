#pragma once
#include <cstdint>

namespace velmor {

// An image in memory, owned by whoever fills it.
struct ImageRecord {
    uint8_t* pixels = nullptr;   // first byte of the first row
    int32_t width = 0;           // pixels per row
    int32_t height = 0;          // rows
    int32_t stride = 0;          // bytes from one row to the next
};

} // namespace velmor
