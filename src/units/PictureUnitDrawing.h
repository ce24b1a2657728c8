#pragma once
// The GL halves of the image, topographic-map and scatter-graph units.
// The units live in the core library so that the scene reader can build
// them; their texture creation, buffer objects and drawing live in the GL
// layer, which installs itself here when it loads its entry points
// (InstallPictureUnitDrawing). Without it a load makes no texture (a memory
// error) and nothing is drawn; core tests install stand-ins to watch what the
// units ask for.
#include <cstdint>

namespace velmor {

class ColorLut;
class CKxDrawUImage;
class CKxDrawUTopoMap;
class CKxDrawUScatterGraph;

// What a unit draws in one pass, decided without GL.
enum class UnitPassWork {
    Nothing,
    Opaque,        // lit and textured in the opaque pass
    Transparent,   // the same in the transparent pass
    Pick,          // in its pick colour
};

// Opaque units draw in pass 1 and take part in picking (pass 3);
// transparent ones draw in pass 2 only. Nothing while the translucent
// clipped-away part is drawn, nor for a unit that cannot be drawn.
UnitPassWork ChoosePassWork(int pass, bool drawable, bool transparent);

struct PictureUnitDrawing {
    // Textures may take the picture's own size (else powers of two).
    bool nonPowerOfTwoTextures = false;
    bool (*createTexture)(ColorLut& lut) = nullptr;
    void (*drawImage)(CKxDrawUImage& unit, UnitPassWork work) = nullptr;
    void (*drawTopoMap)(CKxDrawUTopoMap& unit, UnitPassWork work) = nullptr;
    // Makes and fills the map's four buffer objects; false leaves none.
    bool (*uploadTopoMapBuffers)(CKxDrawUTopoMap& unit) = nullptr;
    void (*deleteBuffers)(const uint32_t (&names)[4]) = nullptr;
    void (*drawScatterGraph)(CKxDrawUScatterGraph& unit, int pass) = nullptr;
};

extern PictureUnitDrawing PictureUnitGL;

// GL layer: fills PictureUnitGL with the real operations.
void InstallPictureUnitDrawing();

} // namespace velmor
