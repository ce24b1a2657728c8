#include "units/CKxDrawUTriIndex.h"

namespace velmor {

CKxDrawUTriIndex::CKxDrawUTriIndex(DrawGroup* ownerGroup, const std::wstring& kindName) : CKxDrawUTriangles(ownerGroup)
{
    note = kindName.empty() ? L"TriIndex" : kindName;
}

} // namespace velmor
