#pragma once
// Builds DICOM byte streams in memory for tests, seeds and benchmarks:
// elements in any encoding, including deliberately broken ones.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmor::test {

std::string Bytes16(uint16_t value, bool littleEndian = true);
std::string Bytes32(uint32_t value, bool littleEndian = true);

class DicomBuilder {
public:
    explicit DicomBuilder(bool littleEndian = true) : littleEndian_(littleEndian) {}

    // 128 zero bytes and "DICM".
    DicomBuilder& Preamble();
    // File meta group in explicit VR little endian with its group length.
    DicomBuilder& Meta(std::string_view transferSyntax, std::string_view sopInstance = "1.2.3.4");
    // Header form chosen by the VR: 12 bytes for OB, OF, OW, SQ, UN, UT and
    // the newer long-form codes, else 8.
    DicomBuilder& Explicit(uint16_t group, uint16_t element, std::string_view vr, std::string_view value);
    // Header only, with any length.
    DicomBuilder& ExplicitHeader(uint16_t group, uint16_t element, std::string_view vr, uint32_t length);
    DicomBuilder& Implicit(uint16_t group, uint16_t element, std::string_view value);
    DicomBuilder& ImplicitHeader(uint16_t group, uint16_t element, uint32_t length);
    DicomBuilder& Item(std::string_view content);
    DicomBuilder& ItemHeader(uint32_t length);
    DicomBuilder& ItemDelimiter();
    DicomBuilder& SequenceDelimiter();
    DicomBuilder& Raw(std::string_view bytes);
    DicomBuilder& LittleEndian(bool littleEndian);

    std::string U16(uint16_t value) const { return Bytes16(value, littleEndian_); }
    std::string U32(uint32_t value) const { return Bytes32(value, littleEndian_); }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string Tag(uint16_t group, uint16_t element) const;

    bool littleEndian_;
    std::string bytes_;
};

struct DicomSliceOptions {
    std::string transferSyntax = "1.2.840.10008.1.2.1";
    bool meta = true;
    bool explicitVr = true;
    uint16_t rows = 4;
    uint16_t columns = 3;
    int instanceNumber = 7;
    int seriesNumber = 3;
    bool signedPixels = true;
    bool withSequence = true;
};

// A small CT-like slice with a nested sequence and a private element;
// pixel value of (row, column) is row * 1000 - column * 7 (stored 16 bits).
std::string MakeDicomSlice(const DicomSliceOptions& options = {});
uint16_t DicomSlicePixel(int row, int column);

} // namespace velmor::test
