#include "units/CKxDrawUSurfaceR.h"

#include "units/UnitBox.h"

namespace velmor {

CKxDrawUSurfaceR::CKxDrawUSurfaceR(DrawGroup* ownerGroup) : CKxDrawUTriangles(ownerGroup) { note = L"SurfaceR"; }

// The surface owns every array of its meshes and of the extracted parts.
CKxDrawUSurfaceR::~CKxDrawUSurfaceR()
{
    ReleaseMesh(mesh);
    ReleaseMesh(savedMesh);
    for (SurfacePart& part : surfaceParts)
        ReleaseSurfacePart(part);
}

void CKxDrawUSurfaceR::GetBounds(double minimum[3], double maximum[3])
{
    WriteVolumeBox(halfExtent, pitch, lengthFactor, minimum, maximum);
}

} // namespace velmor
