#include "app/ViewButtonPictures.h"

#include "dialogs/DialogBase.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace velmor {

namespace {

// Symbols are drawn on a 48 x 48 grid and scaled to the button.
constexpr double kGrid = 48.0;

const QColor kInk(40, 48, 64);
const QColor kLit(220, 120, 20);   // the "on" state of a switch
const QColor kGreyInk(150, 150, 150);
const QColor kUnlit(180, 190, 205);

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c)
{
    p.drawPolygon(QPolygonF({a, b, c}));
}

void ArcArrow(QPainter& p, bool clockwise)
{
    // Three quarters of a circle with a head at its end.
    const QRectF ring(12, 12, 24, 24);
    QPen pen = p.pen();
    pen.setWidthF(3.5);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // Qt measures arcs in sixteenths of a degree, counter-clockwise from
    // three o'clock: both arrows start at twelve and run three quarters round.
    constexpr int kSixteenths = 16;
    constexpr int kStart = 90 * kSixteenths;
    constexpr int kSpan = 270 * kSixteenths;
    p.drawArc(ring, kStart, clockwise ? kSpan : -kSpan);
    p.setPen(Qt::NoPen);
    p.setBrush(pen.color());
    if (clockwise)
        Triangle(p, {24, 5}, {24, 19}, {16, 12});
    else
        Triangle(p, {24, 5}, {24, 19}, {32, 12});
    p.setBrush(Qt::NoBrush);
    pen.setWidthF(2.0);
    p.setPen(pen);
    p.drawText(QRectF(14, 16, 20, 16), Qt::AlignCenter, QStringLiteral("5"));
}

// A box cut by a slanted plane; the plane is drawn lit when `lit`.
void ClipPlane(QPainter& p, const QColor& ink, const QColor& plane, bool crossed)
{
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(12, 16, 22, 22));
    p.drawPolyline(QPolygonF({QPointF(12, 16), QPointF(18, 10), QPointF(40, 10), QPointF(40, 32), QPointF(34, 38)}));
    p.drawLine(QPointF(34, 16), QPointF(40, 10));
    p.setBrush(plane);
    p.setPen(QPen(plane.darker(130), 1.5));
    p.drawPolygon(QPolygonF({QPointF(8, 30), QPointF(26, 6), QPointF(42, 14), QPointF(24, 40)}));
    if (crossed) {
        p.setPen(QPen(ink, 3));
        p.drawLine(QPointF(10, 40), QPointF(40, 8));
    }
}

void Handle(QPainter& p, const QColor& ink, const QColor& lit, bool on)
{
    ClipPlane(p, ink, on ? lit : kUnlit, false);
    p.setPen(QPen(on ? lit.darker(150) : ink, 3));
    p.drawLine(QPointF(25, 23), QPointF(36, 34));
    p.setPen(Qt::NoPen);
    p.setBrush(on ? lit.darker(150) : ink);
    Triangle(p, {40, 38}, {32, 36}, {38, 30});
}

void Crosshair(QPainter& p, const QColor& ink, const QColor& lit, bool on)
{
    p.setBrush(on ? QBrush(lit) : QBrush(Qt::NoBrush));
    p.drawEllipse(QPointF(24, 24), 11, 11);
    p.drawLine(QPointF(24, 7), QPointF(24, 17));
    p.drawLine(QPointF(24, 31), QPointF(24, 41));
    p.drawLine(QPointF(7, 24), QPointF(17, 24));
    p.drawLine(QPointF(31, 24), QPointF(41, 24));
    p.setBrush(ink);
    p.drawEllipse(QPointF(24, 24), 2.5, 2.5);
}

// `lit` is the colour of a switch that is on; a disabled button shows no
// switch lit, whatever picture it kept.
void Symbol(QPainter& p, ButtonPicture picture, const QColor& ink, const QColor& lit)
{
    p.setPen(QPen(ink, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(ink);
    switch (picture) {
    case ButtonPicture::kHome:
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(QPolygonF({QPointF(24, 8), QPointF(40, 22), QPointF(35, 22), QPointF(35, 40), QPointF(13, 40),
                                 QPointF(13, 22), QPointF(8, 22)}));
        p.setBrush(ink);
        p.drawRect(QRectF(21, 29, 6, 11));
        break;
    case ButtonPicture::kRotateMinus: ArcArrow(p, false); break;
    case ButtonPicture::kRotatePlus: ArcArrow(p, true); break;
    case ButtonPicture::kClipOn: ClipPlane(p, ink, lit, false); break;
    case ButtonPicture::kClipOff: ClipPlane(p, ink, kUnlit, true); break;
    case ButtonPicture::kHandleOff: Handle(p, ink, lit, false); break;
    case ButtonPicture::kHandleOn: Handle(p, ink, lit, true); break;
    case ButtonPicture::kPickOn: Crosshair(p, ink, lit, true); break;
    case ButtonPicture::kPickOff: Crosshair(p, ink, lit, false); break;
    case ButtonPicture::kNextSpace:
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(6, 12, 16, 24));
        p.drawRect(QRectF(26, 12, 16, 24));
        p.setBrush(ink);
        Triangle(p, {14, 18}, {14, 30}, {38, 24});
        break;
    case ButtonPicture::kTimeBack:
        p.drawRect(QRectF(11, 13, 4, 22));
        Triangle(p, {37, 13}, {37, 35}, {17, 24});
        break;
    case ButtonPicture::kPlay: Triangle(p, {15, 11}, {15, 37}, {37, 24}); break;
    case ButtonPicture::kPause:
        p.drawRect(QRectF(14, 12, 7, 24));
        p.drawRect(QRectF(27, 12, 7, 24));
        break;
    case ButtonPicture::kStop: p.drawRect(QRectF(13, 13, 22, 22)); break;
    case ButtonPicture::kTimeForward:
        Triangle(p, {11, 13}, {11, 35}, {31, 24});
        p.drawRect(QRectF(33, 13, 4, 22));
        break;
    case ButtonPicture::kFriend:
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(17, 24), 9, 9);
        p.drawEllipse(QPointF(31, 24), 9, 9);
        break;
    }
}

} // namespace

void PaintButtonPicture(QPainter& p, const QRect& area, ButtonPicture picture, bool down, bool enabled)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(area.topLeft(), area.bottomLeft());
    face.setColorAt(0, down ? QColor(170, 176, 186) : QColor(245, 246, 248));
    face.setColorAt(1, down ? QColor(200, 205, 212) : QColor(196, 201, 210));
    p.setPen(QPen(QColor(90, 96, 108), 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    p.translate(area.topLeft() + (down ? QPoint(1, 1) : QPoint()));
    p.scale(area.width() / kGrid, area.height() / kGrid);
    Symbol(p, picture, enabled ? kInk : kGreyInk, enabled ? kLit : kUnlit);
    p.restore();
}

ViewBarButton::ViewBarButton(int id, ButtonPicture picture, int size, QWidget* parent)
    : QAbstractButton(parent), picture_(picture)
{
    setObjectName(ControlName(id));
    setFixedSize(size, size);
    setFocusPolicy(Qt::NoFocus);
}

void ViewBarButton::SetPicture(ButtonPicture picture)
{
    if (picture == picture_) return;
    picture_ = picture;
    update();
}

void ViewBarButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool enabled = isEnabled();
    PaintButtonPicture(painter, rect(), enabled ? picture_ : DisabledPicture(picture_), isDown(), enabled);
}

} // namespace velmor
