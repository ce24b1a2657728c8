#include "app/ViewBar.h"

#include <QColor>
#include <QPainter>

namespace velmor {

ViewBar::ViewBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("viewBar"));
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ViewBar::SetBackgroundColor(uint32_t colorRef)
{
    if (colorRef == backgroundColor_) return;
    backgroundColor_ = colorRef;
    update();
}

void ViewBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(backgroundColor_ & 0xFF, (backgroundColor_ >> 8) & 0xFF,
                                    (backgroundColor_ >> 16) & 0xFF));
}

} // namespace velmor
