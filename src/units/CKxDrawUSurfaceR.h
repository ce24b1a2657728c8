#pragma once
// The iso-surface of a voxel volume between two thresholds (scene element
// "surfaceRendering"), built by marching cubes.
#include "processing/SurfacePart.h"
#include "processing/VoxelGrid.h"
#include "units/CKxDrawUTriangles.h"

#include <cstdint>
#include <vector>

namespace velmor {

class CKxDrawUSurfaceR : public CKxDrawUTriangles {
public:
    explicit CKxDrawUSurfaceR(DrawGroup* owner);
    ~CKxDrawUSurfaceR() override;
    // The volume centred on the unit's origin, in voxels scaled by the pitch.
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUSurfaceR"; }

    VoxelGrid voxels;
    uint32_t valueFloor = 0;        // 31768 for signed data
    float borderLow = -100000.0f;   // stored sample units; -100000: not given
    float borderUp = -100000.0f;
    float previousBorderLow = -100000.0f;
    float previousBorderUp = -100000.0f;
    uint8_t clipBoxFlags[7] = {};
    double halfExtent[3] = {1.0, 1.0, 1.0};
    std::vector<SurfacePart> surfaceParts;
};

} // namespace velmor
