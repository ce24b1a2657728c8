#include "SceneDocFixture.h"

#include "support/RecordingJobHost.h"
#include "support/TestScenes.h"
#include "units/CKxDrawUScatterGraph.h"

using namespace velmor;
using namespace velmor::test;

namespace {

// Points at x = i with the times of `times`, and one colour per point.
class ScatterGraphLoadTest : public SceneDocTest {
protected:
    CKxDrawUScatterGraph& Graph(const std::string& attributes, const std::string& colours = "10 20 30\n40 50 60\n")
    {
        dir.Write("track.txt", "0 0 0 0.5\n1 0 0 1.2\n2 0 0 1.7\n3 0 0 3.9\n4 0 0 12\n");
        dir.Write("colours.txt", colours);
        OpenCleanly(SceneWithBody("<drawGroup name=\"g\"><drawUnit><scatterGraph " + attributes +
                                  "/></drawUnit></drawGroup>"
                                  "<data name=\"track\" type=\"array_xyzt\" size=\"5\"><file path=\"track.txt\"/></data>"
                                  "<data name=\"two\" type=\"array_color\" size=\"2\"><file path=\"colours.txt\"/></data>"
                                  "<data name=\"five\" type=\"array_color\" size=\"5\"><file path=\"colours.txt\"/></data>"
                                  "<data name=\"lost\" type=\"array_xyz\" size=\"5\"><file path=\"nowhere.txt\"/></data>"));
        return dynamic_cast<CKxDrawUScatterGraph&>(*Group(L"g").units.at(0));
    }
    std::vector<std::wstring> Load(CKxDrawUnit& unit)
    {
        MessageRecorder messages;
        unit.Load();
        return messages.Messages();
    }

    RecordingJobHost host;
};

} // namespace

TEST_F(ScatterGraphLoadTest, TimeBinsAndOneColourFromTheMaterial)
{
    auto& graph = Graph("coordinate_data=\"track\" timeSeries=\"0,10,1\" diffuse=\"255,0,0\"");
    EXPECT_TRUE(Load(graph).empty());
    EXPECT_TRUE(graph.valid);
    EXPECT_TRUE(graph.hasTime);
    EXPECT_EQ(graph.pointCount, 5);
    EXPECT_EQ(graph.components, 4);
    EXPECT_EQ(graph.samples[3 * 4], 3.0f);
    EXPECT_TRUE(Data(L"track").users.contains(&graph));
    ASSERT_EQ(graph.timeBins.size(), 10u);
    EXPECT_EQ(graph.timeBins[0].first, 0);
    EXPECT_EQ(graph.timeBins[0].count, 1);
    EXPECT_EQ(graph.timeBins[1].first, 1);
    EXPECT_EQ(graph.timeBins[1].count, 2);
    EXPECT_EQ(graph.timeBins[3].first, 3);
    EXPECT_EQ(graph.timeBins[2].first, 4);   // empty bins start at the last point
    EXPECT_EQ(graph.timeBins[2].count, 0);
    EXPECT_EQ(graph.ambientColors, std::vector<float>(graph.material.ambient, graph.material.ambient + 3));
    EXPECT_EQ(graph.diffuseColors, (std::vector<float>{1, 0, 0}));

    graph.Release();
    EXPECT_TRUE(graph.timeBins.empty());
    EXPECT_TRUE(graph.ambientColors.empty());
    EXPECT_FALSE(Data(L"track").users.contains(&graph));
}

TEST_F(ScatterGraphLoadTest, ColoursPerPointByTheBalance)
{
    auto& graph = Graph("coordinate_data=\"track\" color_data=\"five\" ambient_diffuse_balance=\"1,0.5\"",
                        "10 20 30\n40 50 60\n0 0 0\n255 255 255\n1 2 3\n");
    EXPECT_TRUE(Load(graph).empty());
    ASSERT_EQ(graph.ambientColors.size(), 15u);
    EXPECT_FLOAT_EQ(graph.ambientColors[4], 50 / 255.0f);
    EXPECT_FLOAT_EQ(graph.diffuseColors[4], 25 / 255.0f);
    EXPECT_FLOAT_EQ(graph.diffuseColors[9], 0.5f);
    EXPECT_TRUE(Data(L"five").users.contains(&graph));
}

TEST_F(ScatterGraphLoadTest, FailuresAreShownAndLeaveTheUnitReleased)
{
    // Fewer colours than points would be read past their end.
    auto& shortColours = Graph("coordinate_data=\"track\" color_data=\"two\"");
    EXPECT_EQ(Load(shortColours), (Messages{L"data file read error"}));
    EXPECT_FALSE(shortColours.valid);
    EXPECT_TRUE(Data(L"track").users.empty());
    EXPECT_TRUE(Data(L"two").users.empty());

    auto& lost = Graph("coordinate_data=\"lost\"");
    EXPECT_EQ(Load(lost), (Messages{L"data file read error"}));
    EXPECT_FALSE(lost.valid);

    auto& none = Graph("");
    EXPECT_EQ(Load(none), (Messages{L"data file read error"}));
    EXPECT_FALSE(none.valid);
}

TEST_F(ScatterGraphLoadTest, TimeAxesWithoutAFiniteBinCount)
{
    auto& zeroStep = Graph("coordinate_data=\"track\" timeSeries=\"0,10,0\"");
    EXPECT_TRUE(Load(zeroStep).empty());
    EXPECT_TRUE(zeroStep.valid);
    EXPECT_TRUE(zeroStep.timeBins.empty());

    auto& backwards = Graph("coordinate_data=\"track\" timeSeries=\"10,0,1\"");
    EXPECT_TRUE(Load(backwards).empty());
    EXPECT_TRUE(backwards.timeBins.empty());

    auto& tooMany = Graph("coordinate_data=\"track\" timeSeries=\"0,1e9,1e-9\"");
    EXPECT_EQ(Load(tooMany), (Messages{L"memory error"}));
    EXPECT_FALSE(tooMany.valid);
}
