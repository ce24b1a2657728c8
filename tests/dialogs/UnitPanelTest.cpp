// The unit panel over a group built here: rows, show/hide and colour written
// into the units, the property dialog each class opens, and exports started
// from the panel with their dialogs answered as a user would.
#include "DialogTestSupport.h"

#include "app/CVelmorApp.h"
#include "dialogs/CKxDlgMainControl.h"
#include "dialogs/CKxDlgPolygonExport.h"
#include "dialogs/CKxDlgUnitText.h"
#include "dialogs/CKxDlgVoxelExport.h"
#include "platform/WideText.h"
#include "scene/DataObject.h"
#include "scene/PathParts.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "units/CKxDrawUSurfaceR.h"
#include "units/CKxDrawUText.h"
#include "units/CKxDrawUTriIndex.h"
#include "units/CKxDrawUVolumeR.h"
#include "units/DrawGroup.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QTest>

using namespace velmor;
using namespace velmor::test;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// What the panel asked of the view, in order.
struct PanelView : NoViewServices {
    PanelView(std::vector<std::string>& log, DrawGroup& root, std::optional<QColor>& picked)
        : log(log), root(root), picked(picked)
    {
    }
    void RenderNow() override { log.push_back("RenderNow"); }
    void SetViewMode(ViewMode mode) override { log.push_back("SetViewMode " + ViewModeText(mode)); }
    DrawGroup* ActiveRootGroup() override { return &root; }
    void LockControls() override { log.push_back("Lock"); }
    void UnlockControls(bool) override { log.push_back("Unlock"); }
    std::optional<uint32_t> PickColour(uint32_t) override
    {
        if (!picked) return std::nullopt;
        return uint32_t(picked->red()) | uint32_t(picked->green()) << 8 | uint32_t(picked->blue()) << 16;
    }
    std::vector<std::string>& log;
    DrawGroup& root;
    std::optional<QColor>& picked;
};

struct UnitPanel : GuiFixture {
    UnitPanel()
    {
        qputenv("XDG_CONFIG_HOME", home.Path().c_str());
        EXPECT_TRUE(app.InitInstance({"velmor"}, Q(run.Path())));
        LastFolder = WideFromPath(out.Path()) + L"/";
        text = new CKxDrawUText(&root);
        text->note = L"label";
        text->hidden = true;
        mesh = new CKxDrawUTriIndex(&root, L"knee");
        mesh->mesh.allocationKind = 0;
        mesh->mesh.vertexCount = 3;
        mesh->mesh.triangleCount = 1;
        mesh->mesh.vertices = vertices;
        mesh->mesh.indices = indices;
        surface = new CKxDrawUSurfaceR(&root);
        surface->note = L"bone";
        surface->hidden = true;   // shown meshes only: the polygon export leaves it out
        surface->data = &data;
        surface->voxels.samples = samples;
        surface->voxels.nx = surface->voxels.ny = surface->voxels.nz = 2;
        surface->voxels.sliceSize = 4;
        volume = new CKxDrawUVolumeR(&root);
        volume->volumeData = &data;
        root.units = {text, mesh, surface, volume};
        for (CKxDrawUnit* unit : root.units) unit->topGroup = &root;

        textDialog.Create(nullptr, noView);
        UnitPropertyDialogs dialogs;
        dialogs.text = &textDialog;
        panel.Create(nullptr, view, dialogs);
        std::vector<CKxDrawUnit*> units;
        root.CollectUnits(units);
        panel.SetUnits(&root, &units, false);
    }
    ~UnitPanel() override
    {
        // The arrays belong to the test, not to the units.
        mesh->mesh.vertices = nullptr;
        mesh->mesh.indices = nullptr;
        mesh->mesh.vertexCount = mesh->mesh.triangleCount = 0;
        surface->voxels.samples = nullptr;
        surface->data = nullptr;
        volume->volumeData = nullptr;
    }
    QTreeWidget& List() { return *Control<QTreeWidget>(panel, CKxDlgMainControl::kUnitList); }

    TempDir home, run, out;
    CVelmorApp app;
    std::unique_ptr<MessageRecorder> messages = std::make_unique<MessageRecorder>();
    float vertices[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    uint32_t indices[3] = {0, 1, 2};
    uint8_t samples[8] = {0, 255, 255, 255, 255, 255, 255, 255};
    DataObject data{L"ct"};
    DrawGroup root{L"root"};
    CKxDrawUText* text = nullptr;
    CKxDrawUTriIndex* mesh = nullptr;
    CKxDrawUSurfaceR* surface = nullptr;
    CKxDrawUVolumeR* volume = nullptr;
    std::vector<std::string> log;
    std::optional<QColor> picked;
    PanelView view{log, root, picked};
    NoViewServices noView;
    CKxDlgUnitText textDialog;
    CKxDlgMainControl panel;
};

TEST_F(UnitPanel, ListsEveryUnitWithItsLabelAndVisibility)
{
    QTreeWidget& list = List();
    ASSERT_EQ(list.topLevelItemCount(), 4);
    EXPECT_EQ(list.topLevelItem(0)->text(2), QStringLiteral("テキスト"));
    EXPECT_EQ(list.topLevelItem(1)->text(1), QStringLiteral("knee"));
    EXPECT_EQ(list.topLevelItem(1)->text(2), QStringLiteral("サーフェイス"));
    EXPECT_EQ(list.topLevelItem(1)->text(3), QStringLiteral("A"));
    EXPECT_EQ(list.topLevelItem(2)->text(2), QStringLiteral("ボクセルサーフェイス"));
    EXPECT_EQ(list.topLevelItem(3)->text(2), QStringLiteral("ボクセル"));
    EXPECT_EQ(list.topLevelItem(0)->text(3), QString());
    EXPECT_EQ(list.topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(list.topLevelItem(1)->checkState(0), Qt::Checked);
    EXPECT_EQ(UnitTypeLabel(UnitKind::kPointCloud), L"点群");
    EXPECT_EQ(UnitTypeLabel(UnitKind::kTriangles), L"");
    EXPECT_TRUE(log.empty());   // building the list does not act on its check boxes
}

TEST_F(UnitPanel, CheckBoxesAndShowHideAllWriteIntoTheUnits)
{
    List().topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_TRUE(mesh->hidden);
    EXPECT_EQ(panel.CurrentIndex(), 1);
    EXPECT_EQ(log, std::vector<std::string>({"RenderNow"}));

    Control<QPushButton>(panel, CKxDlgMainControl::kShowAll)->click();
    for (CKxDrawUnit* unit : root.units) EXPECT_FALSE(unit->hidden);
    EXPECT_EQ(log.size(), 2u);   // one redraw, no check-box notification acted
    Control<QPushButton>(panel, CKxDlgMainControl::kHideAll)->click();
    for (CKxDrawUnit* unit : root.units) EXPECT_TRUE(unit->hidden);
    EXPECT_EQ(List().topLevelItem(2)->checkState(0), Qt::Unchecked);
}

TEST_F(UnitPanel, EditorFollowsTheCurrentUnitKind)
{
    panel.OnNMClickUnitList(3);   // volume: no colour, no polygons
    EXPECT_EQ(panel.SwatchColour(), QColor(255, 255, 255));
    EXPECT_FALSE(Control<QLabel>(panel, CKxDlgMainControl::kColour)->isEnabled());
    EXPECT_EQ(Control<QComboBox>(panel, CKxDlgMainControl::kRenderingType)->count(), 2);
    EXPECT_TRUE(Control<QPushButton>(panel, CKxDlgMainControl::kVoxel)->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(panel, CKxDlgMainControl::kPolygon)->isEnabled());

    panel.OnNMClickUnitList(1);
    EXPECT_FALSE(Control<QPushButton>(panel, CKxDlgMainControl::kVoxel)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(panel, CKxDlgMainControl::kPolygon)->isEnabled());
    Control<QLineEdit>(panel, CKxDlgMainControl::kName)->setText(QStringLiteral("femur"));
    EXPECT_EQ(mesh->note, L"femur");
    EXPECT_EQ(List().topLevelItem(1)->text(1), QStringLiteral("femur"));
}

TEST_F(UnitPanel, ColourPickWritesAmbientAndDiffuse)
{
    panel.OnNMClickUnitList(1);
    picked = QColor(255, 0, 0);
    panel.OnStnClickedColor();
    EXPECT_FLOAT_EQ(mesh->material.ambient[0], 0.3f);
    EXPECT_FLOAT_EQ(mesh->material.ambient[1], 0.0f);
    EXPECT_FLOAT_EQ(mesh->material.diffuse[0], 0.7f);
    EXPECT_FLOAT_EQ(mesh->material.diffuse[3], 1.0f);
    EXPECT_EQ(UnitDisplayColour(*mesh), QColor(255, 0, 0));
    EXPECT_EQ(log, std::vector<std::string>({"RenderNow"}));

    log.clear();
    picked.reset();   // cancelled: nothing changes
    panel.OnStnClickedColor();
    EXPECT_TRUE(log.empty());
}

// A click on a row's colour cell chooses the row; the cell keeps the unit's
// colour, with no focus tint (drawn after keyboard use) over it.
TEST_F(UnitPanel, TheColourCellKeepsTheUnitsColourWhenClicked)
{
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel, test::kStateDeadlineMs));
    List().setFocus(Qt::TabFocusReason);
    const QRect cell = List().visualRect(List().model()->index(1, 4));
    QTest::mouseClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(panel.CurrentIndex(), 1);
    EXPECT_EQ(List().viewport()->grab().toImage().pixelColor(cell.topLeft() + QPoint(2, 2)), UnitDisplayColour(*mesh));
}

TEST_F(UnitPanel, BackUndoesOnePickAndLoadPutsTheSnapshotBack)
{
    auto* back = Control<QPushButton>(panel, CKxDlgMainControl::kBack);
    auto* load = Control<QPushButton>(panel, CKxDlgMainControl::kLoad);
    EXPECT_FALSE(back->isEnabled());
    EXPECT_FALSE(load->isEnabled());
    const Material before = mesh->material;
    Control<QPushButton>(panel, CKxDlgMainControl::kSave)->click();
    EXPECT_TRUE(load->isEnabled());
    EXPECT_TRUE(mesh->hasTempSave);
    EXPECT_FALSE(volume->hasTempSave);   // volume units keep no colour

    panel.OnNMClickUnitList(1);
    picked = QColor(0, 255, 0);
    panel.OnStnClickedColor();
    EXPECT_TRUE(back->isEnabled());
    EXPECT_TRUE(mesh->colorChanged);
    EXPECT_FLOAT_EQ(mesh->partMaterials[0].ambient[1], 0.3f);   // presets follow the pick
    back->click();
    EXPECT_EQ(mesh->material.ambient[1], before.ambient[1]);
    EXPECT_FALSE(mesh->colorChanged);
    EXPECT_FALSE(back->isEnabled());

    panel.OnStnClickedColor();
    load->click();
    EXPECT_EQ(mesh->material.ambient[1], before.ambient[1]);
    EXPECT_FALSE(mesh->hasTempSave);
}

TEST_F(UnitPanel, UnitPreferenceHandsTheUnitToItsDialogAndShowsIt)
{
    panel.OnNMClickUnitList(0);   // the hidden text unit has no editor
    EXPECT_FALSE(Control<QPushButton>(panel, CKxDlgMainControl::kUnitPreference)->isEnabled());
    text->hidden = false;
    panel.OnNMClickUnitList(0);
    text->hidden = true;
    Control<QPushButton>(panel, CKxDlgMainControl::kUnitPreference)->click();
    EXPECT_EQ(log, std::vector<std::string>({"SetViewMode unit editing"}));
    EXPECT_EQ(textDialog.EditedUnit(), text);
    EXPECT_TRUE(textDialog.isVisible());
    EXPECT_FALSE(text->hidden);
    EXPECT_TRUE(text->savedHidden);
    panel.RestoreVisibility();
    EXPECT_TRUE(text->hidden);
}

TEST_F(UnitPanel, PolygonExportWritesTheShownMeshes)
{
    panel.OnNMClickUnitList(1);
    ModalAnswerer answerer([&](QWidget* modal) {
        if (auto* dialog = dynamic_cast<CKxDlgPolygonExport*>(modal)) {
            Control<QPushButton>(*dialog, CKxDlgPolygonExport::kOk)->click();
        } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            if (auto* edit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText("panel.stl");
            QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
        }
    });
    Control<QPushButton>(panel, CKxDlgMainControl::kPolygon)->click();
    EXPECT_EQ(ReadFileBytes(out.Path() / "panel.stl").size(), 84u + 50u);
    EXPECT_TRUE(messages->Messages().empty());
}

TEST_F(UnitPanel, VoxelExportWritesTheSurfaceSlices)
{
    surface->hidden = false;
    panel.OnNMClickUnitList(2);
    const std::filesystem::path folder = out.Path() / "slices";
    std::filesystem::create_directory(folder);
    ModalAnswerer answerer([&](QWidget* modal) {
        if (auto* dialog = dynamic_cast<CKxDlgVoxelExport*>(modal)) {
            Control<QPushButton>(*dialog, CKxDlgVoxelExport::kOk)->click();
        } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            if (auto* edit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(Q(folder));
            QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
        }
    });
    Control<QPushButton>(panel, CKxDlgMainControl::kVoxel)->click();
    EXPECT_TRUE(std::filesystem::exists(folder / "0000.tif"));
    EXPECT_TRUE(std::filesystem::exists(folder / "0001.tif"));
    EXPECT_TRUE(std::filesystem::exists(folder / "kx_voxel_export.txt"));
    EXPECT_EQ(log, std::vector<std::string>({"Lock", "Unlock"}));
}

TEST_F(UnitPanel, ReducedReadIsReportedAndAResetEmptiesThePanel)
{
    data.reductionStep = 2;
    panel.OnNMClickUnitList(1);
    auto* label = Control<QLabel>(panel, CKxDlgMainControl::kReducedLabel);
    EXPECT_EQ(label->text(), QStringLiteral("1/2 読み込み中"));

    panel.SetUnits(nullptr, nullptr, true);
    EXPECT_TRUE(panel.Units().empty());
    EXPECT_EQ(panel.CurrentIndex(), -1);
    EXPECT_EQ(label->text(), QString());
    EXPECT_FALSE(List().isEnabled());
    EXPECT_FALSE(Control<QPushButton>(panel, CKxDlgMainControl::kShowAll)->isEnabled());
    EXPECT_FALSE(Control<QLineEdit>(panel, CKxDlgMainControl::kName)->isEnabled());
    panel.SelectFirstUnit(true);   // nothing to select
    EXPECT_EQ(panel.CurrentIndex(), -1);
}

TEST_F(UnitPanel, ARebuildWithFewerRowsKeepsTheLastRowCurrent)
{
    panel.OnNMClickUnitList(3);
    std::vector<CKxDrawUnit*> two = {text, mesh};
    panel.SetUnits(&root, &two, false);
    EXPECT_EQ(panel.CurrentIndex(), 1);
    EXPECT_EQ(Control<QLineEdit>(panel, CKxDlgMainControl::kName)->text(), QStringLiteral("knee"));
}

} // namespace
