#include "readers/DicomFileReader.h"

#include "readers/DicomByteOrder.h"
#include "readers/DicomDictionary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor {

namespace {

constexpr uint32_t kPastEnd = 0xFFFFFFFEu;
constexpr char kBigEndianSyntax[] = "1.2.840.10008.1.2.2";

size_t Left(const uint8_t* position, const uint8_t* end) { return size_t(end - position); }

bool Matches(const uint8_t* position, const uint8_t* end, const uint8_t* pattern, size_t count)
{
    return position < end && Left(position, end) >= count && std::memcmp(position, pattern, count) == 0;
}

// VRs newer than the table; their explicit headers have the long form.
bool IsNewerLongFormCode(const uint8_t* code)
{
    static constexpr const char* kCodes[] = {"OD", "OL", "OV", "SV", "UC", "UR", "UV"};
    for (const char* c : kCodes)
        if (code[0] == uint8_t(c[0]) && code[1] == uint8_t(c[1])) return true;
    return false;
}

void SetHeader(DicomElement& element, uint32_t tag, uint32_t vr, uint32_t multiplicity, std::string name)
{
    element.tag = tag;
    element.vr = vr;
    element.multiplicity = multiplicity;
    element.name = std::move(name);
    element.include = 1;
}

std::string GroupLengthName(uint16_t group)
{
    char text[32];
    std::snprintf(text, sizeof text, "Group %04d Length", group);
    return text;
}

void ReportIllegalValue()
{
    std::cout << "Illegal DICOM tag is found!" << std::endl;
}

// Walked values are stored with a 32-bit length.
bool FitsLength(const uint8_t* from, const uint8_t* to) { return Left(from, to) < kPastEnd; }

// A file read whole may hand its buffer to the one value that fills most of
// it (the pixel data), which then needs no copy at all.
struct Adoption {
    std::unique_ptr<uint8_t[]>* buffer = nullptr;
    size_t threshold = 0;
    DicomElement* taker = nullptr;
};

// Keeps the element unless its tag is already there; the value is copied at
// most once.
void Keep(DicomDataSet& dataSet, DicomElement&& element, uint8_t* bytes, uint32_t length, Adoption* adoption)
{
    if (dataSet.Find(DicomTagGroup(element.tag), DicomTagElement(element.tag)) != dataSet.end()) return;
    DicomElement& kept = dataSet.Insert(std::move(element)).first->second;
    if (adoption && !adoption->taker && *adoption->buffer && length >= adoption->threshold) {
        kept.AdoptValue(std::move(*adoption->buffer), bytes, length);
        adoption->taker = &kept;
        return;
    }
    kept.SetValue(bytes, length);
}

// Items of an OB or OW value of undefined length, up to the sequence
// delimitation item, which must be there: a file cut inside the value fails.
uint8_t* WalkEncapsulatedValue(uint8_t* position, uint8_t* end, bool littleEndian)
{
    while (Left(position, end) >= 8) {
        if (IsSequenceDelimiter(position, end)) return position + 8;
        if (!IsItemTag(position, end)) return nullptr;
        uint32_t itemLength;
        ReadSwappedValue(itemLength, position + 4, littleEndian);
        if (itemLength >= 0x80000000u) return nullptr;
        position += 8;
        if (itemLength > Left(position, end)) return nullptr;
        position += itemLength;
    }
    return nullptr;   // cut off before its sequence delimitation item
}

uint8_t* ReadElement(DicomDataSet& dataSet, uint8_t* position, uint8_t* end, bool littleEndian, bool nestedOnly, int depth,
                     Adoption* adoption);

// Items of a sequence of undefined length; their elements are parsed for
// their lengths only. Undefined lengths must end in their delimitation
// items, so that a file cut inside a sequence fails.
uint8_t* WalkSequence(DicomDataSet& dataSet, uint8_t* position, uint8_t* sequenceEnd, bool littleEndian, int depth)
{
    if (depth >= kMaxDicomSequenceDepth) return nullptr;
    while (Left(position, sequenceEnd) >= 8) {
        if (IsSequenceDelimiter(position, sequenceEnd)) return position + 8;
        if (!IsItemTag(position, sequenceEnd)) return nullptr;
        uint32_t itemLength;
        ReadSwappedValue(itemLength, position + 4, littleEndian);
        position += 8;
        uint8_t* itemEnd = sequenceEnd;
        if (itemLength != kUndefinedDicomLength) {
            if (itemLength > Left(position, sequenceEnd)) return nullptr;
            itemEnd = position + itemLength;
        }
        bool delimited = false;
        while (position < itemEnd && Left(position, itemEnd) >= 8) {
            if (IsItemDelimiter(position, itemEnd)) {
                position += 8;
                delimited = true;
                break;
            }
            position = ReadElement(dataSet, position, sequenceEnd, littleEndian, true, depth + 1, nullptr);
            if (!position) return nullptr;
        }
        if (itemLength == kUndefinedDicomLength && !delimited) return nullptr;   // cut off inside the item
    }
    return nullptr;   // cut off before the sequence delimitation item
}

uint8_t* ReadElement(DicomDataSet& dataSet, uint8_t* position, uint8_t* end, bool littleEndian, bool nestedOnly, int depth,
                     Adoption* adoption)
{
    DicomElement element;
    uint32_t length = 0;
    uint8_t* value = ReadDicomElementHeader(position, end, element, length, littleEndian);

    if (element.vr == kVrSQ) {
        uint8_t* after;
        if (length == kUndefinedDicomLength) {
            after = WalkSequence(dataSet, value, end, littleEndian, depth);
            if (!after || !FitsLength(value, after)) return nullptr;
        } else {
            if (length > Left(value, end)) return nullptr;
            after = value + length;
        }
        if (!nestedOnly) Keep(dataSet, std::move(element), value, uint32_t(after - value), adoption);
        return after;
    }
    if (length == kUndefinedDicomLength) {
        if (element.vr != kVrOB && element.vr != kVrOW) return nullptr;
        uint8_t* after = WalkEncapsulatedValue(value, end, littleEndian);
        if (!after || !FitsLength(value, after)) return nullptr;
        if (!nestedOnly) Keep(dataSet, std::move(element), value, uint32_t(after - value), adoption);
        return after;
    }
    if (length > 0x7FFFFFFFu) return nullptr;
    if (length == 0) {
        if (!nestedOnly && element.vr != kVrUnknown) Keep(dataSet, std::move(element), nullptr, 0, nullptr);
        return value;
    }
    if (length > Left(value, end)) return nullptr;
    if (!CheckDicomValue(element, value, length, littleEndian)) ReportIllegalValue();
    if (!nestedOnly) Keep(dataSet, std::move(element), value, length, adoption);
    return value + length;
}

} // namespace

bool IsItemTag(const uint8_t* position, const uint8_t* end)
{
    static constexpr uint8_t kPattern[] = {0xFE, 0xFF, 0x00, 0xE0};
    return Matches(position, end, kPattern, sizeof kPattern);
}

bool IsItemDelimiter(const uint8_t* position, const uint8_t* end)
{
    static constexpr uint8_t kPattern[] = {0xFE, 0xFF, 0x0D, 0xE0, 0, 0, 0, 0};
    return Matches(position, end, kPattern, sizeof kPattern);
}

bool IsSequenceDelimiter(const uint8_t* position, const uint8_t* end)
{
    static constexpr uint8_t kPattern[] = {0xFE, 0xFF, 0xDD, 0xE0, 0, 0, 0, 0};
    return Matches(position, end, kPattern, sizeof kPattern);
}

uint8_t* SkipDicomPreamble(uint8_t* buffer, uint8_t* end)
{
    if (!buffer || Left(buffer, end) <= 4) return nullptr;
    if (Left(buffer, end) >= 132 && std::memcmp(buffer + 128, "DICM", 4) == 0)
        return Left(buffer, end) == 132 ? nullptr : buffer + 132;
    return buffer;
}

uint8_t* ReadDicomElementHeader(uint8_t* position, uint8_t* end, DicomElement& element, uint32_t& length, bool littleEndian)
{
    if (!position || position >= end || Left(position, end) < 8) {
        length = kUndefinedDicomLength;
        return end;
    }
    const size_t left = Left(position, end);
    uint16_t group, number;
    ReadSwappedValue(group, position, littleEndian);
    ReadSwappedValue(number, position + 2, littleEndian);
    const char code[3] = {char(position[4]), char(position[5]), 0};
    const uint32_t fileVr = VrIndexFromCode(code);
    const bool newerLongForm = fileVr == kVrUnknown && IsNewerLongFormCode(position + 4);
    const uint32_t tag = MakeDicomTag(group, number);

    enum class Form { Implicit, Short, Long } form;
    if (newerLongForm) form = Form::Long;
    else if (fileVr == kVrUnknown) form = Form::Implicit;
    else form = IsLongFormVr(fileVr) ? Form::Long : Form::Short;

    const DicomElement* row = FindDicomDictionaryRow(group, number, fileVr);
    if (row) {
        SetHeader(element, row->tag, row->vr, row->multiplicity, row->name);
        if (form != Form::Implicit) element.vr = fileVr;   // the file's VR wins; newer ones are unknown here
    }

    // Where the length field sits and how wide it is.
    const size_t at = form == Form::Implicit ? 4 : form == Form::Short ? 6 : 8;
    const size_t width = form == Form::Short ? 2 : 4;
    if (at + width > left) {   // a long-form header needs 12 bytes
        length = kPastEnd;
        return position;
    }
    uint32_t found;
    if (width == 2) {
        uint16_t shortLength;
        ReadSwappedValue(shortLength, position + at, littleEndian);
        found = WidenDicomLength(shortLength);
    } else {
        ReadSwappedValue(found, position + at, littleEndian);
    }
    uint8_t* value = position + at + width;
    if (row) {
        length = found;
        return value;
    }

    if (fileVr == kVrSQ) {
        SetHeader(element, tag, kVrSQ, kAnyMultiplicity, "UNKNOWN");
    } else if (width == 4 && found == kUndefinedDicomLength && IsItemTag(value, end)) {
        // An implicit sequence, or a UN value, of undefined length.
        SetHeader(element, tag, kVrSQ, kAnyMultiplicity, "UNKNOWN");
    } else if (found > Left(value, end)) {
        length = kPastEnd;
        return position;
    } else if (number == 0) {
        SetHeader(element, tag, kVrUL, 1, GroupLengthName(group));
    } else {
        SetHeader(element, tag, fileVr, kAnyMultiplicity, "UNKNOWN");
    }
    length = found;
    return value;
}

bool CheckDicomValue(const DicomElement& element, uint8_t* bytes, uint32_t length, bool littleEndian)
{
    const uint64_t m = element.multiplicity;
    const bool limited = element.multiplicity != kAnyMultiplicity;
    const bool convert = littleEndian != IsHostLittleEndian();
    auto atMost = [&](uint64_t perValue) { return !limited || length <= perValue * m; };
    auto wholeValues = [&](uint32_t unit) { return !limited || (length % unit == 0 && length / unit <= m); };
    auto convertUnits = [&](uint32_t unit, uint32_t reversed) {
        if (!wholeValues(unit)) return false;
        if (convert) ReverseUnits(bytes, length - length % unit, reversed);
        return true;
    };
    switch (element.vr) {
    case kVrAE: case kVrCS: case kVrDS: case kVrIS: case kVrSH: case kVrTM: return atMost(16);
    case kVrAS: return wholeValues(4);
    case kVrAT: return convertUnits(4, 2);
    case kVrDA: return !limited || (length % 8 == 0 && length / 8 <= m) || (length % 10 == 0 && length / 10 <= m);
    case kVrDT: return atMost(26);
    case kVrFL: case kVrSL: case kVrUL: return convertUnits(4, 4);
    case kVrFD: return convertUnits(8, 8);
    case kVrLO: case kVrPN: case kVrUI: return atMost(64);
    case kVrLT: return atMost(10240);
    case kVrST: return atMost(1024);
    case kVrSS: case kVrUS: return convertUnits(2, 2);
    case kVrOF:
        if (convert) ReverseUnits(bytes, length, 4);
        return true;
    case kVrOW:
        if (convert) ReverseUnits(bytes, length, 2);
        return true;
    default: return true;
    }
}

uint8_t* ReadDicomElement(DicomDataSet& dataSet, uint8_t* position, uint8_t* end, bool littleEndian, bool nestedOnly)
{
    return ReadElement(dataSet, position, end, littleEndian, nestedOnly, 0, nullptr);
}

namespace {

bool ParseBuffer(DicomDataSet& dataSet, uint8_t* buffer, size_t size, bool littleEndian, Adoption* adoption)
{
    dataSet.Clear();
    if (!buffer) return false;
    uint8_t* const end = buffer + size;
    uint8_t* position = SkipDicomPreamble(buffer, end);
    if (!position) return false;
    uint8_t* metaEnd = nullptr;
    bool syntaxExamined = false;
    while (position < end) {
        position = ReadElement(dataSet, position, end, littleEndian, false, 0, adoption);
        if (!position) return false;
        if (!metaEnd && dataSet.Has(0x0002, 0x0000)) {
            const uint64_t metaLength = dataSet.GetUInt(0x0002, 0x0000, 0);
            metaEnd = metaLength >= Left(position, end) ? end : position + metaLength;
        }
        if (metaEnd && !syntaxExamined && dataSet.Has(0x0002, 0x0010)) {
            syntaxExamined = true;
            littleEndian = dataSet.GetString(0x0002, 0x0010, "") != kBigEndianSyntax;
            if (!littleEndian) {
                // The rest of the file meta group stays little endian.
                while (position < metaEnd) {
                    position = ReadElement(dataSet, position, metaEnd, true, false, 0, adoption);
                    if (!position) return false;
                }
            }
        }
    }
    return true;
}

} // namespace

bool ParseDicomBuffer(DicomDataSet& dataSet, uint8_t* buffer, size_t size, bool littleEndian)
{
    return ParseBuffer(dataSet, buffer, size, littleEndian, nullptr);
}

bool LoadDicomFile(DicomDataSet& dataSet, const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || info.st_size < 0) {
        ::close(fd);
        return false;
    }
    const size_t size = size_t(info.st_size);
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size + 1]);
    if (!buffer) {
        ::close(fd);
        return false;
    }
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer.get() + got, size - got);
        if (n <= 0) break;
        got += size_t(n);
    }
    ::close(fd);
    // Only a value that fills most of the file may keep the file's buffer,
    // so that little memory is held beyond the value itself.
    Adoption adoption;
    adoption.buffer = &buffer;
    adoption.threshold = std::max<size_t>(got / 2, 64 * 1024);
    uint8_t* const bytes = buffer.get();
    const bool parsed = ParseBuffer(dataSet, bytes, got, true, &adoption);
    if (adoption.taker) adoption.taker->Value()[adoption.taker->Length()] = 0;   // the rest is parsed
    if (!parsed) return false;
    for (const auto& entry : dataSet)
        if (entry.second.name != "UNKNOWN") return true;
    return false;
}

} // namespace velmor
