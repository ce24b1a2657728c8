#include "dialogs/ThresholdHistogramDialog.h"

#include "platform/NumberParse.h"
#include "scene/DataObject.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace velmor {

HistogramView::HistogramView(QWidget* parent, int width, int height) : QWidget(parent)
{
    setFixedSize(width, height);
    // The dialog takes the mouse over the histogram: its hit tests run in
    // the dialog's coordinates.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void HistogramView::SetPicture(HistogramPicture picture, bool withUnit)
{
    picture_ = std::move(picture);
    withUnit_ = withUnit;
    update();
}

void HistogramView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!withUnit_) return;
    const int h = height();
    painter.setPen(QColor(0, 0, 0));
    for (size_t i = 0; i < picture_.barHeights.size(); ++i) {
        const double bar = std::min(picture_.barHeights[i], static_cast<double>(h));
        if (bar > 0) painter.drawLine(QLineF(i, h, i, h - bar));
    }
    painter.setPen(QColor(205, 31, 66));
    painter.drawLine(QLineF(picture_.lowerX, 0, picture_.lowerX, h));
    painter.setPen(QColor(0, 154, 85));
    painter.drawLine(QLineF(picture_.upperX, 0, picture_.upperX, h));
}

ThresholdHistogramDialog::ThresholdHistogramDialog(const HistogramControlIds& ids)
{
    histogramRow_ = new QWidget(this);
    auto* grid = new QGridLayout(histogramRow_);
    grid->setContentsMargins(0, 0, 0, 0);
    histogram_ = new HistogramView(histogramRow_, kHistogramWidth, kHistogramHeight);
    histogram_->setObjectName(ControlName(ids.histogram));
    minimumLabel_ = new QLabel(QStringLiteral("0"), histogramRow_);
    minimumLabel_->setObjectName(ControlName(ids.minimumLabel));
    maximumLabel_ = new QLabel(QStringLiteral("255"), histogramRow_);
    maximumLabel_->setObjectName(ControlName(ids.maximumLabel));
    maximumLabel_->setAlignment(Qt::AlignRight);
    magnification_ = new QComboBox(histogramRow_);
    magnification_->setObjectName(ControlName(ids.magnification));
    for (const char* item : {" x 1", " x 10", " x 100", " x 1000", " x 10000", " x 100000", " x 1000000"})
        magnification_->addItem(QString::fromLatin1(item));
    magnification_->setCurrentIndex(1);
    lowerEdit_ = new QLineEdit(this);
    lowerEdit_->setObjectName(ControlName(ids.lower));
    upperEdit_ = new QLineEdit(this);
    upperEdit_->setObjectName(ControlName(ids.upper));
    grid->addWidget(histogram_, 0, 0, 1, 3);
    grid->addWidget(minimumLabel_, 1, 0);
    grid->addWidget(maximumLabel_, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("倍率"), histogramRow_), 2, 0);
    grid->addWidget(magnification_, 2, 1);

    setMouseTracking(true);
    connect(magnification_, &QComboBox::currentIndexChanged, this, [this] { DrawHistogram(); });
    // textEdited comes from typing only: texts set by the program do not
    // redraw through it.
    connect(lowerEdit_, &QLineEdit::textEdited, this, [this] { DrawHistogram(); });
    connect(upperEdit_, &QLineEdit::textEdited, this, [this] { DrawHistogram(); });
}

int ThresholdHistogramDialog::HistogramLeft() const { return histogram_->mapTo(this, QPoint(0, 0)).x(); }

float ThresholdHistogramDialog::LowerValue() const
{
    return NarrowToFloat(ParseLeadingDouble(lowerEdit_->text().toStdWString()));
}

float ThresholdHistogramDialog::UpperValue() const
{
    return NarrowToFloat(ParseLeadingDouble(upperEdit_->text().toStdWString()));
}

void ThresholdHistogramDialog::WriteLimits(int32_t lower, int32_t upper)
{
    lowerEdit_->setText(QString::number(lower));
    upperEdit_->setText(QString::number(upper));
}

void ThresholdHistogramDialog::ShowText(QLineEdit* edit, const QString& text)
{
    shownTexts_[edit] = text;
    edit->setText(text);
}

bool ThresholdHistogramDialog::Untouched(const QLineEdit* edit) const
{
    const auto shown = shownTexts_.find(edit);
    return shown != shownTexts_.end() && edit->text() == *shown;
}

void ThresholdHistogramDialog::ShowDataRange(const DataObject& data)
{
    dataMinimum = data.GetMinValue();
    dataMaximum = data.GetMaxValue();
    minimumLabel_->setText(QString::asprintf("%0.0f", dataMinimum));
    maximumLabel_->setText(QString::asprintf("%0.0f", dataMaximum));
}

void ThresholdHistogramDialog::DrawHistogram()
{
    const DataObject* data = HistogramData();
    if (data == nullptr) {
        histogram_->SetPicture({}, false);
        return;
    }
    const float magnification = MagnificationOfText(magnification_->currentText().toStdWString());
    histogram_->SetPicture(ComputeHistogramPicture(data->histogram256.get(), kHistogramWidth, kHistogramHeight,
                                                   magnification, data->histogramPeak, LowerValue(), UpperValue(),
                                                   dataMinimum, dataMaximum),
                           true);
}

void ThresholdHistogramDialog::TrackLimitDrag(int x, int)
{
    if (dragging == 0) {
        dragTarget = PickThresholdLine(x, HistogramLeft(), LowerValue(), UpperValue(), dataMinimum, dataMaximum,
                                       kHistogramWidth);
        setCursor(dragTarget != 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    if (dragTarget == 0) return;
    setCursor(Qt::PointingHandCursor);
    const float start = dragTarget == 1 ? dragStartLower : dragStartUpper;
    const float value = DraggedThreshold(start, x, pressX, kHistogramWidth, dataMinimum, dataMaximum);
    (dragTarget == 1 ? lowerEdit_ : upperEdit_)->setText(QString::asprintf("%1.0f", value));
    DrawHistogram();
}

void ThresholdHistogramDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (HistogramData() != nullptr) TrackLimitDrag(event->position().toPoint().x(), event->position().toPoint().y());
    UnitDialogFrame::mouseMoveEvent(event);
}

void ThresholdHistogramDialog::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const QPoint topLeft = histogram_->mapTo(this, QPoint(0, 0));
    const QRect area(0, 0, topLeft.x() + kHistogramWidth, topLeft.y() + kHistogramHeight);
    if (event->button() == Qt::LeftButton && HistogramData() != nullptr && (dragTarget != 0 || area.contains(point))) {
        dragging = 1;
        grabMouse();
        dragStartLower = LowerValue();
        dragStartUpper = UpperValue();
        pressX = point.x();
        TrackLimitDrag(point.x(), point.y());
    }
    UnitDialogFrame::mousePressEvent(event);
}

void ThresholdHistogramDialog::ReleaseDrag()
{
    dragging = 0;
    if (QWidget::mouseGrabber() == this) releaseMouse();
}

void ThresholdHistogramDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        ReleaseDrag();
        int32_t lower = ParseLeadingInt32(lowerEdit_->text().toStdWString());
        int32_t upper = ParseLeadingInt32(upperEdit_->text().toStdWString());
        if (OrderThresholds(lower, upper)) {
            WriteLimits(lower, upper);
            DrawHistogram();
        }
    }
    UnitDialogFrame::mouseReleaseEvent(event);
}

} // namespace velmor
