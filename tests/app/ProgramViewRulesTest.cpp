// The real program on an X server of its own: fog fades a volume rather than
// filling its box, moving the mouse is input for the idle and return events,
// and Qt's own dialogs speak Japanese.
#include "app/CMainFrame.h"
#include "app/ColorLabel.h"
#include "app/RunningProgram.h"
#include "app/ViewBar.h"
#include "dialogs/DialogTestSupport.h"
#include "support/VolumeWriter.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>

using namespace velmor;
using namespace velmor::test;

namespace {

class ProgramViewRules : public RunningProgram {
protected:
    // Group "top" in the one space, on `background`, with `more` in the first event.
    void Open(const std::string& body, const std::string& background, const std::string& more = "")
    {
        scenes.Write("view.vlm", "<scene version=\"1.35\"><body>" + body +
                                     "<event name=\"start\"><topGroup name=\"top\"/><activeSpace index=\"0\"/>"
                                     "<appearance backgroundColor=\"" + background + "\"/>" + more +
                                     "</event><firstSetting spaceNum=\"1\" firstEvent=\"start\"/></body></scene>");
        Launch(scenes.Path() / "view.vlm");
        WaitShown();
    }
    QColor Corner() { return Picture().pixelColor(4, 4); }
};

} // namespace

// The slices are summed: fog that added its colour to each would fill the
// volume's box (the view's height). Only the bright cube in the middle, a
// quarter of the box across, may show.
TEST_F(ProgramViewRules, FogFadesAVolumeRatherThanFillingItsBox)
{
    constexpr int kEdge = 32, kFrom = 12, kTo = 20;
    TestVolume blob{kEdge, kEdge, kEdge, 1, std::vector<uint8_t>(kEdge * kEdge * kEdge, 0)};
    for (int k = kFrom; k < kTo; ++k)
        for (int j = kFrom; j < kTo; ++j) std::fill_n(blob.values.begin() + (k * kEdge + j) * kEdge + kFrom, kTo - kFrom, 255);
    scenes.Write("blob.raw", RawBytes(blob));
    Open("<drawGroup name=\"top\"><drawUnit><volumeRendering volume_data=\"v\" brightness=\"0\" contrast=\"0.2\"/>"
         "</drawUnit></drawGroup><data name=\"v\" type=\"volume\" format=\"GRAY\" size=\"32,32,32\">"
         "<file path=\"blob.raw\" type=\"raw\"/></data>",
         "60,60,60", "<fog mode=\"on\"/>");
    const QImage picture = Picture();
    const int side = picture.height();
    int bright = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < picture.width(); ++x) bright += qGray(picture.pixel(x, y)) > 120 ? 1 : 0;
    EXPECT_GT(bright, side * side / 40);
    EXPECT_LT(bright, side * side / 8);
    EXPECT_EQ(picture.pixelColor(picture.width() / 2 + side * 3 / 10, side / 2 + side * 3 / 10), QColor(60, 60, 60));
}

// The idle event waits while the mouse moves without a button; the next move
// after it runs the return event. The idle event also colours the caption, a
// mark that it ran which the return event leaves.
TEST_F(ProgramViewRules, MovingTheMouseHoldsTheIdleEventOffAndEndsIt)
{
    Open("<drawGroup name=\"top\"/><event name=\"idle\"><appearance backgroundColor=\"255,0,0\"/>"
         "<captionText color=\"255,0,0\"/></event><event name=\"back\"><appearance backgroundColor=\"0,0,255\"/></event>",
         "0,0,255", "<idleEvent name=\"idle\" time=\"1\"/><returnEvent name=\"back\"/>");
    const QColor caption = bar->Caption()->textColour;
    for (int i = 0; i < 20; ++i) {   // twice the idle time
        QTest::mouseMove(view, QPoint(200 + 10 * i, 200));
        ProcessEventsFor(100);
    }
    EXPECT_EQ(Corner(), QColor(0, 0, 255));
    EXPECT_EQ(bar->Caption()->textColour, caption);
    EXPECT_TRUE(WaitUntil([&] { return Corner() == QColor(255, 0, 0); }));
    QTest::mouseMove(view, QPoint(300, 300));
    EXPECT_TRUE(WaitUntil([&] { return Corner() == QColor(0, 0, 255); }));
}

TEST_F(ProgramViewRules, QtsOwnDialogsSpeakJapanese)
{
    Open("<drawGroup name=\"top\"/>", "0,0,0");
    QStringList texts;
    ModalAnswerer answerer([&](QWidget* modal) {
        for (QPushButton* button : modal->findChild<QDialogButtonBox*>()->findChildren<QPushButton*>()) texts << button->text();
        QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
    Run(CMainFrame::kFileOpen);
    ASSERT_EQ(answerer.answered, 1);
    EXPECT_TRUE(texts.contains(QStringLiteral("開く(&O)")) && texts.contains(QStringLiteral("キャンセル")))
        << texts.join(u'|').toStdString();
}
