#include "dialogs/CKxDlgUnitSurface.h"

#include "dialogs/CKxDlgUnitSurfaceColorScale.h"
#include "dialogs/MeshClipControls.h"
#include "dialogs/SectionImageSave.h"
#include "export/ExportSeams.h"
#include "export/SaveJob.h"
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

CKxDlgUnitSurface::CKxDlgUnitSurface()
    : ThresholdHistogramDialog({kHistogram, kMinimumLabel, kMaximumLabel, kMagnification, kLowerLimit,
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
        this, [this] { return Unit(); }, [this] { return refreshReady != 0; }, [this] { RenderNow(); });
}

CKxDlgUnitSurface::~CKxDlgUnitSurface() = default;

void CKxDlgUnitSurface::Create(QWidget* parent, ViewServices& services, RenderSettings* settings)
{
    renderSettings = settings;
    refreshReady = 0;
    UnitDialogFrame::Create(parent, services);
}

const DataObject* CKxDlgUnitSurface::HistogramData() const { return Unit() != nullptr ? Unit()->data : nullptr; }

CKxDrawUSurfaceR* CKxDlgUnitSurface::Unit() const { return static_cast<CKxDrawUSurfaceR*>(EditedUnit()); }

void CKxDlgUnitSurface::SetUnit(CKxDrawUSurfaceR* edited)
{
    BindUnit(edited);
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
    if (Unit() == nullptr) return;
    ShowText(lowerEdit_, QString::number(static_cast<int32_t>(std::trunc(Unit()->GetBorderLow()))));
    ShowText(upperEdit_, QString::number(static_cast<int32_t>(std::trunc(Unit()->GetBorderUp()))));
    if (Unit()->data != nullptr) ShowDataRange(*Unit()->data);
}

void CKxDlgUnitSurface::UpdateClipControls(bool activeClipOn)
{
    refreshReady = 0;
    clip_->Refresh(Unit(), activeClipOn, renderSettings);
    refreshReady = 1;
}

void CKxDlgUnitSurface::HideUnitDialog()
{
    ReleaseDrag();
    refreshReady = 0;
    UnitDialogFrame::HideUnitDialog();
    RenderNow();
}

bool CKxDlgUnitSurface::RebuildSurface()
{
    Unit()->SaveMesh();
    const int32_t r = Unit()->MakeSurface(false, true);
    if (r == -1) ShowMessage(L"memory error, return to previous");
    if (r == -1 || r == 1) {
        Unit()->RestoreSavedMesh();
        Unit()->BuildMeshBuffers();
        return false;
    }
    return true;
}

void CKxDlgUnitSurface::OnBnClickedApply()
{
    if (Unit() == nullptr) return;
    Services().LockControls();
    int32_t lower = ParseLeadingInt32(lowerEdit_->text().toStdWString());
    int32_t upper = ParseLeadingInt32(upperEdit_->text().toStdWString());
    if (OrderThresholds(lower, upper)) {
        WriteLimits(lower, upper);
        DrawHistogram();
    }
    bool rebuilt = true;
    const bool typed = !Untouched(lowerEdit_) || !Untouched(upperEdit_);
    if (typed && (static_cast<double>(lower) != Unit()->GetBorderLow() ||
                  static_cast<double>(upper) != Unit()->GetBorderUp())) {
        Unit()->SetBorder(static_cast<float>(lower), static_cast<float>(upper));
        if (!RebuildSurface()) {
            Unit()->RestoreBorder();
            rebuilt = false;
        }
    }
    if (rebuilt) {
        Unit()->innerDraw = !clip_->capOff->isChecked();
        Services().RefreshUnitPanel(false);
        RenderNow();
    }
    Services().UnlockControls(false);
}

void CKxDlgUnitSurface::OnBnClickedDataPreference()
{
    if (Unit() == nullptr || Unit()->data == nullptr) return;
    NestedDialog nested(*this);
    if (!Services().RunVoxelDataDialog(*Unit()->data)) return;
    if (Unit()->capTextured) Unit()->capTextureDirty = true;
    const VoxelPitch& pitch = Unit()->data->voxelPitch;
    Unit()->SetPitch(pitch.loadedPitch[0], pitch.loadedPitch[1], pitch.loadedPitch[2], pitch.unit);
    RefreshCurrentPane();
    Services().RefreshScaleBarDialog();
    RenderNow();
    nested.Accepted();
}

void CKxDlgUnitSurface::OnBnClickedColorScalePreference()
{
    if (Unit() == nullptr) return;
    NestedDialog nested(*this);
    if (!Services().RunColorScaleDialog(*Unit())) return;
    RenderNow();
    nested.Accepted();
}

void CKxDlgUnitSurface::OnBnClickedSaveSectionImage()
{
    if (Unit() == nullptr) return;
    NestedDialog nested(*this);
    if (!Unit()->IsRenderingTypeABE()) {
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
    if (extension == L"tif" && Unit()->colorTable != L"GRAY") {
        ShowMessage(L"tiff image format is only grayscale.");
        return;
    }
    LastFolder = GetFolderPart(path);
    const auto& unit = *Unit();
    SectionSaveResult result = SectionSaveResult::kWriteFailed;
    SaveJob::Run([&] { return (result = SaveSectionImage(unit, path, extension)) == SectionSaveResult::kSaved; });
    ReportSectionSave(result);
}

void CKxDlgUnitSurface::OnBnClickedExportHistogram()
{
    if (Unit() == nullptr || Unit()->data == nullptr) return;
    NestedDialog nested(*this);
    SaveDialogRequest request;
    request.defaultExtension = L"hist";
    request.defaultName = LastFolder + L"histogram.csv";
    request.filter = L"CSV (*.csv)|*.csv||";
    const std::wstring path = CurrentExportDialogs().AskSavePath(request);
    if (path.empty()) return;
    LastFolder = GetFolderPart(path);
    SaveHistogramCsv(*Unit()->data, path);
    nested.Accepted();
}

} // namespace velmor
