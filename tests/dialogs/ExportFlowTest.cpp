// Exports run through the dialogs the program installs at start-up: the
// test answers the preference, save and folder dialogs as a user would and
// checks the files that come out.
#include "DialogTestSupport.h"

#include "app/CVelmorApp.h"
#include "dialogs/CKxDlgPolygonExport.h"
#include "dialogs/CKxDlgVoxelExport.h"
#include "dialogs/QtExportDialogs.h"
#include "export/ExportTestSupport.h"
#include "platform/WideText.h"
#include "render/RenderSettings.h"
#include "scene/DataObject.h"
#include "scene/PathParts.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <tiffio.h>

using namespace velmor;
using namespace velmor::test;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// Types `name` into a file dialog's name field and accepts it once the
// answering timer has returned.
void AnswerFileDialog(QFileDialog* dialog, const QString& name)
{
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(name);
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
}

QString FileNameField(QFileDialog* dialog)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return edit != nullptr ? edit->text() : QString();
}

struct ExportFlow : GuiFixture {
    ExportFlow()
    {
        qputenv("XDG_CONFIG_HOME", home.Path().c_str());
        EXPECT_TRUE(app.InitInstance({"velmor"}, Q(run.Path())));
        LastFolder = WideFromPath(out.Path()) + L"/";
    }
    ~ExportFlow() override { SetFolderChooser({}); }

    TempDir home, run, out;
    CVelmorApp app;
    std::unique_ptr<MessageRecorder> messages = std::make_unique<MessageRecorder>();
};

TEST(QtExportDialogsFilters, PairsBecomeQtNameFilters)
{
    EXPECT_EQ(SaveDialogFilters(L"STL (*.stl)|*.stl|all(*.*)|*.*||"), QStringList({"STL (*.stl)", "all(*.*)"}));
    EXPECT_EQ(SaveDialogFilters(L"pictures|*.png||"), QStringList({"pictures (*.png)"}));
    EXPECT_TRUE(SaveDialogFilters(L"").isEmpty());
}

TEST_F(ExportFlow, PolygonExportAsksFormatAndPathThenWritesObjAndMtl)
{
    OwnedMesh mesh(L"knee", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    mesh.record.pitch[0] = mesh.record.pitch[1] = mesh.record.pitch[2] = 1;
    QStringList filters;
    QString suggested, suffix, folder;
    ModalAnswerer answerer([&](QWidget* modal) {
        if (auto* dialog = dynamic_cast<CKxDlgPolygonExport*>(modal)) {
            Control<QComboBox>(*dialog, CKxDlgPolygonExport::kFormat)->setCurrentIndex(1);
            Control<QLineEdit>(*dialog, CKxDlgPolygonExport::kMagnification)->setText(QStringLiteral("2"));
            Control<QPushButton>(*dialog, CKxDlgPolygonExport::kOk)->click();
        } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            filters = files->nameFilters();
            suggested = FileNameField(files);
            suffix = files->defaultSuffix();
            folder = files->directory().absolutePath();
            AnswerFileDialog(files, QStringLiteral("result"));   // the suffix is added
        }
    });
    ExportJob job(nullptr, L"");
    EXPECT_EQ(job.ExportPolygonRecords({mesh.record}), 0);
    EXPECT_EQ(answerer.answered, 2);
    EXPECT_EQ(filters, QStringList({"OBJ (*.obj)", "all(*.*)"}));
    EXPECT_EQ(suggested, QStringLiteral("knee_surface.obj"));
    EXPECT_EQ(suffix, QStringLiteral("obj"));
    EXPECT_EQ(folder, Q(out.Path()));   // where the last export went
    EXPECT_EQ(job.magnification, 2.0f);

    const std::string obj = ReadFileBytes(out.Path() / "result.obj");
    EXPECT_EQ(obj.rfind("mtllib result.mtl\n\no knee\nv 0 0 0\nv 2 0 0\nv 0 2 0\n", 0), 0u) << obj;
    EXPECT_NE(ReadFileBytes(out.Path() / "result.mtl").find("newmtl color_0_knee\n"), std::string::npos);
    EXPECT_EQ(LastFolder, WideFromPath(out.Path()) + L"/");
    EXPECT_TRUE(messages->Messages().empty());
}

TEST_F(ExportFlow, SavingOverAnExistingFileIsAskedFirst)
{
    OwnedMesh mesh(L"m", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2, 0, 2, 1});
    out.Write("old.stl", "old");
    int questions = 0;
    bool overwrite = false;
    ModalAnswerer answerer([&](QWidget* modal) {
        if (auto* dialog = dynamic_cast<CKxDlgPolygonExport*>(modal)) {
            Control<QPushButton>(*dialog, CKxDlgPolygonExport::kOk)->click();
        } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            if (questions == 0 || overwrite) AnswerFileDialog(files, QStringLiteral("old.stl"));
            else files->reject();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            ++questions;
            box->button(overwrite ? QMessageBox::Yes : QMessageBox::No)->click();
        }
    });
    {
        // Declined: the save dialog is still open and is then cancelled.
        ExportJob job(nullptr, L"");
        EXPECT_EQ(job.ExportPolygonRecords({mesh.record}), 1);
        EXPECT_EQ(questions, 1);
        EXPECT_EQ(ReadFileBytes(out.Path() / "old.stl"), "old");
    }
    overwrite = true;
    ExportJob job(nullptr, L"");
    EXPECT_EQ(job.ExportPolygonRecords({mesh.record}), 0);
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(ReadFileBytes(out.Path() / "old.stl").size(), 84u + 50u * 2);
}

// One surface unit over a 2 x 2 x 2 grid of 8-bit samples.
class OneSurfaceUnit final : public ExportUnitAccess {
public:
    OneSurfaceUnit() : previous_(SetExportUnitAccess(this)) {}
    ~OneSurfaceUnit() override { SetExportUnitAccess(previous_); }
    bool DescribeMeshUnit(CKxDrawUnit&, MeshExportRecord&) override { return false; }
    bool DescribeVoxelUnit(CKxDrawUnit& u, VoxelExportSource& s) override
    {
        if (&u != &unit) return false;
        s.data = &data;
        s.pitch[0] = s.pitch[1] = s.pitch[2] = 0.5;
        return true;
    }

    DrawGroup group{L"g"};
    CKxDrawUnit unit{&group};
    DataObject data{L"ct"};

private:
    ExportUnitAccess* previous_;
};

TEST_F(ExportFlow, VoxelExportTakesTheMappingFromItsDialog)
{
    OneSurfaceUnit units;
    units.data.reverseZ = true;
    units.data.sourcePath = L"/data/ct/";
    std::vector<uint8_t> samples(8, 255);
    samples[0] = 0;
    VoxelGrid grid;
    grid.samples = samples.data();
    grid.nx = grid.ny = grid.nz = 2;
    grid.sliceSize = 4;
    grid.bytesPerSample = 1;
    const std::filesystem::path folder = out.Path() / "slices";
    std::filesystem::create_directory(folder);

    QStringList shown;
    ModalAnswerer answerer([&](QWidget* modal) {
        if (auto* dialog = dynamic_cast<CKxDlgVoxelExport*>(modal)) {
            for (int id : {CKxDlgVoxelExport::kCurrent1, CKxDlgVoxelExport::kExport1, CKxDlgVoxelExport::kCurrent2, CKxDlgVoxelExport::kExport2}) shown << Control<QLineEdit>(*dialog, id)->text();
            EXPECT_TRUE(Control<QCheckBox>(*dialog, CKxDlgVoxelExport::kReverse)->isChecked());
            Control<QLineEdit>(*dialog, CKxDlgVoxelExport::kExport2)->setText(QStringLiteral("100"));
            Control<QPushButton>(*dialog, CKxDlgVoxelExport::kOk)->click();
        } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            AnswerFileDialog(files, Q(folder));
        }
    });
    ExportJob job(&grid, L"");
    job.ExportVoxels(&units.unit, nullptr);
    EXPECT_EQ(shown, QStringList({"0", "0", "255", "255"}));
    EXPECT_TRUE(messages->Messages().empty());
    EXPECT_EQ(ReadFileBytes(folder / "kx_voxel_export.txt"),
              "previous data path; /data/ct/\r\nscale; 0.5, 0.5, 0.5, mm\r\ncolor control point 1; 0, 0\r\n"
              "color control point 2; 255, 100\r\nreverseZ; yes\r\n");

    // Slice z = 0 went to the last file, its rows upside down: 255 maps to 100.
    TIFF* tiff = TIFFOpen((folder / "0001.tif").string().c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    uint8_t rows[2][2] = {};
    for (uint32_t row = 0; row < 2; ++row) TIFFReadScanline(tiff, rows[row], row, 0);
    TIFFClose(tiff);
    EXPECT_EQ(rows[1][0], 0);
    EXPECT_EQ(rows[1][1], 100);
    EXPECT_EQ(rows[0][0], 100);
    EXPECT_TRUE(std::filesystem::exists(folder / "0000.tif"));
}

} // namespace
