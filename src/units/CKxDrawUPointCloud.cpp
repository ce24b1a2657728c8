#include "units/CKxDrawUPointCloud.h"

#include "scene/DataObject.h"

namespace velmor {

CKxDrawUPointCloud::CKxDrawUPointCloud(DrawGroup* ownerGroup) : CKxDrawUTriangles(ownerGroup)
{
    note = L"PointCloud";
    renderingType = L"C";
    drawAsPoints = true;
}

void CKxDrawUPointCloud::Release()
{
    if (data != nullptr) data->ReleaseData(this);
}

} // namespace velmor
