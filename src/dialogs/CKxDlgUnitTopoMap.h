#pragma once
// The property dialog of topographic maps: the two corners of the map's
// extent and its opacity.
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawUTopoMap;

class CKxDlgUnitTopoMap : public UnitPropertyDialog {
public:
    enum Control {
        kApplyToList = 1344,
        kList = 1345,
        kEdit1 = 1346,
        kCaption1 = 1347,
        kEdit2 = 1348,
        kCaption2 = 1349,
        kNameCaption = 1350,
    };

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
