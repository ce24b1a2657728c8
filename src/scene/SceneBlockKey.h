#pragma once
#include <cstdint>

namespace velmor {

constexpr int kBlockKeyBytes = 16;

// The Blowfish key of one container block, from the program's constant and
// the block's stored key material. Callers wipe the key after use.
void DeriveBlockKey(const uint8_t material[kBlockKeyBytes], uint8_t key[kBlockKeyBytes]);

} // namespace velmor
