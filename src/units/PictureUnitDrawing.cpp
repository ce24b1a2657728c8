#include "units/PictureUnitDrawing.h"

#include "render/RenderSettings.h"

namespace velmor {

PictureUnitDrawing PictureUnitGL;

UnitPassWork ChoosePassWork(int pass, bool drawable, bool transparent)
{
    if (!drawable || CurrentRenderSettings().drawingClippedPart != 0)
        return UnitPassWork::Nothing;
    if (pass == 1 && !transparent)
        return UnitPassWork::Opaque;
    if (pass == 2 && transparent)
        return UnitPassWork::Transparent;
    if (pass == 3 && !transparent)
        return UnitPassWork::Pick;
    return UnitPassWork::Nothing;
}

} // namespace velmor
