#pragma once
// The application preference dialog: when large voxel data is halved or
// quartered while it is read, and whether meshes use vertex-buffer objects.
// Confirmed values go to the settings file only; they apply from the next
// scene opened.
#include "dialogs/DialogBase.h"

class QCheckBox;
class QLineEdit;

namespace velmor {

class CKxDlgApplication final : public DialogBase {
public:
    enum Control {
        kOk = StandardControl::kOk,
        kCancel = StandardControl::kCancel,
        kNoVbo = 1023,
        kHalfSize = 1024,
        kHalfUse = 1025,
        kQuarterSize = 1026,
        kQuarterUse = 1027,
    };

    explicit CKxDlgApplication(QWidget* parent = nullptr);

    // Reads the settings file into the settings in force, with the loader's
    // defaults. `vboAvailable`: whether the GL context offers vertex-buffer
    // objects.
    static void LoadApplicationSettings(bool vboAvailable);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnShowWindow();
    void OnBnClickedOk();

    QCheckBox* halfUse_;
    QLineEdit* halfSize_;
    QCheckBox* quarterUse_;
    QLineEdit* quarterSize_;
    QCheckBox* noVbo_;
};

} // namespace velmor
