#pragma once
// A voxel volume shown as three stacks of textured slices, one per axis
// (scene element "volumeRendering").
#include "platform/Memory.h"
#include "processing/VoxelGrid.h"
#include "units/CKxDrawUnit.h"
#include "units/ColorLutHandle.h"

#include <cstdint>
#include <memory>
#include <string>

namespace velmor {

class DataObject;

class CKxDrawUVolumeR : public CKxDrawUnit {
public:
    explicit CKxDrawUVolumeR(DrawGroup* owner);
    // Drops the display volumes and the clear buffer; the next Load colours
    // them again.
    void FreeWork() override;
    // The volume centred on the unit's origin.
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUVolumeR"; }

    std::wstring renderingType = L"A";   // A additive, B maximum intensity
    float brightnessA = -1e6f;           // -1e6: automatic
    float contrastA = 0.1f;
    float brightnessB = 0.0f;
    float contrastB = 1.0f;
    float rangeLow = -1e6f;   // -1e6: no window yet; stored sample units
    float rangeHigh = 0.0f;   // meaningful once rangeLow is set
    bool dataExport = true;
    VoxelGrid voxels;
    double halfExtent[3] = {};
    DataObject* volumeData = nullptr;
    ColorLutHandle colorLut = NoColorLut();
    double pitch[3] = {1, 1, 1};
    CommittedBuffer displayVolume[3];   // reordered for slicing along x, y, z
    int32_t sliceCount[3] = {};
    std::unique_ptr<float[]> sliceQuads[3];   // 12 floats a slice
    float sliceTexCoords[3][4][2] = {};
    uint32_t clearWidth = 0;
    uint32_t clearHeight = 0;
    CommittedBuffer clearBuffer;
};

} // namespace velmor
