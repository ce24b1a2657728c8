#pragma once
// The property dialog of image units: shape, facing, size, position,
// rotation, divisions and opacity.
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawUImage;

class CKxDlgUnitImage : public UnitPropertyDialog {
public:
    static constexpr int kShape = 1291;
    static constexpr int kAlwaysTurnFront = 1280;

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
