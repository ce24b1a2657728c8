#pragma once
// A point array drawn as unlit points (scene element "pointCloud").
#include "units/CKxDrawUTriangles.h"

namespace velmor {

class CKxDrawUPointCloud : public CKxDrawUTriangles {
public:
    explicit CKxDrawUPointCloud(DrawGroup* owner);
    ~CKxDrawUPointCloud() override;
    void Load() override { LoadMesh(); }
    void Release() override;
    void Draw(int pass) override;
    bool FreeGLBuffers() override { return DeleteBuffers(); }
    void GetBounds(double minimum[3], double maximum[3]) override { GetDataBounds(minimum, maximum); }
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUPointCloud"; }
    UnitKind Kind() const override { return UnitKind::kPointCloud; }

protected:
    LoadStatus LoadMeshData() override;
};

} // namespace velmor
