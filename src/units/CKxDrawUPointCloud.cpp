#include "units/CKxDrawUPointCloud.h"

#include "scene/DataObject.h"
#include "units/UnitLoading.h"

namespace velmor {

CKxDrawUPointCloud::CKxDrawUPointCloud(DrawGroup* ownerGroup) : CKxDrawUTriangles(ownerGroup)
{
    note = L"PointCloud";
    renderingType = L"C";
    drawAsPoints = true;
    ownsVertices = false;
    ownsIndices = false;
}

CKxDrawUPointCloud::~CKxDrawUPointCloud() { CKxDrawUPointCloud::FreeGLBuffers(); }

void CKxDrawUPointCloud::Release()
{
    ForgetBorrowedMesh();
    if (data != nullptr) data->ReleaseData(this);
}

void CKxDrawUPointCloud::Draw(int pass)
{
    if (!hidden) DrawMesh(pass);
}

int CKxDrawUPointCloud::LoadMeshData()
{
    if (data == nullptr) return 1;
    if (const int r = AcquireUnitData(*data, this); r != kUnitLoaded) return r;
    mesh.vertexCount = data->payloadBytes / 12 < data->elementCount ? data->payloadBytes / 12 : data->elementCount;
    mesh.vertices = reinterpret_cast<float*>(data->samples);
    BuildMeshBuffers();
    return 0;
}

} // namespace velmor
