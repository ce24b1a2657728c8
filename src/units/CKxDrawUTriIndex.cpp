#include "units/CKxDrawUTriIndex.h"

#include "processing/VertexNormals.h"

namespace velmor {

CKxDrawUTriIndex::CKxDrawUTriIndex(DrawGroup* ownerGroup, const std::wstring& kindName) : CKxDrawUTriangles(ownerGroup)
{
    note = kindName.empty() ? L"TriIndex" : kindName;
}

void CKxDrawUTriIndex::FreeWork() { FreeVertexNormals(mesh); }

} // namespace velmor
