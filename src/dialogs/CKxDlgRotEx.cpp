#include "dialogs/CKxDlgRotEx.h"

#include "dialogs/DialogControls.h"
#include "platform/NumberParse.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmor {

namespace {

struct RotateButton {
    int id;
    const char* text;
    double axis[3];
};

// In the order of the window's fields: up, down, right, left, cw, ccw.
constexpr RotateButton kButtons[6] = {
    {CKxDlgRotEx::kUp, "up", {-1, 0, 0}},
    {CKxDlgRotEx::kDown, "down", {1, 0, 0}},
    {CKxDlgRotEx::kRight, "right", {0, 1, 0}},
    {CKxDlgRotEx::kLeft, "left", {0, -1, 0}},
    {CKxDlgRotEx::kClockwise, "cw", {0, 0, -1}},
    {CKxDlgRotEx::kCounterClockwise, "ccw", {0, 0, 1}},
};

} // namespace

CKxDlgRotEx::CKxDlgRotEx(QWidget* parent) : ViewToolDialog(parent) {}

void CKxDlgRotEx::Create(ViewServices& v)
{
    services = &v;
    setWindowTitle(QStringLiteral("  回転"));
    auto* grid = new QGridLayout(this);
    // Arrow pad: up and down in the middle column, cw and ccw above.
    const int cells[6][2] = {{1, 1}, {3, 1}, {2, 2}, {2, 0}, {0, 2}, {0, 0}};
    for (int i = 0; i < 6; ++i) {
        const RotateButton& b = kButtons[i];
        buttons_[i] = Numbered(new QPushButton(QString::fromLatin1(b.text)), b.id);
        buttons_[i]->setAutoDefault(false);
        grid->addWidget(buttons_[i], cells[i][0], cells[i][1]);
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] {
            RotateAbout(kButtons[i].axis[0], kButtons[i].axis[1], kButtons[i].axis[2]);
        });
    }
    quarter_ = Numbered(new QCheckBox(QStringLiteral("90度")), kQuarterTurn);
    angle_ = Numbered(new QLineEdit(QStringLiteral("5")), kAngle);
    quarter_->setChecked(true);
    grid->addWidget(quarter_, 4, 0);
    grid->addWidget(new QLabel(QStringLiteral("角度")), 4, 1);
    grid->addWidget(angle_, 4, 2);
    // Typing an angle means that angle, not the 90-degree step.
    connect(angle_, &QLineEdit::textEdited, this, [this] { quarter_->setChecked(false); });
}

void CKxDlgRotEx::EnableRotateButtons(bool enable)
{
    for (QPushButton* button : buttons_)
        if (button != nullptr) button->setEnabled(enable);
}

void CKxDlgRotEx::RotateAbout(double x, double y, double z)
{
    const QString text = quarter_->isChecked() ? QStringLiteral("90") : angle_->text();
    Services().StoreRotationStart();
    const double angle = ParseLeadingDouble(text.toStdWString());
    Services().RotateActivePane(angle, x, y, z);
    Services().RenderNow();
}

} // namespace velmor
