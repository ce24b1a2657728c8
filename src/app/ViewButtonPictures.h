#pragma once
// The pictures of the bar's buttons, painted in code: a raised face (sunk
// while pressed) with a symbol, greyed when the button is disabled; a
// disabled switch shows the same picture whichever state it was left in.
#include "render/ViewControlStates.h"

#include <QAbstractButton>

class QPainter;
class QRect;

namespace velmor {

void PaintButtonPicture(QPainter& painter, const QRect& area, ButtonPicture picture, bool down, bool enabled);

// A bar button: numbered, fixed size, showing its current picture.
class ViewBarButton final : public QAbstractButton {
public:
    ViewBarButton(int id, ButtonPicture picture, int size, QWidget* parent);
    void SetPicture(ButtonPicture picture);
    ButtonPicture Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ButtonPicture picture_;
};

} // namespace velmor
