#include "scene/SceneBlockKey.h"

namespace velmor {
namespace {

// Containers written for another constant do not decrypt; keep it unchanged.
constexpr uint8_t kProgramConstant[kBlockKeyBytes] = {
    0x5B, 0xC2, 0x17, 0x8E, 0x3D, 0xA4, 0x69, 0xF0,
    0x0C, 0x93, 0x4A, 0xD7, 0x26, 0xB1, 0x78, 0xE5,
};

} // namespace

void DeriveBlockKey(const uint8_t material[kBlockKeyBytes], uint8_t key[kBlockKeyBytes])
{
    // Byte by byte, with a position-dependent rotation so that equal
    // material bytes at different positions give different key bytes.
    for (int i = 0; i < kBlockKeyBytes; ++i) {
        const uint8_t m = material[i];
        const int shift = i % 8;
        const uint8_t rotated = static_cast<uint8_t>((m << shift) | (m >> ((8 - shift) % 8)));
        key[i] = static_cast<uint8_t>(rotated ^ kProgramConstant[i]);
    }
}

} // namespace velmor
