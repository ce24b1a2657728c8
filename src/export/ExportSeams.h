#pragma once
// Where the exports meet the mesh and volume units and the dialogs. The
// units and dialogs install their side at start-up; until then the exports
// see no exportable unit and every dialog as cancelled (tests install
// their own).
#include "export/MeshExportRecord.h"

#include <cstdint>
#include <string>

namespace velmor {

class CKxDrawUnit;
class DataObject;
class ExportJob;
struct VoxelGrid;

// The fields of a surface or volume unit that the voxel export reads.
struct VoxelExportSource {
    bool dataExport = true;                 // the scene's "dataExport"
    const DataObject* data = nullptr;       // source path, reverse-Z and DICOM sign flags
    double pitch[3] = {1, 1, 1};
    std::wstring lengthUnit = L"mm";
};

class ExportUnitAccess {
public:
    virtual ~ExportUnitAccess() = default;
    // A mesh unit ("CKxDrawUTriIndex", "CKxDrawUSTL", "CKxDrawUSurfaceR")
    // fills the record; false for any other unit.
    virtual bool DescribeMeshUnit(CKxDrawUnit& unit, MeshExportRecord& record) = 0;
    // A surface or volume unit fills the source; false for any other unit.
    virtual bool DescribeVoxelUnit(CKxDrawUnit& unit, VoxelExportSource& source) = 0;
};

struct SaveDialogRequest {
    std::wstring defaultExtension;
    std::wstring defaultName;
    std::wstring filter;          // "name|pattern|...||", empty for none
    std::wstring initialFolder;
    bool confirmOverwrite = true;
};

class ExportDialogs {
public:
    virtual ~ExportDialogs() = default;
    // The modal polygon-export preference: sets the job's format and
    // magnification on OK.
    virtual void RunPolygonExportDialog(ExportJob& job) = 0;
    // The modal voxel-export preference after its data info: edits the
    // voxel-export fields of the current render settings.
    virtual void RunVoxelExportDialog(uint32_t bytesPerVoxel, bool isSigned, bool reverseOffered) = 0;
    // The save dialog: the chosen full path, empty when cancelled.
    virtual std::wstring AskSavePath(const SaveDialogRequest& request) = 0;
};

// Install (nullptr restores the default) and return what was installed before.
ExportUnitAccess* SetExportUnitAccess(ExportUnitAccess* access);
ExportUnitAccess& CurrentExportUnitAccess();
ExportDialogs* SetExportDialogs(ExportDialogs* dialogs);
ExportDialogs& CurrentExportDialogs();

} // namespace velmor
