#include "dialogs/CKxDlgUnitSurface.h"

#include "dialogs/MeshClipControls.h"
#include "dialogs/SectionImageSave.h"
#include "export/ExportSeams.h"
#include "platform/MessageSink.h"
#include "platform/NumberParse.h"
#include "render/RenderSettings.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "scene/PathParts.h"
#include "units/CKxDrawUSurfaceR.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace velmor {

namespace {

QPushButton* Button(QWidget* owner, int id, const char* text)
{
    auto* button = new QPushButton(QString::fromUtf8(text), owner);
    button->setObjectName(ControlName(id));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CKxDlgUnitSurface::CKxDlgUnitSurface(QWidget* parent)
    : ThresholdHistogramDialog(parent, {kHistogram, kMinimumLabel, kMaximumLabel, kMagnification, kLowerLimit,
                                        kUpperLimit})
{
    setWindowTitle(QStringLiteral("ユニット設定"));
    clip_ = std::make_unique<ClipSectionControls>(
        this, ClipSectionIds{kClipCoverOff, kTranslucentOff, kRenderingType, kOpacity, kOpacitySpin});
    apply_ = Button(this, kApply, "適用");
    QPushButton* exportHistogram = Button(this, kExportHistogram, "ヒストグラム出力");
    QPushButton* dataPreference = Button(this, kDataPreference, "データ設定");
    QPushButton* copyPolygon = Button(this, kCopyPolygon, "等値面複製");
    copyPolygon->hide();
    clip_->colorScale = Button(clip_->capGroup, kColorScale, "カラースケール設定");
    clip_->sectionImage = Button(clip_->capGroup, kSectionImage, "断面の保存");
    clip_->colorScale->setEnabled(false);
    clip_->sectionImage->setEnabled(false);
    auto* capLayout = static_cast<QGridLayout*>(clip_->capGroup->layout());
    capLayout->addWidget(clip_->colorScale, 1, 0);
    capLayout->addWidget(clip_->sectionImage, 1, 1);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(5, 5, 5, 5);
    grid->addWidget(histogramRow_, 0, 0, 1, 5, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(new QLabel(QStringLiteral("下側境界値"), this), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("上側境界値"), this), 1, 2);
    grid->addWidget(lowerEdit_, 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("|"), this), 2, 1);
    grid->addWidget(upperEdit_, 2, 2);
    grid->addWidget(apply_, 2, 3);
    grid->addWidget(exportHistogram, 3, 0);
    grid->addWidget(dataPreference, 3, 2);
    grid->addWidget(copyPolygon, 3, 3);
    grid->addWidget(clip_->capGroup, 0, 5);
    grid->addWidget(clip_->translucentGroup, 1, 5, 3, 1);

    connect(apply_, &QPushButton::clicked, this, [this] { OnBnClickedApply(); });
    connect(exportHistogram, &QPushButton::clicked, this, [this] { OnBnClickedExportHistogram(); });
    connect(dataPreference, &QPushButton::clicked, this, [this] { OnBnClickedDataPreference(); });
    connect(clip_->colorScale, &QPushButton::clicked, this, [this] { OnBnClickedColorScalePreference(); });
    connect(clip_->sectionImage, &QPushButton::clicked, this, [this] { OnBnClickedSaveSectionImage(); });
    clip_->Connect(
        this, [this] { return unit; }, [this] { return refreshReady != 0; }, [this] { RenderNow(); });
}

CKxDlgUnitSurface::~CKxDlgUnitSurface() = default;

void CKxDlgUnitSurface::Create(CVelmorView* owner, RenderSettings* settings)
{
    AttachView(owner);
    renderSettings = settings;
    refreshReady = 0;
}

const DataObject* CKxDlgUnitSurface::HistogramData() const { return unit != nullptr ? unit->data : nullptr; }

void CKxDlgUnitSurface::SetUnit(CKxDrawUSurfaceR* edited)
{
    unit = edited;
    UpdateClipControls();
    ShowValueRange();
    DrawHistogram();
    dragging = 0;
    refreshReady = 1;
    show();
    RenderNow();
}

void CKxDlgUnitSurface::ShowValueRange()
{
    if (unit == nullptr) return;
    lowerEdit_->setText(QString::number(static_cast<int32_t>(std::trunc(unit->GetBorderLow()))));
    upperEdit_->setText(QString::number(static_cast<int32_t>(std::trunc(unit->GetBorderUp()))));
    if (unit->data != nullptr) ShowDataRange(*unit->data);
}

void CKxDlgUnitSurface::UpdateClipControls()
{
    refreshReady = 0;
    clip_->Refresh(unit, seams.currentPaneClipOn && seams.currentPaneClipOn(), renderSettings);
    refreshReady = 1;
}

void CKxDlgUnitSurface::HideUnitDialog()
{
    ReleaseDrag();
    refreshReady = 0;
    ThresholdHistogramDialog::HideUnitDialog();
    RenderNow();
}

bool CKxDlgUnitSurface::RebuildSurface()
{
    unit->SaveMesh();
    const int32_t r = unit->MakeSurface(false, true);
    if (r == -1) ShowMessage(L"memory error, return to previous");
    if (r == -1 || r == 1) {
        unit->RestoreSavedMesh();
        unit->BuildMeshBuffers();
        return false;
    }
    return true;
}

void CKxDlgUnitSurface::OnBnClickedApply()
{
    if (unit == nullptr) return;
    if (seams.lockControls) seams.lockControls();
    int32_t lower = ParseLeadingInt32(lowerEdit_->text().toStdWString());
    int32_t upper = ParseLeadingInt32(upperEdit_->text().toStdWString());
    if (OrderThresholds(lower, upper)) {
        WriteLimits(lower, upper);
        DrawHistogram();
    }
    bool rebuilt = true;
    if (static_cast<double>(lower) != unit->GetBorderLow() || static_cast<double>(upper) != unit->GetBorderUp()) {
        unit->SetBorder(static_cast<float>(lower), static_cast<float>(upper));
        if (!RebuildSurface()) {
            unit->RestoreBorder();
            rebuilt = false;
        }
    }
    if (rebuilt) {
        unit->innerDraw = !clip_->capOff->isChecked();
        if (seams.refreshUnitPanel) seams.refreshUnitPanel(false);
        RenderNow();
    }
    if (seams.unlockControls) seams.unlockControls(apply_, false);
}

void CKxDlgUnitSurface::OnBnClickedDataPreference()
{
    if (unit == nullptr || unit->data == nullptr) return;
    BeginNestedDialog();
    if (!seams.runVoxelDataDialog || !seams.runVoxelDataDialog(*unit->data)) return;
    if (unit->capTextured) unit->capTextureDirty = true;
    const VoxelPitch& pitch = unit->data->voxelPitch;
    unit->SetPitch(pitch.loadedPitch[0], pitch.loadedPitch[1], pitch.loadedPitch[2], pitch.unit);
    if (seams.resetCurrentPane) seams.resetCurrentPane();
    if (seams.refreshScaleBarDialog) seams.refreshScaleBarDialog();
    RenderNow();
    nestedDialog = 0;
}

void CKxDlgUnitSurface::OnBnClickedColorScalePreference()
{
    if (unit == nullptr) return;
    BeginNestedDialog();
    if (!seams.runColorScaleDialog || !seams.runColorScaleDialog(*unit)) return;
    RenderNow();
    nestedDialog = 0;
}

void CKxDlgUnitSurface::OnBnClickedSaveSectionImage()
{
    if (unit == nullptr) return;
    BeginNestedDialog();
    if (!unit->IsRenderingTypeABE()) {
        ShowMessage(L"Rendering type A, B, or E only");
        return;
    }
    if (renderSettings != nullptr) renderSettings->sectionCapture = 1;
    RenderNow();
    if (renderSettings != nullptr) renderSettings->sectionCapture = 0;
    SaveDialogRequest request;
    request.defaultExtension = L"jpg";
    request.defaultName = L"section_image";
    request.filter = L"JPEG (*.jpg)|*.jpg|TIFF (*.tif)|*.tif|BMP (*.bmp)|*.bmp|all(*.*)|*.*||";
    request.initialFolder = LastFolder;
    const std::wstring path = CurrentExportDialogs().AskSavePath(request);
    if (path.empty()) return;
    std::wstring extension = GetExtensionPart(path);
    if (!extension.empty() && extension.front() == L'.') extension.erase(0, 1);
    if (extension != L"tif" && extension != L"jpg" && extension != L"bmp") {
        ShowMessage(L"File format is only tif or jpg or bmp.");
        return;
    }
    if (extension == L"tif" && unit->colorTable != L"GRAY") {
        ShowMessage(L"tiff image format is only grayscale.");
        return;
    }
    LastFolder = GetFolderPart(path);
    SaveSectionImage(*unit, path, extension);
}

void CKxDlgUnitSurface::OnBnClickedExportHistogram()
{
    if (unit == nullptr || unit->data == nullptr) return;
    BeginNestedDialog();
    SaveDialogRequest request;
    request.defaultExtension = L"hist";
    request.defaultName = LastFolder + L"histogram.csv";
    request.filter = L"CSV (*.csv)|*.csv||";
    const std::wstring path = CurrentExportDialogs().AskSavePath(request);
    if (path.empty()) return;
    LastFolder = GetFolderPart(path);
    WriteHistogramCsv(*unit->data, path);
    nestedDialog = 0;
}

} // namespace velmor
