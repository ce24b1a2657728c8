#pragma once
// Byte-order routines that the DICOM reader and writer share.
#include <bit>
#include <cstddef>
#include <cstdint>

namespace velmor {

constexpr bool IsHostLittleEndian() { return std::endian::native == std::endian::little; }

void ReverseBytes(uint8_t* bytes, size_t count);
// Reverses every whole unit of `unit` bytes; a partial tail stays as it is.
void ReverseUnits(uint8_t* bytes, size_t length, size_t unit);

// Reads a value from file bytes, reversing it when the file's order is not the host's.
void ReadSwappedValue(uint16_t& value, const uint8_t* bytes, bool littleEndian);
void ReadSwappedValue(uint32_t& value, const uint8_t* bytes, bool littleEndian);
void ReadSwappedValue(float& value, const uint8_t* bytes, bool littleEndian);
void ReadSwappedValue(double& value, const uint8_t* bytes, bool littleEndian);

// The writing twin: the bytes of `value` in the file's order.
void SwapToFileOrder(uint8_t* bytes, uint16_t value, bool littleEndian);
void SwapToFileOrder(uint8_t* bytes, uint32_t value, bool littleEndian);
void SwapToFileOrder(uint8_t* bytes, double value, bool littleEndian);

// A 16-bit length of 0xFFFF means undefined; everything else zero-extends.
constexpr uint32_t WidenDicomLength(uint16_t length) { return length == 0xFFFF ? 0xFFFFFFFFu : length; }
constexpr uint32_t WidenDicomLength(uint32_t length) { return length; }

} // namespace velmor
