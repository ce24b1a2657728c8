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
    ~CKxDrawUTriIndex() override;
    void Load() override { LoadMesh(); }
    void Release() override;
    void Draw(int pass) override;
    // Only the normals are the unit's: vertices and indices stay with the
    // data objects. The next Load builds them again.
    void FreeWork() override;
    bool FreeGLBuffers() override { return DeleteBuffers(); }
    void GetBounds(double minimum[3], double maximum[3]) override { GetDataBounds(minimum, maximum); }
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUTriIndex"; }
    UnitKind Kind() const override { return UnitKind::kTriIndex; }

    DataObject* indexData = nullptr;

protected:
    LoadStatus LoadMeshData() override;
};

} // namespace velmor
