#pragma once
// The property dialog of primitive units: the shape, fill and marker
// drawing, and the rows the shape uses (width, points, rotation, lengths,
// radii, divisions and line counts).
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawUPrimitive;

class CKxDlgUnitPrim : public UnitPropertyDialog {
public:
    static constexpr int kShape = 1316;
    static constexpr int kFill = 1304;
    static constexpr int kMarker = 1306;

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
