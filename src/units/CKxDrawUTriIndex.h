#pragma once
// A mesh of a vertex array and a triangle index array (scene element
// "triangleIndex").
#include "units/CKxDrawUTriangles.h"

#include <string>

namespace velmor {

class CKxDrawUTriIndex : public CKxDrawUTriangles {
public:
    // An empty kind name gives the note "TriIndex".
    CKxDrawUTriIndex(DrawGroup* owner, const std::wstring& kindName);
    // Only the normals are the unit's: vertices and indices stay with the
    // data objects. The next Load builds them again.
    void FreeWork() override;
    void GetBounds(double minimum[3], double maximum[3]) override { GetDataBounds(minimum, maximum); }
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUTriIndex"; }

    DataObject* indexData = nullptr;
};

} // namespace velmor
