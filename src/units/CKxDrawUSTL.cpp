#include "units/CKxDrawUSTL.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "processing/VertexNormals.h"
#include "scene/DataObject.h"
#include "units/ColorLut.h"

#include <limits>

namespace velmor {

CKxDrawUSTL::CKxDrawUSTL(DrawGroup* ownerGroup) : CKxDrawUTriangles(ownerGroup)
{
    note = L"STL";
    ownsVertices = false;
}

CKxDrawUSTL::~CKxDrawUSTL()
{
    CKxDrawUSTL::FreeWork();
    CKxDrawUSTL::FreeGLBuffers();
}

void CKxDrawUSTL::Release()
{
    ForgetBorrowedMesh();
    if (data != nullptr) data->ReleaseData(this);
    if (clipCapData != nullptr) clipCapData->ReleaseData(this);
    if (capLut) capLut->Delete();
}

void CKxDrawUSTL::Draw(int pass)
{
    if (!hidden) DrawMesh(pass);
}

void CKxDrawUSTL::FreeWork()
{
    FreeVertexNormals(mesh);
    DeleteBuffers();
    FreeMesh();
}

LoadStatus CKxDrawUSTL::LoadMeshData()
{
    if (data == nullptr) return kLoadReadFailure;
    if (const LoadStatus r = data->AcquireData(this); r != kLoaded) return r;
    FreeMesh();
    // Three vertices of three floats per facet, as far as the payload holds them.
    const uint64_t facets = data->payloadBytes / 36 < data->elementCount ? data->payloadBytes / 36 : data->elementCount;
    uint64_t indexBytes = 0;
    // Every vertex must be numbered in 32 bits.
    if (facets > std::numeric_limits<uint32_t>::max() / 3 || !CheckedMul(facets, 12, indexBytes)) return kLoadMemoryShortage;
    auto* indices = static_cast<uint32_t*>(CommitMemory(indexBytes));
    if (indices == nullptr && indexBytes != 0) return kLoadMemoryShortage;
    for (uint32_t i = 0; i < facets * 3; ++i) indices[i] = i;
    mesh.vertexCount = facets * 3;
    mesh.vertices = reinterpret_cast<float*>(data->samples);
    mesh.triangleCount = facets;
    mesh.indices = indices;
    mesh.allocationKind = 1;
    parts[0] = {facets, 0};
    return BuildNormalsAndBuffers();
}

} // namespace velmor
