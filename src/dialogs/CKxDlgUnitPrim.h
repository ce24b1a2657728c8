#pragma once
// The property dialog of primitive units: the shape, fill and marker
// drawing, and the rows the shape uses (width, points, rotation, lengths,
// radii, divisions and line counts).
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawUPrimitive;

class CKxDlgUnitPrim : public UnitPropertyDialog {
public:
    enum Control {
        kApplyToList = 1303,
        kFill = 1304,
        kList = 1305,
        kMarker = 1306,
        kEdit1 = 1307,
        kCaption1 = 1308,
        kEdit2 = 1309,
        kCaption2 = 1310,
        kEdit3 = 1311,
        kCaption3 = 1312,
        kEdit4 = 1313,
        kCaption4 = 1314,
        kNameCaption = 1315,
        kShape = 1316,
    };

    CKxDlgUnitPrim();

    void SetUnit(CKxDrawUPrimitive* unit);

    void OnCbnSelchangeShape();
    void OnBnClickedFill();
    void OnBnClickedMarker();

    // The row kinds a shape lists, in list order.
    static std::vector<int> RowKindsOf(const std::wstring& shape);

protected:
    void BuildControls() override;
    std::vector<ParamRow> Rows() const override;
    RowEditors Editors(int kind) const override;
    void StoreRow(int kind, const QStringList& texts) override;
    void ApplyUnitEdits() override { ApplyRebuildingUnit(); }

private:
    CKxDrawUPrimitive* Unit() const;
    void UpdateStyleChecks();
    QString Label(int kind) const;
    // Where the two line counts live: parameters 3, 4 for spheres and
    // ellipsoids, else 2, 3 (counted from 1).
    int LineCountIndex() const;

    QCheckBox* fill_ = nullptr;
    QCheckBox* marker_ = nullptr;
    QComboBox* shape_ = nullptr;
};

} // namespace velmor
