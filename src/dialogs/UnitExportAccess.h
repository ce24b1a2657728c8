#pragma once
// The exports' view of the mesh, surface and volume units: the program
// installs it at start-up so that the exports read the units' own fields.
#include "export/ExportSeams.h"

namespace velmor {

class UnitExportAccess final : public ExportUnitAccess {
public:
    bool DescribeMeshUnit(CKxDrawUnit& unit, MeshExportRecord& record) override;
    bool DescribeVoxelUnit(CKxDrawUnit& unit, VoxelExportSource& source) override;
};

// Installs one program-wide UnitExportAccess.
void InstallUnitExportAccess();

} // namespace velmor
