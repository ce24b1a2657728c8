#pragma once
// How units hold their colour look-up textures. The deleter travels with the
// object, so the unit headers and destructors need no ColorLut definition;
// the code that creates a table passes DeleteColorLut (or its own deleter).
#include <memory>

namespace velmor {

class ColorLut;

using ColorLutHandle = std::unique_ptr<ColorLut, void (*)(ColorLut*)>;

// An empty handle: no table yet.
inline ColorLutHandle NoColorLut() { return ColorLutHandle(nullptr, nullptr); }

} // namespace velmor
