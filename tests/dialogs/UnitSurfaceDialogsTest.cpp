// The surface, mesh and volume dialogs on real units: their controls, the
// values they write into the units, the surface rebuilt for new thresholds,
// the value window of the volume, and the key policies.
#include "app/CVelmorView.h"
#include "app/GuiTestSupport.h"
#include "dialogs/CKxDlgUnitSurface.h"
#include "dialogs/CKxDlgUnitTriSTL.h"
#include "dialogs/CKxDlgUnitVolume.h"
#include "export/ExportSeams.h"
#include "platform/Memory.h"
#include "platform/WideText.h"
#include "render/RenderSettings.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "support/CancellingHost.h"
#include "support/MessageRecorder.h"
#include "support/RecordingJobHost.h"
#include "support/TempDir.h"
#include "support/VolumeWriter.h"
#include "units/CKxDrawUSTL.h"
#include "units/CKxDrawUSurfaceR.h"
#include "units/CKxDrawUVolumeR.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

using namespace velmor;
using namespace velmor::test;

namespace {

template <typename T>
T* Control(QWidget& dialog, int id)
{
    T* control = dialog.findChild<T*>(ControlName(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
}

QString Text(QWidget& dialog, int id) { return Control<QLineEdit>(dialog, id)->text(); }

// What the dialogs asked of the view.
struct ViewCalls : NoViewServices {
    int renders = 0;
    int panelRefreshes = 0;
    int locks = 0;
    int unlocks = 0;
    ViewMode viewMode = ViewMode::kUnitEditing;
    bool clipOn = false;
    bool dataDialogAccepts = false;
    int dataDialogs = 0;

    void RefreshUnitPanel(bool) override { ++panelRefreshes; }
    void LockControls() override { ++locks; }
    void UnlockControls(bool) override { ++unlocks; }
    bool CurrentPaneClipOn() override { return clipOn; }
    bool RunVoxelDataDialog(DataObject&) override { return ++dataDialogs, dataDialogAccepts; }
    bool RunArrayDataDialog(DataObject&) override { return ++dataDialogs, dataDialogAccepts; }
    void RenderNow() override { ++renders; }
    void SetViewMode(ViewMode mode) override { viewMode = mode; }
    DrawGroup* ActiveRootGroup() override { return reinterpret_cast<DrawGroup*>(this); }   // never read

    // Creates the dialog over no parent with these services.
    void Attach(CKxDlgUnitVolume& dialog) { dialog.Create(nullptr, *this); }
    template <typename Dialog>
    void Attach(Dialog& dialog, RenderSettings& settings)
    {
        dialog.Create(nullptr, *this, &settings);
    }
};

class SavePathDialogs final : public ExportDialogs {
public:
    explicit SavePathDialogs(std::wstring path) : path_(std::move(path)), previous_(SetExportDialogs(this)) {}
    ~SavePathDialogs() override { SetExportDialogs(previous_); }
    void RunPolygonExportDialog(ExportJob&) override {}
    void RunVoxelExportDialog(uint32_t, bool, bool) override {}
    std::wstring AskSavePath(const SaveDialogRequest& request) override
    {
        asked = request;
        return path_;
    }
    SaveDialogRequest asked;

private:
    std::wstring path_;
    ExportDialogs* previous_;
};

// A 4 x 4 x 4 volume of zeros with one bright voxel, loaded into a surface
// unit: the whole box at the loaded thresholds, an octahedron for 100..255.
class LoadedSurface {
public:
    LoadedSurface()
    {
        TestVolume v;
        v.x = v.y = v.z = 4;
        v.values.assign(64, 0);
        v.values[1 + 2 * 4 + 1 * 16] = 200;
        dir.Write("v.raw", RawBytes(v));
        const std::wstring folder = SceneFolder;
        SceneFolder = dir.WidePath("");
        volume.type = L"volume";
        volume.format = L"GRAY";
        volume.sizeX = volume.sizeY = volume.sizeZ = 4;
        volume.sourcePath = L"v.raw";
        volume.sourceType = L"raw";
        unit.data = &volume;
        unit.Load();
        SceneFolder = folder;
    }
    TempDir dir;
    RecordingJobHost host;
    DataObject volume{L"v"};
    CKxDrawUSurfaceR unit{nullptr};
};

// A surface unit over 1-byte data from 0 to `maximum`, not loaded.
struct ByteSurface {
    explicit ByteSurface(float maximum)
    {
        volume.bytesPerComponent = 1;
        volume.maxValue = maximum;
        volume.histogram256.reset(new uint64_t[256]());
        unit.data = &volume;
    }
    DataObject volume{L"d"};
    CKxDrawUSurfaceR unit{nullptr};
};

// The loaded surface shown in its dialog, the redraws counted from there.
struct ShownLoadedSurface {
    ShownLoadedSurface()
    {
        calls.Attach(dialog, settings);
        dialog.SetUnit(&s.unit);
        calls.renders = 0;
    }
    LoadedSurface s;
    RenderSettings settings;
    CKxDlgUnitSurface dialog;
    ViewCalls calls;
};

void Key(QWidget* target, QEvent::Type type, int key)
{
    QKeyEvent event(type, key, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

TEST(CKxDlgUnitSurface, ControlsCarryTheirNumbersAndTexts)
{
    GuiApplication();
    CKxDlgUnitSurface dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ユニット設定"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgUnitSurface::kApply)->text(), QStringLiteral("適用"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgUnitSurface::kExportHistogram)->text(), QStringLiteral("ヒストグラム出力"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgUnitSurface::kDataPreference)->text(), QStringLiteral("データ設定"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgUnitSurface::kColorScale)->text(), QStringLiteral("カラースケール設定"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgUnitSurface::kSectionImage)->text(), QStringLiteral("断面の保存"));
    EXPECT_FALSE(Control<QPushButton>(dialog, CKxDlgUnitSurface::kColorScale)->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(dialog, CKxDlgUnitSurface::kSectionImage)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(dialog, CKxDlgUnitSurface::kCopyPolygon)->isHidden());
    EXPECT_EQ(Control<QCheckBox>(dialog, CKxDlgUnitSurface::kClipCoverOff)->text(), QStringLiteral("強制 off"));
    EXPECT_EQ(Control<QCheckBox>(dialog, CKxDlgUnitSurface::kTranslucentOff)->text(), QStringLiteral("強制 off"));
    auto* magnification = Control<QComboBox>(dialog, CKxDlgUnitSurface::kMagnification);
    ASSERT_EQ(magnification->count(), 7);
    EXPECT_EQ(magnification->itemText(6), QStringLiteral(" x 1000000"));
    EXPECT_EQ(magnification->currentText(), QStringLiteral(" x 10"));
    EXPECT_EQ(Control<QComboBox>(dialog, CKxDlgUnitSurface::kRenderingType)->currentText(), QStringLiteral("C"));
    EXPECT_FALSE(Control<QComboBox>(dialog, CKxDlgUnitSurface::kRenderingType)->isEnabled());
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kOpacity), QStringLiteral("100"));
    EXPECT_EQ(Control<QLineEdit>(dialog, CKxDlgUnitSurface::kOpacity)->maxLength(), 3);
    EXPECT_EQ(Control<QSpinBox>(dialog, CKxDlgUnitSurface::kOpacitySpin)->minimum(), 1);
    EXPECT_EQ(Control<QSpinBox>(dialog, CKxDlgUnitSurface::kOpacitySpin)->maximum(), 100);
    EXPECT_EQ(Control<QLabel>(dialog, CKxDlgUnitSurface::kMinimumLabel)->text(), QStringLiteral("0"));
    EXPECT_EQ(Control<QLabel>(dialog, CKxDlgUnitSurface::kMaximumLabel)->text(), QStringLiteral("255"));
    EXPECT_NE(dialog.findChild<QWidget*>(ControlName(CKxDlgUnitSurface::kHistogram)), nullptr);
}

TEST(CKxDlgUnitSurface, ThresholdsRebuildTheSurfaceThroughTheUnit)
{
    GuiApplication();
    LoadedSurface s;
    ASSERT_TRUE(s.unit.valid);
    ASSERT_EQ(s.unit.mesh.triangleCount, 188u);
    RenderSettings settings;
    CKxDlgUnitSurface dialog;
    ViewCalls calls;
    calls.Attach(dialog, settings);
    dialog.SetUnit(&s.unit);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_GE(calls.renders, 1);
    calls.renders = 0;
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kLowerLimit), QStringLiteral("0"));
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kUpperLimit), QStringLiteral("255"));
    EXPECT_EQ(Control<QLabel>(dialog, CKxDlgUnitSurface::kMinimumLabel)->text(), QString::asprintf("%0.0f", s.volume.GetMinValue()));
    EXPECT_EQ(Control<QLabel>(dialog, CKxDlgUnitSurface::kMaximumLabel)->text(), QString::asprintf("%0.0f", s.volume.GetMaxValue()));

    // Written the wrong way round: put in order before the build.
    Control<QLineEdit>(dialog, CKxDlgUnitSurface::kLowerLimit)->setText(QStringLiteral("255"));
    Control<QLineEdit>(dialog, CKxDlgUnitSurface::kUpperLimit)->setText(QStringLiteral("100abc"));
    const int runs = s.host.Runs();
    Control<QPushButton>(dialog, CKxDlgUnitSurface::kApply)->click();
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kLowerLimit), QStringLiteral("100"));
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kUpperLimit), QStringLiteral("255"));
    EXPECT_EQ(s.unit.GetBorderLow(), 100.0f);
    EXPECT_EQ(s.unit.GetBorderUp(), 255.0f);
    EXPECT_EQ(s.unit.mesh.triangleCount, 8u);
    EXPECT_GT(s.host.Runs(), runs);
    EXPECT_EQ(calls.renders, 1);
    EXPECT_EQ(calls.panelRefreshes, 1);
    EXPECT_EQ(calls.locks, 1);
    EXPECT_EQ(calls.unlocks, 1);

    // Unchanged thresholds build nothing but take the cap check and redraw.
    const int after = s.host.Runs();
    Control<QCheckBox>(dialog, CKxDlgUnitSurface::kClipCoverOff)->setChecked(true);
    Control<QPushButton>(dialog, CKxDlgUnitSurface::kApply)->click();
    EXPECT_EQ(s.host.Runs(), after);
    EXPECT_FALSE(s.unit.innerDraw);
    EXPECT_EQ(calls.renders, 2);
    EXPECT_EQ(calls.panelRefreshes, 2);
}

TEST(CKxDlgUnitSurface, CancelledRebuildKeepsSurfaceAndBorders)
{
    GuiApplication();
    ShownLoadedSurface shown;
    LoadedSurface& s = shown.s;
    CKxDlgUnitSurface& dialog = shown.dialog;
    ViewCalls& calls = shown.calls;
    const float* vertices = s.unit.mesh.vertices;
    Control<QLineEdit>(dialog, CKxDlgUnitSurface::kLowerLimit)->setText(QStringLiteral("100"));
    {
        CancellingHost cancel;
        Control<QPushButton>(dialog, CKxDlgUnitSurface::kApply)->click();
    }
    EXPECT_EQ(s.unit.mesh.vertices, vertices);
    EXPECT_EQ(s.unit.mesh.triangleCount, 188u);
    EXPECT_EQ(s.unit.GetBorderLow(), 0.0f);
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kLowerLimit), QStringLiteral("100"));   // the typed text stays
    EXPECT_EQ(calls.renders, 0);                             // not redrawn
    EXPECT_EQ(calls.panelRefreshes, 0);
    EXPECT_EQ(calls.unlocks, 1);
}

TEST(CKxDlgUnitSurface, SignedVolumesShowDataValues)
{
    GuiApplication();
    DataObject volume(L"s");
    volume.isSigned = true;
    volume.bytesPerComponent = 2;
    volume.minValue = 32768 - 1000;
    volume.maxValue = 32768 + 3000;
    volume.histogram256.reset(new uint64_t[256]());
    CKxDrawUSurfaceR unit(nullptr);
    unit.data = &volume;
    unit.SetBorder(-500.7f, 1200);
    EXPECT_EQ(unit.borderLow, 32768 - 500.7f);
    CKxDlgUnitSurface dialog;
    dialog.SetUnit(&unit);
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kLowerLimit), QStringLiteral("-500"));
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kUpperLimit), QStringLiteral("1200"));
    EXPECT_EQ(Control<QLabel>(dialog, CKxDlgUnitSurface::kMinimumLabel)->text(), QStringLiteral("-1000"));
    EXPECT_EQ(Control<QLabel>(dialog, CKxDlgUnitSurface::kMaximumLabel)->text(), QStringLiteral("3000"));
}

TEST(CKxDlgUnitSurface, DraggingALineStaysInTheDataRangeAndOrdersOnRelease)
{
    GuiApplication();
    ByteSurface s(256);
    s.unit.SetBorder(64, 128);
    CKxDrawUSurfaceR& unit = s.unit;
    CKxDlgUnitSurface dialog;
    dialog.SetUnit(&unit);
    QWidget* histogram = dialog.findChild<QWidget*>(ControlName(CKxDlgUnitSurface::kHistogram));
    const int left = histogram->mapTo(&dialog, QPoint(0, 0)).x();
    const int y = histogram->mapTo(&dialog, QPoint(0, 10)).y();
    // Hovering near the lower line picks it; a press starts its drag.
    QMouseEvent hover(QEvent::MouseMove, QPointF(left + 64 + 3, y), QPointF(), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(&dialog, &hover);
    EXPECT_EQ(dialog.dragTarget, 1);
    QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(left + 64 + 3, y));
    EXPECT_EQ(dialog.dragging, 1);
    QMouseEvent far(QEvent::MouseMove, QPointF(left + 2000, y), QPointF(), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&dialog, &far);
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kLowerLimit), QStringLiteral("256"));
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(left + 2000, y));
    EXPECT_EQ(dialog.dragging, 0);
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kLowerLimit), QStringLiteral("128"));
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kUpperLimit), QStringLiteral("256"));
    // Nothing reaches the unit before Apply.
    EXPECT_EQ(unit.GetBorderLow(), 64.0f);
}

TEST(CKxDlgUnitSurface, TypingMovesTheLineButProgramTextsDoNotRedraw)
{
    GuiApplication();
    ByteSurface s(256);
    s.unit.SetBorder(64, 128);
    CKxDrawUSurfaceR& unit = s.unit;
    CKxDlgUnitSurface dialog;
    dialog.SetUnit(&unit);
    auto* view = dialog.findChild<HistogramView*>(ControlName(CKxDlgUnitSurface::kHistogram));
    ASSERT_NE(view, nullptr);
    EXPECT_DOUBLE_EQ(view->Picture().lowerX, 64.0);
    auto* lower = Control<QLineEdit>(dialog, CKxDlgUnitSurface::kLowerLimit);
    lower->setText(QStringLiteral("10"));
    EXPECT_DOUBLE_EQ(view->Picture().lowerX, 64.0);
    lower->selectAll();
    QTest::keyClicks(lower, QStringLiteral("32"));
    EXPECT_DOUBLE_EQ(view->Picture().lowerX, 32.0);
}

TEST(CKxDlgUnitSurface, CutSectionControlsFollowThePaneAndWriteTheUnit)
{
    GuiApplication();
    DataObject volume(L"d");
    CKxDrawUSurfaceR unit(nullptr);
    unit.data = &volume;
    unit.capTextured = true;
    RenderSettings settings;
    settings.clipCap = 1;
    settings.transparencyClip = 1;
    CKxDlgUnitSurface dialog;
    ViewCalls calls;
    calls.Attach(dialog, settings);
    dialog.SetUnit(&unit);
    EXPECT_FALSE(Control<QCheckBox>(dialog, CKxDlgUnitSurface::kClipCoverOff)->isEnabled());
    EXPECT_FALSE(Control<QCheckBox>(dialog, CKxDlgUnitSurface::kTranslucentOff)->isEnabled());
    calls.clipOn = true;
    dialog.UpdateClipControls();   // after the next render
    EXPECT_TRUE(Control<QCheckBox>(dialog, CKxDlgUnitSurface::kClipCoverOff)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(dialog, CKxDlgUnitSurface::kColorScale)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(dialog, CKxDlgUnitSurface::kSectionImage)->isEnabled());
    EXPECT_TRUE(Control<QLineEdit>(dialog, CKxDlgUnitSurface::kOpacity)->isEnabled());

    Control<QLineEdit>(dialog, CKxDlgUnitSurface::kOpacity)->setText(QStringLiteral("90"));
    EXPECT_FLOAT_EQ(unit.translucentOpacity, 0.9f);
    dialog.UpdateClipControls();
    EXPECT_EQ(Text(dialog, CKxDlgUnitSurface::kOpacity), QStringLiteral("90"));
    Control<QCheckBox>(dialog, CKxDlgUnitSurface::kTranslucentOff)->click();
    EXPECT_FALSE(unit.translucentClip);
    EXPECT_FALSE(Control<QComboBox>(dialog, CKxDlgUnitSurface::kRenderingType)->isEnabled());
    Control<QCheckBox>(dialog, CKxDlgUnitSurface::kTranslucentOff)->click();
    EXPECT_TRUE(unit.translucentClip);
    EXPECT_FLOAT_EQ(unit.translucentOpacity, 0.9f);
    auto* type = Control<QComboBox>(dialog, CKxDlgUnitSurface::kRenderingType);
    type->setCurrentIndex(2);
    emit type->activated(2);
    EXPECT_EQ(unit.translucentType, L"D");
    Control<QCheckBox>(dialog, CKxDlgUnitSurface::kClipCoverOff)->click();
    EXPECT_FALSE(unit.innerDraw);
    EXPECT_FALSE(Control<QPushButton>(dialog, CKxDlgUnitSurface::kSectionImage)->isEnabled());

    unit.renderingType = L"B";
    dialog.UpdateClipControls();
    EXPECT_TRUE(Control<QCheckBox>(dialog, CKxDlgUnitSurface::kClipCoverOff)->isEnabled());
    EXPECT_FALSE(Control<QCheckBox>(dialog, CKxDlgUnitSurface::kTranslucentOff)->isEnabled());
    unit.renderingType = L"C";
    dialog.UpdateClipControls();
    EXPECT_FALSE(Control<QCheckBox>(dialog, CKxDlgUnitSurface::kClipCoverOff)->isEnabled());

    // Typed 0 stores 0: the edit takes three digits, nothing more is checked.
    unit.renderingType = L"A";
    dialog.UpdateClipControls();
    Control<QLineEdit>(dialog, CKxDlgUnitSurface::kOpacity)->setText(QStringLiteral("0"));
    EXPECT_EQ(unit.translucentOpacity, 0.0f);
}

TEST(CKxDlgUnitSurface, EscapeAfterANestedDialogOnlyClearsTheFlag)
{
    GuiApplication();
    DataObject volume(L"d");
    volume.voxelPitch.loadedPitch[2] = 2.5f;
    volume.voxelPitch.unit = L"cm";
    CKxDrawUSurfaceR unit(nullptr);
    unit.data = &volume;
    RenderSettings settings;
    CKxDlgUnitSurface dialog;
    ViewCalls calls;
    calls.Attach(dialog, settings);
    dialog.SetUnit(&unit);
    QLineEdit* lower = Control<QLineEdit>(dialog, CKxDlgUnitSurface::kLowerLimit);

    Key(lower, QEvent::KeyPress, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());

    Control<QPushButton>(dialog, CKxDlgUnitSurface::kDataPreference)->click();   // cancelled
    EXPECT_EQ(calls.dataDialogs, 1);
    EXPECT_TRUE(dialog.NestedDialogFlag());
    Key(lower, QEvent::KeyRelease, Qt::Key_Escape);   // the key-up of the Escape that closed it
    EXPECT_FALSE(dialog.NestedDialogFlag());
    EXPECT_TRUE(dialog.isVisible());
    Key(lower, QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(calls.viewMode, ViewMode::kNormal);

    calls.dataDialogAccepts = true;
    dialog.SetUnit(&unit);
    Control<QPushButton>(dialog, CKxDlgUnitSurface::kDataPreference)->click();
    EXPECT_FALSE(dialog.NestedDialogFlag());
    EXPECT_EQ(unit.pitch[2], 2.5);
    EXPECT_EQ(unit.lengthUnit, L"cm");
}

TEST(CKxDlgUnitSurface, SectionImageAndHistogramExportGoThroughTheSaveDialog)
{
    GuiApplication();
    MessageRecorder messages;
    TempDir dir;
    ByteSurface s(255);
    CKxDrawUSurfaceR& unit = s.unit;
    RenderSettings settings;
    CKxDlgUnitSurface dialog;
    ViewCalls calls;
    calls.Attach(dialog, settings);
    dialog.SetUnit(&unit);

    unit.renderingType = L"C";
    dialog.OnBnClickedSaveSectionImage();
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>{L"Rendering type A, B, or E only"});
    unit.renderingType = L"A";
    {
        SavePathDialogs save(dir.WidePath("section.TIF"));
        dialog.OnBnClickedSaveSectionImage();
        EXPECT_EQ(save.asked.defaultExtension, L"jpg");
        EXPECT_EQ(save.asked.defaultName, L"section_image");
    }
    EXPECT_EQ(messages.Messages().back(), L"File format is only tif or jpg or bmp.");
    unit.colorTable = L"RGB";
    {
        SavePathDialogs save(dir.WidePath("section.tif"));
        dialog.OnBnClickedSaveSectionImage();
    }
    EXPECT_EQ(messages.Messages().back(), L"tiff image format is only grayscale.");
    EXPECT_TRUE(dialog.NestedDialogFlag());   // never cleared by the save

    const std::wstring folder = LastFolder;
    LastFolder = dir.WidePath("");
    {
        SavePathDialogs save(dir.WidePath("h.csv"));
        dialog.OnBnClickedExportHistogram();
        EXPECT_EQ(save.asked.defaultName, dir.WidePath("histogram.csv"));
        EXPECT_EQ(save.asked.defaultExtension, L"hist");
    }
    LastFolder = folder;
    EXPECT_FALSE(dialog.NestedDialogFlag());
    std::ifstream csv(dir.Path() / "h.csv", std::ios::binary);
    std::string first;
    std::getline(csv, first);
    EXPECT_EQ(first, "0,0\r");

    // Failed writes are reported and leave no file behind.
    unit.colorTable = L"GRAY";
    {
        SavePathDialogs save(dir.WidePath("none.jpg"));
        dialog.OnBnClickedSaveSectionImage();   // no section was ever drawn
    }
    EXPECT_EQ(messages.Messages().back(), L"cannot export data");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "none.jpg"));
    const std::filesystem::path locked = ReadOnlyFolder(dir) / "h.csv";
    {
        SavePathDialogs save(WideFromPath(locked));
        dialog.OnBnClickedExportHistogram();
    }
    EXPECT_EQ(messages.Messages().back(), L"file write error");
    EXPECT_FALSE(std::filesystem::exists(locked));
    {
        SavePathDialogs save(L"/dev/full");
        dialog.OnBnClickedExportHistogram();   // created, but every write fails
    }
    EXPECT_EQ(messages.Messages().size(), 6u);
}

TEST(CKxDlgUnitTriSTL, ControlsAndCutSectionOfAMeshUnit)
{
    GuiApplication();
    CKxDrawUSTL unit(nullptr);
    DataObject facets(L"f");
    facets.coordinateScale.scale[0] = 3;
    unit.data = &facets;
    RenderSettings settings;
    settings.transparencyClip = 1;
    CKxDlgUnitTriSTL dialog;
    ViewCalls calls;
    calls.clipOn = true;
    calls.Attach(dialog, settings);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ユニット設定"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgUnitTriSTL::kDataPreference)->text(), QStringLiteral("データ設定"));
    EXPECT_TRUE(Control<QPushButton>(dialog, CKxDlgUnitTriSTL::kColorScale)->isHidden());
    EXPECT_TRUE(Control<QPushButton>(dialog, CKxDlgUnitTriSTL::kSectionImage)->isHidden());
    EXPECT_EQ(Control<QComboBox>(dialog, CKxDlgUnitTriSTL::kRenderingType)->currentText(), QStringLiteral("C"));
    EXPECT_EQ(Text(dialog, CKxDlgUnitTriSTL::kOpacity), QStringLiteral("100"));
    EXPECT_EQ(Control<QSpinBox>(dialog, CKxDlgUnitTriSTL::kOpacitySpin)->maximum(), 100);

    dialog.SetUnit(&unit);
    EXPECT_EQ(dialog.data, &facets);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(Control<QCheckBox>(dialog, CKxDlgUnitTriSTL::kClipCoverOff)->isEnabled());
    EXPECT_TRUE(Control<QCheckBox>(dialog, CKxDlgUnitTriSTL::kTranslucentOff)->isEnabled());
    Control<QCheckBox>(dialog, CKxDlgUnitTriSTL::kClipCoverOff)->click();
    EXPECT_FALSE(unit.innerDraw);
    Control<QSpinBox>(dialog, CKxDlgUnitTriSTL::kOpacitySpin)->setValue(40);
    EXPECT_EQ(Text(dialog, CKxDlgUnitTriSTL::kOpacity), QStringLiteral("40"));
    EXPECT_FLOAT_EQ(unit.translucentOpacity, 0.4f);

    calls.dataDialogAccepts = true;
    Control<QPushButton>(dialog, CKxDlgUnitTriSTL::kDataPreference)->click();
    EXPECT_EQ(unit.pitch[0], 3.0);
    Key(Control<QLineEdit>(dialog, CKxDlgUnitTriSTL::kOpacity), QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(calls.viewMode, ViewMode::kNormal);
}

namespace {

struct VolumeSetup {
    VolumeSetup()
    {
        data.bytesPerComponent = 2;
        data.isSigned = true;
        data.minValue = 32768 - 1000;
        data.maxValue = 32768 + 3000;
        data.histogram256.reset(new uint64_t[256]());
        data.histogram65536.reset(new uint64_t[65536]());
        unit.volumeData = &data;
        unit.renderingType = L"B";
        unit.brightnessB = 12.0f;
        unit.contrastB = 1.5f;
        unit.SetRangeLow(-200);
        unit.SetRangeHigh(800);
    }
    DataObject data{L"v"};
    CKxDrawUVolumeR unit{nullptr};
};

} // namespace

TEST(CKxDlgUnitVolume, ControlsShowTheUnitAndSlidersFollowTheEdits)
{
    GuiApplication();
    VolumeSetup v;
    CKxDlgUnitVolume dialog;
    ViewCalls calls;
    calls.Attach(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("  ユニット設定"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgUnitVolume::kApply)->text(), QStringLiteral("適用"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgUnitVolume::kExportHistogram)->text(), QStringLiteral("ヒストグラム出力"));
    EXPECT_EQ(Control<QPushButton>(dialog, CKxDlgUnitVolume::kDataPreference)->text(), QStringLiteral("データ設定"));
    EXPECT_EQ(Control<QSlider>(dialog, CKxDlgUnitVolume::kBrightnessSlider)->minimum(), -256);
    EXPECT_EQ(Control<QSlider>(dialog, CKxDlgUnitVolume::kContrastSlider)->maximum(), 300);
    EXPECT_EQ(Control<QComboBox>(dialog, CKxDlgUnitVolume::kMagnification)->currentText(), QStringLiteral(" x 10"));

    v.unit.brightnessB = 12.4f;
    dialog.SetUnit(&v.unit);
    EXPECT_EQ(Text(dialog, CKxDlgUnitVolume::kBrightness), QStringLiteral("12"));
    EXPECT_EQ(Text(dialog, CKxDlgUnitVolume::kContrast), QStringLiteral("1.50"));
    EXPECT_EQ(Control<QSlider>(dialog, CKxDlgUnitVolume::kBrightnessSlider)->value(), 12);
    EXPECT_EQ(Control<QSlider>(dialog, CKxDlgUnitVolume::kContrastSlider)->value(), 150);
    EXPECT_EQ(Text(dialog, CKxDlgUnitVolume::kLowerLimit), QStringLiteral("-200"));
    EXPECT_EQ(Text(dialog, CKxDlgUnitVolume::kUpperLimit), QStringLiteral("800"));
    EXPECT_EQ(Control<QLabel>(dialog, CKxDlgUnitVolume::kMinimumLabel)->text(), QStringLiteral("-1000"));
    EXPECT_EQ(Control<QLabel>(dialog, CKxDlgUnitVolume::kMaximumLabel)->text(), QStringLiteral("3000"));

    Control<QLineEdit>(dialog, CKxDlgUnitVolume::kContrast)->setText(QStringLiteral("0.8"));
    EXPECT_EQ(Control<QSlider>(dialog, CKxDlgUnitVolume::kContrastSlider)->value(), 80);
    auto* contrast = Control<QSlider>(dialog, CKxDlgUnitVolume::kContrastSlider);
    contrast->setSliderPosition(37);
    emit contrast->actionTriggered(QAbstractSlider::SliderMove);
    EXPECT_EQ(Text(dialog, CKxDlgUnitVolume::kContrast), QStringLiteral("0.37"));
    EXPECT_EQ(v.unit.contrastB, 1.5f);   // nothing reaches the unit before Apply
}

TEST(CKxDlgUnitVolume, ApplyWritesTheWindowAndRequestsARecolour)
{
    GuiApplication();
    VolumeSetup v;
    CKxDlgUnitVolume dialog;
    ViewCalls calls;
    calls.Attach(dialog);
    dialog.SetUnit(&v.unit);
    calls.renders = 0;
    Control<QPushButton>(dialog, CKxDlgUnitVolume::kApply)->click();
    EXPECT_EQ(calls.renders, 0);   // unchanged: no job, no redraw
    EXPECT_TRUE(v.data.redoMarks.empty());

    Control<QLineEdit>(dialog, CKxDlgUnitVolume::kLowerLimit)->setText(QStringLiteral("-300"));
    Control<QLineEdit>(dialog, CKxDlgUnitVolume::kBrightness)->setText(QStringLiteral("20"));
    Control<QPushButton>(dialog, CKxDlgUnitVolume::kApply)->click();
    EXPECT_EQ(v.unit.GetRangeLow(), -300.0f);
    EXPECT_EQ(v.unit.rangeLow, 32768 - 300.0f);
    EXPECT_EQ(v.unit.brightnessB, 20.0f);
    EXPECT_EQ(v.unit.contrastB, 1.5f);
    EXPECT_EQ(v.unit.brightnessA, -1e6f);
    EXPECT_TRUE(v.data.redoMarks[&v.unit]);
    EXPECT_EQ(calls.renders, 1);
    EXPECT_EQ(calls.locks, 1);
    EXPECT_EQ(calls.unlocks, 1);
}

TEST(CKxDlgUnitVolume, HistogramCsvAndEscapeAfterTheFileDialog)
{
    GuiApplication();
    TempDir dir;
    VolumeSetup v;
    v.data.isSigned = false;
    v.data.minValue = 900;
    v.data.maxValue = 1100;
    CKxDlgUnitVolume dialog;
    ViewCalls calls;
    calls.Attach(dialog);
    dialog.SetUnit(&v.unit);
    {
        SavePathDialogs save(dir.WidePath("v.csv"));
        Control<QPushButton>(dialog, CKxDlgUnitVolume::kExportHistogram)->click();
    }
    std::ifstream csv(dir.Path() / "v.csv", std::ios::binary);
    std::string line;
    int lines = 0;
    std::string first;
    while (std::getline(csv, line)) {
        if (lines++ == 0) first = line;
    }
    EXPECT_EQ(lines, 201);
    EXPECT_EQ(first, "900,0\r");

    {
        SavePathDialogs cancel(L"");
        Control<QPushButton>(dialog, CKxDlgUnitVolume::kExportHistogram)->click();
    }
    EXPECT_TRUE(dialog.NestedDialogFlag());
    QLineEdit* edit = Control<QLineEdit>(dialog, CKxDlgUnitVolume::kBrightness);
    Key(edit, QEvent::KeyPress, Qt::Key_Escape);   // only clears the flag
    EXPECT_TRUE(dialog.isVisible());
    Key(edit, QEvent::KeyPress, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    Key(edit, QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(calls.viewMode, ViewMode::kNormal);
}

TEST(CKxDlgUnitSurface, AForgottenUnitIsNeverTouchedAgain)
{
    GuiApplication();
    ByteSurface s(255);
    s.unit.SetBorder(10, 20);
    RenderSettings settings;
    CKxDlgUnitSurface dialog;
    ViewCalls calls;
    calls.Attach(dialog, settings);
    dialog.SetUnit(&s.unit);
    dialog.ForgetUnit();   // the scene's units are about to go
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Unit(), nullptr);
    Control<QLineEdit>(dialog, CKxDlgUnitSurface::kLowerLimit)->setText(QStringLiteral("100"));
    Control<QPushButton>(dialog, CKxDlgUnitSurface::kApply)->click();
    Control<QCheckBox>(dialog, CKxDlgUnitSurface::kTranslucentOff)->click();
    EXPECT_EQ(s.unit.GetBorderLow(), 10.0f);
    EXPECT_TRUE(s.unit.translucentClip);
    EXPECT_EQ(calls.locks, 0);
}

TEST(CKxDlgUnitSurface, RebuildOutOfMemoryReportsAndReturnsToThePreviousSurface)
{
    GuiApplication();
    MessageRecorder messages;
    ShownLoadedSurface shown;
    LoadedSurface& s = shown.s;
    CKxDlgUnitSurface& dialog = shown.dialog;
    ViewCalls& calls = shown.calls;
    const float* vertices = s.unit.mesh.vertices;
    Control<QLineEdit>(dialog, CKxDlgUnitSurface::kLowerLimit)->setText(QStringLiteral("100"));
    SetMemoryStatusSource([] { return MemoryStatus{10, 0}; });
    Control<QPushButton>(dialog, CKxDlgUnitSurface::kApply)->click();
    SetMemoryStatusSource({});
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>{L"memory error, return to previous"});
    EXPECT_EQ(s.unit.mesh.vertices, vertices);
    EXPECT_EQ(s.unit.mesh.triangleCount, 188u);
    EXPECT_EQ(s.unit.GetBorderLow(), 0.0f);
    EXPECT_EQ(calls.renders, 0);
    EXPECT_EQ(calls.unlocks, 1);
}

TEST(CKxDlgUnitSurface, HistogramPaintsBarsFromTheBottomAndBothLines)
{
    GuiApplication();
    ByteSurface s(256);
    s.volume.histogram256[0] = 1;   // the peak: full height at " x 1"
    s.volume.histogramPeak = 1;
    s.unit.SetBorder(64, 192);
    CKxDlgUnitSurface dialog;
    dialog.SetUnit(&s.unit);
    Control<QComboBox>(dialog, CKxDlgUnitSurface::kMagnification)->setCurrentIndex(0);
    auto* view = dialog.findChild<HistogramView*>(ControlName(CKxDlgUnitSurface::kHistogram));
    ASSERT_NE(view, nullptr);
    const QImage image = view->grab().toImage();
    const int bottom = image.height() - 1;
    EXPECT_EQ(image.pixelColor(0, bottom), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 0, 0));        // the peak reaches the top
    EXPECT_EQ(image.pixelColor(10, bottom), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(64, 5), QColor(205, 31, 66));
    EXPECT_EQ(image.pixelColor(192, 5), QColor(0, 154, 85));
}
