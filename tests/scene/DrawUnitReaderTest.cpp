#include "SceneDocFixture.h"

#include "support/ColourChecks.h"
#include "support/TestScenes.h"
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

using namespace velmor;
using namespace velmor::test;

namespace {

const Messages kLoadError{L"XML load error"};

// A scene whose group "g" holds one "drawUnit" element with `units`.
std::string UnitsScene(const std::string& units, const std::string& more = "", const std::string& version = "1.35")
{
    return SceneWithBody("<drawGroup name=\"g\"><drawUnit>" + units + "</drawUnit></drawGroup>\n" + more, version);
}

class DrawUnitReaderTest : public SceneDocTest {
protected:
    template <typename Unit>
    Unit& UnitAt(size_t index, const std::wstring& group = L"g")
    {
        auto& units = Group(group).units;
        EXPECT_LT(index, units.size());
        if (index >= units.size()) throw std::out_of_range("no such unit");
        auto* unit = dynamic_cast<Unit*>(units[index]);
        if (unit == nullptr) throw std::logic_error("unit of another kind");
        return *unit;
    }
    template <typename Unit>
    Unit& OnlyUnit(const std::string& element, const std::string& more = "", const std::string& version = "1.35")
    {
        OpenCleanly(UnitsScene(element, more, version));
        EXPECT_EQ(Group(L"g").units.size(), 1u);
        return UnitAt<Unit>(0);
    }
    // Reads one "drawUnit" element straight into `group`, with the events
    // and data objects the document holds.
    bool ReadUnits(const std::string& units, DrawGroup& group)
    {
        source = "<drawUnit>" + units + "</drawUnit>";
        if (!xml.load_string(source.c_str())) throw std::runtime_error("bad test XML");
        return doc.ReadDrawUnit(xml.first_child(), group);
    }

    std::string source;
    pugi::xml_document xml;
};

} // namespace

TEST_F(DrawUnitReaderTest, EveryUnitElementInDocumentOrder)
{
    OpenCleanly(UnitScene());
    const wchar_t* expected[] = {L"CKxDrawUPrimitive", L"CKxDrawUText", L"CKxDrawUImage", L"CKxDrawULinkBoard",
                                 L"CKxDrawUConnector", L"CKxDrawUTriIndex", L"CKxDrawUPointCloud", L"CKxDrawUSTL",
                                 L"CKxDrawUSurfaceR", L"CKxDrawUVolumeR", L"CKxDrawUTopoMap", L"CKxDrawUScatterGraph"};
    const auto& units = Group(L"units").units;
    ASSERT_EQ(units.size(), std::size(expected));
    for (size_t i = 0; i < units.size(); ++i) {
        std::wstring name;
        EXPECT_EQ(units[i]->GetClassName(name), expected[i]);
        EXPECT_EQ(units[i]->owner, &Group(L"units"));
    }
}

TEST_F(DrawUnitReaderTest, OtherNodesAndOtherCaseMakeNoUnit)
{
    OpenCleanly(UnitsScene("<primitive/><!-- a comment -->text between<Primitive/><triangleindex/>"
                           "<group/><text/>"));
    ASSERT_EQ(Group(L"g").units.size(), 2u);
    UnitAt<CKxDrawUPrimitive>(0);
    UnitAt<CKxDrawUText>(1);
}

TEST_F(DrawUnitReaderTest, OneVolumePerDrawUnitElement)
{
    OpenCleanly(SceneWithBody("<drawGroup name=\"g\">"
                              "<drawUnit><volumeRendering note=\"first\"/><volumeRendering note=\"second\"/></drawUnit>"
                              "<drawUnit><volumeRendering note=\"third\"/></drawUnit></drawGroup>"));
    ASSERT_EQ(Group(L"g").units.size(), 2u);
    EXPECT_EQ(UnitAt<CKxDrawUVolumeR>(0).note, L"first");
    EXPECT_EQ(UnitAt<CKxDrawUVolumeR>(1).note, L"third");
}

TEST_F(DrawUnitReaderTest, CommonAttributes)
{
    OpenCleanly(UnitsScene("<primitive note=\"Skull\" ambient=\"10,20,30\" diffuse=\"255,0,0\" specular=\"1,2\""
                           " shininess=\"200\" selectable=\"ON\" hide=\"on\"/>"
                           "<text shininess=\"-5\" hide=\"yes\" selectable=\"On\"/>"
                           "<connector shininess=\"\" hide=\"OFF\" diffuse=\"255,0\"/>"
                           "<linkBoard diffuse=\" 12 , 34 , 56 \" shininess=\"7.5\"/>"));
    auto& primitive = UnitAt<CKxDrawUPrimitive>(0);
    EXPECT_EQ(primitive.note, L"Skull");
    ExpectColour(primitive.material.ambient, 10, 20, 30);
    ExpectColour(primitive.material.diffuse, 255, 0, 0);
    EXPECT_TRUE(primitive.IsOpaque());
    ExpectColour(primitive.material.specular, 10, 10, 10);   // a short list changes nothing
    EXPECT_EQ(primitive.material.shininess, 128.0f);
    EXPECT_TRUE(primitive.selectable);
    EXPECT_TRUE(primitive.hidden);

    auto& text = UnitAt<CKxDrawUText>(1);
    EXPECT_EQ(text.note, L"Text");
    EXPECT_EQ(text.material.shininess, 0.0f);
    EXPECT_FALSE(text.hidden);
    EXPECT_FALSE(text.selectable);

    auto& connector = UnitAt<CKxDrawUConnector>(2);
    EXPECT_EQ(connector.material.shininess, 0.0f);
    EXPECT_FALSE(connector.hidden);
    ExpectColour(connector.material.diffuse, 178, 178, 178);

    // The board's own colours give way to the scene's.
    auto& board = UnitAt<CKxDrawULinkBoard>(3);
    ExpectColour(board.material.diffuse, 12, 34, 56);
    ExpectColour(board.material.ambient, 117, 176, 227);
    EXPECT_EQ(board.material.shininess, 7.5f);
}

TEST_F(DrawUnitReaderTest, TheLastUnitConstructedDecidesTheHighlight)
{
    OpenCleanly(UnitsScene("<primitive selectedDiffuse=\"255,0,0\" selectedShininess=\"300\"/>"
                           "<text selectedDiffuse=\"0,255,0\" selectedAmbient=\"1,2,3\" selectedSpecular=\"4,5,6\""
                           " selectedShininess=\"50\"/>"));
    ExpectColour(HighlightMaterial.diffuse, 0, 255, 0);
    ExpectColour(HighlightMaterial.ambient, 1, 2, 3);
    ExpectColour(HighlightMaterial.specular, 4, 5, 6);
    EXPECT_EQ(HighlightMaterial.shininess, 50.0f);
    // The unit's own material is untouched by the highlight attributes.
    ExpectColour(UnitAt<CKxDrawUText>(1).material.diffuse, 178, 178, 178);

    OpenCleanly(UnitsScene("<primitive selectedDiffuse=\"255,0,0\"/><text selectedAmbient=\"1,2,3\"/>"));
    ExpectColour(HighlightMaterial.diffuse, 127, 96, 27);
    ExpectColour(HighlightMaterial.ambient, 1, 2, 3);
}

TEST_F(DrawUnitReaderTest, EventReferencesResolveForward)
{
    OpenCleanly(UnitsScene("<primitive event=\"later\"/><scatterGraph event=\"later\"/>",
                           "<event name=\"later\"/><event name=\"other\"/>"));
    EXPECT_EQ(UnitAt<CKxDrawUPrimitive>(0).event, &Event(L"later"));
    // The scatter graph's "event" is its own list, not the common one.
    auto& graph = UnitAt<CKxDrawUScatterGraph>(1);
    EXPECT_EQ(graph.event, nullptr);
    ASSERT_EQ(graph.events.size(), 1u);
    EXPECT_EQ(graph.events[0], &Event(L"later"));

    OpenCleanly(UnitsScene("<scatterGraph event=\"later, other\"/>", "<event name=\"later\"/><event name=\"other\"/>"));
    auto& two = UnitAt<CKxDrawUScatterGraph>(0);
    ASSERT_EQ(two.events.size(), 2u);
    EXPECT_EQ(two.events[1], &Event(L"other"));
    EXPECT_EQ(two.pickIds.size(), 2u);
    EXPECT_EQ(two.eventFlags.size(), 2u);
}

TEST_F(DrawUnitReaderTest, UnknownReferencesFailTheScene)
{
    const std::string cases[] = {
        "<primitive event=\"nowhere\"/>",
        "<primitive event=\"e \"/>",   // names are taken as written
        "<scatterGraph event=\"e, nowhere\"/>",
        "<scatterGraph event=\"\"/>",
        "<pointCloud point_data=\"nowhere\"/>",
        "<stl stl_data=\"d\" clipCap_data=\"nowhere\"/>",
        "<triangleIndex coordinate_data=\"d\" index_data=\"nowhere\"/>",
        "<triangleIndex clipCap_data=\" d\"/>",
        "<surfaceRendering volume_data=\"nowhere\"/>",
        "<volumeRendering volume_data=\"nowhere\"/>",
        "<topographicMap height_data=\"d\" image_data=\"nowhere\"/>",
        "<image image_data=\"nowhere\"/>",
        "<image selectedImage_data=\"nowhere\"/>",
        "<scatterGraph coordinate_data=\"nowhere\"/>",
        "<scatterGraph color_data=\"nowhere\"/>",
        "<text/><stl stl_data=\"nowhere\"/>",
    };
    for (const std::string& units : cases) {
        EXPECT_EQ(Open(UnitsScene(units, "<event name=\"e\"/><data name=\"d\" type=\"volume\"/>")), kLoadError) << units;
        EXPECT_TRUE(doc.drawGroups.empty()) << units;
    }
}

TEST_F(DrawUnitReaderTest, AFailedUnitStaysInItsGroupAndEndsTheElement)
{
    doc.events.emplace(L"e", std::make_unique<SceneEvent>(L"e"));
    DrawGroup group(L"g");
    EXPECT_FALSE(ReadUnits("<text/><primitive event=\"nowhere\" note=\"kept\"/><connector/>", group));
    ASSERT_EQ(group.units.size(), 2u);
    // Attributes after the failing reference are not read.
    EXPECT_EQ(group.units[1]->note, L"Primitive");

    DrawGroup second(L"h");
    EXPECT_FALSE(ReadUnits("<stl renderingType=\"B\" stl_data=\"nowhere\" note=\"n\"/>", second));
    ASSERT_EQ(second.units.size(), 1u);
    auto& stl = dynamic_cast<CKxDrawUSTL&>(*second.units[0]);
    EXPECT_EQ(stl.renderingType, L"B");
    EXPECT_EQ(stl.note, L"n");   // the common attributes were read first

    DrawGroup third(L"i");
    EXPECT_TRUE(ReadUnits("<primitive event=\"e\"/>", third));
    EXPECT_EQ(third.units[0]->event, doc.events.at(L"e").get());
}

TEST_F(DrawUnitReaderTest, MeshUnitsAndTheirColourTables)
{
    OpenCleanly(UnitsScene(
        "<stl stl_data=\"mesh\" renderingType=\"E\" clipCap_data=\"ct\">"
        "<inner colorTable=\"RGB\" colorTableLow=\"-20\" draw=\"off\"/><other colorTable=\"X\"/>"
        "<inner colorTable=\"RGB2\" colorTableUp=\"400\"/></stl>"
        "<triangleIndex coordinate_data=\"xyz\" index_data=\"idx\" renderingType=\"B\" dataExport=\"off\">"
        "<inner colorTableUp=\"12abc\" draw=\"maybe\"/></triangleIndex>"
        "<pointCloud point_data=\"xyz\" renderingType=\"D\"><inner colorTable=\"RGB\"/></pointCloud>"
        "<surfaceRendering volume_data=\"ct\" border=\"100\" clipCap_data=\"ct\" dataExport=\"OFF\">"
        "<inner colorTable=\"own\"/></surfaceRendering>"
        "<surfaceRendering borderLow=\"5\" border=\"6\" borderUp=\"9\"/>",
        "<data name=\"ct\" type=\"volume\"/><data name=\"mesh\" type=\"STL\"/>"
        "<data name=\"xyz\" type=\"array_xyz\"/><data name=\"idx\" type=\"array_index\"/>"));
    auto& stl = UnitAt<CKxDrawUSTL>(0);
    EXPECT_EQ(stl.data, &Data(L"mesh"));
    EXPECT_EQ(stl.clipCapData, &Data(L"ct"));
    EXPECT_EQ(stl.renderingType, L"E");
    EXPECT_EQ(stl.colorTable, L"RGB2");
    EXPECT_EQ(stl.colorTableLow, -20);
    EXPECT_EQ(stl.colorTableUp, 400);
    EXPECT_FALSE(stl.innerDraw);
    EXPECT_TRUE(stl.dataExport);

    auto& index = UnitAt<CKxDrawUTriIndex>(1);
    EXPECT_EQ(index.note, L"TriIndex");
    EXPECT_EQ(index.data, &Data(L"xyz"));
    EXPECT_EQ(index.indexData, &Data(L"idx"));
    EXPECT_EQ(index.renderingType, L"B");
    EXPECT_FALSE(index.dataExport);
    EXPECT_EQ(index.colorTableUp, 12);
    EXPECT_EQ(index.colorTableLow, -100000);
    EXPECT_TRUE(index.innerDraw);
    EXPECT_EQ(index.colorTable, L"GRAY");

    auto& cloud = UnitAt<CKxDrawUPointCloud>(2);
    EXPECT_EQ(cloud.data, &Data(L"xyz"));
    EXPECT_EQ(cloud.renderingType, L"D");
    EXPECT_EQ(cloud.colorTable, L"GRAY");   // point clouds have no cap

    auto& surface = UnitAt<CKxDrawUSurfaceR>(3);
    EXPECT_EQ(surface.data, &Data(L"ct"));
    EXPECT_EQ(surface.borderLow, 100.0f);
    EXPECT_EQ(surface.borderUp, -100000.0f);
    EXPECT_FALSE(surface.dataExport);
    EXPECT_EQ(surface.colorTable, L"own");

    auto& other = UnitAt<CKxDrawUSurfaceR>(4);
    EXPECT_EQ(other.data, nullptr);
    EXPECT_EQ(other.borderLow, 6.0f);
    EXPECT_EQ(other.borderUp, 9.0f);
    EXPECT_EQ(other.renderingType, L"A");
}

TEST_F(DrawUnitReaderTest, VolumeAttributes)
{
    auto& volume = OnlyUnit<CKxDrawUVolumeR>(
        "<volumeRendering brightness=\"5\" brightness_A=\"7\" contrast_A=\"0.5\" contrast=\"0.25\" brightness_B=\"-3\""
        " contrast_B=\"2\" colorRestriction=\"10, 200\" renderingType=\"B\" volume_data=\"ct\" dataExport=\"off\"/>",
        "<data name=\"ct\" type=\"volume\"/>");
    EXPECT_EQ(volume.brightnessA, 7.0f);
    EXPECT_EQ(volume.contrastA, 0.25f);
    EXPECT_EQ(volume.brightnessB, -3.0f);
    EXPECT_EQ(volume.contrastB, 2.0f);
    EXPECT_EQ(volume.rangeLow, 10.0f);
    EXPECT_EQ(volume.rangeHigh, 200.0f);
    EXPECT_EQ(volume.renderingType, L"B");
    EXPECT_EQ(volume.volumeData, &Data(L"ct"));
    EXPECT_FALSE(volume.dataExport);

    auto& shortList = OnlyUnit<CKxDrawUVolumeR>("<volumeRendering colorRestriction=\"10\"/>");
    EXPECT_EQ(shortList.rangeLow, -1e6f);
}

TEST_F(DrawUnitReaderTest, ImageAndTopographicMap)
{
    OpenCleanly(UnitsScene("<image shape=\"sphere\" size=\"2\" coordinate=\"1,2,3\" rot=\"90,0,0,1\" facing=\"on\""
                           " divide=\"12\" image_data=\"pic\" selectedImage_data=\"pic2\" opacity=\"0.5\"/>"
                           "<image coordinate=\"1,2\" rot=\"90,0,0\" opacity=\"1\"/>"
                           "<topographicMap coordinate=\"0,10,0,5\" height_data=\"h\" image_data=\"pic\" opacity=\"0.25\"/>"
                           "<topographicMap coordinate=\"1,2,3\"/>",
                           "<data name=\"pic\" type=\"image\"/><data name=\"pic2\" type=\"image\"/>"
                           "<data name=\"h\" type=\"gridXY\"/>"));
    auto& image = UnitAt<CKxDrawUImage>(0);
    EXPECT_EQ(image.shape, L"sphere");
    EXPECT_EQ(image.size, 2.0f);
    EXPECT_EQ(image.position[2], 3.0f);
    EXPECT_EQ(image.rotation[0], 90.0f);
    EXPECT_EQ(image.rotation[3], 1.0f);
    EXPECT_TRUE(image.facing);
    EXPECT_EQ(image.divide, 12);
    EXPECT_EQ(image.imageData, &Data(L"pic"));
    EXPECT_EQ(image.selectedImageData, &Data(L"pic2"));
    EXPECT_EQ(image.material.ambient[3], 0.5f);
    EXPECT_EQ(image.material.specular[3], 0.5f);
    EXPECT_FALSE(image.IsOpaque());

    auto& plain = UnitAt<CKxDrawUImage>(1);
    EXPECT_TRUE(plain.IsOpaque());
    EXPECT_EQ(plain.position[0], 0.0f);   // short lists leave the defaults
    EXPECT_EQ(plain.rotation[1], 1.0f);

    auto& map = UnitAt<CKxDrawUTopoMap>(2);
    EXPECT_EQ(map.extent[0], 0.0f);    // x0
    EXPECT_EQ(map.extent[1], 0.0f);    // y0
    EXPECT_EQ(map.extent[2], 10.0f);   // x1
    EXPECT_EQ(map.extent[3], 5.0f);    // y1
    EXPECT_EQ(map.heightData, &Data(L"h"));
    EXPECT_EQ(map.imageData, &Data(L"pic"));
    EXPECT_EQ(map.material.diffuse[3], 0.25f);
    EXPECT_EQ(UnitAt<CKxDrawUTopoMap>(3).extent[2], 0.0f);
}

TEST_F(DrawUnitReaderTest, ImageSizesOfOlderScenesAreDoubled)
{
    EXPECT_EQ(OnlyUnit<CKxDrawUImage>("<image size=\"2\"/>", "", "1.34").size, 4.0f);
    EXPECT_EQ(OnlyUnit<CKxDrawUImage>("<image size=\"2\"/>", "", "1.3401").size, 2.0f);
    EXPECT_EQ(OnlyUnit<CKxDrawUImage>("<image size=\"2\"/>", "", "1.35").size, 2.0f);
    OpenCleanly("<scene><body><drawGroup name=\"g\"><drawUnit><image size=\"3\"/></drawUnit></drawGroup></body></scene>");
    EXPECT_EQ(UnitAt<CKxDrawUImage>(0).size, 6.0f);
}

TEST_F(DrawUnitReaderTest, TextConnectorAndLinkBoard)
{
    OpenCleanly(UnitsScene(
        "<text fontSize=\"20\" pixelSize=\"24\" size=\"0.3\" coordinate=\"1,2,3\" fixPoint=\"0.5,-0.5,0.1\""
        " rot=\"45,1,0,0\" status=\"rotScale\" fontName=\" Sans \" italic=\"on\" bold=\"ON\" text=\"日本語 &amp; x\"/>"
        "<text status=\"Fix\" italic=\"off\" bold=\"On\"/>"
        "<text status=\"fix\"/>"
        "<connector shape=\"cone\" pixelSize=\"3\" size=\"0.05\" coordinate=\"1,1,1\" fixPoint=\"0.9,0.8,0.2\"/>"
        "<linkBoard width=\"2\" height=\"1.5\" coordinate=\"4,5,6\" rot=\"30,0,1,0\"/>"));
    auto& text = UnitAt<CKxDrawUText>(0);
    EXPECT_EQ(text.fontSize, 24.0f);
    EXPECT_EQ(text.textScale, 0.3f);
    EXPECT_EQ(text.coordinate[1], 2.0f);
    EXPECT_EQ(text.fixPoint[1], -0.5f);
    EXPECT_EQ(text.rot[0], 45.0f);
    EXPECT_EQ(text.mode, 2);
    EXPECT_EQ(text.fontName, L" Sans ");
    EXPECT_TRUE(text.italic);
    EXPECT_FALSE(text.bold);   // only "on" turns it on
    EXPECT_EQ(text.text, L"日本語 & x");

    auto& other = UnitAt<CKxDrawUText>(1);
    EXPECT_EQ(other.mode, 0);
    EXPECT_FALSE(other.italic);
    EXPECT_FALSE(other.bold);
    EXPECT_EQ(other.fontName, L"ＭＳ ゴシック");
    EXPECT_EQ(UnitAt<CKxDrawUText>(2).mode, 3);

    auto& connector = UnitAt<CKxDrawUConnector>(3);
    EXPECT_EQ(connector.shape, L"cone");
    EXPECT_EQ(connector.pixelSize, 3.0f);
    EXPECT_EQ(connector.radius, 0.05f);
    EXPECT_EQ(connector.coordinate[2], 1.0f);
    EXPECT_EQ(connector.fixPoint[0], 0.9f);

    auto& board = UnitAt<CKxDrawULinkBoard>(4);
    EXPECT_EQ(board.width, 2.0f);
    EXPECT_EQ(board.height, 1.5f);
    EXPECT_EQ(board.coordinate[0], 4.0f);
    EXPECT_EQ(board.rot[2], 1.0f);
}

TEST_F(DrawUnitReaderTest, ScatterGraphAttributes)
{
    OpenCleanly(UnitsScene("<scatterGraph marker=\"point\" markerSize=\"3\" markerParameter=\"6,5\""
                           " coordinate_data=\"xyzt\" color_data=\"rgb\" timeSeries=\"0,10,1\""
                           " ambient_diffuse_balance=\"0.5,0.5\"/>"
                           "<scatterGraph parameter=\"2.5,6,3\" shape=\"ball\"/>"
                           "<scatterGraph parameter=\"2.5,6\" markerParameter=\"7\"/>",
                           "<data name=\"xyzt\" type=\"array_xyzt\"/><data name=\"rgb\" type=\"array_color\"/>"));
    auto& graph = UnitAt<CKxDrawUScatterGraph>(0);
    EXPECT_EQ(graph.markerShape, L"point");
    EXPECT_EQ(graph.markerSize, 3.0f);
    EXPECT_EQ(graph.markerParameter[0], 6);
    EXPECT_EQ(graph.markerParameter[1], 5);
    EXPECT_EQ(graph.coordinateData, &Data(L"xyzt"));
    EXPECT_EQ(graph.colorData, &Data(L"rgb"));
    EXPECT_EQ(graph.timeSeries[1], 10.0f);
    EXPECT_EQ(graph.ambientDiffuseBalance[1], 0.5f);

    auto& three = UnitAt<CKxDrawUScatterGraph>(1);
    EXPECT_EQ(three.markerShape, L"ball");
    EXPECT_EQ(three.markerSize, 2.5f);
    EXPECT_EQ(three.markerParameter[0], 6);
    EXPECT_EQ(three.markerParameter[1], 3);

    auto& two = UnitAt<CKxDrawUScatterGraph>(2);
    EXPECT_EQ(two.markerSize, 2.5f);
    EXPECT_EQ(two.markerParameter[0], 8);
    EXPECT_EQ(two.markerParameter[1], 4);
}

TEST_F(DrawUnitReaderTest, PrimitiveListsFollowTheShape)
{
    OpenCleanly(UnitsScene(
        "<primitive coordinate=\"1,2,3\" shape=\"sphere\" size=\"4\" rot=\"10,1,0,0\" pixelSize=\"2\" filled=\"off\""
        " marker=\"OFF\" parameter=\"10,9,8,7\"/>"
        "<primitive shape=\"line\" coordinate=\"0,0,0,1,1\" pixelSize=\"5\"/>"
        "<primitive shape=\"triangle\" coordinate=\"1,2,3,4,5,6,7,8,9\" size=\"5\"/>"
        "<primitive shape=\"cone\" size=\"2,3\" parameter=\"12,4\" pixelSize=\"9\"/>"
        "<primitive shape=\"cuboid\" size=\"1,2\" rot=\"1\"/>"
        "<primitive shape=\"cylinder\" parameter=\"12,4,4\" rot=\"1,2,3\" filled=\"no\"/>"
        "<primitive shape=\"point\" parameter=\"1\" size=\"1,2,3,4\" coordinate=\"5,6,7\"/>"));
    auto& sphere = UnitAt<CKxDrawUPrimitive>(0);
    EXPECT_EQ(sphere.points[0][0], 1.0f);
    EXPECT_EQ(sphere.points[0][2], 3.0f);
    EXPECT_EQ(sphere.size[0], 4.0f);
    EXPECT_EQ(sphere.size[1], 1.0f);
    EXPECT_EQ(sphere.rot[0], 10.0f);
    EXPECT_EQ(sphere.pixelSize, 2.0f);
    EXPECT_FALSE(sphere.filled);
    EXPECT_FALSE(sphere.marker);
    EXPECT_EQ(sphere.parameter[3], 7);

    // A wrong count ends the reading: what follows is not read.
    auto& line = UnitAt<CKxDrawUPrimitive>(1);
    EXPECT_EQ(line.points[1][0], 0.0f);
    EXPECT_EQ(line.pixelSize, 1.0f);

    auto& triangle = UnitAt<CKxDrawUPrimitive>(2);
    EXPECT_EQ(triangle.points[2][2], 9.0f);
    EXPECT_EQ(triangle.points[1][0], 4.0f);
    EXPECT_EQ(triangle.size[0], 1.0f);   // triangles take no size

    auto& cone = UnitAt<CKxDrawUPrimitive>(3);
    EXPECT_EQ(cone.size[1], 3.0f);
    EXPECT_EQ(cone.parameter[0], 16);
    EXPECT_EQ(cone.pixelSize, 1.0f);

    auto& cuboid = UnitAt<CKxDrawUPrimitive>(4);
    EXPECT_EQ(cuboid.size[0], 1.0f);
    EXPECT_EQ(cuboid.rot[0], 0.0f);

    auto& cylinder = UnitAt<CKxDrawUPrimitive>(5);
    EXPECT_EQ(cylinder.parameter[0], 12);
    EXPECT_EQ(cylinder.parameter[2], 4);
    EXPECT_EQ(cylinder.parameter[3], 4);   // untouched fourth count
    EXPECT_EQ(cylinder.rot[1], 1.0f);
    EXPECT_TRUE(cylinder.filled);

    auto& point = UnitAt<CKxDrawUPrimitive>(6);
    EXPECT_EQ(point.parameter[0], 16);
    EXPECT_EQ(point.size[0], 1.0f);
    EXPECT_EQ(point.points[0][1], 6.0f);
}

TEST_F(DrawUnitReaderTest, PrimitiveParametersOfOlderScenes)
{
    OpenCleanly(UnitsScene("<primitive shape=\"cylinder\" parameter=\"1,2,3,16\"/>"
                           "<primitive shape=\"sphere\" parameter=\"0.5,20,10,99\"/>"
                           "<primitive shape=\"line\" parameter=\"3\"/>"
                           "<primitive shape=\"cube\" parameter=\"2.5\"/>"
                           "<primitive shape=\"circle\" parameter=\"1,2,3\"/>"
                           "<primitive shape=\"cylinder\" parameter=\"1,2,3\" pixelSize=\"4\"/>",
                           "", "1.34"));
    auto& cylinder = UnitAt<CKxDrawUPrimitive>(0);
    EXPECT_EQ(cylinder.size[0], 1.0f);
    EXPECT_EQ(cylinder.size[2], 3.0f);
    EXPECT_EQ(cylinder.parameter[0], 16);
    EXPECT_EQ(cylinder.parameter[1], 8);

    auto& sphere = UnitAt<CKxDrawUPrimitive>(1);
    EXPECT_EQ(sphere.size[0], 0.5f);
    EXPECT_EQ(sphere.parameter[0], 20);
    EXPECT_EQ(sphere.parameter[1], 10);
    EXPECT_EQ(sphere.parameter[2], 8);

    EXPECT_EQ(UnitAt<CKxDrawUPrimitive>(2).pixelSize, 3.0f);
    EXPECT_EQ(UnitAt<CKxDrawUPrimitive>(3).size[0], 2.5f);
    EXPECT_EQ(UnitAt<CKxDrawUPrimitive>(4).parameter[0], 16);   // other shapes ignore it

    // Too few values: nothing is read past the end of the list, and the
    // reading ends.
    auto& shortList = UnitAt<CKxDrawUPrimitive>(5);
    EXPECT_EQ(shortList.size[0], 1.0f);
    EXPECT_EQ(shortList.parameter[0], 16);
    EXPECT_EQ(shortList.pixelSize, 1.0f);
}
