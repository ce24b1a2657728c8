#include "dialogs/CKxDlgUnitSurfaceColorScale.h"

#include "dialogs/DialogControls.h"
#include "platform/MessageSink.h"
#include "platform/NumberParse.h"
#include "scene/DataObject.h"
#include "units/CKxDrawUSurfaceR.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace velmor {

namespace {

const wchar_t* const kTables[3] = {L"GRAY", L"RGB", L"RGB2"};

// A static frame filled with the gradient of one colour table.
class GradientPreview : public QLabel {
public:
    explicit GradientPreview(std::wstring table) : table_(std::move(table))
    {
        setFrameShape(QFrame::Box);
        setMinimumHeight(16);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QLabel::paintEvent(event);
        QPainter painter(this);
        const QRect area = contentsRect();
        for (const GradientBand& band : ColorScaleBands(table_, area.top(), area.bottom() + 1)) {
            QLinearGradient gradient(0, band.top, 0, band.bottom);
            gradient.setColorAt(0, band.first);
            gradient.setColorAt(1, band.last);
            painter.fillRect(QRect(area.left(), band.top, area.width(), band.bottom - band.top), gradient);
        }
    }

private:
    std::wstring table_;
};

// Samples as a whole number, truncated toward zero and kept in range.
int32_t Truncated(float value)
{
    if (!(std::fabs(value) < 2147483520.0f)) return value > 0 ? INT32_MAX : (value < 0 ? INT32_MIN : 0);
    return static_cast<int32_t>(value);
}

QString Number(int32_t value) { return QString::number(value); }

} // namespace

std::vector<GradientBand> ColorScaleBands(const std::wstring& table, int top, int bottom)
{
    std::vector<QColor> stops;
    if (table == L"GRAY")
        stops = {QColor(255, 255, 255), QColor(0, 0, 0)};
    else if (table == L"RGB")
        stops = {QColor(255, 0, 0), QColor(255, 255, 0), QColor(0, 255, 0), QColor(0, 255, 255), QColor(0, 0, 255)};
    else
        stops = {QColor(128, 0, 0),     QColor(255, 0, 0),   QColor(255, 128, 0),
                 QColor(255, 255, 0),   QColor(128, 255, 128), QColor(0, 255, 255),
                 QColor(0, 128, 255),   QColor(0, 0, 255),   QColor(0, 0, 128)};
    const int count = static_cast<int>(stops.size()) - 1;
    const int step = (bottom - top) / count;
    std::vector<GradientBand> bands;
    for (int k = 0; k < count; ++k) {
        const int end = k + 1 == count ? bottom : top + (k + 1) * step;
        bands.push_back({top + k * step, end, stops[k], stops[k + 1]});
    }
    return bands;
}

CKxDlgUnitSurfaceColorScale::CKxDlgUnitSurfaceColorScale(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("カラースケール設定"));
    auto* radios = new QButtonGroup(this);
    const int radioIds[3] = {kGray, kRgb, kRgb2};
    const int previewIds[3] = {kGrayPreview, kRgbPreview, kRgb2Preview};
    auto* left = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        radios_[i] = Numbered(new QRadioButton(QString::fromWCharArray(kTables[i])), radioIds[i]);
        radios->addButton(radios_[i]);
        left->addWidget(radios_[i]);
        left->addWidget(Numbered(new GradientPreview(kTables[i]), previewIds[i]), 1);
    }
    maximumEdit_ = Numbered(new QLineEdit, kMaximum);
    minimumEdit_ = Numbered(new QLineEdit, kMinimum);
    auto* autoSet = Numbered(new QPushButton(QStringLiteral("自動設定")), kAutoSet);
    autoSet->setAutoDefault(false);
    auto* right = new QVBoxLayout;
    right->addWidget(maximumEdit_);
    right->addWidget(new QLabel(QStringLiteral("最大値")));
    right->addStretch();
    right->addWidget(autoSet);
    right->addStretch();
    right->addWidget(minimumEdit_);
    right->addWidget(new QLabel(QStringLiteral("最小値")));
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(OkCancelRow(this, [this] { OnBnClickedOk(); }));
    connect(autoSet, &QPushButton::clicked, this, [this] { OnBnClickedAutoSet(); });
    ResizeInDialogUnits(this, 160, 225);
}

void CKxDlgUnitSurfaceColorScale::showEvent(QShowEvent* event)
{
    DialogBase::showEvent(event);
    const int index = colorTable == L"GRAY" ? 0 : (colorTable == L"RGB" ? 1 : 2);
    radios_[index]->setChecked(true);
    minimumEdit_->setText(Number(minimum));
    maximumEdit_->setText(Number(maximum));
}

void CKxDlgUnitSurfaceColorScale::OnBnClickedOk()
{
    const QString low = minimumEdit_->text();
    const QString up = maximumEdit_->text();
    if (low.isEmpty() || up.isEmpty()) {
        ShowMessage(L"invalid value.");
        return;
    }
    minimum = ParseLeadingInt32(low.toStdWString());
    maximum = ParseLeadingInt32(up.toStdWString());
    bool inRange = minimum < maximum;
    if (dataType == "UC")
        inRange = inRange && minimum >= 0 && maximum <= 255;
    else if (dataType == "SS")
        inRange = inRange && minimum >= -32768 && maximum <= 32767;
    else
        inRange = inRange && minimum >= 0 && maximum <= 65535;
    if (!inRange) {
        ShowMessage(L"invalid value.");
        return;
    }
    colorTable = radios_[0]->isChecked() ? L"GRAY" : (radios_[1]->isChecked() ? L"RGB" : L"RGB2");
    accept();
}

void CKxDlgUnitSurfaceColorScale::OnBnClickedAutoSet()
{
    // Without clip-cap data there is nothing to measure.
    if (unit == nullptr || unit->clipCapData == nullptr) return;
    const DataObject& cap = *unit->clipCapData;
    const float low = unit->clipCapData != unit->data ? cap.GetMinValue() : unit->GetBorderLow();
    minimumEdit_->setText(Number(Truncated(low)));
    maximumEdit_->setText(Number(Truncated(cap.GetMaxValue())));
}

bool RunColorScaleDialog(CKxDrawUSurfaceR& unit)
{
    CKxDlgUnitSurfaceColorScale dialog;
    dialog.unit = &unit;
    dialog.colorTable = unit.colorTable;
    dialog.minimum = unit.GetColorTableLow();
    dialog.maximum = unit.GetColorTableUp();
    const DataObject* cap = unit.clipCapData;
    if (cap == nullptr || cap->bytesPerComponent == 1)
        dialog.dataType = "UC";
    else
        dialog.dataType = cap->isSigned ? "SS" : "US";
    if (dialog.exec() == QDialog::Rejected) return false;
    if (dialog.colorTable != unit.colorTable || dialog.minimum != unit.GetColorTableLow() ||
        dialog.maximum != unit.GetColorTableUp()) {
        unit.colorTable = dialog.colorTable;
        unit.SetColorTableLow(dialog.minimum);
        unit.SetColorTableUp(dialog.maximum);
        unit.capTextureDirty = true;
    }
    return true;
}

} // namespace velmor
