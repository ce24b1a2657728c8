#include "SceneDocFixture.h"

#include "platform/WideText.h"
#include "support/TestScenes.h"
#include "units/CKxDrawUnit.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

using namespace velmor;
using namespace velmor::test;

namespace {

class SceneXmlReaderTest : public SceneDocTest {};

const Messages kLoadError{L"XML load error"};

} // namespace

TEST_F(SceneXmlReaderTest, FullSceneHeadAndData)
{
    OpenCleanly(FullScene());
    EXPECT_FLOAT_EQ(doc.Version, 1.35f);
    ASSERT_EQ(doc.head.title.size(), 1u);
    EXPECT_EQ(doc.head.title[0].type, L"main");
    EXPECT_EQ(doc.head.title[0].value, L"Skull & jaw");
    EXPECT_EQ(doc.head.title[0].italic, L"0,5");
    ASSERT_EQ(doc.head.credit.size(), 1u);
    ASSERT_EQ(doc.head.date.size(), 1u);
    EXPECT_EQ(doc.head.date[0].type, L"");
    ASSERT_EQ(doc.head.description.size(), 2u);
    EXPECT_EQ(doc.head.description[1].value, L"25um");

    // Two elements named "ct": the second's size and format win, the first
    // gave type, file and scale.
    EXPECT_EQ(doc.dataObjects.size(), 7u);
    DataObject& ct = Data(L"ct");
    EXPECT_EQ(ct.name, L"ct");
    EXPECT_EQ(ct.type, L"volume");
    EXPECT_EQ(ct.format, L"GRAY16");
    EXPECT_EQ(ct.sizeX, 1u);
    EXPECT_EQ(ct.sizeZ, 1u);
    EXPECT_EQ(ct.sourcePath, L"data\\ct.raw");
    EXPECT_EQ(ct.sourceType, L"raw");
    EXPECT_FALSE(ct.reverseX);
    EXPECT_TRUE(ct.reverseY);
    EXPECT_TRUE(ct.reverseZ);
    EXPECT_FLOAT_EQ(ct.voxelPitch.pitch[0], 0.5f);
    EXPECT_FLOAT_EQ(ct.voxelPitch.pitch[2], 1.0f);
    EXPECT_EQ(ct.voxelPitch.unit, L"mm");

    DataObject& points = Data(L"points");
    EXPECT_EQ(points.elementCount, 42u);
    EXPECT_EQ(points.format, L"float");
    EXPECT_EQ(points.sourceType, L"txt");
    EXPECT_FLOAT_EQ(points.coordinateScale.scale[1], 3.0f);
    EXPECT_EQ(points.coordinateScale.unit, L"mm");   // unknown units become mm
    EXPECT_EQ(Data(L"labels").format, L"text");
    EXPECT_EQ(Data(L"labels").sourceType, L"txt");
    EXPECT_EQ(Data(L"index").format, L"uint");
    DataObject& grid = Data(L"grid");
    EXPECT_EQ(grid.format, L"short");
    EXPECT_EQ(grid.sizeX + grid.sizeY + grid.sizeZ + grid.sizeT, 14u);
    DataObject& series = Data(L"series");
    EXPECT_EQ(series.sizeT, 8u);
    EXPECT_EQ(series.sizeZ, 0u);
    DataObject& mesh = Data(L"mesh");
    EXPECT_EQ(mesh.sourcePath, L"this2");
    EXPECT_EQ(mesh.sourceType, L"");
    EXPECT_FLOAT_EQ(mesh.coordinateScale.scale[0], 10.0f);
    EXPECT_FLOAT_EQ(mesh.coordinateScale.scale[1], 1.0f);
    EXPECT_EQ(mesh.coordinateScale.unit, L"cm");
}

TEST_F(SceneXmlReaderTest, FullSceneGroupsEventsAndFirstSetting)
{
    OpenCleanly(FullScene());
    DrawGroup& root = Group(L"root");
    EXPECT_EQ(root.name, L"root");
    EXPECT_FLOAT_EQ(root.timeStart, 0.5f);
    EXPECT_FLOAT_EQ(root.timeEnd, 7.25f);
    EXPECT_EQ(root.layer, 2);
    EXPECT_FALSE(root.clipAbility);
    EXPECT_FALSE(root.normalize[0]);
    EXPECT_DOUBLE_EQ(root.rangeMap[0][1], 10.0);
    EXPECT_DOUBLE_EQ(root.rangeMap[0][2], -1.0);
    EXPECT_TRUE(root.normalize[1]);   // a short list keeps the axis normalised
    EXPECT_TRUE(root.normalize[2]);
    EXPECT_EQ(root.caption, L"Root caption");
    EXPECT_EQ(root.friendLabel, L"see also");
    EXPECT_EQ(root.friendGroup, &Group(L"bone"));
    ASSERT_EQ(root.units.size(), 1u);
    EXPECT_EQ(root.units[0]->note, L"root marker");
    // Forward references, in list order; the second "root" element adds.
    EXPECT_EQ(root.children, (std::vector<DrawGroup*>{&Group(L"bone"), &Group(L"skin"), &Group(L"shared")}));
    EXPECT_EQ(Group(L"bone").layer, 0);
    EXPECT_EQ(Group(L"skin").layer, 1);
    EXPECT_EQ(Group(L"skin").children, std::vector<DrawGroup*>{&Group(L"shared")});
    EXPECT_FLOAT_EQ(Group(L"shared").timeStart, -1.0f);
    EXPECT_TRUE(Group(L"shared").clipAbility);

    SceneEvent& start = Event(L"start");
    ASSERT_EQ(start.settings.size(), 2u);
    EXPECT_EQ(start.settings[0].elementName, L"viewPoint");
    EXPECT_EQ(start.settings[0].names, (std::vector<std::wstring>{L"b", L"a"}));
    EXPECT_EQ(start.settings[0].values, (std::vector<std::wstring>{L"2", L"1"}));
    EXPECT_EQ(Event(L"later").name, L"later");
    EXPECT_EQ(view.paneCount, 2);
    EXPECT_EQ(view.firstEvent, &start);
    EXPECT_TRUE(view.sceneLoaded);
}

TEST_F(SceneXmlReaderTest, ShiftJisCaptionsAndBackslashes)
{
    OpenCleanly(ShiftJisScene());
    ASSERT_EQ(doc.head.title.size(), 1u);
    EXPECT_EQ(doc.head.title[0].value, L"日本語の説明");
    EXPECT_EQ(Group(L"head").caption, L"頭部");
    EXPECT_EQ(Group(L"head").friendLabel, L"表示");
    EXPECT_EQ(Data(L"ct").sourcePath, L"slices\\ct\\");
}

TEST_F(SceneXmlReaderTest, EncodingsTheParserDoesNotRead)
{
    // EUC-JP through iconv; the same text in UTF-16 with its mark is the
    // parser's own business.
    const std::string utf8 = SceneWithBody("<drawGroup name=\"g\"><TGProperty caption=\"頭部\"/></drawGroup>");
    std::string euc = *ConvertCharset(utf8, "UTF-8", "EUC-JP");
    euc.replace(euc.find("UTF-8"), 5, "EUC-JP");
    OpenCleanly(euc);
    EXPECT_EQ(Group(L"g").caption, L"頭部");

    OpenCleanly("\xFF\xFE" + WideToUtf16LE(Utf8ToWide(utf8)));
    EXPECT_EQ(Group(L"g").caption, L"頭部");

    std::string unknown = utf8;
    unknown.replace(unknown.find("UTF-8"), 5, "x-no-such-charset");
    EXPECT_EQ(Open(unknown), kLoadError);
    // Bytes that are no Shift_JIS at all.
    EXPECT_EQ(Open("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><s><body/>\x82</s>"), kLoadError);
}

TEST_F(SceneXmlReaderTest, VersionLimit)
{
    OpenCleanly(SceneWithBody("", "1.35"));
    EXPECT_EQ(Open(SceneWithBody("<event name=\"e\"/>", "1.36")), Messages{L"Please install the new version software"});
    // The scene shown before stays, with its own version.
    EXPECT_EQ(doc.LastOpenOutcome(), OpenOutcome::PreviousSceneKept);
    EXPECT_TRUE(doc.events.empty());
    EXPECT_FLOAT_EQ(doc.Version, 1.35f);
    EXPECT_TRUE(view.sceneLoaded);
    // A later good file opens normally.
    OpenCleanly(FullScene());
    EXPECT_TRUE(view.sceneLoaded);
    EXPECT_EQ(ScenePath, dir.WidePath("scene.vlm"));
}

TEST_F(SceneXmlReaderTest, MalformedTextIsALoadError)
{
    for (const std::string& bad : {std::string(""), std::string("<scene><body></scene>"), std::string("just text"),
                                   std::string("<a/><b/>"), std::string("<scene/>trailing"),
                                   std::string("<scene>\0</scene>", 16)}) {
        EXPECT_EQ(Open(bad), kLoadError) << bad;
        EXPECT_TRUE(doc.drawGroups.empty());
    }
}

TEST_F(SceneXmlReaderTest, ElementWithoutNameIsACOMError)
{
    for (const char* element : {"<data type=\"volume\"/>", "<drawGroup/>", "<event/>"}) {
        EXPECT_EQ(Open(SceneWithBody(std::string("<drawGroup name=\"g\"/>") + element)), Messages{L"XML COM error"});
        EXPECT_TRUE(doc.drawGroups.empty());
    }
}

TEST_F(SceneXmlReaderTest, ReferencesThatNameNothing)
{
    const std::string cases[] = {
        "<drawGroup name=\"a\"><childGroup name=\"b, nowhere\"/></drawGroup><drawGroup name=\"b\"/>",
        "<drawGroup name=\"a\"><TGProperty friendGroup=\"nowhere\"/></drawGroup>",
        "<event name=\"e\"/><firstSetting firstEvent=\"e \"/>",
        "<firstSetting firstEvent=\"nowhere\"/>",
    };
    for (const std::string& body : cases) EXPECT_EQ(Open(SceneWithBody(body)), kLoadError) << body;
    // Event names are trimmed, the first-event reference is taken as written.
    OpenCleanly(SceneWithBody("<event name=\" e \"/><firstSetting firstEvent=\"e\"/>"));
    EXPECT_EQ(view.firstEvent, &Event(L"e"));
}

TEST_F(SceneXmlReaderTest, GroupCyclesAreRefusedSharedChildrenAreNot)
{
    EXPECT_EQ(Open(SceneWithBody("<drawGroup name=\"a\"><childGroup name=\"a\"/></drawGroup>")), kLoadError);
    EXPECT_EQ(Open(SceneWithBody("<drawGroup name=\"a\"><childGroup name=\"b\"/></drawGroup>"
                                 "<drawGroup name=\"b\"><childGroup name=\"c\"/></drawGroup>"
                                 "<drawGroup name=\"c\"><childGroup name=\"a\"/></drawGroup>")),
              kLoadError);
    OpenCleanly(SceneWithBody("<drawGroup name=\"a\"><childGroup name=\"b,c\"/></drawGroup>"
                              "<drawGroup name=\"b\"><childGroup name=\"c,c\"/></drawGroup><drawGroup name=\"c\"/>"));
    EXPECT_EQ(Group(L"b").children.size(), 2u);

    // A long chain is checked without deep recursion.
    std::string chain;
    for (int i = 0; i < 20000; ++i)
        chain += "<drawGroup name=\"g" + std::to_string(i) + "\"><childGroup name=\"g" + std::to_string(i + 1) + "\"/></drawGroup>";
    OpenCleanly(SceneWithBody(chain + "<drawGroup name=\"g20000\"/>"));
    EXPECT_EQ(Open(SceneWithBody(chain + "<drawGroup name=\"g20000\"><childGroup name=\"g0\"/></drawGroup>")), kLoadError);
}

TEST_F(SceneXmlReaderTest, SpaceCount)
{
    OpenCleanly(SceneWithBody(""));
    EXPECT_EQ(view.paneCount, 1);
    OpenCleanly(SceneWithBody("<firstSetting spaceNum=\"64\"/>"));
    EXPECT_EQ(view.paneCount, 64);
    for (const char* bad : {"0", "65", "-1", "x", "2147483648"}) {
        EXPECT_EQ(Open(SceneWithBody(std::string("<firstSetting spaceNum=\"") + bad + "\"/>")), kLoadError) << bad;
        EXPECT_GE(view.paneCount, 1);
        EXPECT_LE(view.paneCount, 64);
    }
}

TEST_F(SceneXmlReaderTest, DataAttributeRules)
{
    OpenCleanly(SceneWithBody("<data name=\"early\" size=\"3,4\" type=\"image\"/>"
                              "<data name=\"odd\" type=\"thing\" size=\"9\"><scale x=\"5\"/></data>"
                              "<data name=\"short\" type=\"volume\" size=\"7,8\"/>"
                              "<data name=\"neg\" type=\"array_number\" size=\"-1\"/>"
                              "<data name=\"img\" type=\"image\" size=\"640 , 480\"/>"
                              "<data name=\"flags\" type=\"volume\"><file path=\"a.b/c\" reverseX=\"yes\" reverseY=\"on\"/>"
                              "<file reverseY=\"OFF\"/></data>"));
    EXPECT_EQ(Data(L"early").sizeX, 0u);   // size before type
    EXPECT_EQ(Data(L"early").format, L"RGB");
    EXPECT_EQ(Data(L"odd").elementCount, 0u);
    EXPECT_EQ(Data(L"odd").format, L"");
    EXPECT_FLOAT_EQ(Data(L"odd").coordinateScale.scale[0], 1.0f);
    EXPECT_EQ(Data(L"short").sizeX, 0u);   // a short list is no error and changes nothing
    EXPECT_EQ(Data(L"neg").elementCount, UINT64_MAX);
    EXPECT_EQ(Data(L"img").sizeX, 640u);
    EXPECT_EQ(Data(L"img").sizeY, 480u);
    DataObject& flags = Data(L"flags");
    EXPECT_FALSE(flags.reverseX);
    EXPECT_FALSE(flags.reverseY);
    EXPECT_EQ(flags.sourceType, L"b/c");
}

TEST_F(SceneXmlReaderTest, HeadsAndBodiesAddUp)
{
    OpenCleanly("<scene><head><title value=\"a\"/></head><body><event name=\"x\"><a/></event></body>"
                "<head><title value=\"b\"/></head><body><event name=\"x\"><b/></event>"
                "<firstSetting firstEvent=\"x\"/></body></scene>");
    EXPECT_FLOAT_EQ(doc.Version, 1.0f);
    EXPECT_EQ(doc.head.title.size(), 2u);
    ASSERT_EQ(Event(L"x").settings.size(), 2u);
    EXPECT_EQ(Event(L"x").settings[1].elementName, L"b");
}

TEST_F(SceneXmlReaderTest, NumbersIgnoreTheLocale)
{
    OpenCleanly(SceneWithBody("<drawGroup name=\"g\" timeRange=\"1.5,2.25\"/>"
                              "<data name=\"v\" type=\"volume\"><scale x=\"0.125\"/></data>",
                              "1.25"));
    EXPECT_FLOAT_EQ(doc.Version, 1.25f);
    EXPECT_FLOAT_EQ(Group(L"g").timeEnd, 2.25f);
    EXPECT_FLOAT_EQ(Data(L"v").voxelPitch.pitch[0], 0.125f);
}

TEST_F(SceneXmlReaderTest, WellFormedVariantsAreRead)
{
    for (const std::string& text :
         {std::string("\xEF\xBB\xBF<?xml version=\"1.0\"?><s><body><event name=\"e\"/></body></s>"),
          std::string("<!DOCTYPE s [<!ELEMENT s ANY>]>\n<!-- c --><?pi x?><s><body><event name=\"e\"/></body></s>\n\n"),
          std::string("<?xml version='1.0' encoding='iso-8859-1'?><s><body><event name=\"e\"><a v=\"\xE9\"/></event></body></s>"),
          std::string("<s>\n  text inside the root is skipped\n  <body><![CDATA[x]]><event name=\"e\"/></body></s>")}) {
        OpenCleanly(text);
        EXPECT_EQ(doc.events.size(), 1u) << text;
    }
    EXPECT_EQ(Event(L"e").name, L"e");
    OpenCleanly("<?xml version='1.0' encoding='iso-8859-1'?><s><body><event name=\"e\"><a v=\"\xE9\"/></event></body></s>");
    EXPECT_EQ(Event(L"e").settings[0].values[0], L"é");
}

namespace {

// libxml2's verdict on the same bytes.
bool XmllintAccepts(const TempDir& dir, const std::string& text)
{
    const auto path = dir.Write("lint.xml", text);
    const std::string command = "/usr/bin/xmllint --noout --nonet '" + path.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace

TEST_F(SceneXmlReaderTest, WellFormednessAgreesWithXmllint)
{
    if (!std::filesystem::exists("/usr/bin/xmllint")) GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    const std::string body = "<drawGroup name=\"g\"><TGProperty caption=\"頭部\"/></drawGroup>";
    std::string euc = *ConvertCharset(SceneWithBody(body), "UTF-8", "EUC-JP");
    euc.replace(euc.find("UTF-8"), 5, "EUC-JP");
    std::string unknown = SceneWithBody(body);
    unknown.replace(unknown.find("UTF-8"), 5, "x-no-such-charset");
    const std::string texts[] = {
        FullScene(), ShiftJisScene(), euc, "\xFF\xFE" + WideToUtf16LE(Utf8ToWide(SceneWithBody(body))),
        "\xEF\xBB\xBF<s><body/></s>", "<!DOCTYPE s [<!ELEMENT s ANY>]><!-- c --><?pi x?><s/>\n",
        "<?xml version='1.0' encoding='iso-8859-1'?><s a=\"\xE9\"/>",
        // not well formed
        "", "<scene><body></scene>", "just text", "<a/><b/>", "<scene/>trailing", std::string("<s>\0</s>", 8),
        unknown, "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><s>\x82</s>", "<s a=\"1\" b=\"2\" a=\"3\"/>",
        "<s><t x=\"1\" x=\"1\"/></s>", "<s a=1/>", "<s><t></s></t>",
    };
    for (const std::string& text : texts) {
        const bool lint = XmllintAccepts(dir, text);
        const Messages messages = Open(text);
        EXPECT_EQ(messages.empty(), lint) << text;
        if (!lint) {
            EXPECT_EQ(messages, kLoadError) << text;
        }
    }
}
