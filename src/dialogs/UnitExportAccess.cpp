#include "dialogs/UnitExportAccess.h"

#include "units/CKxDrawUSurfaceR.h"
#include "units/CKxDrawUVolumeR.h"
#include "units/DrawGroup.h"

namespace velmor {

bool UnitExportAccess::DescribeMeshUnit(CKxDrawUnit& unit, MeshExportRecord& record)
{
    if (!IsMeshKind(unit.Kind())) return false;
    auto& mesh = static_cast<CKxDrawUTriangles&>(unit);
    record.name = mesh.note;
    record.material = mesh.material;
    record.dataExport = mesh.dataExport;
    record.lengthFactor = mesh.lengthFactor;
    for (int i = 0; i < 3; ++i) {
        record.pitch[i] = mesh.pitch[i];
        record.topGroupScale[i] = mesh.topGroup != nullptr ? mesh.topGroup->scale[i] : 1.0;
    }
    record.mesh = &mesh.mesh;
    return true;
}

namespace {

template <typename Unit>
bool DescribeVoxels(const Unit& unit, const DataObject* data, VoxelExportSource& source)
{
    source.dataExport = unit.dataExport;
    source.data = data;
    for (int i = 0; i < 3; ++i) source.pitch[i] = unit.pitch[i];
    source.lengthUnit = unit.lengthUnit;
    return true;
}

} // namespace

bool UnitExportAccess::DescribeVoxelUnit(CKxDrawUnit& unit, VoxelExportSource& source)
{
    const UnitKind kind = unit.Kind();
    if (kind == UnitKind::kSurface) {
        const auto& surface = static_cast<const CKxDrawUSurfaceR&>(unit);
        return DescribeVoxels(surface, surface.data, source);
    }
    if (kind == UnitKind::kVolume) {
        const auto& volume = static_cast<const CKxDrawUVolumeR&>(unit);
        return DescribeVoxels(volume, volume.volumeData, source);
    }
    return false;
}

void InstallUnitExportAccess()
{
    static UnitExportAccess access;
    SetExportUnitAccess(&access);
}

} // namespace velmor
