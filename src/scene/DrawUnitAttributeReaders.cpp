// The attributes of each unit element beyond the common ones. A data
// reference that names no data object ends the element's reading with false.
#include "platform/NumberParse.h"
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

#include <initializer_list>
#include <vector>

namespace velmor {

using unit_reading::FindReference;
using unit_reading::Is;
using unit_reading::Text;

namespace {

float TokenFloat(const std::wstring& token) { return NarrowToFloat(ParseLeadingDouble(token)); }

std::vector<std::wstring> Tokens(pugi::xml_attribute a)
{
    std::vector<std::wstring> tokens;
    SplitTokens(Text(a), L",", tokens);
    return tokens;
}

bool IsOneOf(const std::wstring& s, std::initializer_list<const wchar_t*> names)
{
    for (const wchar_t* n : names)
        if (s == n) return true;
    return false;
}

void ReadXyz(pugi::xml_attribute a, float xyz[3]) { ParseFloat3(Text(a), xyz[0], xyz[1], xyz[2]); }
void ReadRotation(pugi::xml_attribute a, float r[4]) { ParseFloat4(Text(a), r[0], r[1], r[2], r[3]); }

// The opacity is the alpha of all three colours of the material.
void ReadOpacity(pugi::xml_attribute a, Material& m)
{
    float opacity = 1.0f;
    ParseFloat1(Text(a), opacity);
    m.ambient[3] = m.diffuse[3] = m.specular[3] = opacity;
}

struct DataReference {
    const char* attribute;
    DataObject** member;
};

// Walks the element's attributes in document order: the data references of
// `references` are resolved, every other attribute goes to `other`. False at
// the first reference the scene does not define, or when `other` says so;
// the attributes after it are not read.
template <typename Other>
bool ReadUnitAttributes(const DataObjectMap& dataObjects, pugi::xml_node element,
                        std::initializer_list<DataReference> references, Other other)
{
    for (pugi::xml_attribute a : element.attributes()) {
        const DataReference* reference = nullptr;
        for (const DataReference& r : references)
            if (Is(a.name(), r.attribute)) reference = &r;
        if (reference != nullptr ? !FindReference(dataObjects, Text(a), *reference->member) : !other(a)) return false;
    }
    return true;
}

template <typename Visit>
void ForEachInner(pugi::xml_node element, Visit visit)
{
    for (pugi::xml_node child : element.children())
        if (child.type() == pugi::node_element && Is(child.name(), "inner")) visit(child);
}

// How many values a primitive's "coordinate" and "size" need by its shape;
// 0 where the shape takes none.
size_t CoordinateCount(const std::wstring& shape)
{
    if (shape == L"line") return 6;
    if (shape == L"triangle") return 9;
    return 3;
}

size_t SizeCount(const std::wstring& shape)
{
    if (IsOneOf(shape, {L"bar", L"square", L"circle", L"cube", L"sphere"})) return 1;
    if (IsOneOf(shape, {L"rectangle", L"oval", L"cone"})) return 2;
    if (IsOneOf(shape, {L"cuboid", L"ellipsoid", L"cylinder"})) return 3;
    return 0;
}

size_t ParameterCount(const std::wstring& shape)
{
    if (IsOneOf(shape, {L"circle", L"oval", L"cone", L"cylinder"})) return 3;
    if (IsOneOf(shape, {L"sphere", L"ellipsoid"})) return 4;
    return 0;
}

// The older "parameter" of scenes up to 1.3401 mixes sizes and counts by
// position. False when fewer values stand than the shape reads.
bool ReadOldPrimitiveParameter(const std::vector<std::wstring>& v, CKxDrawUPrimitive& unit)
{
    const std::wstring& shape = unit.shape;
    const size_t need = shape == L"cylinder" ? 4 : shape == L"sphere" ? 3 : IsOneOf(shape, {L"line", L"cube"}) ? 1 : 0;
    if (v.size() < need) return false;
    if (shape == L"cylinder") {
        for (int i = 0; i < 3; ++i) unit.size[i] = TokenFloat(v[i]);
        unit.parameter[0] = ParseLeadingInt32(v[3]);
    } else if (shape == L"sphere") {
        unit.size[0] = TokenFloat(v[0]);
        unit.parameter[0] = ParseLeadingInt32(v[1]);
        unit.parameter[1] = ParseLeadingInt32(v[2]);
    } else if (shape == L"line") {
        unit.pixelSize = TokenFloat(v[0]);
    } else if (shape == L"cube") {
        unit.size[0] = TokenFloat(v[0]);
    }
    return true;
}

} // namespace

void CVelmorDoc::ReadPrimitiveUnit(pugi::xml_node element, CKxDrawUPrimitive& unit)
{
    // The shape decides how the lists are read, wherever it stands.
    for (pugi::xml_attribute a : element.attributes())
        if (Is(a.name(), "shape")) unit.shape = Text(a);

    const std::wstring& shape = unit.shape;
    for (pugi::xml_attribute a : element.attributes()) {
        const char* n = a.name();
        if (Is(n, "coordinate")) {
            const auto v = Tokens(a);
            if (v.size() != CoordinateCount(shape)) return;
            for (size_t i = 0; i < v.size(); ++i) unit.points[i / 3][i % 3] = TokenFloat(v[i]);
        } else if (Is(n, "pixelSize")) {
            ParseFloat1(Text(a), unit.pixelSize);
        } else if (Is(n, "size")) {
            const size_t count = SizeCount(shape);
            if (count == 0) continue;
            const auto v = Tokens(a);
            if (v.size() != count) return;
            for (size_t i = 0; i < count; ++i) unit.size[i] = TokenFloat(v[i]);
        } else if (Is(n, "rot")) {
            const auto v = Tokens(a);
            if (v.size() != 4) return;
            for (size_t i = 0; i < 4; ++i) unit.rot[i] = TokenFloat(v[i]);
        } else if (Is(n, "parameter")) {
            const auto v = Tokens(a);
            if (IsLegacyVersion()) {
                if (!ReadOldPrimitiveParameter(v, unit)) return;
                continue;
            }
            const size_t count = ParameterCount(shape);
            if (count == 0) continue;
            if (v.size() != count) return;
            for (size_t i = 0; i < count; ++i) unit.parameter[i] = ParseLeadingInt32(v[i]);
        } else if (Is(n, "filled")) {
            ParseOnOff(Text(a), unit.filled);
        } else if (Is(n, "marker")) {
            ParseOnOff(Text(a), unit.marker);
        }
    }
}

void CVelmorDoc::ReadTextUnit(pugi::xml_node element, CKxDrawUText& unit)
{
    for (pugi::xml_attribute a : element.attributes()) {
        const char* n = a.name();
        if (Is(n, "pixelSize") || Is(n, "fontSize")) ParseFloat1(Text(a), unit.fontSize);
        else if (Is(n, "size")) ParseFloat1(Text(a), unit.textScale);
        else if (Is(n, "coordinate")) ReadXyz(a, unit.coordinate);
        else if (Is(n, "fixPoint")) ReadXyz(a, unit.fixPoint);
        else if (Is(n, "rot")) ReadRotation(a, unit.rot);
        else if (Is(n, "status")) {
            const std::wstring status = Text(a);
            if (status == L"facing") unit.mode = 0;
            else if (status == L"facingScale") unit.mode = 1;
            else if (status == L"rotScale") unit.mode = 2;
            else if (status == L"fix") unit.mode = 3;
        } else if (Is(n, "fontName")) unit.fontName = Text(a);
        else if (Is(n, "italic")) unit.italic = unit.italic || Text(a) == L"on";
        else if (Is(n, "bold")) unit.bold = unit.bold || Text(a) == L"on";
        else if (Is(n, "text")) unit.text = Text(a);
    }
}

void CVelmorDoc::ReadConnectorUnit(pugi::xml_node element, CKxDrawUConnector& unit)
{
    for (pugi::xml_attribute a : element.attributes()) {
        const char* n = a.name();
        if (Is(n, "shape")) unit.shape = Text(a);
        else if (Is(n, "pixelSize")) ParseFloat1(Text(a), unit.pixelSize);
        else if (Is(n, "size")) ParseFloat1(Text(a), unit.radius);
        else if (Is(n, "coordinate")) ReadXyz(a, unit.coordinate);
        else if (Is(n, "fixPoint")) ReadXyz(a, unit.fixPoint);
    }
}

void CVelmorDoc::ReadLinkBoardUnit(pugi::xml_node element, CKxDrawULinkBoard& unit)
{
    for (pugi::xml_attribute a : element.attributes()) {
        const char* n = a.name();
        if (Is(n, "width")) ParseFloat1(Text(a), unit.width);
        else if (Is(n, "height")) ParseFloat1(Text(a), unit.height);
        else if (Is(n, "coordinate")) ReadXyz(a, unit.coordinate);
        else if (Is(n, "rot")) ReadRotation(a, unit.rot);
    }
}

bool CVelmorDoc::ReadPointCloudUnit(pugi::xml_node element, CKxDrawUPointCloud& unit)
{
    return ReadUnitAttributes(dataObjects, element, {{"point_data", &unit.data}}, [&](pugi::xml_attribute a) {
        if (Is(a.name(), "renderingType")) unit.renderingType = Text(a);
        return true;
    });
}

bool CVelmorDoc::ReadStlUnit(pugi::xml_node element, CKxDrawUSTL& unit)
{
    const bool read = ReadUnitAttributes(dataObjects, element, {{"stl_data", &unit.data}, {"clipCap_data", &unit.clipCapData}},
                                         [&](pugi::xml_attribute a) {
                                             if (Is(a.name(), "renderingType")) unit.renderingType = Text(a);
                                             return true;
                                         });
    if (read) ForEachInner(element, [&](pugi::xml_node inner) { ReadColorTable(inner, unit); });
    return read;
}

bool CVelmorDoc::ReadTriangleIndexUnit(pugi::xml_node element, CKxDrawUTriIndex& unit)
{
    const bool read = ReadUnitAttributes(
        dataObjects, element,
        {{"coordinate_data", &unit.data}, {"index_data", &unit.indexData}, {"clipCap_data", &unit.clipCapData}},
        [&](pugi::xml_attribute a) {
            const char* n = a.name();
            if (Is(n, "renderingType")) unit.renderingType = Text(a);
            else if (Is(n, "dataExport")) ParseOnOff(Text(a), unit.dataExport);
            return true;
        });
    if (read) ForEachInner(element, [&](pugi::xml_node inner) { ReadColorTable(inner, unit); });
    return read;
}

bool CVelmorDoc::ReadSurfaceRenderingUnit(pugi::xml_node element, CKxDrawUSurfaceR& unit)
{
    const bool read = ReadUnitAttributes(
        dataObjects, element, {{"volume_data", &unit.data}, {"clipCap_data", &unit.clipCapData}},
        [&](pugi::xml_attribute a) {
            const char* n = a.name();
            if (Is(n, "renderingType")) unit.renderingType = Text(a);
            else if (Is(n, "border") || Is(n, "borderLow")) ParseFloat1(Text(a), unit.borderLow);
            else if (Is(n, "borderUp")) ParseFloat1(Text(a), unit.borderUp);
            else if (Is(n, "dataExport")) ParseOnOff(Text(a), unit.dataExport);
            return true;
        });
    if (read) ForEachInner(element, [&](pugi::xml_node inner) { ReadColorTable(inner, unit); });
    return read;
}

bool CVelmorDoc::ReadVolumeRenderingUnit(pugi::xml_node element, CKxDrawUVolumeR& unit)
{
    return ReadUnitAttributes(dataObjects, element, {{"volume_data", &unit.volumeData}}, [&](pugi::xml_attribute a) {
        const char* n = a.name();
        if (Is(n, "renderingType")) unit.renderingType = Text(a);
        else if (Is(n, "brightness") || Is(n, "brightness_A")) ParseFloat1(Text(a), unit.brightnessA);
        else if (Is(n, "brightness_B")) ParseFloat1(Text(a), unit.brightnessB);
        else if (Is(n, "contrast") || Is(n, "contrast_A")) ParseFloat1(Text(a), unit.contrastA);
        else if (Is(n, "contrast_B")) ParseFloat1(Text(a), unit.contrastB);
        else if (Is(n, "colorRestriction")) ParseFloat2(Text(a), unit.rangeLow, unit.rangeHigh);
        else if (Is(n, "dataExport")) ParseOnOff(Text(a), unit.dataExport);
        return true;
    });
}

bool CVelmorDoc::ReadTopoMapUnit(pugi::xml_node element, CKxDrawUTopoMap& unit)
{
    return ReadUnitAttributes(dataObjects, element, {{"height_data", &unit.heightData}, {"image_data", &unit.imageData}},
                              [&](pugi::xml_attribute a) {
                                  const char* n = a.name();
                                  // Written x0, x1, y0, y1; held x0, y0, x1, y1.
                                  if (Is(n, "coordinate"))
                                      ParseFloat4(Text(a), unit.extent[0], unit.extent[2], unit.extent[1], unit.extent[3]);
                                  else if (Is(n, "opacity")) ReadOpacity(a, unit.material);
                                  return true;
                              });
}

bool CVelmorDoc::ReadImageUnit(pugi::xml_node element, CKxDrawUImage& unit)
{
    return ReadUnitAttributes(
        dataObjects, element, {{"image_data", &unit.imageData}, {"selectedImage_data", &unit.selectedImageData}},
        [&](pugi::xml_attribute a) {
            const char* n = a.name();
            if (Is(n, "shape")) unit.shape = Text(a);
            else if (Is(n, "size")) {
                ParseFloat1(Text(a), unit.size);
                // Older scenes gave half the size.
                if (IsLegacyVersion()) unit.size *= 2.0f;
            } else if (Is(n, "coordinate")) ReadXyz(a, unit.position);
            else if (Is(n, "rot")) ReadRotation(a, unit.rotation);
            else if (Is(n, "facing")) ParseOnOff(Text(a), unit.facing);
            else if (Is(n, "divide")) ParseInt1(Text(a), unit.divide);
            else if (Is(n, "opacity")) ReadOpacity(a, unit.material);
            return true;
        });
}

bool CVelmorDoc::ReadScatterGraphUnit(pugi::xml_node element, CKxDrawUScatterGraph& unit)
{
    const auto readEvents = [&](pugi::xml_attribute a) {
        const auto names = Tokens(a);
        unit.events.resize(names.size());
        unit.pickIds.resize(names.size());
        unit.eventFlags.resize(names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            if (!FindReference(events, names[i], unit.events[i])) return false;
            unit.eventFlags[i] = 0;
        }
        return true;
    };
    return ReadUnitAttributes(
        dataObjects, element, {{"coordinate_data", &unit.coordinateData}, {"color_data", &unit.colorData}},
        [&](pugi::xml_attribute a) {
            const char* n = a.name();
            if (Is(n, "marker") || Is(n, "shape")) unit.markerShape = Text(a);
            else if (Is(n, "markerSize")) ParseFloat1(Text(a), unit.markerSize);
            else if (Is(n, "markerParameter")) ParseInt2(Text(a), unit.markerParameter[0], unit.markerParameter[1]);
            else if (Is(n, "parameter")) {
                // Three values: size and both counts; otherwise the size alone.
                const auto v = Tokens(a);
                unit.markerSize = TokenFloat(v[0]);
                if (v.size() == 3) {
                    unit.markerParameter[0] = ParseLeadingInt32(v[1]);
                    unit.markerParameter[1] = ParseLeadingInt32(v[2]);
                }
            } else if (Is(n, "timeSeries")) ParseFloat3(Text(a), unit.timeSeries[0], unit.timeSeries[1], unit.timeSeries[2]);
            else if (Is(n, "ambient_diffuse_balance"))
                ParseFloat2(Text(a), unit.ambientDiffuseBalance[0], unit.ambientDiffuseBalance[1]);
            else if (Is(n, "event")) return readEvents(a);
            return true;
        });
}

} // namespace velmor
