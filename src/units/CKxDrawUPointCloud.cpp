#include "units/CKxDrawUPointCloud.h"

#include "scene/DataObject.h"

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

LoadStatus CKxDrawUPointCloud::LoadMeshData()
{
    if (data == nullptr) return kLoadReadFailure;
    if (const LoadStatus r = data->AcquireData(this); r != kLoaded) return r;
    mesh.vertexCount = data->payloadBytes / 12 < data->elementCount ? data->payloadBytes / 12 : data->elementCount;
    mesh.vertices = reinterpret_cast<float*>(data->samples);
    BuildMeshBuffers();
    return kLoaded;
}

} // namespace velmor
