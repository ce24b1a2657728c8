#pragma once
// The property dialog of text units: display mode, text, font face, bold
// and italic, and the position, size and rotation rows the mode uses.
#include "dialogs/UnitPropertyDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace velmor {

class CKxDrawUText;

class CKxDlgUnitText : public UnitPropertyDialog {
public:
    static constexpr int kType = 1340;
    static constexpr int kText = 1341;
    static constexpr int kApplyText = 1342;
    static constexpr int kFont = 1327;
    static constexpr int kSelectFont = 1328;
    static constexpr int kBold = 1326;
    static constexpr int kItalic = 1329;

    CKxDlgUnitText();

    void SetUnit(CKxDrawUText* unit);

    void OnCbnSelchangeType();
    void OnBnClickedApplyText();
    void OnBnClickedBold();
    void OnBnClickedItalic();
    void OnBnClickedSelectFont();

protected:
    void BuildControls() override;
    std::vector<ParamRow> Rows() const override;
    RowEditors Editors(int kind) const override;
    void StoreRow(int kind, const QStringList& texts) override;
    void ApplyUnitEdits() override { ApplyRebuildingUnit(); }

private:
    CKxDrawUText* Unit() const;

    QCheckBox* bold_ = nullptr;
    QCheckBox* italic_ = nullptr;
    QComboBox* type_ = nullptr;
    QLineEdit* text_ = nullptr;
    QLineEdit* font_ = nullptr;
};

} // namespace velmor
