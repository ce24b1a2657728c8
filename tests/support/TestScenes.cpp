#include "support/TestScenes.h"

namespace velmor::test {

std::string SceneWithBody(const std::string& body, const std::string& version)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<scene version=\"" + version + "\">\n<body>\n" + body +
           "</body>\n</scene>\n";
}

std::string FullScene()
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- every family of the scene vocabulary -->
<scene version="1.35">
  <head>
    <title type="main" value="Skull &amp; jaw" italic="0,5"/>
    <credit type="author" value="Quillmarsh"/>
    <date value="2026-12-07"/>
    <description type="note" value="first"/>
    <description type="scale" value="25um"/>
    <unknown value="ignored"/>
  </head>
  <body>
    <drawGroup name=" root " timeRange="0.5,7.25" layer="fore" clipAbility="off"
               coordinateNormalizeX="0,10,-1,1" coordinateNormalizeY="1,2">
      <TGProperty caption="Root caption" friendLabel="see also" friendGroup=" bone "/>
      <childGroup name="bone, skin"/>
      <drawUnit><primitive note="root marker" shape="point"/></drawUnit>
    </drawGroup>
    <drawGroup name="bone" layer="back"><childGroup name="shared"/></drawGroup>
    <drawGroup name="skin" layer="sideways"><childGroup name="shared"/></drawGroup>
    <drawGroup name="shared"/>
    <data name=" ct " type="volume" size="512,512,100">
      <file path="data\ct.raw" reverseY="on" reverseZ="ON"/>
      <scale x="0.5" y="0.5" z="1.0" unit="mm"/>
    </data>
    <data name="points" type="array_xyz" size="42">
      <file type="txt" path="points.dat"/>
      <scale x="2" y="3" z="4" unit="furlong"/>
    </data>
    <data name="labels" type="array_text" size="3"><file path="labels.txt"/></data>
    <data name="index" type="array_index" size="9"/>
    <data name="grid" type="gridXYZT" size="2,3,4,5" format="short"/>
    <data name="series" type="gridXYT" size="6,7,8"/>
    <data name="mesh" type="STL"><file path="this2"/><scale x="10" unit="cm"/></data>
    <data name="ct" size="1,1,1" format="GRAY16"/>
    <event name="start">
      <viewPoint b=" 2 " a="1"/>
      <!-- comments are not settings -->
      <selectMode original="yes"/>
    </event>
    <event name=" later "><showURL url="https://example.org/"/></event>
    <drawGroup name="root"><childGroup name="shared"/></drawGroup>
    <firstSetting spaceNum="2" firstEvent="start"/>
  </body>
</scene>
)";
}

std::string UnitScene()
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35">
  <body>
    <drawGroup name="units">
      <drawUnit>
        <primitive note="Ball" shape="sphere" coordinate="1,2,3" size="0.5" rot="30,0,0,1" parameter="12,6,6,3"
                   pixelSize="2" filled="on" marker="off" ambient="10,20,30" diffuse="200,60,40" specular="5,5,5"
                   shininess="64" selectable="on" event="click" hide="off"/>
        <!-- comments are skipped -->
        <text text="Label" fontSize="18" size="0.2" coordinate="0,1,0" fixPoint="0.5,0.5,0.1" rot="90,1,0,0"
              status="facingScale" fontName="Sans" italic="on" bold="on" selectedDiffuse="0,0,255"/>
        <image shape="circle" size="2" coordinate="0,0,1" rot="45,0,1,0" facing="on" divide="32"
               image_data="picture" selectedImage_data="picture" opacity="0.5"/>
        <linkBoard width="1" height="0.5" coordinate="-1,-1,0" rot="0,1,0,0" event="click"/>
        <connector shape="cylinder" pixelSize="2" size="0.02" coordinate="1,1,1" fixPoint="0.8,0.8,0.1"/>
        <triangleIndex coordinate_data="vertices" index_data="indices" renderingType="E" clipCap_data="ct"
                       dataExport="off"><inner draw="on" colorTable="RGB" colorTableLow="0" colorTableUp="200"/></triangleIndex>
        <pointCloud point_data="vertices" renderingType="C"/>
        <stl stl_data="mesh" renderingType="A" clipCap_data="ct"><inner colorTable="RGB2"/></stl>
        <surfaceRendering volume_data="ct" renderingType="A" border="100" borderUp="2000" clipCap_data="ct"
                          dataExport="on"><inner draw="off"/></surfaceRendering>
        <volumeRendering volume_data="ct" renderingType="B" brightness="5" contrast="0.2" brightness_B="1"
                         contrast_B="2" colorRestriction="0,1000" dataExport="off"/>
        <volumeRendering note="only the first volume of an element counts"/>
        <topographicMap coordinate="0,10,0,5" height_data="heights" image_data="picture" opacity="1"/>
        <scatterGraph marker="point" markerSize="3" markerParameter="8,4" parameter="2.5,6,3" coordinate_data="track"
                      timeSeries="0,10,1" color_data="colours" ambient_diffuse_balance="0.7,0.3" event="click, later"/>
      </drawUnit>
    </drawGroup>
    <data name="ct" type="volume" size="4,4,4"><file path="ct.raw"/><scale x="0.5" y="0.5" z="1" unit="mm"/></data>
    <data name="vertices" type="array_xyz" size="3"><file path="vertices.txt"/></data>
    <data name="indices" type="array_index" size="3"><file path="indices.txt"/></data>
    <data name="mesh" type="STL"><file path="mesh.stl"/></data>
    <data name="picture" type="image" size="2,2"><file path="picture.png"/></data>
    <data name="heights" type="gridXY" size="2,2"><file path="heights.txt"/></data>
    <data name="track" type="array_xyzt" size="2"><file path="track.txt"/></data>
    <data name="colours" type="array_color" size="2"><file path="colours.txt"/></data>
    <event name="click"><selectMode original="on"/></event>
    <event name="later"/>
    <firstSetting spaceNum="1"/>
  </body>
</scene>
)";
}

std::string ShiftJisScene()
{
    // Captions in Shift_JIS: "日本語の説明", "頭部" and "表示", whose second
    // byte is 0x5C.
    return "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
           "<scene version=\"1.2\"><head><title type=\"main\" value=\"\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x90\xe0\x96\xbe\"/></head>"
           "<body><drawGroup name=\"head\"><TGProperty caption=\"\x93\xaa\x95\x94\" friendLabel=\"\x95\x5c\x8e\xa6\"/></drawGroup>"
           "<data name=\"ct\" type=\"volume\" size=\"4,4,4\"><file path=\"slices\\ct\\\" type=\"dcm\"/></data>"
           "</body></scene>\n";
}

std::string LegacyScene(const std::string& version, const std::string& scaleText)
{
    return "<?xml version=\"1.0\"?>\n<scene" + (version.empty() ? std::string() : " version=\"" + version + "\"") +
           ">\n<head><description type=\"Tavrel No.\" value=\"17\"/><description type=\"scale\" value=\"" + scaleText +
           "\"/></head>\n<body>\n"
           "<data name=\"ct\" type=\"volume\" size=\"512,512,100\"><scale x=\"0.5\" y=\"0.5\" z=\"1.0\" unit=\"mm\"/></data>\n"
           "<data name=\"markers\" type=\"array_xyz\" size=\"4\"><scale x=\"1\" y=\"1\" z=\"1\" unit=\"cm\"/></data>\n"
           "<event name=\"first\"><selectMode original=\"on\" other=\"x\"/><viewPoint original=\"kept\"/></event>\n"
           "<event name=\"second\"><selectMode original=\"on\"/></event>\n"
           "<firstSetting firstEvent=\"first\"/>\n"
           "</body>\n</scene>\n";
}

} // namespace velmor::test
