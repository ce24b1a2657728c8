#include "processing/SurfacePart.h"

#include "platform/Memory.h"

namespace velmor {

void ReleaseSurfacePart(SurfacePart& part)
{
    if (part.allocationKind == 1) {
        ReleaseMemory(part.vertices, part.vertexCount * 12);
        ReleaseMemory(part.indices, part.triangleCount * 12);
    } else {
        delete[] part.vertices;
        delete[] part.indices;
    }
    part.vertices = nullptr;
    part.indices = nullptr;
}

} // namespace velmor
