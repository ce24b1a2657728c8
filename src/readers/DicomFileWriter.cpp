#include "readers/DicomFileWriter.h"

#include "platform/AtomicFile.h"
#include "readers/DicomByteOrder.h"
#include "readers/DicomFileReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace velmor {

namespace {

constexpr char kImplicitLittle[] = "1.2.840.10008.1.2";
constexpr char kExplicitLittle[] = "1.2.840.10008.1.2.1";
constexpr char kExplicitBig[] = "1.2.840.10008.1.2.2";
constexpr uint16_t kMetaTags[] = {0x0001, 0x0002, 0x0003, 0x0010, 0x0012, 0x0013, 0x0016, 0x0100, 0x0102};

bool Put(std::FILE* file, const void* bytes, size_t count)
{
    return count == 0 || std::fwrite(bytes, 1, count, file) == count;
}

bool PutTag(std::FILE* file, uint16_t group, uint16_t element, bool littleEndian)
{
    uint8_t bytes[4];
    SwapToFileOrder(bytes, group, littleEndian);
    SwapToFileOrder(bytes + 2, element, littleEndian);
    return Put(file, bytes, 4);
}

bool Put16(std::FILE* file, uint16_t value, bool littleEndian)
{
    uint8_t bytes[2];
    SwapToFileOrder(bytes, value, littleEndian);
    return Put(file, bytes, 2);
}

bool Put32(std::FILE* file, uint32_t value, bool littleEndian)
{
    uint8_t bytes[4];
    SwapToFileOrder(bytes, value, littleEndian);
    return Put(file, bytes, 4);
}

// A value made of items that ends with a sequence delimitation item is
// written with undefined length.
bool IsItemList(const uint8_t* value, uint32_t length)
{
    return value && length >= 13 && IsItemTag(value, value + length) && IsSequenceDelimiter(value + length - 8, value + length);
}

uint32_t WrittenLength(const uint8_t* value, uint32_t length)
{
    return IsItemList(value, length) ? kUndefinedDicomLength : length;
}

// The value in the file's order, unit by unit; false when it is not whole units.
bool PutUnits(std::FILE* file, const uint8_t* value, uint32_t length, size_t unit, bool littleEndian)
{
    if (littleEndian == IsHostLittleEndian()) return Put(file, value, length);
    if (length % unit != 0) return false;
    std::vector<uint8_t> copy(value, value + length);
    ReverseUnits(copy.data(), copy.size(), unit);
    return Put(file, copy.data(), copy.size());
}

size_t BinaryUnit(uint32_t vr)
{
    switch (vr) {
    case kVrAT: case kVrSS: case kVrUS: case kVrOW: return 2;
    case kVrFL: case kVrSL: case kVrUL: case kVrOF: return 4;
    case kVrFD: return 8;
    default: return 0;
    }
}

bool IsTextPaddedWithBlanks(uint32_t vr)
{
    switch (vr) {
    case kVrAE: case kVrAS: case kVrCS: case kVrDA: case kVrDS: case kVrDT: case kVrIS: case kVrLO:
    case kVrLT: case kVrPN: case kVrSH: case kVrST: case kVrTM: case kVrUT:
        return true;
    default:
        return false;
    }
}

uint32_t EvenLength(uint32_t length) { return length % 2 && length < 0xFFFFFFFEu ? length + 1 : length; }

bool WillBeWritten(const DicomElement& element) { return element.include != 0 && element.tag != kNoDicomTag; }

bool IsGroup0002(const DicomElement& element) { return DicomTagGroup(element.tag) == 0x0002; }

// A short header holds 16 bits of length; checked before the file is touched.
bool EveryValueFitsItsHeader(const DicomDataSet& dataSet, bool implicit)
{
    for (const auto& [key, element] : dataSet) {
        (void)key;
        if (!WillBeWritten(element) || (implicit && !IsGroup0002(element))) continue;
        if (!IsLongFormVr(element.vr) && element.Length() > 0xFFFF) return false;
    }
    return true;
}

// Completes the meta group of the copy; returns whether the body is implicit.
bool PrepareMetaGroup(DicomDataSet& copy)
{
    bool implicit = true;
    if (!copy.Has(0x0002, 0x0010)) {
        copy.Insert(DicomElement(0x0002, 0x0010, kImplicitLittle, uint32_t(std::strlen(kImplicitLittle))));
    } else {
        const std::string syntax = copy.GetString(0x0002, 0x0010, "");
        if (syntax == kExplicitLittle || JpegTransferSyntaxKind(syntax) > 0) {
            implicit = false;
        } else if (syntax == kExplicitBig) {
            implicit = false;
            copy.At(0x0002, 0x0010).SetValue(kExplicitLittle, uint32_t(std::strlen(kExplicitLittle)));
        }
    }
    if (!copy.Has(0x0002, 0x0000)) {
        const uint8_t zero[4] = {};
        copy.Insert(DicomElement(0x0002, 0x0000, zero, 4));
    }
    return implicit;
}

bool WriteAll(const DicomDataSet& copy, bool metaWanted, bool implicit, std::FILE* file)
{
    if (metaWanted) {
        const uint8_t preamble[128] = {};
        if (!Put(file, preamble, sizeof preamble) || !Put(file, "DICM", 4)) return false;
    }
    for (const auto& [key, element] : copy) {
        (void)key;
        if (!WillBeWritten(element)) continue;
        const bool ok = implicit && !IsGroup0002(element) ? WriteDicomElementImplicit(element, file, true)
                                                          : WriteDicomElementExplicit(element, file, true);
        if (!ok) return false;
    }
    return true;
}

} // namespace

int JpegTransferSyntaxKind(const std::string& uid)
{
    static const struct { const char* uid; int kind; } kSyntaxes[] = {
        {"1.2.840.10008.1.2.4.50", 1}, {"1.2.840.10008.1.2.4.51", 1}, {"1.2.840.10008.1.2.4.52", 1},
        {"1.2.840.10008.1.2.4.53", 1}, {"1.2.840.10008.1.2.4.54", 1}, {"1.2.840.10008.1.2.4.55", 1},
        {"1.2.840.10008.1.2.4.56", 1}, {"1.2.840.10008.1.2.4.57", 2}, {"1.2.840.10008.1.2.4.58", 2},
        {"1.2.840.10008.1.2.4.59", 1}, {"1.2.840.10008.1.2.4.60", 1}, {"1.2.840.10008.1.2.4.61", 1},
        {"1.2.840.10008.1.2.4.62", 1}, {"1.2.840.10008.1.2.4.63", 1}, {"1.2.840.10008.1.2.4.64", 1},
        {"1.2.840.10008.1.2.4.65", 2}, {"1.2.840.10008.1.2.4.66", 2}, {"1.2.840.10008.1.2.4.70", 2},
        {"1.2.840.10008.1.2.4.80", 2}, {"1.2.840.10008.1.2.4.81", 2}, {"1.2.840.10008.1.2.4.90", 3},
        {"1.2.840.10008.1.2.4.91", 3}, {"1.2.840.10008.1.2.5", 4},
    };
    for (const auto& syntax : kSyntaxes)
        if (uid == syntax.uid) return syntax.kind;
    return 0;
}

uint32_t RoundDicomLength(const DicomElement& element, uint32_t unit, uint32_t length, bool roundUp)
{
    uint64_t result = length;
    if (roundUp && unit > 1 && result % unit) result += unit - result % unit;
    if (element.multiplicity != kAnyMultiplicity) result = std::min<uint64_t>(result, uint64_t(unit) * element.multiplicity);
    // A length that would no longer fit the field stays as it was.
    return result >= kUndefinedDicomLength ? length : uint32_t(result);
}

uint32_t NormalizeDicomValueLength(const DicomElement& element, uint32_t length)
{
    switch (element.vr) {
    case kVrAE: case kVrCS: case kVrDS: case kVrIS: case kVrSH: case kVrTM:
        return RoundDicomLength(element, 16, EvenLength(length), false);
    case kVrAS: case kVrAT: case kVrFL: case kVrSL: case kVrUL:
        return RoundDicomLength(element, 4, length, true);
    case kVrDA:
        if (length == 8 || length == 10) return RoundDicomLength(element, 10, length, false);
        return RoundDicomLength(element, 10, length, true);
    case kVrDT: return RoundDicomLength(element, 26, EvenLength(length), false);
    case kVrFD: return RoundDicomLength(element, 8, length, true);
    case kVrLO: case kVrPN: case kVrUI: return RoundDicomLength(element, 64, EvenLength(length), false);
    case kVrLT: return RoundDicomLength(element, 10240, EvenLength(length), false);
    case kVrST: return RoundDicomLength(element, 1024, EvenLength(length), false);
    case kVrSS: case kVrUS: return RoundDicomLength(element, 2, length, true);
    case kVrOB: case kVrUT: return EvenLength(length);
    default: return length;
    }
}

void PadDicomValue(DicomElement& element, uint32_t from, uint32_t to)
{
    if (from >= to || to > element.Length()) return;
    std::memset(element.Value() + from, IsTextPaddedWithBlanks(element.vr) ? ' ' : 0, to - from);
}

void ApplyDicomLengthRules(DicomElement& element)
{
    const uint32_t old = element.Length();
    const uint32_t length = NormalizeDicomValueLength(element, old);
    if (length == old || length == 0) return;
    DicomElement resized(element, nullptr, 0);
    resized.ResizeValue(length);
    if (old) std::memcpy(resized.Value(), element.Value(), std::min(old, length));
    PadDicomValue(resized, std::min(old, length), length);
    element = std::move(resized);
}

uint32_t DicomElementEncodedSize(const DicomElement& element, bool implicit)
{
    const uint32_t header = implicit || !IsLongFormVr(element.vr) ? 8 : 12;
    return element.Length() + header;
}

void UpdateDicomGroupLengths(DicomDataSet& dataSet, bool implicit)
{
    GroupLengthMap sums;
    for (const auto& [key, element] : dataSet) {
        (void)key;
        if (!WillBeWritten(element) || DicomTagElement(element.tag) == 0) continue;
        const uint16_t group = DicomTagGroup(element.tag);
        sums[group] += DicomElementEncodedSize(element, group == 0x0002 ? false : implicit);
    }
    for (auto& [key, element] : dataSet) {
        (void)key;
        if (element.tag == kNoDicomTag || DicomTagElement(element.tag) != 0) continue;
        const auto found = sums.find(DicomTagGroup(element.tag));
        const uint32_t sum = found == sums.end() ? 0 : found->second;
        if (element.Length() == 0) continue;
        if (element.Length() == 2) {
            const uint16_t shortSum = uint16_t(sum);
            std::memcpy(element.Value(), &shortSum, 2);
            continue;
        }
        // Any other size would write a stale count: it becomes the UL it should be.
        if (element.Length() != 4) element.ResizeValue(4);
        std::memcpy(element.Value(), &sum, 4);
    }
}

bool WriteDicomElementExplicit(uint16_t group, uint16_t element, uint32_t vr, const uint8_t* value, uint32_t length,
                               std::FILE* file, bool littleEndian)
{
    if (!PutTag(file, group, element, littleEndian)) return false;
    const std::string code = vr == kVrUnknown ? "UN" : VrCodeFromIndex(vr).substr(0, 2);
    if (!Put(file, code.data(), 2)) return false;
    const size_t unit = BinaryUnit(vr);
    if (!IsLongFormVr(vr)) {
        if (length > 0xFFFF) return false;
        if (!Put16(file, uint16_t(length), littleEndian)) return false;
        return unit ? PutUnits(file, value, length, unit, littleEndian) : Put(file, value, length);
    }
    const uint8_t reserved[2] = {};
    if (!Put(file, reserved, 2)) return false;
    const bool itemsMayBeUndefined = vr != kVrUnknown;
    if (!Put32(file, itemsMayBeUndefined ? WrittenLength(value, length) : length, littleEndian)) return false;
    return unit ? PutUnits(file, value, length, unit, littleEndian) : Put(file, value, length);
}

bool WriteDicomElementImplicit(uint16_t group, uint16_t element, uint32_t vr, const uint8_t* value, uint32_t length,
                               std::FILE* file, bool littleEndian)
{
    if (!PutTag(file, group, element, littleEndian)) return false;
    const bool itemsMayBeUndefined = vr == kVrOB || vr == kVrSQ || vr == kVrUN || vr == kVrUT;
    if (!Put32(file, itemsMayBeUndefined ? WrittenLength(value, length) : length, littleEndian)) return false;
    return Put(file, value, length);
}

bool WriteDicomElementExplicit(const DicomElement& element, std::FILE* file, bool littleEndian)
{
    return WriteDicomElementExplicit(DicomTagGroup(element.tag), DicomTagElement(element.tag), element.vr,
                                     element.Value(), element.Length(), file, littleEndian);
}

bool WriteDicomElementImplicit(const DicomElement& element, std::FILE* file, bool littleEndian)
{
    return WriteDicomElementImplicit(DicomTagGroup(element.tag), DicomTagElement(element.tag), element.vr,
                                     element.Value(), element.Length(), file, littleEndian);
}

bool SaveDicomFile(const DicomDataSet& dataSet, const std::string& path)
{
    AtomicFile file;
    return file.Create(path, AtomicFile::Naming::ByUser) && SaveDicomFile(dataSet, file) && file.Commit();
}

bool SaveDicomFile(const DicomDataSet& dataSet, AtomicFile& file)
{
    bool metaWanted = false;
    for (uint16_t element : kMetaTags) metaWanted = metaWanted || dataSet.Has(0x0002, element);
    DicomDataSet copy(dataSet);
    const bool implicit = metaWanted ? PrepareMetaGroup(copy) : true;
    copy.NormalizeLengths();
    UpdateDicomGroupLengths(copy, implicit);
    std::FILE* stream = file.Stream();
    if (stream == nullptr || !EveryValueFitsItsHeader(copy, implicit) || !WriteAll(copy, metaWanted, implicit, stream)) {
        file.MarkFailed();
        return false;
    }
    return file.Flush();
}

} // namespace velmor
