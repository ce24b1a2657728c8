// The real program on an X server of its own, held to what a user expects of
// the view: fog fades a volume rather than filling its box, moving the mouse
// holds the idle event off and ends it, a press on the space stops playback,
// and Qt's own dialogs speak Japanese.
#include "app/CMainFrame.h"
#include "app/ColorLabel.h"
#include "app/RunningProgram.h"
#include "app/ViewBar.h"
#include "app/ViewButtonPictures.h"
#include "dialogs/DialogTestSupport.h"
#include "support/VolumeWriter.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>

#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::test;

namespace {

std::string Scene(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<scene version=\"1.35\"><head><title type=\"main\" "
           "value=\"View\"/></head><body>" +
           body + "<firstSetting spaceNum=\"1\" firstEvent=\"start\"/></body></scene>\n";
}

// The first event: group "top" in the one space, the background and `more`.
std::string Start(const std::string& background, const std::string& more = "")
{
    return "<event name=\"start\"><targetSpace index=\"0\"/><topGroup name=\"top\"/><activeSpace index=\"0\"/>"
           "<appearance backgroundColor=\"" + background + "\"/>" + more + "</event>";
}

constexpr int kEdge = 32;   // voxels along each axis
constexpr int kBlob = 8;    // the bright cube in the middle

TestVolume BlobVolume()
{
    TestVolume v{kEdge, kEdge, kEdge, 1, std::vector<uint8_t>(kEdge * kEdge * kEdge, 0)};
    const int from = (kEdge - kBlob) / 2;
    for (int k = from; k < from + kBlob; ++k)
        for (int j = from; j < from + kBlob; ++j)
            for (int i = from; i < from + kBlob; ++i) v.values[(k * kEdge + j) * kEdge + i] = 255;
    return v;
}

int Bright(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += qGray(image.pixel(x, y)) > 120 ? 1 : 0;
    return n;
}

class ProgramViewRules : public RunningProgram {
protected:
    void Open(const std::string& body)
    {
        scenes.Write("view.vlm", Scene(body));
        Launch(scenes.Path() / "view.vlm");
        WaitShown();
    }
    QColor Corner() { return Picture().pixelColor(4, 4); }
    QColor Middle()
    {
        const QImage picture = Picture();
        return picture.pixelColor(picture.width() / 2, picture.height() / 2);
    }
    ButtonPicture PlayButton() const { return bar->Button(kPlayButton)->Picture(); }
};

} // namespace

// The slices are summed: fog that added its colour to each would fill the
// volume's box with it. Only the bright cube in the middle may show.
TEST_F(ProgramViewRules, FogFadesAVolumeRatherThanFillingItsBox)
{
    scenes.Write("blob.raw", RawBytes(BlobVolume()));
    const std::string edge = std::to_string(kEdge);
    Open("<drawGroup name=\"top\"><drawUnit><volumeRendering note=\"Blob\" volume_data=\"blob\" renderingType=\"A\" "
         "brightness=\"0\" contrast=\"0.2\"/></drawUnit></drawGroup><data name=\"blob\" type=\"volume\" "
         "format=\"GRAY\" size=\"" + edge + "," + edge + "," + edge + "\"><file path=\"blob.raw\" type=\"raw\"/></data>" +
         Start("60,60,60", "<fog mode=\"on\"/>"));
    const QImage picture = Picture();
    EXPECT_GT(qGray(picture.pixel(picture.width() / 2, picture.height() / 2)), 120);
    // The volume fills the view's height; the cube is a quarter of it across.
    const int side = picture.height();
    const int bright = Bright(picture);
    EXPECT_GT(bright, side * side / 40);
    EXPECT_LT(bright, side * side / 8);
    EXPECT_EQ(picture.pixelColor(picture.width() / 2 + side * 3 / 10, picture.height() / 2 + side * 3 / 10),
              QColor(60, 60, 60));
}

// Moves without a button held are input: the idle event waits for them to
// stop, and the next move after it brings the return event.
TEST_F(ProgramViewRules, MovingTheMouseHoldsTheIdleEventOffAndEndsIt)
{
    // The idle event also colours the caption: a mark that it ran, which the
    // return event leaves.
    Open("<drawGroup name=\"top\"><drawUnit><primitive note=\"Ball\" shape=\"sphere\" coordinate=\"0,0,0\" "
         "size=\"0.3\" diffuse=\"255,255,255\" ambient=\"255,255,255\"/></drawUnit></drawGroup>" +
         Start("0,0,255", "<idleEvent name=\"idle\" time=\"1\"/><returnEvent name=\"back\"/>") +
         "<event name=\"idle\"><appearance backgroundColor=\"255,0,0\"/><captionText color=\"255,0,0\"/></event>"
         "<event name=\"back\"><appearance backgroundColor=\"0,0,255\"/></event>");
    const QColor blue(0, 0, 255), red(255, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return Corner() == blue; }));
    const QColor caption = bar->Caption()->textColour;
    // Twice the idle time of moving.
    for (int i = 0; i < 20; ++i) {
        QTest::mouseMove(view, QPoint(200 + 10 * i, 200));
        ProcessEventsFor(100);
    }
    EXPECT_EQ(Corner(), blue);
    EXPECT_EQ(bar->Caption()->textColour, caption);
    EXPECT_TRUE(WaitUntil([&] { return Corner() == red; }, 5000));
    QTest::mouseMove(view, QPoint(300, 300));
    EXPECT_TRUE(WaitUntil([&] { return Corner() == blue; }, 5000));
}

// A looping playback of a green and then a yellow cube; a press on the one
// space, the active one, stops it where it is.
TEST_F(ProgramViewRules, APressOnTheSpaceStopsPlayback)
{
    const auto cube = [](const char* name, const char* range, const char* colour) {
        return std::string("<drawGroup name=\"") + name + "\" timeRange=\"" + range +
               "\"><drawUnit><primitive note=\"Cube\" shape=\"cube\" coordinate=\"0,0,0\" size=\"0.5\" diffuse=\"" +
               colour + "\" ambient=\"" + colour + "\"/></drawUnit></drawGroup>";
    };
    Open("<drawGroup name=\"top\"><childGroup name=\"early, late\"/></drawGroup>" + cube("early", "0,1", "0,255,0") +
         cube("late", "2,3", "255,255,0") + Start("0,0,0", "<timeAnimation play=\"on\" speed=\"100\" loop=\"on\"/>"));
    const auto yellow = [&] { return Middle().red() > 120; };
    EXPECT_TRUE(WaitUntil(yellow));
    EXPECT_TRUE(WaitUntil([&] { return !yellow(); }));
    EXPECT_EQ(PlayButton(), ButtonPicture::kPause);

    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    ASSERT_TRUE(WaitUntil([&] { return PlayButton() == ButtonPicture::kPlay; }, 3000));
    const bool stoppedOnYellow = yellow();
    for (int i = 0; i < 8; ++i) {
        ProcessEventsFor(100);
        EXPECT_EQ(yellow(), stoppedOnYellow) << i;
    }
}

TEST_F(ProgramViewRules, QtsOwnDialogsSpeakJapanese)
{
    Open("<drawGroup name=\"top\"/>" + Start("0,0,0"));
    QStringList texts;
    ModalAnswerer answerer([&](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        if (files == nullptr) return;
        for (QPushButton* button : files->findChild<QDialogButtonBox*>()->findChildren<QPushButton*>())
            texts << button->text();
        QMetaObject::invokeMethod(files, "reject", Qt::QueuedConnection);
    });
    Run(CMainFrame::kFileOpen);
    EXPECT_EQ(answerer.answered, 1);
    EXPECT_TRUE(texts.contains(QStringLiteral("開く(&O)"))) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("キャンセル"))) << texts.join(u'|').toStdString();
}
