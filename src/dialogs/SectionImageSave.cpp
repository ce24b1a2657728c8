#include "dialogs/SectionImageSave.h"

#include "export/ExportJob.h"
#include "export/ExportMessages.h"
#include "platform/MessageSink.h"
#include "platform/Memory.h"
#include "units/CKxDrawUTriangles.h"
#include "units/ColorLut.h"

#include <cstring>

namespace velmor {

uint8_t SectionTableIndex(uint32_t value, int32_t low, int32_t up)
{
    if (up == low) return static_cast<int64_t>(value) >= low ? 255 : 0;
    const double scale = 255.0 / static_cast<double>(static_cast<int64_t>(up) - low);
    double t = (static_cast<double>(value) - low) * scale;
    if (t > 255.0) t = 255.0;
    if (t < 0.0) t = 0.0;
    return static_cast<uint8_t>(t);
}

uint64_t SectionRowStride(uint64_t side) { return (side * 3 + 3) / 4 * 4; }

namespace {

uint32_t SampleAt(const uint8_t* samples, int bytes, uint64_t cell)
{
    if (bytes == 1) return samples[cell];
    uint16_t value;
    std::memcpy(&value, samples + 2 * cell, 2);
    return value;
}

} // namespace

SectionSaveResult SaveSectionImage(const CKxDrawUTriangles& unit, const std::wstring& path,
                                   const std::wstring& extension)
{
    if (extension != L"tif" && extension != L"jpg" && extension != L"bmp") return SectionSaveResult::kWrongFormat;
    if (extension == L"tif" && unit.colorTable != L"GRAY") return SectionSaveResult::kTiffNotGray;
    const ColorLut* lut = unit.capLut.get();
    if (lut == nullptr) return SectionSaveResult::kNoSection;
    const uint64_t side = static_cast<uint32_t>(lut->sectionSamples);
    const int bytes = lut->bytesPerChannel == 1 ? 1 : 2;
    const uint8_t* samples = lut->sectionWork.Data();
    // A side the work buffer does not hold would read past it.
    if (side == 0 || side > 65535 || samples == nullptr || lut->sectionWork.Size() < side * side * bytes)
        return SectionSaveResult::kNoSection;

    const int32_t low = unit.colorTableLow, up = unit.colorTableUp;
    const bool gray = unit.colorTable == L"GRAY";
    const uint8_t* table = gray ? lut->grayTable : unit.colorTable == L"RGB" ? &lut->rgbTable[0][0] : &lut->rgb2Table[0][0];
    const auto n = static_cast<int32_t>(side);
    CommittedBuffer pixels;
    ImageRecord record;
    record.width = record.height = n;
    bool ok;
    if (extension != L"tif") {
        const uint64_t stride = SectionRowStride(side);
        if (!pixels.Commit(side * stride)) return SectionSaveResult::kNoMemory;
        uint8_t* out = pixels.Data();
        for (uint64_t y = 0; y < side; ++y) {
            for (uint64_t x = 0; x < side; ++x) {
                const uint8_t index = SectionTableIndex(SampleAt(samples, bytes, y * side + x), low, up);
                uint8_t* pixel = out + y * stride + 3 * x;
                if (gray) {
                    pixel[0] = pixel[1] = pixel[2] = table[index];
                } else {
                    std::memcpy(pixel, table + 3 * index, 3);
                }
            }
        }
        record.pixels = out;
        record.stride = static_cast<int32_t>(stride);
        ExportJob job(&record);
        job.SwapRedBlue(3);
        ok = job.SaveImageByExtension(path, extension) == kEncoderOk;
    } else {
        if (!pixels.Commit(side * side * bytes)) return SectionSaveResult::kNoMemory;
        uint8_t* out = pixels.Data();
        // The TIFF holds the rows bottom-up against the other formats.
        for (uint64_t y = 0; y < side; ++y) {
            for (uint64_t x = 0; x < side; ++x) {
                const uint8_t value = table[SectionTableIndex(SampleAt(samples, bytes, y * side + x), low, up)];
                const uint64_t cell = (side - 1 - y) * side + x;
                if (bytes == 1) {
                    out[cell] = value;
                } else {
                    const uint16_t wide = static_cast<uint16_t>(value * 256);
                    std::memcpy(out + 2 * cell, &wide, 2);
                }
            }
        }
        record.pixels = out;
        record.stride = n * bytes;
        ExportJob job(&record);
        ok = job.WriteTiffImage(path, 1, static_cast<uint16_t>(bytes));
    }
    return ok ? SectionSaveResult::kSaved : SectionSaveResult::kWriteFailed;
}

void ReportSectionSave(SectionSaveResult result)
{
    switch (result) {
    case SectionSaveResult::kSaved: return;
    case SectionSaveResult::kNoMemory: ShowMessage(kMemoryError); return;
    case SectionSaveResult::kWriteFailed: ShowMessage(kFileWriteError); return;
    default: ShowMessage(kCannotExportData); return;
    }
}

} // namespace velmor
