#pragma once
// The modeless render-options window: every change is written into the
// render settings at once and the view redrawn.
#include "dialogs/ViewToolDialog.h"

#include <QStringList>

class QCheckBox;
class QComboBox;

namespace velmor {

struct RenderSettings;

class CKxDlgRender : public ViewToolDialog {
public:
    explicit CKxDlgRender(QWidget* parent = nullptr);

    // Keeps the view's services and settings and builds the window, hidden.
    void Create(ViewServices& services, RenderSettings* settings);
    void UpdateFromSettings(bool enable);
    void ApplyToSettings();

    // The first label equal to `text`, -1 for none.
    static int FindLabelIndex(const QStringList& labels, const QString& text);

    RenderSettings* settings = nullptr;
    QStringList rangeLabels, cutEdgeLabels, projectionLabels, lightLabels, homeAnimationLabels;

private:
    void UpdateCutControls();
    void UpdateShadowCheck();

    QCheckBox* cut_ = nullptr;      // 1356
    QComboBox* range_ = nullptr;    // 1357
    QCheckBox* cap_ = nullptr;      // 1359
    QCheckBox* shadow_ = nullptr;   // 1360
    QCheckBox* fog_ = nullptr;      // 1353
    QCheckBox* clipped_ = nullptr;  // 1352
    QComboBox* cutEdge_ = nullptr;  // 1354
    QComboBox* projection_ = nullptr; // 1358
    QComboBox* light_ = nullptr;    // 1355
    QComboBox* home_ = nullptr;     // 1351
};

} // namespace velmor
