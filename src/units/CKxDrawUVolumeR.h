#pragma once
// A voxel volume shown as three stacks of textured slices, one per axis
// (scene element "volumeRendering").
//
// Sizes, levels, slice geometry, the choice of stack and the order of its
// slices need no GL and live in the core library, and so do Load and Draw:
// they reach the texture creation and the stack drawing of the GL layer
// through VolumeUnitGL, so that the scene reader can build volume units
// without linking GL.
#include "platform/Memory.h"
#include "processing/VoxelGrid.h"
#include "scene/LoadStatus.h"
#include "units/CKxDrawUnit.h"
#include "units/ColorLut.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmor {

class DataObject;
struct VolumeUnitState;

// The stack to draw: axis 0 x, 1 y, 2 z; direction 1 when the negative end
// of the axis is the farther one from the eye.
struct SliceAxis {
    int axis = 2;
    int direction = 1;
};

// One step of drawing a stack: upload display layer `layer` first (-1: the
// texture already holds the right layer), then draw quad `quad`.
struct SliceStep {
    int64_t layer = -1;
    int32_t quad = 0;
};

class CKxDrawUVolumeR;

// Filled by InstallVolumeUnitDrawing of the GL layer. Without a texture
// creator a load fails as a memory shortage; without a stack drawer nothing
// is drawn.
struct VolumeUnitDrawing {
    // Sizes the unit's colorLut from its volume data and creates the texture.
    bool (*createTexture)(CKxDrawUVolumeR&) = nullptr;
    // Draws the stack for the current matrices, unlit.
    void (*drawSliceStack)(CKxDrawUVolumeR&) = nullptr;
};
extern VolumeUnitDrawing VolumeUnitGL;
// GL layer; run once a context exists.
void InstallVolumeUnitDrawing();

class CKxDrawUVolumeR : public CKxDrawUnit {
public:
    explicit CKxDrawUVolumeR(DrawGroup* owner);
    ~CKxDrawUVolumeR() override;
    void Load() override;
    // Gives back the data object and drops the quads and the texture; the
    // display volumes stay for the next Load.
    void Release() override;
    void Draw(int pass) override;
    // Drops the display volumes and the clear buffer; the next Load colours
    // them again.
    void FreeWork() override;
    // The unit keeps no buffer objects; its one texture stays until Release.
    bool FreeGLBuffers() override { return false; }
    // The volume centred on the unit's origin.
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUVolumeR"; }
    UnitKind Kind() const override { return UnitKind::kVolume; }

    // The value window in data units; stored with 32768 added for signed data.
    void SetRangeLow(float value);
    void SetRangeHigh(float value);
    float GetRangeLow() const;
    float GetRangeHigh() const;
    void SetPitch(const double newPitch[3], const std::wstring& unitName);
    // The slice quads of the three stacks; false when they cannot be had.
    bool BuildSliceQuads();
    // Default window and automatic brightness for 1- and 2-byte samples.
    void AutoVolumeLevel8(int highest);
    void AutoVolumeLevel16(int highest);
    // The stack for the model-view matrix `modelView` (column-major) and an
    // eye at (0, 0, cameraDistance).
    static SliceAxis ChooseSliceAxis(const float modelView[16], float cameraDistance);
    // The uploads and quads of one stack of `count` slices over `layers`
    // voxel layers, far end first.
    static std::vector<SliceStep> SliceSteps(uint64_t layers, int32_t count, int direction);
    // Marks the display volumes for recolouring at the next transparent draw
    // (after the window, brightness or contrast changed).
    void RequestRecolour();
    // Recolours at once (behind the job host's progress); when the unit has
    // nothing to colour yet, it is marked for its next draw instead.
    void RecolourNow();
    // Runs the colour job over the display volumes; its result (0 when done),
    // -1 when there is nothing to colour.
    int32_t RunColorJob();

    // Steps of the load worker, in order; each gives a load result.
    LoadStatus AcquireVolume();
    void ApplyAutoLevels();
    void ChooseClearSize();
    LoadStatus PrepareDisplayVolumes();
    LoadStatus PlaceSlices();
    void SetSliceTexCoords();
    // The load worker: all steps, texture creation included.
    LoadStatus LoadWorker();
    // One stack for the current model-view matrix. GL layer.
    void DrawSliceStack();
    void DrawVolumeSlices8();
    void DrawVolumeSlices16();
    // True while the unit has everything a stack needs.
    bool ReadyToDraw() const;

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
    ColorLut colorLut;
    double pitch[3] = {1, 1, 1};
    CommittedBuffer displayVolume[3];   // reordered for slicing along x, y, z
    int32_t sliceCount[3] = {};
    std::unique_ptr<float[]> sliceQuads[3];   // 12 floats a slice
    float sliceTexCoords[3][4][2] = {};
    uint32_t clearWidth = 0;
    uint32_t clearHeight = 0;
    CommittedBuffer clearBuffer;

private:
    bool SignedData() const;
    void FreeSliceQuads();
    VolumeUnitState ColourState();
    template <typename Sample> void AutoVolumeLevel(const uint64_t* histogram, int highest);
    template <typename Sample> void DrawVolumeSlices(unsigned type);
    uint64_t SampleCount() const;
};

} // namespace velmor
