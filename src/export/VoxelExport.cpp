#include "export/ExportJob.h"
#include "export/ExportMessages.h"
#include "export/ExportNumberText.h"
#include "export/ExportSeams.h"
#include "export/TiffImageWriter.h"
#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "platform/MessageSink.h"
#include "platform/WideText.h"
#include "render/RenderSettings.h"
#include "scene/AttributeParsers.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "scene/PathParts.h"

#include <cmath>
#include <cstring>
#include <system_error>
#include <vector>

namespace velmor {

namespace {

// The two-point mapping of the export settings as a table over every
// sample value: identical to mapping each voxel, at a fraction of the cost.
template <typename Out>
std::vector<Out> MappingTable(size_t inputValues, double upper, double offset)
{
    const VoxelExportSettings& settings = CurrentRenderSettings().voxelExport;
    const int64_t in1 = static_cast<int32_t>(settings.colorControlPoints[0]);
    const int64_t out1 = static_cast<int32_t>(settings.colorControlPoints[1]);
    const int64_t in2 = static_cast<int32_t>(settings.colorControlPoints[2]);
    const int64_t out2 = static_cast<int32_t>(settings.colorControlPoints[3]);
    const bool step = in1 == in2;
    const double s = step ? 0.0 : double(out2 - out1) / double(in2 - in1);
    const double b = double(out1) - double(in1) * s;
    std::vector<Out> table(inputValues);
    for (size_t v = 0; v < inputValues; ++v) {
        // Equal inputs have no slope: the points become a threshold at in1.
        double m = step ? double(int64_t(v) < in1 ? out1 : out2) : double(v) * s + b;
        if (m < 0) m = 0;
        if (m > upper) m = upper;
        table[v] = static_cast<Out>(static_cast<int64_t>(std::trunc(m + offset)));
    }
    return table;
}

using SliceWriter = bool (*)(ExportJob& job, int64_t fileIndex, const uint8_t* slice);

bool DicomWriter(ExportJob& job, int64_t fileIndex, const uint8_t* slice) { return job.WriteDicomSlice(fileIndex, slice); }
bool Tiff16Writer(ExportJob& job, int64_t fileIndex, const uint8_t* slice) { return job.WriteTiffSlice(fileIndex, slice, 1, 2); }
bool Tiff8Writer(ExportJob& job, int64_t fileIndex, const uint8_t* slice) { return job.WriteTiffSlice(fileIndex, slice, 1, 1); }

template <typename In, typename Out>
void MapSlices(ExportJob& job, const In* samples, uint8_t* slice, double upper, double offset, SliceWriter writer)
{
    const VoxelGrid& g = *job.grid;
    const std::vector<Out> table = MappingTable<Out>(size_t{1} << (8 * sizeof(In)), upper, offset);
    const bool reverse = CurrentRenderSettings().voxelExport.reverseZ != 0;
    const double fraction = 100.0 / double(g.nz);
    Out* out = reinterpret_cast<Out*>(slice);
    for (uint64_t z = 0; z < g.nz; ++z) {
        job.StepProgress(fraction);
        const In* plane = samples + z * g.nx * g.ny;
        // The first image row is the last grid row.
        for (uint64_t y = 0; y < g.ny; ++y) {
            const In* from = plane + y * g.nx;
            Out* to = out + (g.ny - 1 - y) * g.nx;
            for (uint64_t x = 0; x < g.nx; ++x) to[x] = table[from[x]];
        }
        const int64_t fileIndex = static_cast<int64_t>(reverse ? g.nz - 1 - z : z);
        if (!writer(job, fileIndex, slice)) return;
    }
    job.result = 0;
}

bool GridIsUsable(const VoxelGrid* g, uint64_t& sliceBytes)
{
    if (g == nullptr || g->samples == nullptr || g->nx == 0 || g->ny == 0 || g->nz == 0) return false;
    uint64_t voxels = 0, slice = 0;
    const uint64_t width = g->bytesPerSample == 1 ? 1 : 2;
    return CheckedMul(g->nx, g->ny, slice) && CheckedMul(slice, g->nz, voxels) && CheckedMul(voxels, width, voxels) &&
           CheckedMul(slice, 2, sliceBytes);
}

// The names a series of `kind` takes in its folder: its slices and the note.
std::vector<std::string> SeriesNames(const VoxelGrid* grid, int32_t kind)
{
    std::vector<std::string> names{PathFromWide(ExportJob::kNoteFileName).string()};
    const wchar_t* extension = kind == kSignedDicomSeries || kind == kUnsignedDicomSeries ? L".dcm" : L".tif";
    for (uint64_t z = 0; grid != nullptr && z < grid->nz; ++z)
        names.push_back(SliceFilePath(L"", int64_t(z), extension).string());
    return names;
}

// What a killed export left under the series' names goes first, once for
// the whole series rather than with every slice; then a name of the series
// that cannot be written fails the export before any slice is written.
bool SeriesMayBeWritten(const ExportJob& job)
{
    const std::vector<std::string> names = SeriesNames(job.grid, job.outputKind);
    AtomicFile::RemoveLeftovers(PathFromWide(job.outputFolder), names);
    std::vector<std::filesystem::path> targets;
    for (const std::string& name : names) targets.push_back(PathFromWide(job.outputFolder) / name);
    return AtomicFile::MayCreate(targets, AtomicFile::Naming::ByProgram);
}

} // namespace

void ExportVolumeSlices::Signed16(ExportJob& job, const uint16_t* samples, uint8_t* slice)
{
    MapSlices<uint16_t, uint16_t>(job, samples, slice, 65535.0, -32768.0, DicomWriter);
}

void ExportVolumeSlices::Unsigned16(ExportJob& job, const uint16_t* samples, uint8_t* slice)
{
    MapSlices<uint16_t, uint16_t>(job, samples, slice, 65535.0, 0.0,
                                  job.outputKind == kUnsignedDicomSeries ? DicomWriter : Tiff16Writer);
}

void ExportVolumeSlices::Bytes8From8(ExportJob& job, const uint8_t* samples, uint8_t* slice)
{
    MapSlices<uint8_t, uint8_t>(job, samples, slice, 255.0, 0.0, Tiff8Writer);
}

void ExportVolumeSlices::Bytes8From16(ExportJob& job, const uint16_t* samples, uint8_t* slice)
{
    MapSlices<uint16_t, uint8_t>(job, samples, slice, 255.0, 0.0, Tiff8Writer);
}

uint32_t VoxelExportWorker(void* param)
{
    ExportJob& job = *static_cast<ExportJob*>(param);
    if (!SeriesMayBeWritten(job)) return 1;
    uint64_t slice16 = 0;
    CommittedBuffer slice;
    // A grid whose size does not fit the arithmetic is a memory error too.
    if (!GridIsUsable(job.grid, slice16) || !slice.Commit(job.outputKind == kTiff8Series ? slice16 / 2 : slice16)) {
        job.MarkSeriesOutOfMemory();
        return 1;
    }
    const VoxelGrid& g = *job.grid;
    const auto* wide = static_cast<const uint16_t*>(g.samples);
    switch (job.outputKind) {
    case kSignedDicomSeries:
        job.BuildDicomSliceDataSet(true);
        ExportVolumeSlices::Signed16(job, wide, slice.Data());
        break;
    case kUnsignedDicomSeries:
        job.BuildDicomSliceDataSet(false);
        ExportVolumeSlices::Unsigned16(job, wide, slice.Data());
        break;
    case kTiff16Series:
        ExportVolumeSlices::Unsigned16(job, wide, slice.Data());
        break;
    case kTiff8Series:
        if (g.bytesPerSample == 1)
            ExportVolumeSlices::Bytes8From8(job, static_cast<const uint8_t*>(g.samples), slice.Data());
        else
            ExportVolumeSlices::Bytes8From16(job, wide, slice.Data());
        break;
    default:
        break;
    }
    if (job.result == 0 && !job.PublishSeriesWithNote()) job.result = -1;
    return 1;
}

int ExportJob::RunVoxelExport(int32_t kind, const std::wstring& sourcePath)
{
    outputKind = kind;
    m_noteSource = sourcePath;
    m_series.clear();
    m_keptCopies.clear();
    m_seriesOutOfMemory = false;
    const int r = RunWithProgress(L"Please wait...", false, 0, 100, this, VoxelExportWorker);
    if (r != 0) m_series.clear();
    return r;
}

bool ExportJob::WriteTiffSlice(int64_t fileIndex, const uint8_t* slicePixels, uint16_t samplesPerPixel,
                               uint16_t bytesPerSample)
{
    if (grid == nullptr) return false;
    TiffPixels pixels;
    pixels.data = slicePixels;
    pixels.width = grid->nx;
    pixels.height = grid->ny;
    pixels.samplesPerPixel = samplesPerPixel;
    pixels.bytesPerSample = bytesPerSample;
    if (!CheckedMul(grid->nx, uint64_t{samplesPerPixel} * bytesPerSample, pixels.stride)) return false;
    AtomicFile file;
    const auto slice = SliceFilePath(outputFolder, fileIndex, L".tif");
    return file.Create(slice, AtomicFile::Naming::ByProgram, AtomicFile::Leftovers::RemovedByCaller) &&
           WriteUncompressedTiff(file, pixels) && StageSeriesFile(file);
}

bool ExportJob::WriteVoxelExportNote(const std::wstring& sourcePath)
{
    const VoxelExportSettings& settings = CurrentRenderSettings().voxelExport;
    const auto point = [&](int n) {
        return "color control point " + std::to_string(n) + "; " +
               std::to_string(static_cast<int32_t>(settings.colorControlPoints[2 * (n - 1)])) + ", " +
               std::to_string(static_cast<int32_t>(settings.colorControlPoints[2 * (n - 1) + 1])) + "\r\n";
    };
    std::string text = "previous data path; " + ToMultiByteString(sourcePath.c_str()) + "\r\n";
    text += "scale; " + FormatG(pitchX) + ", " + FormatG(pitchY) + ", " + FormatG(pitchZ) + ", " +
            ToMultiByteString(lengthUnit.c_str()) + "\r\n";
    text += point(1);
    text += point(2);
    if (settings.downTo8Bit) text += "down to 8bit; yes\r\n";
    if (settings.reverseZ) text += "reverseZ; yes\r\n";

    AtomicFile file;
    return file.Create(PathFromWide(outputFolder) / PathFromWide(kNoteFileName), AtomicFile::Naming::ByProgram) &&
           file.Write(text) && StageSeriesFile(file);
}

void ExportJob::ExportVoxels(CKxDrawUnit* surfaceUnit, CKxDrawUnit* volumeUnit)
{
    CKxDrawUnit* unit = surfaceUnit != nullptr ? surfaceUnit : volumeUnit;
    if (unit == nullptr) return;
    VoxelExportSource source;
    uint64_t sliceBytes = 0;
    if (!CurrentExportUnitAccess().DescribeVoxelUnit(*unit, source) || !source.dataExport ||
        !GridIsUsable(grid, sliceBytes)) {
        ShowMessage(kCannotExportData);
        return;
    }
    const bool isSigned = source.data != nullptr && source.data->isSigned;
    const bool isUnsigned = source.data != nullptr && source.data->isUnsigned;

    VoxelExportSettings& settings = CurrentRenderSettings().voxelExport;
    const uint32_t top = grid->bytesPerSample == 1 ? 255 : 65535;
    settings.colorControlPoints[0] = 0;
    settings.colorControlPoints[1] = 0;
    settings.colorControlPoints[2] = top;
    settings.colorControlPoints[3] = top;
    settings.downTo8Bit = 0;
    settings.reverseZ = source.data != nullptr && source.data->reverseZ ? 1 : 0;

    CurrentExportDialogs().RunVoxelExportDialog(static_cast<uint32_t>(grid->bytesPerSample), isSigned,
                                                settings.reverseZ != 0);

    const std::wstring folder = BrowseForFolder(LastFolder);
    if (folder.empty()) return;
    outputFolder = folder;
    std::error_code ignored;
    std::filesystem::create_directory(PathFromWide(outputFolder), ignored);

    int32_t kind = kTiff8Series;
    if (grid->bytesPerSample != 1 && !settings.downTo8Bit) {
        kind = kTiff16Series;
        if (isSigned) kind = kSignedDicomSeries;
        if (isUnsigned) kind = kUnsignedDicomSeries;
    }
    pitchX = static_cast<float>(source.pitch[0]);
    pitchY = static_cast<float>(source.pitch[1]);
    pitchZ = static_cast<float>(source.pitch[2]);
    lengthUnit = source.lengthUnit;

    if (RunVoxelExport(kind, source.data != nullptr ? source.data->sourcePath : std::wstring()) != 0) {
        ShowMessage(SeriesFailedForMemory() ? kMemoryError : FileWriteErrorMessage());
        return;
    }
    LastFolder = outputFolder;
    if (LastFolder.back() != L'/' && LastFolder.back() != L'\\') LastFolder += L'/';
}

} // namespace velmor
