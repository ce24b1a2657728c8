#include "units/CKxDrawUSTL.h"

namespace velmor {

CKxDrawUSTL::CKxDrawUSTL(DrawGroup* ownerGroup) : CKxDrawUTriangles(ownerGroup) { note = L"STL"; }

} // namespace velmor
