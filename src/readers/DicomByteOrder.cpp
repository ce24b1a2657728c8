#include "readers/DicomByteOrder.h"

#include <algorithm>
#include <cstring>

namespace velmor {

namespace {

template <typename T>
void ReadOrdered(T& value, const uint8_t* bytes, bool littleEndian)
{
    uint8_t copy[sizeof(T)];
    std::memcpy(copy, bytes, sizeof(T));
    if (littleEndian != IsHostLittleEndian()) ReverseBytes(copy, sizeof(T));
    std::memcpy(&value, copy, sizeof(T));
}

template <typename T>
void WriteOrdered(uint8_t* bytes, T value, bool littleEndian)
{
    std::memcpy(bytes, &value, sizeof(T));
    if (littleEndian != IsHostLittleEndian()) ReverseBytes(bytes, sizeof(T));
}

} // namespace

void ReverseBytes(uint8_t* bytes, size_t count) { std::reverse(bytes, bytes + count); }

void ReverseUnits(uint8_t* bytes, size_t length, size_t unit)
{
    if (unit < 2) return;
    const size_t whole = length - length % unit;
    if (unit == 2) {
        for (size_t i = 0; i < whole; i += 2) std::swap(bytes[i], bytes[i + 1]);
        return;
    }
    for (size_t i = 0; i < whole; i += unit) ReverseBytes(bytes + i, unit);
}

void ReadSwappedValue(uint16_t& value, const uint8_t* bytes, bool littleEndian) { ReadOrdered(value, bytes, littleEndian); }
void ReadSwappedValue(uint32_t& value, const uint8_t* bytes, bool littleEndian) { ReadOrdered(value, bytes, littleEndian); }
void ReadSwappedValue(float& value, const uint8_t* bytes, bool littleEndian) { ReadOrdered(value, bytes, littleEndian); }
void ReadSwappedValue(double& value, const uint8_t* bytes, bool littleEndian) { ReadOrdered(value, bytes, littleEndian); }

void SwapToFileOrder(uint8_t* bytes, uint16_t value, bool littleEndian) { WriteOrdered(bytes, value, littleEndian); }
void SwapToFileOrder(uint8_t* bytes, uint32_t value, bool littleEndian) { WriteOrdered(bytes, value, littleEndian); }
void SwapToFileOrder(uint8_t* bytes, double value, bool littleEndian) { WriteOrdered(bytes, value, littleEndian); }

} // namespace velmor
