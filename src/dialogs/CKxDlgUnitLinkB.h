#pragma once
// The property dialog of link boards: size, corner and rotation. A board
// is drawn in the view only while its dialog is open, so showing and hiding
// the dialog switch the board's editing flag. Edits only redraw.
#include "dialogs/UnitPropertyDialog.h"

namespace velmor {

class CKxDrawULinkBoard;

class CKxDlgUnitLinkB : public UnitPropertyDialog {
public:
    enum Control {
        kApplyToList = 1292,
        kList = 1293,
        kEdit1 = 1294,
        kCaption1 = 1295,
        kEdit2 = 1296,
        kCaption2 = 1297,
        kEdit3 = 1298,
        kCaption3 = 1299,
        kEdit4 = 1300,
        kCaption4 = 1301,
        kNameCaption = 1302,
    };

    CKxDlgUnitLinkB();

    void SetUnit(CKxDrawULinkBoard* unit);
    void HideUnitDialog() override;

protected:
    void BuildControls() override;
    std::vector<ParamRow> Rows() const override;
    RowEditors Editors(int kind) const override;
    void StoreRow(int kind, const QStringList& texts) override;
    void ApplyUnitEdits() override { ApplyRedrawingOnly(); }

private:
    CKxDrawULinkBoard* Unit() const;
};

} // namespace velmor
