#pragma once
// The GL half of the mesh units: their draw body, buffer objects and clip
// cap. The view (and every GL test) installs it once its context exists.

namespace velmor {

void InstallMeshUnitDrawing();

} // namespace velmor
