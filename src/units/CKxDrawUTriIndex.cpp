#include "units/CKxDrawUTriIndex.h"

#include "processing/VertexNormals.h"
#include "scene/DataObject.h"
#include "units/ColorLut.h"

namespace velmor {

CKxDrawUTriIndex::CKxDrawUTriIndex(DrawGroup* ownerGroup, const std::wstring& kindName) : CKxDrawUTriangles(ownerGroup)
{
    note = kindName.empty() ? L"TriIndex" : kindName;
    ownsVertices = false;
    ownsIndices = false;
}

CKxDrawUTriIndex::~CKxDrawUTriIndex()
{
    CKxDrawUTriIndex::FreeWork();
    CKxDrawUTriIndex::FreeGLBuffers();
}

void CKxDrawUTriIndex::Release()
{
    ForgetBorrowedMesh();
    if (data != nullptr) data->ReleaseData(this);
    if (indexData != nullptr) indexData->ReleaseData(this);
    if (clipCapData != nullptr) clipCapData->ReleaseData(this);
    if (capLut) capLut->Delete();
}

void CKxDrawUTriIndex::Draw(int pass)
{
    if (!hidden) DrawMesh(pass);
}

void CKxDrawUTriIndex::FreeWork() { FreeVertexNormals(mesh); }

namespace {

LoadStatus AcquireResult(DataObject* object, CKxDrawUnit* unit)
{
    return object == nullptr ? kLoadReadFailure : object->AcquireData(unit);
}

} // namespace

LoadStatus CKxDrawUTriIndex::LoadMeshData()
{
    if (LoadStatus r = AcquireResult(data, this); r != kLoaded) return r;
    if (LoadStatus r = AcquireResult(indexData, this); r != kLoaded) return r;
    // The arrays are the payloads: only whole values of them are used, and
    // an index past the vertices (a damaged file) would make drawing read
    // beyond the vertex array.
    const uint64_t vertexCount = data->payloadBytes / 12 < data->elementCount ? data->payloadBytes / 12 : data->elementCount;
    uint64_t indexCount = indexData->payloadBytes / 4 < indexData->elementCount ? indexData->payloadBytes / 4
                                                                                 : indexData->elementCount;
    indexCount -= indexCount % 3;
    const auto* indices = reinterpret_cast<const uint32_t*>(indexData->samples);
    for (uint64_t i = 0; i < indexCount; ++i)
        if (indices[i] >= vertexCount) return kLoadReadFailure;
    mesh.vertexCount = vertexCount;
    mesh.vertices = reinterpret_cast<float*>(data->samples);
    mesh.triangleCount = indexCount / 3;
    mesh.indices = reinterpret_cast<uint32_t*>(indexData->samples);
    parts[0] = {mesh.triangleCount, 0};
    return BuildNormalsAndBuffers();
}

} // namespace velmor
