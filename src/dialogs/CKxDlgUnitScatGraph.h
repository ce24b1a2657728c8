#pragma once
// The property dialog of scatter graphs: the marker and its size and
// sphere divisions. Edits only redraw.
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawUScatterGraph;

class CKxDlgUnitScatGraph : public UnitPropertyDialog {
public:
    enum Control {
        kApplyToList = 1317,
        kList = 1318,
        kEdit1 = 1319,
        kCaption1 = 1320,
        kEdit2 = 1321,
        kCaption2 = 1322,
        kNameCaption = 1323,
        kMarker = 1324,
    };

    CKxDlgUnitScatGraph();

    void SetUnit(CKxDrawUScatterGraph* unit);
    void OnCbnSelchangeMarker();

protected:
    void BuildControls() override;
    std::vector<ParamRow> Rows() const override;
    RowEditors Editors(int kind) const override;
    void StoreRow(int kind, const QStringList& texts) override;
    void ApplyUnitEdits() override { ApplyRedrawingOnly(); }

private:
    CKxDrawUScatterGraph* Unit() const;

    QComboBox* marker_ = nullptr;
};

} // namespace velmor
