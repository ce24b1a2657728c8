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
    enum Control {
        kApplyToList = 1325,
        kBold = 1326,
        kFont = 1327,
        kSelectFont = 1328,
        kItalic = 1329,
        kList = 1330,
        kEdit1 = 1331,
        kCaption1 = 1332,
        kEdit2 = 1333,
        kCaption2 = 1334,
        kEdit3 = 1335,
        kCaption3 = 1336,
        kEdit4 = 1337,
        kCaption4 = 1338,
        kNameCaption = 1339,
        kType = 1340,
        kText = 1341,
        kApplyText = 1342,
    };

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
