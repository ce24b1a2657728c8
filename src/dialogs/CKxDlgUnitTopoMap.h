#pragma once
// The property dialog of topographic maps: the two corners of the map's
// extent and its opacity.
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawUTopoMap;

class CKxDlgUnitTopoMap : public UnitPropertyDialog {
public:
    CKxDlgUnitTopoMap();

    void SetUnit(CKxDrawUTopoMap* unit);

protected:
    void BuildControls() override;
    std::vector<ParamRow> Rows() const override;
    RowEditors Editors(int kind) const override;
    void StoreRow(int kind, const QStringList& texts) override;
    void ApplyUnitEdits() override { ApplyRebuildingUnit(); }

private:
    CKxDrawUTopoMap* Unit() const;
};

} // namespace velmor
