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
    enum Control {
        kHomeAnimation = 1351,
        kClippedTranslucent = 1352,
        kFog = 1353,
        kCutEdge = 1354,
        kLightPosition = 1355,
        kNearFarCut = 1356,
        kNearFarRange = 1357,
        kProjection = 1358,
        kClipCap = 1359,
        kShadow = 1360,
    };

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

    QCheckBox* cut_ = nullptr;
    QComboBox* range_ = nullptr;
    QCheckBox* cap_ = nullptr;
    QCheckBox* shadow_ = nullptr;
    QCheckBox* fog_ = nullptr;
    QCheckBox* clipped_ = nullptr;
    QComboBox* cutEdge_ = nullptr;
    QComboBox* projection_ = nullptr;
    QComboBox* light_ = nullptr;
    QComboBox* home_ = nullptr;
};

} // namespace velmor
