#pragma once
// The GL half of the primitive, text, connector and link-board units. The
// renderer (and GL tests) install it once before drawing; until then those
// units load no glyphs and draw nothing.

namespace velmor {

void InstallPlainUnitDrawing();

} // namespace velmor
