#pragma once
// Reads DICOM files: with or without the 128-byte preamble and "DICM",
// explicit or implicit VR decided element by element, little endian or the
// big-endian explicit transfer syntax. Top-level elements are kept; elements
// inside sequences are only walked to find the sequence's end.
#include "platform/ReadOnlyFile.h"
#include "readers/DicomDataSet.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmor {

// Sequences nested deeper than this fail the parse instead of exhausting the stack.
constexpr int kMaxDicomSequenceDepth = 64;

// Reads the file with one read and parses it in place. True when the parse
// succeeded and at least one element is known (a dictionary tag or a group
// length).
bool LoadDicomFile(DicomDataSet& dataSet, const std::string& path);

// Where LoadDicomHeader left the Pixel Data value.
struct DicomPixelPlace {
    bool inFile = false;        // false: the data set holds the Pixel Data, if the file has one
    uint64_t offset = 0;        // of the value in the file
    uint32_t length = 0;
    uint32_t vr = 0;            // OB or OW
    bool littleEndian = true;   // the data set's byte order
    bool known = false;         // the element has a dictionary name
};

// LoadDicomFile without reading the pixels: when the top-level Pixel Data
// has a defined OB or OW length and its value ends the file, only the head
// of the file is read and the value stays in the file. Otherwise the file is
// read whole. Answer and elements are LoadDicomFile's, except that a value
// left in the file is not in the set. The head read first is `headBytes`
// long, then sixteen times that.
bool LoadDicomHeader(DicomDataSet& dataSet, const ReadOnlyFile& file, DicomPixelPlace& place, uint64_t headBytes = 16 << 10);
// The value LoadDicomHeader left in the file (place.length bytes), in host
// order as LoadDicomFile would hold it.
bool ReadDicomPixels(const ReadOnlyFile& file, const DicomPixelPlace& place, uint8_t* dst);

// Clears the set and reads every element of the buffer. Binary values are
// converted to host order inside `buffer` before they are copied out. A
// failed parse leaves the elements read before the failure.
bool ParseDicomBuffer(DicomDataSet& dataSet, uint8_t* buffer, size_t size, bool littleEndian);

// Where the elements start: after "DICM" at 128, else the buffer's start;
// nullptr for 4 bytes or less, or nothing after "DICM".
uint8_t* SkipDicomPreamble(uint8_t* buffer, uint8_t* end);

// Returns the position after the element, or nullptr on failure. With
// nestedOnly the element is parsed but not kept.
uint8_t* ReadDicomElement(DicomDataSet& dataSet, uint8_t* position, uint8_t* end, bool littleEndian, bool nestedOnly);

// Fills the element's header fields and the value length; returns where the
// value starts. Fewer than 8 bytes: length 0xFFFFFFFF and `end`. A header or
// a value of an unknown tag that runs past the end: length 0xFFFFFFFE and
// `position`.
uint8_t* ReadDicomElementHeader(uint8_t* position, uint8_t* end, DicomElement& element, uint32_t& length, bool littleEndian);

// False when the length breaks the VR's limits (then nothing is converted);
// otherwise converts binary values in place to host order.
bool CheckDicomValue(const DicomElement& element, uint8_t* bytes, uint32_t length, bool littleEndian);

// Item and delimiter patterns, in the data set's byte order: a big-endian
// data set spells (FFFE,E000) as FF FE E0 00.
bool IsItemTag(const uint8_t* position, const uint8_t* end, bool littleEndian = true);
bool IsItemDelimiter(const uint8_t* position, const uint8_t* end, bool littleEndian = true);
bool IsSequenceDelimiter(const uint8_t* position, const uint8_t* end, bool littleEndian = true);

} // namespace velmor
