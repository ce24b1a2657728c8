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
    enum Control {
        kApply = 1225,
        kFrameSize = 1226,
        kLength = 1227,
        kShow = 1228,
        kUnit = 1229,
        kPositionX = 1230,
        kPositionY = 1231,
    };

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
    QLineEdit* frame_ = nullptr;
    QCheckBox* show_ = nullptr;
    QLineEdit* x_ = nullptr;
    QLineEdit* y_ = nullptr;
    QLineEdit* length_ = nullptr;
    QComboBox* unit_ = nullptr;
    QPushButton* apply_ = nullptr;
};

} // namespace velmor
