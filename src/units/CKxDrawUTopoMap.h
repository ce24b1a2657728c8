#pragma once
// A height field draped with a picture, or coloured by height without one
// (scene element "topographicMap").
#include "scene/LoadStatus.h"
#include "units/CKxDrawUnit.h"
#include "units/ColorLut.h"
#include "units/PictureUnitDrawing.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmor {

class DataObject;

// Which strips a transparent map is drawn with, back to front.
enum class TopoStripFamily { Rows, RowsReversed, Columns, ColumnsReversed };
struct TopoStripOrder {
    TopoStripFamily family = TopoStripFamily::Rows;
    bool ascending = true;   // strip 0 first
};
// From the squared eye distances of the corners (0, 0), (nx - 1, 0),
// (0, ny - 1) and (nx - 1, ny - 1): the strips that run away from the
// nearest corner, farthest first.
TopoStripOrder ChooseSortedStrips(const double distances[4]);

// Hue of a cell whose mean height is `h` over heights up to `hMax` and down
// to `hMin`: 120 (green) at 0 to 0 (red) at the maximum, 200 to 240 (blue)
// at the minimum for negative heights. Always finite for finite inputs.
float AutoColorHue(float h, float hMax, float hMin);

class CKxDrawUTopoMap : public CKxDrawUnit {
public:
    explicit CKxDrawUTopoMap(DrawGroup* owner);
    ~CKxDrawUTopoMap() override;
    // Acquires the heights and the picture, builds the grid, the texture
    // and the buffer objects; a failure is shown and leaves the unit
    // released and invalid.
    void Load() override;
    void Release() override;
    void Draw(int pass) override;
    bool FreeGLBuffers() override;
    // The extent, and the heights' range when there is height data.
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUTopoMap"; }
    UnitKind Kind() const override { return UnitKind::kTopoMap; }

    bool IsTransparent() const;
    UnitPassWork PassWork(int pass) const;

    // Vertices, strips, serpentine and normals of an nx x ny grid over the
    // extent, heights from `heights` (nx x ny floats) or flat without them;
    // false when memory cannot be had.
    bool BuildGrid(const float* heights);
    // The picture of the cell colours ("auto_Color"); false when memory
    // cannot be had.
    bool MakeAutoColor(const float* heights);
    // Bytes the buffer objects need, and the buffers themselves when the
    // application uses buffer objects; a failure leaves the map drawing
    // from memory.
    void BuildGLBuffers();
    void ClearArrays();

    // GL layer.
    void DrawBody(bool transparent);
    void DrawPicked();
    bool UploadBuffers();

    // x0, y0 (lower left), x1, y1 (upper right); x0 = x1 = 0: chosen by Load.
    float extent[4] = {0, 0, 0, 0};
    DataObject* heightData = nullptr;
    DataObject* imageData = nullptr;
    std::unique_ptr<DataObject> autoColorData;   // the colours made when there is no picture
    int32_t gridWidth = 0;
    int32_t gridHeight = 0;
    std::vector<float> vertices;   // x, y, z per grid vertex
    std::vector<std::vector<uint32_t>> rowStrips, rowStripsReversed;
    std::vector<std::vector<uint32_t>> columnStrips, columnStripsReversed;
    std::vector<uint32_t> serpentine;   // the whole map as one triangle strip
    std::vector<float> normals;
    ColorLut colorLut;
    std::vector<float> texCoords;
    bool glBuffersDirty = true;
    uint32_t glBuffers[4] = {};   // vertices, normals, texture coordinates, serpentine
    uint64_t glBufferBytes = 0;
    bool glBuffersValid = false;

private:
    // The payloads and the grid made from them.
    LoadStatus LoadGrid();
    bool BuildTexCoords();
    // GL layer: the whole map as one strip, and strip by strip back to front.
    void DrawStrip();
    void DrawSorted();
    // Points the vertex, normal and texture-coordinate arrays at the buffer
    // objects or at memory; false when there is no video memory for them.
    bool BindArrays();
    // The serpentine went into the element buffer (only for an opaque map).
    bool serpentineInBuffer_ = false;
};

} // namespace velmor
