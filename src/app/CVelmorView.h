#pragma once
// The view: the area where scenes are shown, and the handlers of the menu
// commands that belong to it. It shows nothing yet.
#include <QWidget>

namespace velmor {

class CVelmorView final : public QWidget {
public:
    static constexpr int kClientWidth = 1280;
    static constexpr int kClientHeight = 720;

    explicit CVelmorView(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {kClientWidth, kClientHeight}; }

    // Menu "環境設定(&Z)": the application preference dialog, modally.
    void OnApplicationSettings();
    void KillAllTimers() {}
};

} // namespace velmor
