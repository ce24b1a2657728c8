#pragma once
// Data preference of a coordinate-array data object: its coordinate ranges
// in scene units, read-only, and its length unit, which OK writes back.
#include "dialogs/DialogBase.h"

class QComboBox;
class QPlainTextEdit;

namespace velmor {

class DataObject;

class CKxDlgDataArray final : public DialogBase {
public:
    enum Control {
        kOk = StandardControl::kOk,
        kCancel = StandardControl::kCancel,
        kRange = 1520,
        kUnit = 1521,
    };

    explicit CKxDlgDataArray(QWidget* parent = nullptr);

    DataObject* dataObject = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnShowWindow();
    void OnBnClickedOk();

    QPlainTextEdit* range_;
    QComboBox* unit_;
};

// The range text: minimum and maximum per axis, scaled, one per line.
QString CoordinateRangeText(const DataObject& data);

} // namespace velmor
