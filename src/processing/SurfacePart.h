#pragma once
#include <cstdint>

namespace velmor {

// One extracted surface part; its indices count from 0 within the part.
struct SurfacePart {
    int32_t groupIndex = 0;          // material group 0 to 10
    uint64_t vertexCount = 0;
    uint64_t triangleCount = 0;
    uint8_t allocationKind = 0;      // 1: committed pages, 0: heap
    float* vertices = nullptr;       // x, y, z per vertex
    uint32_t* indices = nullptr;     // three per triangle
};

// Frees both arrays the way they were taken and nulls the pointers.
void ReleaseSurfacePart(SurfacePart& part);

} // namespace velmor
