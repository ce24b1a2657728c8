#include "units/CKxDrawUPointCloud.h"

namespace velmor {

CKxDrawUPointCloud::CKxDrawUPointCloud(DrawGroup* ownerGroup) : CKxDrawUTriangles(ownerGroup)
{
    note = L"PointCloud";
    renderingType = L"C";
    drawAsPoints = true;
}

} // namespace velmor
