// Installs the GL halves of the image, topographic-map and scatter-graph
// units into the core units.
#include "render/GLExtensions.h"
#include "units/CKxDrawUImage.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/CKxDrawUTopoMap.h"
#include "units/PictureUnitDrawing.h"

namespace velmor {
namespace {

void DrawImage(CKxDrawUImage& unit, UnitPassWork work)
{
    if (work == UnitPassWork::Pick)
        unit.DrawPicked();
    else
        unit.DrawTextured(work == UnitPassWork::Transparent);
}

void DrawTopoMap(CKxDrawUTopoMap& unit, UnitPassWork work)
{
    if (work == UnitPassWork::Pick)
        unit.DrawPicked();
    else
        unit.DrawBody(work == UnitPassWork::Transparent);
}

void DeleteBuffers(const uint32_t (&names)[4])
{
    if (GLCaps.deleteBuffers != nullptr)
        GLCaps.deleteBuffers(4, names);
}

void DrawScatterGraph(CKxDrawUScatterGraph& unit, int pass)
{
    const ScatterRange range = unit.DrawRange();
    if (range.count <= 0)
        return;
    if (unit.markerShape == L"point")
        unit.DrawPoints(pass, range);
    else
        unit.DrawSpheres(pass, range);
}

} // namespace

void InstallPictureUnitDrawing()
{
    PictureUnitGL.nonPowerOfTwoTextures = GLCaps.nonPowerOfTwoSupported != 0;
    PictureUnitGL.createTexture = [](ColorLut& lut) { return lut.Create(); };
    PictureUnitGL.drawImage = &DrawImage;
    PictureUnitGL.drawTopoMap = &DrawTopoMap;
    PictureUnitGL.uploadTopoMapBuffers = [](CKxDrawUTopoMap& unit) { return unit.UploadBuffers(); };
    PictureUnitGL.deleteBuffers = &DeleteBuffers;
    PictureUnitGL.drawScatterGraph = &DrawScatterGraph;
}

} // namespace velmor
