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
    explicit CKxDlgRotEx(QWidget* parent = nullptr);

    void Create(ViewServices& services);
    void EnableRotateButtons(bool enable);
    void RotateAbout(double x, double y, double z);

private:
    QPushButton* buttons_[6] = {};
    QLineEdit* angle_ = nullptr;   // 1217
    QCheckBox* quarter_ = nullptr; // 1218
};

} // namespace velmor
