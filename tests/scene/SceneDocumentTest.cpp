#include "SceneDocFixture.h"

#include "platform/WideText.h"

#include "platform/Memory.h"
#include "support/ContainerWriter.h"
#include "support/RecordingUnit.h"
#include "support/TestScenes.h"
#include "units/CKxDrawUnit.h"

using namespace velmor;
using namespace velmor::test;

namespace {

class SceneDocumentTest : public SceneDocTest {
protected:
    // A first scene that must survive the failures that follow.
    void OpenFirstScene()
    {
        OpenCleanly(FullScene());
        firstPath = ScenePath;
        firstFolder = SceneFolder;
    }
    void ExpectFirstSceneKept(const Messages& messages, const wchar_t* text)
    {
        EXPECT_EQ(messages, Messages{text});
        EXPECT_EQ(doc.LastOpenOutcome(), OpenOutcome::PreviousSceneKept);
        EXPECT_EQ(doc.drawGroups.size(), 4u);
        EXPECT_EQ(view.firstEvent, &Event(L"start"));
        EXPECT_TRUE(view.sceneLoaded);
        EXPECT_EQ(ScenePath, firstPath);
        EXPECT_EQ(SceneFolder, firstFolder);
    }

    std::wstring firstPath, firstFolder;
};

struct MemoryStatusGuard {
    ~MemoryStatusGuard() { SetMemoryStatusSource(nullptr); }
};

} // namespace

TEST_F(SceneDocumentTest, EarlyFailuresKeepThePreviousScene)
{
    OpenFirstScene();
    const std::wstring lastFolder = LastFolder;
    {
        MessageRecorder messages;
        EXPECT_TRUE(doc.OnOpenDocument(L"/nonexistent/velmor/scene.vlm"));
        ExpectFirstSceneKept(messages.Messages(), L"file open error");
        EXPECT_EQ(LastFolder, lastFolder);   // set only once the header was checked
    }
    {
        MessageRecorder messages;
        EXPECT_TRUE(doc.OnOpenDocument(WideFromPath(dir.Path())));   // a folder is no scene file
        ExpectFirstSceneKept(messages.Messages(), L"file open error");
    }
    ExpectFirstSceneKept(Open(MakeContainer({ContainerBlock{}}, "0002"), "other/method.vlm"), L"cryption method error");
    EXPECT_EQ(doc.Encrypted, 1);
    EXPECT_EQ(LastFolder, lastFolder);

    // A container whose block 0 runs past the end of the file.
    std::string truncated = MakeContainer(std::vector<std::string>{FullScene()});
    truncated.resize(truncated.size() - 16);
    ExpectFirstSceneKept(Open(truncated, "sub/truncated.vlm"), L"file decrypt error");
    EXPECT_EQ(LastFolder, WideFromPath(dir.Path()) + L"/sub/");

    MemoryStatusGuard restore;
    SetMemoryStatusSource([] { return MemoryStatus{1000, 10}; });
    ExpectFirstSceneKept(Open(SceneWithBody(std::string(500, ' '))), L"memory shortage error");
}

// Files that read but are no scene: the scene shown stays, whole, until a
// file has been read as a scene.
TEST_F(SceneDocumentTest, FilesThatAreNoSceneKeepThePreviousScene)
{
    OpenFirstScene();
    ExpectFirstSceneKept(Open(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "picture.png"), L"XML load error");
    ExpectFirstSceneKept(Open("", "empty.vlm"), L"XML load error");
    ExpectFirstSceneKept(Open(SceneWithBody("<drawGroup/>")), L"XML COM error");
    ExpectFirstSceneKept(Open(SceneWithBody("<firstSetting firstEvent=\"none\"/>")), L"XML load error");
    EXPECT_EQ(Group(L"root").children.size(), 3u);   // the groups still hold together
    OpenCleanly(ShiftJisScene());
    EXPECT_EQ(view.firstEvent, nullptr);
    EXPECT_EQ(view.paneCount, 1);
}

TEST_F(SceneDocumentTest, ContainerScene)
{
    OpenCleanly(MakeContainer(std::vector<std::string>{FullScene(), "payload"}));
    EXPECT_EQ(doc.Encrypted, 1);
    EXPECT_EQ(Group(L"root").children.size(), 3u);
    OpenCleanly(ShiftJisScene());
    EXPECT_EQ(doc.Encrypted, 0);
    EXPECT_EQ(Group(L"head").caption, L"頭部");
    EXPECT_EQ(doc.events.size(), 0u);
    EXPECT_EQ(ScenePath, dir.WidePath("scene.vlm"));
    EXPECT_EQ(SceneFolder, WideFromPath(dir.Path()) + L"/");
    EXPECT_EQ(LastFolder, SceneFolder);
}

TEST_F(SceneDocumentTest, HeaderLookalikes)
{
    // Plain text that starts with the magic is taken as a container.
    EXPECT_EQ(Open("velmor00<scene/>"), Messages{L"cryption method error"});
    EXPECT_EQ(Open("velmor000001<scene/>                 "), Messages{L"file decrypt error"});
    // Shorter than the magic: plain XML.
    OpenCleanly("<s/>");
    EXPECT_EQ(doc.Encrypted, 0);
}

TEST_F(SceneDocumentTest, ClearingForgetsEveryEventPointer)
{
    OpenFirstScene();
    SceneEvent* start = &Event(L"start");
    view.idleEvent = view.returnEvent = view.nextEvent = start;
    doc.OnNewDocument();
    EXPECT_EQ(view.viewMode, ViewMode::kNoScene);
    EXPECT_EQ(view.firstEvent, nullptr);
    EXPECT_EQ(view.idleEvent, nullptr);
    EXPECT_EQ(view.returnEvent, nullptr);
    EXPECT_EQ(view.nextEvent, nullptr);
    EXPECT_TRUE(doc.events.empty() && doc.dataObjects.empty() && doc.drawGroups.empty());
    EXPECT_TRUE(doc.head.description.empty());
    EXPECT_EQ(CurrentDocument, &doc);
}

TEST_F(SceneDocumentTest, LegacyFixUpsByVersion)
{
    struct Case {
        const char* version;
        bool fixed;
    };
    for (const Case c : {Case{"1.34", true}, Case{"", true}, Case{"1.3401", false}, Case{"1.35", false}}) {
        OpenCleanly(LegacyScene(c.version, "25um"));
        const DataObject& ct = Data(L"ct");
        const DataObject& markers = Data(L"markers");
        SCOPED_TRACE(c.version);
        EXPECT_FLOAT_EQ(ct.voxelPitch.pitch[0], c.fixed ? 2.5f : 0.5f);
        EXPECT_FLOAT_EQ(ct.voxelPitch.pitch[2], c.fixed ? 2.5f : 1.0f);
        EXPECT_EQ(ct.voxelPitch.unit, c.fixed ? L"um" : L"mm");
        // Largest half extent of the one volume: 2.5 / 2 x 512 = 640 after the pitch fix.
        EXPECT_FLOAT_EQ(markers.coordinateScale.scale[1], c.fixed ? 640.0f : 1.0f);
        EXPECT_EQ(markers.coordinateScale.unit, c.fixed ? L"um" : L"cm");
        const EventSetting& select = Event(L"first").settings[0];
        EXPECT_EQ(select.names[0], c.fixed ? L"pattern_default" : L"original");
        EXPECT_EQ(select.values[0], c.fixed ? L"RGB_cube" : L"on");
        EXPECT_EQ(select.names[1], L"other");
        EXPECT_EQ(Event(L"first").settings[1].names[0], L"original");   // not a selectMode
        EXPECT_EQ(Event(L"second").settings[0].names[0], L"original");  // not the first event
    }
}

TEST_F(SceneDocumentTest, LegacyFixUpsWithoutTavrelOrWithOtherUnits)
{
    OpenCleanly(LegacyScene("1.3", "25mm"));
    EXPECT_FLOAT_EQ(Data(L"ct").voxelPitch.pitch[0], 0.5f);
    EXPECT_EQ(Event(L"first").settings[0].names[0], L"pattern_default");
    // 512 x 512 x 100 at 0.5, 0.5, 1.0 mm: the largest half extent is 128.
    EXPECT_FLOAT_EQ(Data(L"markers").coordinateScale.scale[0], 128.0f);
    EXPECT_EQ(Data(L"markers").coordinateScale.unit, L"mm");

    std::string plain = LegacyScene("1.3", "25um");
    plain.replace(plain.find("Tavrel No."), 10, "Other No.");
    OpenCleanly(plain);
    EXPECT_FLOAT_EQ(Data(L"ct").voxelPitch.pitch[0], 0.5f);
    EXPECT_EQ(Event(L"first").settings[0].names[0], L"original");
    EXPECT_FLOAT_EQ(Data(L"markers").coordinateScale.scale[2], 128.0f);

    std::string twoVolumes = LegacyScene("1.3", "25mm");
    twoVolumes.replace(twoVolumes.find("<event"), 0, "<data name=\"ct2\" type=\"volume\" size=\"1,1,1\"/>");
    OpenCleanly(twoVolumes);
    EXPECT_FLOAT_EQ(Data(L"markers").coordinateScale.scale[0], 1.0f);
}

TEST_F(SceneDocumentTest, VoxelSizesThatAreNoLengthKeepTheOnesBefore)
{
    std::string odd = LegacyScene("1.35", "");
    odd.replace(odd.find("x=\"0.5\" y=\"0.5\" z=\"1.0\""), 23, "x=\"0\" y=\"-2\" z=\"abc\"");
    OpenCleanly(odd);
    for (int axis = 0; axis < 3; ++axis) EXPECT_FLOAT_EQ(Data(L"ct").voxelPitch.pitch[axis], 1.0f) << axis;
}

TEST_F(SceneDocumentTest, MemoryWalksVisitGroupsInNameOrder)
{
    OpenCleanly(SceneWithBody("<drawGroup name=\"b\"/><drawGroup name=\"a\"/><drawGroup name=\"c\"/>"));
    EXPECT_FALSE(doc.FreeGroupGLBuffers(false));   // no units: nothing to free
    std::vector<std::string> log;
    for (const wchar_t* name : {L"c", L"b", L"a"}) {
        DrawGroup& group = Group(name);
        auto* unit = new velmor::test::RecordingUnit(&group, log, WideToUtf8(name));
        unit->glBuffers = name == std::wstring(L"b") ? 1 : 0;
        group.units.push_back(unit);
        group.loaded = name != std::wstring(L"c");
    }
    EXPECT_TRUE(doc.FreeGroupGLBuffers(true));
    doc.FreeGroupWork();
    EXPECT_EQ(log, (std::vector<std::string>{"FreeGLBuffers a", "FreeGLBuffers b", "FreeWork c"}));
    doc.ClearScene();   // the units log their deletion while `log` still lives
}

TEST_F(SceneDocumentTest, ExampleSceneOpens)
{
    MessageRecorder messages;
    ASSERT_TRUE(doc.OnOpenDocument(VELMOR_EXAMPLES_DIR L"/hello.vlm"));
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(doc.LastOpenOutcome(), OpenOutcome::Opened);
    EXPECT_EQ(Group(L"world").children.size(), 2u);
    EXPECT_EQ(view.paneCount, 1);
    EXPECT_EQ(view.firstEvent, &Event(L"start"));
}

namespace {

struct CountedUnit final : CKxDrawUnit {
    CountedUnit(DrawGroup* owner, int& deletions) : CKxDrawUnit(owner), deleted(deletions) {}
    ~CountedUnit() override { ++deleted; }
    int& deleted;
};

} // namespace

TEST_F(SceneDocumentTest, ClearingDeletesEveryGroupAndUnitOnce)
{
    OpenFirstScene();   // "shared" is the child of three groups
    int deletions = 0;
    for (auto& [name, group] : doc.drawGroups) group->units.push_back(new CountedUnit(group.get(), deletions));
    doc.ClearScene();
    EXPECT_EQ(deletions, 4);
    EXPECT_TRUE(doc.drawGroups.empty());
}

TEST_F(SceneDocumentTest, NamesAreOrderedByUtf16CodeUnits)
{
    // U+1F600 is a surrogate pair (D83D ...), so it sorts before U+FF21.
    OpenCleanly(SceneWithBody("<drawGroup name=\"\xEF\xBC\xA1\"/><drawGroup name=\"\xF0\x9F\x98\x80\"/><drawGroup name=\"z\"/>"));
    std::vector<std::wstring> order;
    for (auto& [name, group] : doc.drawGroups) order.push_back(name);
    EXPECT_EQ(order, (std::vector<std::wstring>{L"z", L"\U0001F600", L"\uFF21"}));
}
