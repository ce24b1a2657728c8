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
    void Load() override;
    void Release() override;
    // Rebuilds the surface first when its volume changed.
    void Draw(int pass) override;
    void FreeWork() override;
    bool FreeGLBuffers() override { return DeleteBuffers(); }
    // The volume centred on the unit's origin, in voxels scaled by the pitch.
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUSurfaceR"; }
    UnitKind Kind() const override { return UnitKind::kSurface; }

    // Thresholds in the data's own values (signed 16-bit volumes are stored
    // with 32768 added); the previous pair stays for RestoreBorder.
    void SetBorder(float low, float up);
    void RestoreBorder();
    float GetBorderLow() const;
    float GetBorderUp() const;
    // The mesh takes the first extracted part's arrays; true.
    bool BuildMeshFromParts(bool takeFirst);
    // Otsu's threshold over histogram[lo..hi]; 0 when no value separates.
    static float OtsuThreshold(const uint64_t* histogram, uint64_t entries, int64_t lo, int64_t hi);
    // The iso-surface for the current thresholds: 0, 1 cancelled, -1 memory.
    int32_t MakeSurface(bool skipNormals, bool cancelAllowed);

    VoxelGrid voxels;
    uint32_t valueFloor = 0;        // 31768 for signed data
    float borderLow = -100000.0f;   // stored sample units; -100000: not given
    float borderUp = -100000.0f;
    float previousBorderLow = -100000.0f;
    float previousBorderUp = -100000.0f;
    uint8_t clipBoxFlags[7] = {};
    double halfExtent[3] = {1.0, 1.0, 1.0};
    std::vector<SurfacePart> surfaceParts;

private:
    bool VolumeSigned() const;
    // The payload and the surface made from it; cancelled when the user stops the surface job.
    LoadStatus LoadSurfaceData();
};

} // namespace velmor
