#pragma once
// The facets of an STL file (scene element "stl").
#include "units/CKxDrawUTriangles.h"

namespace velmor {

class CKxDrawUSTL : public CKxDrawUTriangles {
public:
    explicit CKxDrawUSTL(DrawGroup* owner);
    ~CKxDrawUSTL() override;
    void Load() override { LoadMesh(); }
    void Release() override;
    void Draw(int pass) override;
    // The vertices stay with the data object; the normals, the index array
    // and the buffers go.
    void FreeWork() override;
    bool FreeGLBuffers() override { return DeleteBuffers(); }
    void GetBounds(double minimum[3], double maximum[3]) override { GetDataBounds(minimum, maximum); }
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUSTL"; }
    UnitKind Kind() const override { return UnitKind::kStl; }

protected:
    LoadStatus LoadMeshData() override;
};

} // namespace velmor
