#include "app/ColorLabel.h"

#include <QFont>
#include <QPalette>

namespace velmor {

ColorLabel::ColorLabel(QWidget* parent) : QLabel(parent) {}

void ColorLabel::Init()
{
    faceName = QStringLiteral("ＭＳ ゴシック");
    pointSize = 9.0f;
    CreateLabelFont();
    backgroundColour = Qt::black;
    UpdateBrush();
    SetTextColour(Qt::white);
    clear();
}

void ColorLabel::CreateLabelFont()
{
    QFont labelFont(faceName);
    if (pointSize > 0.0f) labelFont.setPointSizeF(pointSize);
    setFont(labelFont);
}

void ColorLabel::UpdateBrush()
{
    QPalette p = palette();
    p.setColor(QPalette::Window, backgroundColour);
    setPalette(p);
    setAutoFillBackground(true);
}

void ColorLabel::SetTextColour(const QColor& colour)
{
    textColour = colour;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, textColour);
    setPalette(p);
}

} // namespace velmor
