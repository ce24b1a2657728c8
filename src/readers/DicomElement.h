#pragma once
// One DICOM element: header fields from the dictionary and the owned value.
#include "readers/DicomVr.h"

#include <cstdint>
#include <memory>
#include <string>

namespace velmor {

class DicomElement {
public:
    // No tag, unknown VR, multiplicity 1, no name, included, no value.
    DicomElement() = default;
    DicomElement(uint32_t tag, uint32_t vr, uint32_t multiplicity, std::string name, uint8_t include);
    // Header from the dictionary's first row of the tag (the "no tag
    // exists." element when it has none), then the value.
    DicomElement(uint16_t group, uint16_t element, const void* bytes, uint32_t length);
    // Header of `header` with another value.
    DicomElement(const DicomElement& header, const void* bytes, uint32_t length);
    DicomElement(const DicomElement& other);
    DicomElement(DicomElement&& other) noexcept;
    DicomElement& operator=(const DicomElement& other);
    DicomElement& operator=(DicomElement&& other) noexcept;
    ~DicomElement() = default;

    // Keeps the buffer and its bytes when n is the current length; any
    // other length gets a fresh zero-filled buffer of n + 1 bytes (none for 0).
    void ResizeValue(uint32_t n);
    void SetValue(const void* bytes, uint32_t n);
    void FreeValue();
    // Takes a buffer that holds the value at `value` (a file read whole), so
    // that large values need no copy. The caller puts a NUL at value[n]
    // before anyone reads the value as text.
    void AdoptValue(std::unique_ptr<uint8_t[]> storage, uint8_t* value, uint32_t n);

    // Signed: SL of exactly 4 bytes by value, else the leading decimal of the text.
    int32_t AsInt() const;
    // The same with UL in place of SL.
    uint32_t AsUInt() const;

    uint8_t* Value() const { return value_; }
    uint32_t Length() const { return length_; }
    bool HasValue() const { return value_ != nullptr && length_ != 0; }

    uint32_t tag = kNoDicomTag;
    uint32_t vr = kVrUnknown;
    uint32_t multiplicity = 1;
    std::string name;
    // 1: counted in its group length and written; 0: neither.
    uint8_t include = 1;

private:
    void Allocate(uint32_t n, bool zeroFill);

    // length_ + 1 bytes from value_ on, the last one NUL, so text values read
    // as C text; value_ points into storage_.
    std::unique_ptr<uint8_t[]> storage_;
    uint8_t* value_ = nullptr;
    uint32_t length_ = 0;
};

// The value as text: "empty" without value; numbers for FL, FD, SL, UL, SS
// and US; "..." for OB, OW, SQ and UN; the bytes up to the first NUL for
// every other VR. Numbers never depend on the C locale.
std::string DicomValueText(const DicomElement& element);

} // namespace velmor
