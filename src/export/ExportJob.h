#pragma once
// The object behind every export and image save: the polygon export (binary
// STL, or OBJ with MTL), the voxel slice export (TIFF or DICOM series with a
// note file) and the section-image save. The exports run their writers as
// background jobs; the image save runs on the caller's thread, which in the
// program is a save job's (export/SaveJob.h).
#include "export/ImageRecord.h"
#include "export/MeshExportRecord.h"
#include "platform/AtomicFile.h"
#include "processing/TriangleMesh.h"
#include "processing/VoxelGrid.h"
#include "readers/DicomDataSet.h"
#include "readers/DicomElement.h"
#include "scene/BackgroundJob.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velmor {

class CKxDrawUnit;
class DataObject;

// What the voxel export writes.
enum OutputKind : int32_t {
    kSignedDicomSeries = 0,
    kUnsignedDicomSeries = 1,
    kTiff8Series = 2,
    kTiff16Series = 3,
};

// Platform encoders of the image save, looked up by MIME type.
struct EncoderClsid {
    int32_t id = -1;
};
int32_t GetEncoderClsid(const std::wstring& mimeType, EncoderClsid& clsid);

// Status of an encoder save: 0 written, 1 the file could not be written,
// -1 no encoder for the type.
constexpr int32_t kEncoderOk = 0;
constexpr int32_t kEncoderWriteFailed = 1;

// The file name of one numbered slice, "0000.tif" and onwards, in `folder`.
std::filesystem::path SliceFilePath(const std::wstring& folder, int64_t fileIndex, const wchar_t* extension);

class ExportJob : public BackgroundJob {
public:
    static constexpr size_t kTemplateCount = 57;
    static constexpr const wchar_t* kNoteFileName = L"kx_voxel_export.txt";

    ExportJob(const VoxelGrid* voxelGrid, std::wstring folder);
    explicit ExportJob(ImageRecord* imageRecord);
    ~ExportJob() = default;
    ExportJob(const ExportJob&) = delete;
    ExportJob& operator=(const ExportJob&) = delete;

    // Polygon export: the whole command. 0 after "cannot export data" (or a
    // write failure the user was told of), 1 when the save dialog was
    // cancelled, the merge result when merging failed, else the job result.
    int ExportPolygons(const std::vector<CKxDrawUnit*>& meshUnits);
    // The same over mesh records made by the caller.
    int ExportPolygonRecords(const std::vector<MeshExportRecord>& records);
    int MergeSurfaceMeshes(const std::vector<MeshExportRecord>& records, TriangleMesh& merged);
    int RunStlJob(TriangleMesh* mesh);
    int RunObjJob(const std::vector<MeshExportRecord>& records);
    void WriteStlBinary();
    void WriteObjMtl();

    // Voxel export: exactly one of the units is given.
    void ExportVoxels(CKxDrawUnit* surfaceUnit, CKxDrawUnit* volumeUnit);
    // Writes every slice, and the note naming `sourcePath`, under temporary
    // names, and publishes them together; they are removed when the job
    // fails. What a killed export left under the series' names goes first;
    // a name that may not be written (platform/AtomicFile.h) fails it before
    // any slice is. All of it runs in the job, so that a wait for another
    // process's publish into the folder leaves the window answering. 0 once
    // published.
    int RunVoxelExport(int32_t kind, const std::wstring& sourcePath);
    void BuildDicomSliceDataSet(bool isSigned);
    bool WriteDicomSlice(int64_t fileIndex, const uint8_t* slicePixels);
    bool WriteTiffSlice(int64_t fileIndex, const uint8_t* slicePixels, uint16_t samplesPerPixel, uint16_t bytesPerSample);
    // Adds the note file to the series. False when it could not be written
    // completely.
    bool WriteVoxelExportNote(const std::wstring& sourcePath);
    // Renames the written slices and the note into place, all or none.
    bool PublishSeries();
    // Adds the note of RunVoxelExport to the series and publishes them.
    bool PublishSeriesWithNote();
    // "file write error", naming the old files a failed publish kept aside.
    std::wstring FileWriteErrorMessage() const;
    // Why the last voxel export failed: the slice buffer, or a file.
    bool SeriesFailedForMemory() const { return m_seriesOutOfMemory; }
    void MarkSeriesOutOfMemory() { m_seriesOutOfMemory = true; }

    // Image save.
    void SwapRedBlue(int bytesPerPixel);
    int32_t SaveImageByExtension(const std::wstring& path, const std::wstring& extension);
    int32_t SaveImageJpeg(const ImageRecord& bitmap, const std::wstring& path);
    int32_t SaveImageBmp(const ImageRecord& bitmap, const std::wstring& path);
    bool WriteTiffImage(const std::wstring& path, uint16_t samplesPerPixel, uint16_t bytesPerSample);

    const VoxelGrid* grid = nullptr;
    std::wstring format;
    float magnification = 0.0f;
    float pitchX = 0.0f, pitchY = 0.0f, pitchZ = 0.0f;
    std::wstring lengthUnit;
    ImageRecord* image = nullptr;
    std::wstring outputFolder;
    std::string creationDate;
    std::string creationTime;
    float sliceThickness = 0.0f;
    std::string instanceUidPrefix;
    std::string imagePositionPrefix;
    DicomDataSet dataSet;
    std::array<DicomElement, kTemplateCount> templates;
    int32_t outputKind = kTiff8Series;
    TriangleMesh* mergedMesh = nullptr;
    std::vector<MeshExportRecord> units;
    std::wstring outputPath;

private:
    void ReadClock(std::string* stamp);
    bool CheckMeshRecords(const std::vector<MeshExportRecord>& records) const;
    // Whether every vertex, scaled for the file, is a finite float.
    bool ScaledMeshesFit(const std::vector<MeshExportRecord>& records) const;
    bool StageSeriesFile(AtomicFile& file);

    std::vector<AtomicFile> m_series;   // finished files under temporary names
    std::wstring m_noteSource;          // the data path the note names
    // Old files a failed publish could not put back, for the message.
    std::vector<std::filesystem::path> m_keptCopies;
    bool m_seriesOutOfMemory = false;
};

// The worker of the voxel export.
uint32_t VoxelExportWorker(void* job);

// One export pass over the grid with the job's value mapping.
struct ExportVolumeSlices {
    static void Signed16(ExportJob& job, const uint16_t* samples, uint8_t* slice);
    static void Unsigned16(ExportJob& job, const uint16_t* samples, uint8_t* slice);
    static void Bytes8From8(ExportJob& job, const uint8_t* samples, uint8_t* slice);
    static void Bytes8From16(ExportJob& job, const uint16_t* samples, uint8_t* slice);
};

} // namespace velmor
