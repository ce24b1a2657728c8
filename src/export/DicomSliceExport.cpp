#include "export/DicomSeriesUids.h"
#include "export/ExportJob.h"
#include "export/ExportNumberText.h"
#include "platform/CheckedMath.h"
#include "platform/SystemRandom.h"
#include "platform/WideText.h"
#include "readers/DicomFileWriter.h"
#include "render/GeometryRoutines.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace velmor {

namespace {

constexpr char kCtImageStorage[] = "1.2.840.10008.5.1.4.1.1.2";
constexpr char kImplicitLittleEndian[] = "1.2.840.10008.1.2";
// The writer of these files: a UID under the UUID root, made from this
// program's own fixed UUID 9e88cc97-6261-401d-9505-51cd2739cdb7, and a
// version name that changes with the program.
constexpr char kImplementationClassUid[] = "2.25.210728325312236228615106121277416000951";
constexpr char kImplementationVersionName[] = "VELMOR_" VELMOR_VERSION;
static_assert(sizeof kImplementationVersionName - 1 <= 16, "a version name holds at most 16 characters");
// Stored values are the real values: the signed series already carries them
// without the loaders' shift.
constexpr char kRescaleIntercept[] = "0";
constexpr char kRescaleSlope[] = "1";
constexpr char kImageType[] = "ORIGINAL\\PRIMARY\\AXIAL";
constexpr uint32_t kImageTypeValues = 3;
constexpr char kMakerName[] = "Quillmarsh ";
constexpr char kOrientation[] = "1.000000\\0.000000\\0.000000\\0.000000\\1.000000\\0.000000 ";
constexpr uint32_t kGroupLengthPlaceholder = 150;
constexpr wchar_t kMillimetre[] = L"mm";

// Template slots whose values change with every slice.
enum SliceSlot : size_t {
    kSlotMetaInstanceUid = 3,
    kSlotContentDate = 10,
    kSlotContentTime = 11,
    kSlotInstanceUid = 13,
    kSlotInstanceNumber = 32,
    kSlotPosition = 33,
    kSlotPixelData = 47,
};

std::string EvenWithBlank(std::string text)
{
    if (text.size() % 2) text += ' ';
    return text;
}

} // namespace

void ExportJob::BuildDicomSliceDataSet(bool isSigned)
{
    dataSet.Clear();
    for (DicomElement& t : templates) t.FreeValue();

    // Every length in the series is in millimetres, whatever unit the scene uses.
    const double toMm = UnitFactor(kMillimetre, lengthUnit);
    const double spacingX = pitchX * toMm, spacingY = pitchY * toMm;
    sliceThickness = static_cast<float>(pitchZ * toMm);
    std::string stamp;
    ReadClock(&stamp);
    const DicomSeriesUids uids = MakeDicomSeriesUids(stamp, FillRandom);
    instanceUidPrefix = uids.instancePrefix;
    const uint64_t nx = grid != nullptr ? grid->nx : 0;
    const uint64_t ny = grid != nullptr ? grid->ny : 0;
    imagePositionPrefix =
        FormatFixed6(-double(nx) / 2 * spacingX) + "\\" + FormatFixed6(-double(ny) / 2 * spacingY) + "\\";

    size_t slot = 0;
    const auto header = [&](uint16_t group, uint16_t element, const char* vr) -> DicomElement& {
        DicomElement& t = templates[slot++];
        t.tag = MakeDicomTag(group, element);
        t.vr = VrIndexFromCode(vr);
        return t;
    };
    const auto bytes = [&](uint16_t group, uint16_t element, const char* vr, const void* value, uint32_t length,
                           uint32_t multiplicity = 1) {
        DicomElement& t = header(group, element, vr);
        t.multiplicity = multiplicity;
        t.SetValue(value, length);
        dataSet.Erase(t.tag);
        dataSet.Insert(t);
    };
    const auto text = [&](uint16_t group, uint16_t element, const char* vr, const std::string& value) {
        bytes(group, element, vr, value.data(), static_cast<uint32_t>(value.size()));
    };
    const auto number16 = [&](uint16_t group, uint16_t element, uint64_t value) {
        const uint16_t v = static_cast<uint16_t>(value);
        bytes(group, element, "US", &v, 2);
    };
    const auto groupLength = [&](uint16_t group) {
        const uint32_t v = kGroupLengthPlaceholder;
        bytes(group, 0x0000, "UL", &v, 4);
    };
    const auto perSlice = [&](uint16_t group, uint16_t element, const char* vr, uint32_t length) {
        header(group, element, vr).ResizeValue(length);
    };

    const uint8_t version[2] = {0x00, 0x01};
    groupLength(0x0002);
    bytes(0x0002, 0x0001, "OB", version, 2);
    text(0x0002, 0x0002, "UI", kCtImageStorage);
    perSlice(0x0002, 0x0003, "UI", 0);
    text(0x0002, 0x0010, "UI", kImplicitLittleEndian);
    text(0x0002, 0x0012, "UI", kImplementationClassUid);
    text(0x0002, 0x0013, "SH", kImplementationVersionName);
    groupLength(0x0008);
    text(0x0008, 0x0005, "CS", "ISO_IR 100");
    bytes(0x0008, 0x0008, "CS", kImageType, sizeof kImageType - 1, kImageTypeValues);
    perSlice(0x0008, 0x0012, "DA", static_cast<uint32_t>(creationDate.size()));
    perSlice(0x0008, 0x0013, "TM", static_cast<uint32_t>(creationTime.size()));
    text(0x0008, 0x0016, "UI", kCtImageStorage);
    perSlice(0x0008, 0x0018, "UI", 0);
    text(0x0008, 0x0020, "DA", creationDate);
    text(0x0008, 0x0022, "DA", creationDate);
    text(0x0008, 0x0030, "TM", creationTime);
    text(0x0008, 0x0032, "TM", creationTime);
    text(0x0008, 0x0060, "CS", "CT");
    text(0x0008, 0x0070, "LO", kMakerName);
    groupLength(0x0010);
    text(0x0010, 0x0010, "PN", kMakerName);
    text(0x0010, 0x0020, "LO", "100001");
    text(0x0010, 0x0030, "DA", "");
    text(0x0010, 0x0040, "CS", "");
    groupLength(0x0018);
    text(0x0018, 0x0050, "DS", FormatFixed6(sliceThickness));
    groupLength(0x0020);
    text(0x0020, 0x000D, "UI", uids.study);
    text(0x0020, 0x000E, "UI", uids.series);
    text(0x0020, 0x0010, "SH", "1");
    text(0x0020, 0x0011, "IS", "1");
    perSlice(0x0020, 0x0013, "IS", 0);
    perSlice(0x0020, 0x0032, "", 0);
    text(0x0020, 0x0037, "", kOrientation);
    text(0x0020, 0x0052, "UI", uids.frameOfReference);
    groupLength(0x0028);
    number16(0x0028, 0x0002, 1);
    text(0x0028, 0x0004, "CS", "MONOCHROME2");
    number16(0x0028, 0x0010, ny);
    number16(0x0028, 0x0011, nx);
    // Pixel Spacing holds the distance between rows first, then between columns.
    text(0x0028, 0x0030, "", EvenWithBlank(FormatFixed6(spacingY) + "\\" + FormatFixed6(spacingX)));
    number16(0x0028, 0x0100, 16);
    number16(0x0028, 0x0101, 16);
    number16(0x0028, 0x0102, 15);
    number16(0x0028, 0x0103, isSigned ? 1 : 0);
    groupLength(0x7FE0);
    uint64_t pixelBytes = 0;
    if (!CheckedMul(nx, ny, pixelBytes) || !CheckedMul(pixelBytes, 2, pixelBytes) ||
        pixelBytes >= std::numeric_limits<uint32_t>::max())
        pixelBytes = 0;
    perSlice(0x7FE0, 0x0010, "OW", static_cast<uint32_t>(pixelBytes));

    // What a CT image must carry besides: the value scale, and the study,
    // series, frame and acquisition facts this program does not know, present
    // and empty.
    text(0x0028, 0x1052, "DS", kRescaleIntercept);
    text(0x0028, 0x1053, "DS", kRescaleSlope);
    text(0x0008, 0x0050, "SH", "");
    text(0x0008, 0x0090, "PN", "");
    text(0x0018, 0x0060, "DS", "");
    text(0x0018, 0x5100, "CS", "");
    text(0x0020, 0x0012, "IS", "");
    text(0x0020, 0x0060, "CS", "");
    text(0x0020, 0x1040, "LO", "");
}

bool ExportJob::WriteDicomSlice(int64_t fileIndex, const uint8_t* slicePixels)
{
    // Rows and Columns are 16-bit, the pixel value's length 32-bit and the
    // Instance Number an IS value: a larger slice or series cannot be
    // described and is not written at all.
    if (grid == nullptr || slicePixels == nullptr || grid->nx > 0xFFFF || grid->ny > 0xFFFF ||
        grid->nz > kLargestInstanceNumber)
        return false;
    const uint64_t bytes = grid->nx * grid->ny * 2;
    if (bytes == 0 || bytes >= std::numeric_limits<uint32_t>::max()) return false;
    const uint32_t pixelBytes = static_cast<uint32_t>(bytes);

    ReadClock(nullptr);
    char number[32];
    std::snprintf(number, sizeof number, "%4lld", static_cast<long long>(fileIndex + 1));
    const std::string instanceNumber = number;
    const std::string instanceUid = instanceUidPrefix + std::to_string(fileIndex + 1);
    // The first slice lies at 0, not at "-0".
    const double z = fileIndex == 0 ? 0.0 : -double(fileIndex) * sliceThickness;
    const std::string position = EvenWithBlank(imagePositionPrefix + FormatFixed6(z));

    const auto put = [&](size_t slot, const void* value, uint32_t length) {
        DicomElement& t = templates[slot];
        t.SetValue(value, length);
        dataSet.Erase(t.tag);
        dataSet.Insert(t);
    };
    const auto putText = [&](size_t slot, const std::string& value) {
        put(slot, value.data(), static_cast<uint32_t>(value.size()));
    };
    putText(kSlotMetaInstanceUid, instanceUid);
    putText(kSlotContentDate, creationDate);
    putText(kSlotContentTime, creationTime);
    putText(kSlotInstanceUid, instanceUid);
    putText(kSlotInstanceNumber, instanceNumber);
    putText(kSlotPosition, position);
    put(kSlotPixelData, slicePixels, pixelBytes);

    AtomicFile file;
    const auto slice = SliceFilePath(outputFolder, fileIndex, L".dcm");
    return file.Create(slice, AtomicFile::Naming::ByProgram, AtomicFile::Leftovers::RemovedByCaller) &&
           SaveDicomFile(dataSet, file) && StageSeriesFile(file);
}

} // namespace velmor
