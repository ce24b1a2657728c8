#pragma once
// Data preference of a voxel data object: its full-resolution size, the
// size of one voxel per axis and the length unit, with a note when the
// volume was read at reduced resolution. OK writes straight into the data
// object; Cancel and Escape write nothing.
#include "dialogs/DialogBase.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace velmor {

class DataObject;

class CKxDlgDataVoxel final : public DialogBase {
public:
    enum Control {
        kOk = StandardControl::kOk,
        kCancel = StandardControl::kCancel,
        kGroup = 1513,
        kSize = 1514,
        kNote = 1515,
        kUnit = 1516,
        kPitchX = 1517,
        kPitchY = 1518,
        kPitchZ = 1519,
    };

    explicit CKxDlgDataVoxel(QWidget* parent = nullptr);

    DataObject* dataObject = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnShowWindow();
    void OnBnClickedOk();

    QLabel* note_;
    QGroupBox* group_;
    QLineEdit* size_;
    QLineEdit* pitch_[3];
    QComboBox* unit_;
};

} // namespace velmor
