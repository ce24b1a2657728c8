#pragma once
// The modeless scale-bar window: edits the scale-bar fields of the render
// settings, and lays out the bar the orthographic panes draw.
#include "dialogs/ViewToolDialog.h"

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace velmor {

struct RenderSettings;

// Where a pane draws the bar and its label, in pane units: the bar from
// (x0, y) to (x1, y) at depth z, the label's reference point above its
// left end.
struct ScaleBarLayout {
    bool shown = false;
    float x0 = 0, y = 0, x1 = 0, z = 0.95f;
    float labelY = 0;
    std::wstring label;
};

// The bar of `settings` in a pane whose root group has `rootUnit` and
// `rootPitch` and is zoomed by `paneZoom`.
ScaleBarLayout LayOutScaleBar(const RenderSettings& settings, const std::wstring& rootUnit, double rootPitch,
                              double paneZoom);

class CKxDlgScaleBar : public ViewToolDialog {
public:
    explicit CKxDlgScaleBar(QWidget* parent = nullptr);

    void Create(const ViewToolView& view, RenderSettings* settings);
    void UpdateFromSettings();
    void OnCbnSelchangeUnit();
    void OnBnClickedApply();
    void OnBnClickedShow();

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
