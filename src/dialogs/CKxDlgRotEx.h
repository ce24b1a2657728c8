#pragma once
// The modeless rotation window: turns the active pane by a typed angle, or
// by 90 degrees, about one of the three screen axes.
#include "dialogs/ViewToolDialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace velmor {

class CKxDlgRotEx : public ViewToolDialog {
public:
    enum Control {
        kAngle = 1217,
        kQuarterTurn = 1218,
        kCounterClockwise = 1219,
        kClockwise = 1220,
        kDown = 1221,
        kLeft = 1222,
        kRight = 1223,
        kUp = 1224,
    };

    explicit CKxDlgRotEx(QWidget* parent = nullptr);

    void Create(ViewServices& services);
    void EnableRotateButtons(bool enable);
    void RotateAbout(double x, double y, double z);

private:
    QPushButton* buttons_[6] = {};
    QLineEdit* angle_ = nullptr;
    QCheckBox* quarter_ = nullptr;
};

} // namespace velmor
