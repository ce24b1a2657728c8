#include "readers/DicomFileReader.h"

#include "readers/DicomByteOrder.h"
#include "readers/DicomDictionary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>

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

// A parse of a file's head that may be thrown away counts its reports
// here, so that a file read again whole does not report twice.
thread_local uint64_t* tHeldReports = nullptr;

struct HeldReports {
    explicit HeldReports(uint64_t& count) { tHeldReports = &count; }
    ~HeldReports() { tHeldReports = nullptr; }
    HeldReports(const HeldReports&) = delete;
    HeldReports& operator=(const HeldReports&) = delete;
};

void ReportIllegalValue()
{
    if (tHeldReports != nullptr) {
        ++*tHeldReports;
        return;
    }
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
        if (IsSequenceDelimiter(position, end, littleEndian)) return position + 8;
        if (!IsItemTag(position, end, littleEndian)) return nullptr;
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
        if (IsSequenceDelimiter(position, sequenceEnd, littleEndian)) return position + 8;
        if (!IsItemTag(position, sequenceEnd, littleEndian)) return nullptr;
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
            if (IsItemDelimiter(position, itemEnd, littleEndian)) {
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

bool IsItemTag(const uint8_t* position, const uint8_t* end, bool littleEndian)
{
    static constexpr uint8_t kLittle[] = {0xFE, 0xFF, 0x00, 0xE0};
    static constexpr uint8_t kBig[] = {0xFF, 0xFE, 0xE0, 0x00};
    return Matches(position, end, littleEndian ? kLittle : kBig, 4);
}

bool IsItemDelimiter(const uint8_t* position, const uint8_t* end, bool littleEndian)
{
    static constexpr uint8_t kLittle[] = {0xFE, 0xFF, 0x0D, 0xE0, 0, 0, 0, 0};
    static constexpr uint8_t kBig[] = {0xFF, 0xFE, 0xE0, 0x0D, 0, 0, 0, 0};
    return Matches(position, end, littleEndian ? kLittle : kBig, 8);
}

bool IsSequenceDelimiter(const uint8_t* position, const uint8_t* end, bool littleEndian)
{
    static constexpr uint8_t kLittle[] = {0xFE, 0xFF, 0xDD, 0xE0, 0, 0, 0, 0};
    static constexpr uint8_t kBig[] = {0xFF, 0xFE, 0xE0, 0xDD, 0, 0, 0, 0};
    return Matches(position, end, littleEndian ? kLittle : kBig, 8);
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
    } else if (width == 4 && found == kUndefinedDicomLength && IsItemTag(value, end, littleEndian)) {
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

constexpr uint32_t kPixelDataTag = 0x7FE00010u;

// A parse of the head of a file that stops at the top-level Pixel Data
// element instead of reading its value.
struct HeaderStop {
    size_t fileSize = 0;     // the whole file; the buffer holds its head
    bool partial = false;    // the buffer is shorter than the file
    bool stopped = false;
    bool usable = false;     // the value ends the file: nothing after it to read
    DicomPixelPlace place;
};

// True when the element at `position` is the top-level Pixel Data and the
// parse stops there; `stop` then tells whether the head alone gives what
// the whole file would.
bool StopsAtPixelData(uint8_t* buffer, uint8_t* position, uint8_t* limit, bool littleEndian, HeaderStop& stop)
{
    uint16_t group = 0, number = 0;
    if (Left(position, limit) < 8) return false;
    ReadSwappedValue(group, position, littleEndian);
    ReadSwappedValue(number, position + 2, littleEndian);
    if (MakeDicomTag(group, number) != kPixelDataTag) return false;
    DicomElement header;
    uint32_t length = 0;
    uint8_t* value = ReadDicomElementHeader(position, limit, header, length, littleEndian);
    if (value == position || length == kUndefinedDicomLength) return false;
    stop.stopped = true;
    const uint64_t offset = uint64_t(value - buffer);
    stop.usable = (header.vr == kVrOB || header.vr == kVrOW) && length != 0 && length <= 0x7FFFFFFFu &&
                  offset <= stop.fileSize && length == stop.fileSize - offset;
    stop.place = {true, offset, length, header.vr, littleEndian, header.name != "UNKNOWN"};
    return true;
}

bool ParseBuffer(DicomDataSet& dataSet, uint8_t* buffer, size_t size, bool littleEndian, Adoption* adoption,
                 HeaderStop* stop = nullptr)
{
    dataSet.Clear();
    if (!buffer) return false;
    uint8_t* const end = buffer + size;
    uint8_t* position = SkipDicomPreamble(buffer, end);
    if (!position) return false;
    // One top-level element; false ends the parse (a failure unless the
    // header parse stopped at the pixel data).
    auto readTop = [&](uint8_t* limit, bool order) {
        if (stop && StopsAtPixelData(buffer, position, limit, order, *stop)) return false;
        position = ReadElement(dataSet, position, limit, order, false, 0, adoption);
        return position != nullptr;
    };
    uint8_t* metaEnd = nullptr;
    bool syntaxExamined = false;
    while (position < end) {
        if (!readTop(end, littleEndian)) return stop && stop->stopped;
        if (!metaEnd && dataSet.Has(0x0002, 0x0000)) {
            const uint64_t metaLength = dataSet.GetUInt(0x0002, 0x0000, 0);
            // A meta group running past the head may end elsewhere in the whole file.
            if (stop && stop->partial && metaLength >= Left(position, end)) return false;
            metaEnd = metaLength >= Left(position, end) ? end : position + metaLength;
        }
        if (metaEnd && !syntaxExamined && dataSet.Has(0x0002, 0x0010)) {
            syntaxExamined = true;
            littleEndian = dataSet.GetString(0x0002, 0x0010, "") != kBigEndianSyntax;
            if (!littleEndian) {
                // The rest of the file meta group stays little endian.
                while (position < metaEnd)
                    if (!readTop(metaEnd, true)) return stop && stop->stopped;
            }
        }
    }
    return true;
}

bool AnyKnown(const DicomDataSet& dataSet)
{
    for (const auto& entry : dataSet)
        if (entry.second.name != "UNKNOWN") return true;
    return false;
}

// The whole file in one buffer, parsed in place.
bool LoadWholeFile(DicomDataSet& dataSet, const ReadOnlyFile& file, uint64_t size)
{
    dataSet.Clear();
    if (size > SIZE_MAX - 1) return false;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size_t(size) + 1]);
    if (!buffer) return false;
    const int64_t got = file.ReadAt(0, buffer.get(), size);
    if (got < 0) return false;
    // Only a value that fills most of the file may keep the file's buffer,
    // so that little memory is held beyond the value itself.
    Adoption adoption;
    adoption.buffer = &buffer;
    adoption.threshold = std::max<size_t>(size_t(got) / 2, 64 * 1024);
    uint8_t* const bytes = buffer.get();
    const bool parsed = ParseBuffer(dataSet, bytes, size_t(got), true, &adoption);
    if (adoption.taker) adoption.taker->Value()[adoption.taker->Length()] = 0;   // the rest is parsed
    return parsed && AnyKnown(dataSet);
}

} // namespace

bool ParseDicomBuffer(DicomDataSet& dataSet, uint8_t* buffer, size_t size, bool littleEndian)
{
    return ParseBuffer(dataSet, buffer, size, littleEndian, nullptr);
}

bool LoadDicomFile(DicomDataSet& dataSet, const std::string& path)
{
    const ReadOnlyFile file(path);
    uint64_t size = 0;
    if (!file.RegularSize(size)) {
        dataSet.Clear();
        return false;
    }
    return LoadWholeFile(dataSet, file, size);
}

bool LoadDicomHeader(DicomDataSet& dataSet, const ReadOnlyFile& file, DicomPixelPlace& place, uint64_t headBytes)
{
    place = {};
    uint64_t size = 0;
    if (!file.RegularSize(size)) {
        dataSet.Clear();
        return false;
    }
    // Most headers fit the first read; long private sequences the second.
    for (const uint64_t head : {headBytes, headBytes * 16}) {
        if (head == 0 || head >= size) break;
        std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[head]);
        const int64_t got = buffer ? file.ReadAt(0, buffer.get(), head) : -1;
        if (got != int64_t(head)) break;
        HeaderStop stop;
        stop.fileSize = size;
        stop.partial = true;
        uint64_t reports = 0;
        bool parsed = false;
        {
            const HeldReports hold(reports);
            parsed = ParseBuffer(dataSet, buffer.get(), size_t(head), true, nullptr, &stop);
        }
        if (parsed && stop.stopped && stop.usable) {
            for (; reports > 0; --reports) ReportIllegalValue();
            place = stop.place;
            return AnyKnown(dataSet) || place.known;
        }
    }
    return LoadWholeFile(dataSet, file, size);
}

bool ReadDicomPixels(const ReadOnlyFile& file, const DicomPixelPlace& place, uint8_t* dst)
{
    if (!place.inFile || !file.ReadExactlyAt(place.offset, dst, place.length)) return false;
    if (place.vr == kVrOW && place.littleEndian != IsHostLittleEndian()) ReverseUnits(dst, place.length, 2);
    return true;
}

} // namespace velmor
