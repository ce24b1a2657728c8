#pragma once
// The modeless scale-bar window: edits the scale-bar fields of the render
// settings, and lays out the bar the orthographic panes draw.
#include "dialogs/ViewToolDialog.h"
#include "render/RenderListener.h"
#include "render/ScaleBar.h"

#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace velmor {

struct RenderSettings;

class CKxDlgScaleBar : public ViewToolDialog {
public:
    explicit CKxDlgScaleBar(QWidget* parent = nullptr);

    void Create(ViewServices& services, RenderSettings* settings);
    // The settings and the frame's size as the renderer reported them.
    void UpdateFromSettings(const std::optional<FrameSize>& frame);
    void OnCbnSelchangeUnit();
    void OnBnClickedApply();
    void OnBnClickedShow();
    // Draws the bar into the current fore-layer projection of an
    // orthographic pane (GL).
    void DrawScaleBar(double paneZoom);

    RenderSettings* settings = nullptr;
    bool lengthFromSettings = true;

private:
    QLineEdit* frame_ = nullptr;     // 1226
    QCheckBox* show_ = nullptr;      // 1228
    QLineEdit* x_ = nullptr;         // 1230
    QLineEdit* y_ = nullptr;         // 1231
    QLineEdit* length_ = nullptr;    // 1227
    QComboBox* unit_ = nullptr;      // 1229
    QPushButton* apply_ = nullptr;   // 1225
};

} // namespace velmor
