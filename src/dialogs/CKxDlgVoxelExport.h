#pragma once
// The voxel-export preference: the two value-mapping points, conversion to
// 8 bit and the reversed slice order, edited in the voxel-export settings.
// OK is the only way out; Escape and the close request are ignored.
#include "dialogs/DialogBase.h"

#include <cstdint>

class QCheckBox;
class QLineEdit;

namespace velmor {

struct VoxelExportSettings;

class CKxDlgVoxelExport final : public DialogBase {
public:
    enum Control {
        kOk = StandardControl::kOk,
        kDownTo8Bit = 1361,
        kCurrent1 = 1362,
        kExport1 = 1363,
        kCurrent2 = 1364,
        kExport2 = 1365,
        kReverse = 1366,
    };

    // Edits `settings`, or the current render settings' when none is given.
    explicit CKxDlgVoxelExport(QWidget* parent = nullptr, VoxelExportSettings* settings = nullptr);

    void SetDataInfo(uint32_t bytesPerVoxel, bool isSigned, bool reverseOffered);
    // Values as the user sees them: signed data is stored shifted by 32768.
    void SetMapValue(int index, int64_t value);
    int64_t GetMapValue(int index) const;

    void reject() override {}

protected:
    void OnEscape() override {}
    void showEvent(QShowEvent* event) override;

private:
    void OnShowWindow();
    void OnBnClickedOk();

    QLineEdit* values_[4];
    QCheckBox* downTo8Bit_;
    QCheckBox* reverse_;
    VoxelExportSettings* settings_;
    uint32_t bytesPerVoxel_ = 1;
    bool isSigned_ = false;
    bool reverseOffered_ = false;
};

} // namespace velmor
