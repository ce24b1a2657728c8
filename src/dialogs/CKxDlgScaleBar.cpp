#include "dialogs/CKxDlgScaleBar.h"

#include "dialogs/DialogControls.h"
#include "platform/NumberParse.h"
#include "render/GeometryRoutines.h"
#include "render/RenderSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmor {

namespace {

double EditNumber(const QLineEdit* edit) { return ParseLeadingDouble(edit->text().toStdWString()); }

QString Fixed2(double value) { return QString::asprintf("%0.2f", value); }

QString FrameText(const std::optional<FrameSize>& frame)
{
    if (!frame) return QString();
    return QString::asprintf("%lf ", frame->pitch) + QString::fromStdWString(frame->unit);
}

} // namespace

CKxDlgScaleBar::CKxDlgScaleBar(QWidget* parent) : ViewToolDialog(parent) {}

void CKxDlgScaleBar::Create(ViewServices& v, RenderSettings* s)
{
    services = &v;
    settings = s;
    setWindowTitle(QStringLiteral("\u3000スケールバー"));
    frame_ = Numbered(new QLineEdit, kFrameSize);
    frame_->setReadOnly(true);
    frame_->setFrame(false);
    show_ = Numbered(new QCheckBox(QStringLiteral("表示する (正投影時のみ)")), kShow);
    x_ = Numbered(new QLineEdit, kPositionX);
    y_ = Numbered(new QLineEdit, kPositionY);
    length_ = Numbered(new QLineEdit, kLength);
    unit_ = Numbered(new QComboBox, kUnit);
    AddLengthUnits(unit_);
    apply_ = Numbered(new QPushButton(QStringLiteral("適用")), kApply);
    apply_->setAutoDefault(false);
    // The widest texts the fields show: a pitch in "%lf" with its unit, and
    // signed numbers in "%0.2f".
    WideEnoughFor(frame_, QStringLiteral("0000.000000 mm"));
    for (QLineEdit* edit : {x_, y_, length_}) WideEnoughFor(edit, QStringLiteral("-0000.00"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("枠の大きさ :")), 0, 0);
    grid->addWidget(frame_, 0, 1, 1, 3);
    grid->addWidget(show_, 1, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("位置 x")), 2, 0);
    grid->addWidget(x_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("y")), 2, 2);
    grid->addWidget(y_, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("長さ")), 3, 0);
    grid->addWidget(length_, 3, 1);
    grid->addWidget(unit_, 3, 2);
    grid->addWidget(apply_, 4, 3);

    connect(unit_, qOverload<int>(&QComboBox::activated), this, [this] { OnCbnSelchangeUnit(); });
    connect(length_, &QLineEdit::textEdited, this, [this] { lengthFromSettings = false; });
    connect(apply_, &QPushButton::clicked, this, [this] { OnBnClickedApply(); });
    connect(show_, &QCheckBox::clicked, this, [this] { OnBnClickedShow(); });
}

void CKxDlgScaleBar::UpdateFromSettings(const std::optional<FrameSize>& frame)
{
    if (settings == nullptr) return;
    const bool available = settings->scaleBarAvailable != 0;
    for (QWidget* control : std::initializer_list<QWidget*>{show_, unit_, apply_}) control->setEnabled(available);
    if (available) {
        frame_->setText(FrameText(frame));
        show_->setChecked(settings->scaleBarShow != 0);
        lengthFromSettings = true;
        x_->setText(Fixed2(settings->scaleBarPosition[0]));
        y_->setText(Fixed2(settings->scaleBarPosition[1]));
        length_->setText(Fixed2(settings->scaleBarLength));
        // Whole-text match: "m" must not pick "mm".
        unit_->setCurrentIndex(unit_->findText(QString::fromStdWString(settings->scaleBarUnit), Qt::MatchExactly));
    } else {
        frame_->clear();
        show_->setChecked(false);
        x_->clear();
        y_->clear();
        length_->clear();
        unit_->setCurrentIndex(-1);
    }
}

void CKxDlgScaleBar::OnCbnSelchangeUnit()
{
    if (settings == nullptr || !lengthFromSettings || unit_->currentIndex() < 0) return;
    const double factor = UnitFactor(unit_->currentText().toStdWString(), settings->scaleBarUnit);
    length_->setText(QString::asprintf("%g", settings->scaleBarLength * factor));
}

void CKxDlgScaleBar::OnBnClickedApply()
{
    if (settings == nullptr) return;
    settings->scaleBarPosition[0] = NarrowToFloat(EditNumber(x_));
    settings->scaleBarPosition[1] = NarrowToFloat(EditNumber(y_));
    settings->scaleBarLength = NarrowToFloat(EditNumber(length_));
    settings->scaleBarUnit = unit_->currentIndex() < 0 ? std::wstring() : unit_->currentText().toStdWString();
    lengthFromSettings = true;
    settings->scaleBarChanged = 1;
    Services().RenderNow();
}

void CKxDlgScaleBar::OnBnClickedShow()
{
    if (settings == nullptr) return;
    settings->scaleBarShow = show_->isChecked() ? 1 : 0;
    Services().RenderNow();
}

void CKxDlgScaleBar::DrawScaleBar(double paneZoom) { velmor::DrawScaleBar(paneZoom); }

} // namespace velmor
