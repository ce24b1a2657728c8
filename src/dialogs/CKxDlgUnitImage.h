#pragma once
// The property dialog of image units: shape, facing, size, position,
// rotation, divisions and opacity.
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawUImage;

class CKxDlgUnitImage : public UnitPropertyDialog {
public:
    enum Control {
        kApplyToList = 1279,
        kAlwaysTurnFront = 1280,
        kList = 1281,
        kEdit1 = 1282,
        kCaption1 = 1283,
        kEdit2 = 1284,
        kCaption2 = 1285,
        kEdit3 = 1286,
        kCaption3 = 1287,
        kEdit4 = 1288,
        kCaption4 = 1289,
        kNameCaption = 1290,
        kShape = 1291,
    };

    CKxDlgUnitImage();

    void SetUnit(CKxDrawUImage* unit);

    void OnCbnSelchangeShape();
    void OnBnClickedAlwaysTurnFront();

protected:
    void BuildControls() override;
    std::vector<ParamRow> Rows() const override;
    RowEditors Editors(int kind) const override;
    void StoreRow(int kind, const QStringList& texts) override;
    void ApplyUnitEdits() override { ApplyRebuildingUnit(); }

private:
    CKxDrawUImage* Unit() const;
    void UpdateStyleChecks();
    QString DivisionsLabel() const;

    QCheckBox* facing_ = nullptr;
    QComboBox* shape_ = nullptr;
};

} // namespace velmor
