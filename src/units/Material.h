#pragma once

namespace velmor {

// Colours 0..1 (scene files write 0..255).
struct Material {
    float ambient[4] = {76 / 255.0f, 76 / 255.0f, 76 / 255.0f, 1.0f};
    float diffuse[4] = {178 / 255.0f, 178 / 255.0f, 178 / 255.0f, 1.0f};
    float specular[4] = {10 / 255.0f, 10 / 255.0f, 10 / 255.0f, 1.0f};
    float shininess = 120.0f;
};

} // namespace velmor
