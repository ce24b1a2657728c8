#pragma once
// What the polygon writers read of one mesh unit, taken on the UI thread
// before the job starts; the worker then reads only these records and the
// meshes they point to.
#include "processing/TriangleMesh.h"
#include "units/Material.h"

#include <string>

namespace velmor {

struct MeshExportRecord {
    std::wstring name;                    // the unit's note
    Material material;
    bool dataExport = true;               // the scene's "dataExport"
    double lengthFactor = 1.0;
    double pitch[3] = {1, 1, 1};
    double topGroupScale[3] = {1, 1, 1};  // normalisation of the unit's top group
    const TriangleMesh* mesh = nullptr;   // not owned
};

} // namespace velmor
