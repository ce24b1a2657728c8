// Reading of "drawUnit" elements: one unit per unit element, appended to the
// group before anything else is read, with the attributes every kind shares.
#include "scene/AttributeParsers.h"
#include "scene/CVelmorDoc.h"
#include "scene/UnitElementReading.h"
#include "units/CKxDrawUConnector.h"
#include "units/CKxDrawUImage.h"
#include "units/CKxDrawULinkBoard.h"
#include "units/CKxDrawUPointCloud.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUSTL.h"
#include "units/CKxDrawUScatterGraph.h"
#include "units/CKxDrawUSurfaceR.h"
#include "units/CKxDrawUText.h"
#include "units/CKxDrawUTopoMap.h"
#include "units/CKxDrawUTriIndex.h"
#include "units/CKxDrawUVolumeR.h"

#include <memory>
#include <type_traits>
#include <utility>

namespace velmor {

using unit_reading::FindReference;
using unit_reading::Is;
using unit_reading::Text;

namespace {

void ReadRgb(pugi::xml_attribute a, float rgba[4]) { ParseColor3(Text(a), rgba[0], rgba[1], rgba[2]); }

// Builds the unit, hands it to the group, reads the common attributes and
// then the element's own. Readers without a result cannot fail.
template <typename Unit, typename Result, typename... Args>
bool ReadUnitElement(CVelmorDoc& doc, pugi::xml_node element, DrawGroup& group, bool readEvent,
                     Result (CVelmorDoc::*readElement)(pugi::xml_node, Unit&), Args&&... args)
{
    auto owned = std::make_unique<Unit>(&group, std::forward<Args>(args)...);
    // Reserved first, so that appending cannot throw and lose the unit: the
    // group owns it from here on, also when its reading fails.
    group.units.reserve(group.units.size() + 1);
    Unit& unit = *owned.release();
    if (!doc.ReadUnitCommon(element, &unit, group, readEvent)) return false;
    if constexpr (std::is_void_v<Result>) {
        (doc.*readElement)(element, unit);
        return true;
    } else {
        return (doc.*readElement)(element, unit);
    }
}

} // namespace

bool CVelmorDoc::ReadDrawUnit(pugi::xml_node element, DrawGroup& group)
{
    bool volumeMade = false;
    for (pugi::xml_node child : element.children()) {
        if (child.type() != pugi::node_element) continue;
        const char* n = child.name();
        bool ok = true;
        if (Is(n, "primitive")) ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadPrimitiveUnit);
        else if (Is(n, "text")) ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadTextUnit);
        else if (Is(n, "image")) ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadImageUnit);
        else if (Is(n, "linkBoard")) ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadLinkBoardUnit);
        else if (Is(n, "connector")) ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadConnectorUnit);
        else if (Is(n, "triangleIndex"))
            ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadTriangleIndexUnit, std::wstring());
        else if (Is(n, "pointCloud")) ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadPointCloudUnit);
        else if (Is(n, "stl")) ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadStlUnit);
        else if (Is(n, "surfaceRendering"))
            ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadSurfaceRenderingUnit);
        else if (Is(n, "volumeRendering")) {
            // One volume per "drawUnit" element; later ones are passed over.
            if (!volumeMade) ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadVolumeRenderingUnit);
            volumeMade = true;
        } else if (Is(n, "topographicMap")) ok = ReadUnitElement(*this, child, group, true, &CVelmorDoc::ReadTopoMapUnit);
        // The scatter graph reads "event" as its own list.
        else if (Is(n, "scatterGraph"))
            ok = ReadUnitElement(*this, child, group, false, &CVelmorDoc::ReadScatterGraphUnit);
        if (!ok) return false;
    }
    return true;
}

bool CVelmorDoc::ReadUnitCommon(pugi::xml_node element, CKxDrawUnit* unit, DrawGroup& group, bool readEvent)
{
    group.units.push_back(unit);
    Material& own = unit->material;
    // The constructor has just reset the highlight: what this unit gives
    // stands until the next unit is built.
    Material& highlight = HighlightMaterial;
    for (pugi::xml_attribute a : element.attributes()) {
        const char* n = a.name();
        if (Is(n, "note")) unit->note = Text(a);
        else if (Is(n, "ambient")) ReadRgb(a, own.ambient);
        else if (Is(n, "diffuse")) ReadRgb(a, own.diffuse);
        else if (Is(n, "specular")) ReadRgb(a, own.specular);
        else if (Is(n, "shininess")) ParseFloatClamped(0.0f, 128.0f, Text(a), own.shininess);
        else if (Is(n, "selectedAmbient")) ReadRgb(a, highlight.ambient);
        else if (Is(n, "selectedDiffuse")) ReadRgb(a, highlight.diffuse);
        else if (Is(n, "selectedSpecular")) ReadRgb(a, highlight.specular);
        else if (Is(n, "selectedShininess")) ParseFloatClamped(0.0f, 128.0f, Text(a), highlight.shininess);
        else if (Is(n, "selectable")) ParseOnOff(Text(a), unit->selectable);
        else if (Is(n, "event") && readEvent) {
            if (!FindReference(events, Text(a), unit->event)) return false;
        } else if (Is(n, "hide")) ParseOnOff(Text(a), unit->hidden);
    }
    return true;
}

void CVelmorDoc::ReadColorTable(pugi::xml_node inner, CKxDrawUTriangles& unit)
{
    for (pugi::xml_attribute a : inner.attributes()) {
        const char* n = a.name();
        if (Is(n, "draw")) ParseOnOff(Text(a), unit.innerDraw);
        else if (Is(n, "colorTable")) unit.colorTable = Text(a);
        else if (Is(n, "colorTableLow")) ParseInt1(Text(a), unit.colorTableLow);
        else if (Is(n, "colorTableUp")) ParseInt1(Text(a), unit.colorTableUp);
    }
}

} // namespace velmor
