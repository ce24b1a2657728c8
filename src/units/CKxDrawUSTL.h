#pragma once
// The facets of an STL file (scene element "stl").
#include "units/CKxDrawUTriangles.h"

namespace velmor {

class CKxDrawUSTL : public CKxDrawUTriangles {
public:
    explicit CKxDrawUSTL(DrawGroup* owner);
    void GetBounds(double minimum[3], double maximum[3]) override { GetDataBounds(minimum, maximum); }
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUSTL"; }
};

} // namespace velmor
