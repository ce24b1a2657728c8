#pragma once
// The colour job of volume units and the material presets of mesh units.
// Declared here so that the mesh and volume units can be written against
// it; the volume-processing code defines the operations.
#include "scene/BackgroundJob.h"

#include <cstdint>
#include <string>

namespace velmor {

class CKxDrawUTriangles;
class CKxDrawUVolumeR;

class VolumeColorJob : public BackgroundJob {
public:
    CKxDrawUVolumeR* unit = nullptr;

    // Resets the unit's eleven part materials, stores `mode`, then fills
    // them from the unit's own and the highlight material (mode other than
    // 0) or from the named colour scheme (mode 0).
    void SetMaterialPresets(CKxDrawUTriangles* meshUnit, uint8_t mode, const std::wstring& schemeName);
    // Fills the unit's three display volumes under the caption "make volume
    // color"; the job result, 0 on success.
    int32_t Run(CKxDrawUVolumeR* volumeUnit);
};

} // namespace velmor
