#include "dialogs/CKxDlgUnitVolume.h"

#include "export/ExportSeams.h"
#include "platform/MessageSink.h"
#include "platform/NumberParse.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "scene/PathParts.h"
#include "units/CKxDrawUVolumeR.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <cmath>

namespace velmor {

namespace {

float EditNumber(const QLineEdit* edit) { return NarrowToFloat(ParseLeadingDouble(edit->text().toStdWString())); }

int Truncated(double value)
{
    if (!(std::fabs(value) < 2147483647.0)) return 0;
    return static_cast<int>(std::trunc(value));
}

} // namespace

CKxDlgUnitVolume::CKxDlgUnitVolume()
    : ThresholdHistogramDialog({kHistogram, kMinimumLabel, kMaximumLabel, kMagnification, kLowerLimit,
                                        kUpperLimit})
{
    setWindowTitle(QStringLiteral("  ユニット設定"));
    auto makeEdit = [this](int id) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(ControlName(id));
        return edit;
    };
    auto makeSlider = [this](int id, int low, int high) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(ControlName(id));
        slider->setRange(low, high);
        slider->setPageStep(10);
        slider->setTickPosition(QSlider::NoTicks);
        return slider;
    };
    auto makeButton = [this](int id, const char* text) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        button->setObjectName(ControlName(id));
        button->setAutoDefault(false);
        return button;
    };
    brightness_ = makeEdit(kBrightness);
    contrast_ = makeEdit(kContrast);
    brightnessSlider_ = makeSlider(kBrightnessSlider, -256, 256);
    contrastSlider_ = makeSlider(kContrastSlider, 1, 300);
    apply_ = makeButton(kApply, "適用");
    QPushButton* exportHistogram = makeButton(kExportHistogram, "ヒストグラム出力");
    QPushButton* dataPreference = makeButton(kDataPreference, "データ設定");

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(5, 5, 5, 5);
    grid->addWidget(histogramRow_, 0, 0, 1, 4, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(new QLabel(QStringLiteral("明るさ"), this), 1, 0);
    grid->addWidget(brightness_, 1, 1);
    grid->addWidget(brightnessSlider_, 1, 2, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("コントラスト"), this), 2, 0);
    grid->addWidget(contrast_, 2, 1);
    grid->addWidget(contrastSlider_, 2, 2, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("表示する画素値"), this), 3, 0);
    grid->addWidget(lowerEdit_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("-"), this), 3, 2);
    grid->addWidget(upperEdit_, 3, 3);
    grid->addWidget(exportHistogram, 4, 0);
    grid->addWidget(dataPreference, 4, 1);
    grid->addWidget(apply_, 4, 3);

    connect(apply_, &QPushButton::clicked, this, [this] { OnBnClickedApply(); });
    connect(exportHistogram, &QPushButton::clicked, this, [this] { OnBnClickedExportHistogram(); });
    connect(dataPreference, &QPushButton::clicked, this, [this] { OnBnClickedDataPreference(); });
    // Slider moves by the user only; the program's own settings of a slider
    // must not write its edit back.
    connect(brightnessSlider_, &QSlider::actionTriggered, this,
            [this] { OnBrightnessSlider(brightnessSlider_->sliderPosition()); });
    connect(contrastSlider_, &QSlider::actionTriggered, this,
            [this] { OnContrastSlider(contrastSlider_->sliderPosition()); });
    connect(brightness_, &QLineEdit::textChanged, this, [this] { OnEnChangeBrightness(); });
    connect(contrast_, &QLineEdit::textChanged, this, [this] { OnEnChangeContrast(); });
}

void CKxDlgUnitVolume::Create(QWidget* parent, ViewServices& services) { UnitDialogFrame::Create(parent, services); }

const DataObject* CKxDlgUnitVolume::HistogramData() const { return Unit() != nullptr ? Unit()->volumeData : nullptr; }

CKxDrawUVolumeR* CKxDlgUnitVolume::Unit() const { return static_cast<CKxDrawUVolumeR*>(EditedUnit()); }

void CKxDlgUnitVolume::SetUnit(CKxDrawUVolumeR* edited)
{
    BindUnit(edited);
    ShowBrightnessContrast();
    ShowValueRange();
    DrawHistogram();
    dragging = 0;
    show();
    RenderNow();
}

void CKxDlgUnitVolume::ShowBrightnessContrast()
{
    if (Unit() == nullptr) return;
    const bool additive = Unit()->renderingType == L"A";
    const float brightness = additive ? Unit()->brightnessA : Unit()->brightnessB;
    const float contrast = additive ? Unit()->contrastA : Unit()->contrastB;
    ShowText(brightness_, QString::asprintf("%0.0f", brightness));
    brightnessSlider_->setValue(Truncated(brightness));
    ShowText(contrast_, QString::asprintf("%1.2f", contrast));
    contrastSlider_->setValue(Truncated(contrast * 100.0));
}

void CKxDlgUnitVolume::ShowValueRange()
{
    if (Unit() == nullptr) return;
    ShowText(lowerEdit_, QString::asprintf("%0.0f", Unit()->GetRangeLow()));
    ShowText(upperEdit_, QString::asprintf("%0.0f", Unit()->GetRangeHigh()));
    if (Unit()->volumeData != nullptr) ShowDataRange(*Unit()->volumeData);
}

void CKxDlgUnitVolume::HideUnitDialog()
{
    ReleaseDrag();
    UnitDialogFrame::HideUnitDialog();
    RenderNow();
}

void CKxDlgUnitVolume::OnBrightnessSlider(int position)
{
    if (Unit() == nullptr) return;
    brightness_->setText(QString::asprintf("%0.0f", static_cast<double>(position)));
}

void CKxDlgUnitVolume::OnContrastSlider(int position)
{
    if (Unit() == nullptr) return;
    contrast_->setText(QString::asprintf("%1.2f", position / 100.0));
}

void CKxDlgUnitVolume::OnEnChangeBrightness()
{
    if (Unit() == nullptr) return;
    const QSignalBlocker block(brightnessSlider_);
    brightnessSlider_->setValue(Truncated(EditNumber(brightness_)));
}

void CKxDlgUnitVolume::OnEnChangeContrast()
{
    if (Unit() == nullptr) return;
    const QSignalBlocker block(contrastSlider_);
    contrastSlider_->setValue(Truncated(EditNumber(contrast_) * 100.0));
}

void CKxDlgUnitVolume::OnBnClickedApply()
{
    if (Unit() == nullptr) return;
    const bool additive = Unit()->renderingType == L"A";
    float& brightness = additive ? Unit()->brightnessA : Unit()->brightnessB;
    float& contrast = additive ? Unit()->contrastA : Unit()->contrastB;
    const float b = Untouched(brightness_) ? brightness : EditNumber(brightness_);
    const float c = Untouched(contrast_) ? contrast : EditNumber(contrast_);
    const float lo = Untouched(lowerEdit_) ? Unit()->GetRangeLow() : LowerValue();
    const float hi = Untouched(upperEdit_) ? Unit()->GetRangeHigh() : UpperValue();
    bool changed = false;
    if (b != brightness || c != contrast) {
        brightness = b;
        contrast = c;
        changed = true;
    }
    if (lo != Unit()->GetRangeLow() || hi != Unit()->GetRangeHigh()) {
        Unit()->SetRangeLow(lo);
        Unit()->SetRangeHigh(hi);
        changed = true;
    }
    if (!changed) return;
    // The colour job runs here, behind the progress display and inside the
    // lock, not later inside a paint.
    Services().LockControls();
    Unit()->RecolourNow();
    RenderNow();
    Services().UnlockControls(false);
}

void CKxDlgUnitVolume::OnBnClickedExportHistogram()
{
    if (Unit() == nullptr || Unit()->volumeData == nullptr) return;
    SaveDialogRequest request;
    request.defaultExtension = L"hist";
    request.defaultName = LastFolder + L"histogram.csv";
    request.filter = L"CSV (*.csv)|*.csv||";
    NestedDialog nested(*this);
    const std::wstring path = CurrentExportDialogs().AskSavePath(request);
    if (path.empty()) return;
    LastFolder = GetFolderPart(path);
    SaveHistogramCsv(*Unit()->volumeData, path);
    nested.Accepted();
}

void CKxDlgUnitVolume::OnBnClickedDataPreference()
{
    if (Unit() == nullptr || Unit()->volumeData == nullptr) return;
    NestedDialog nested(*this);
    if (!Services().RunVoxelDataDialog(*Unit()->volumeData)) return;
    Unit()->BuildSliceQuads();
    const VoxelPitch& pitch = Unit()->volumeData->voxelPitch;
    const double newPitch[3] = {pitch.loadedPitch[0], pitch.loadedPitch[1], pitch.loadedPitch[2]};
    Unit()->SetPitch(newPitch, pitch.unit);
    Unit()->BuildSliceQuads();
    RefreshCurrentPane();
    Services().RefreshScaleBarDialog();
    RenderNow();
    nested.Accepted();
}

} // namespace velmor
