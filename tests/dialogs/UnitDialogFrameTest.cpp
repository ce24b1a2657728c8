#include "UnitDialogTestSupport.h"

#include "units/CKxDrawUnit.h"
#include "support/RecordingUnit.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace velmor;
using namespace velmor::test;

namespace {

class PlainUnitDialog : public UnitDialogFrame {
public:
    void SetUnit(CKxDrawUnit* unit) { BindAndShow(unit); }
    void Rebuild() { ApplyRebuildingUnit(); }
    void Redraw() { ApplyRedrawingOnly(); }
    QLineEdit* edit = nullptr;

protected:
    void BuildControls() override
    {
        auto* layout = new QVBoxLayout(this);
        edit = new QLineEdit(this);
        layout->addWidget(edit);
    }
};

class UnitDialogFrameTest : public ::testing::Test {
protected:
    UnitDialogFrameTest()
    {
        parent.resize(200, 200);
        dialog = new PlainUnitDialog;
        dialog->Create(&parent, view.Seams());
    }
    ~UnitDialogFrameTest() override { delete dialog; }

    GuiFirst gui;
    QWidget parent;
    RecordingUnitView view;
    PlainUnitDialog* dialog = nullptr;
    std::vector<std::string> unitLog;
    RecordingUnit unit{nullptr, unitLog, "u"};
};

TEST_F(UnitDialogFrameTest, CreatedHiddenAndShownBySetUnit)
{
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->EditedUnit(), nullptr);
    dialog->SetUnit(&unit);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->EditedUnit(), &unit);
}

TEST_F(UnitDialogFrameTest, EnterIsSwallowedAndEscapeHidesIntoNormalMode)
{
    dialog->SetUnit(&unit);
    view.log.clear();
    PressAndRelease(dialog->edit, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    SendKey(dialog->edit, QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(view.log, std::vector<std::string>({"SetViewMode normal"}));
}

TEST_F(UnitDialogFrameTest, TheReleaseOfEscapeCountsAsEscapeToo)
{
    dialog->SetUnit(&unit);
    SendKey(dialog, QEvent::KeyRelease, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(UnitDialogFrameTest, AfterANestedDialogOneEscapeOnlyClearsTheFlag)
{
    dialog->SetUnit(&unit);
    dialog->SetNestedDialogFlag(true);
    SendKey(dialog->edit, QEvent::KeyRelease, Qt::Key_Escape);   // the cancelling key's release
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->NestedDialogFlag());
    SendKey(dialog->edit, QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(UnitDialogFrameTest, ClosingHidesButKeepsTheDialog)
{
    dialog->SetUnit(&unit);
    EXPECT_FALSE(dialog->close());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(view.Count("SetViewMode normal"), 1);
    dialog->SetUnit(&unit);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(UnitDialogFrameTest, MovingRedrawsTheView)
{
    dialog->SetUnit(&unit);
    view.log.clear();
    dialog->move(dialog->pos() + QPoint(15, 9));
    QApplication::processEvents();
    EXPECT_GE(view.Count("RenderNow"), 1);
}

TEST_F(UnitDialogFrameTest, TheTwoWaysOfApplyingAnEdit)
{
    dialog->SetUnit(&unit);
    view.log.clear();
    dialog->Rebuild();
    EXPECT_EQ(unitLog, std::vector<std::string>({"Release u", "Load u"}));
    EXPECT_EQ(view.log, std::vector<std::string>({"RefreshPane", "RenderNow"}));
    unitLog.clear();
    view.log.clear();
    dialog->Redraw();
    EXPECT_TRUE(unitLog.empty());
    EXPECT_EQ(view.log, std::vector<std::string>({"RefreshPane", "RenderNow"}));
}

TEST_F(UnitDialogFrameTest, NoPaneOrForgottenUnitMeansNoApply)
{
    dialog->SetUnit(&unit);
    view.hasPane = false;
    view.log.clear();
    dialog->Rebuild();
    dialog->Redraw();
    EXPECT_TRUE(unitLog.empty());
    EXPECT_TRUE(view.log.empty());

    view.hasPane = true;
    dialog->ForgetUnit();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->EditedUnit(), nullptr);
    dialog->Rebuild();
    EXPECT_TRUE(unitLog.empty());
}

} // namespace
