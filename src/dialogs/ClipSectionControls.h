#pragma once
// The cut-section controls of the mesh dialogs: the cap group (cap forced
// off, and in the surface dialog the colour-scale and section-image buttons)
// and the translucency group (forced off, rendering type, opacity in percent
// with its spin). Each change goes straight into the unit.
#include <QObject>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace velmor {

class CKxDrawUTriangles;
struct ClipControlState;
struct RenderSettings;

struct ClipSectionIds {
    int capOff, translucentOff, renderingType, opacity, opacitySpin;
};

class ClipSectionControls {
public:
    ClipSectionControls(QWidget* owner, const ClipSectionIds& ids);

    QGroupBox* capGroup;
    QGroupBox* translucentGroup;
    QCheckBox* capOff;
    QCheckBox* translucentOff;
    QComboBox* renderingType;
    QLineEdit* opacity;
    QSpinBox* opacitySpin;
    // The surface dialog's buttons that need the cap; null in the mesh dialog.
    QPushButton* colorScale = nullptr;
    QPushButton* sectionImage = nullptr;

    // Shows the state computed for the unit and the current pane; every
    // control disabled without a unit or settings.
    void Show(const ClipControlState& state);
    void Refresh(const CKxDrawUTriangles* unit, bool paneClipOn, const RenderSettings* settings);
    // Connects the controls: each change goes into the unit that `unit`
    // gives (nothing without one), then `changed` redraws. The opacity edit
    // is taken only while `ready` says so.
    void Connect(QObject* context, std::function<CKxDrawUTriangles*()> unit, std::function<bool()> ready,
                 std::function<void()> changed);
    // The handlers' effect on the unit; each leaves the redraw to the caller.
    void TakeCapOff(CKxDrawUTriangles& unit);
    void TakeTranslucentOff(CKxDrawUTriangles& unit);
    void TakeRenderingType(CKxDrawUTriangles& unit);
    // False while the edit is disabled: nothing is stored then.
    bool TakeOpacity(CKxDrawUTriangles& unit);

private:
    void SetSectionButtons(bool enabled);
    void ShowTranslucentControls(bool enabled);
    void SelectRenderingType(const QString& type);
};

} // namespace velmor
