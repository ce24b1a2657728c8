#pragma once
// A height field draped with a picture, or coloured by height without one
// (scene element "topographicMap").
#include "units/CKxDrawUnit.h"
#include "units/ColorLutHandle.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmor {

class DataObject;

class CKxDrawUTopoMap : public CKxDrawUnit {
public:
    explicit CKxDrawUTopoMap(DrawGroup* owner);
    ~CKxDrawUTopoMap() override;
    // The extent, and the heights' range when there is height data.
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUTopoMap"; }

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
    ColorLutHandle colorLut = NoColorLut();
    std::vector<float> texCoords;
    bool glBuffersDirty = true;
    uint32_t glBuffers[4] = {};   // vertices, normals, texture coordinates, serpentine
    uint64_t glBufferBytes = 0;
    bool glBuffersValid = false;
};

} // namespace velmor
