#pragma once
// A picture on a flat rectangle, a disc or a sphere (scene element "image"),
// with a second picture shown while the unit is selected.
#include "units/CKxDrawUnit.h"
#include "units/ColorLutHandle.h"

#include <cstdint>
#include <string>

namespace velmor {

class DataObject;

class CKxDrawUImage : public CKxDrawUnit {
public:
    explicit CKxDrawUImage(DrawGroup* owner);
    // size around the centre on every axis, whatever the shape and rotation.
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUImage"; }

    std::wstring shape = L"flat";   // flat, circle or sphere
    float size = 1.0f;              // longer side, or the sphere's diameter
    float position[3] = {0, 0, 0};
    float rotation[4] = {0, 1, 0, 0};
    bool facing = false;
    int32_t divide = 24;   // disc segments, sphere stacks
    DataObject* imageData = nullptr;
    DataObject* selectedImageData = nullptr;
    float halfWidth = 0;
    float halfHeight = 0;
    ColorLutHandle imageLut = NoColorLut();
    ColorLutHandle selectedLut = NoColorLut();
    float texMaxS = 0;
    float texMaxT = 0;
};

} // namespace velmor
