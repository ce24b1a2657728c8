#pragma once
// The modal font choice of the text dialog: the installed outline faces
// that carry Japanese, sorted; OK gives the selected face or "" for none.
#include "dialogs/DialogBase.h"

#include <QString>
#include <QStringList>

class QListWidget;

namespace velmor {

class CKxDlgUnitTextFont : public DialogBase {
public:
    enum Control { kOk = StandardControl::kOk, kCancel = StandardControl::kCancel, kFaceList = 1343 };

    explicit CKxDlgUnitTextFont(QWidget* parent = nullptr);

    // Whether an enumerated face is offered: outline fonts with the
    // Japanese character set only, and no vertical ("@") or "$" faces.
    static bool IsOfferedFace(const QString& face, bool outline, bool japanese);
    // The installed faces that pass IsOfferedFace.
    static QStringList EnumerateFaces();

    void OnBnClickedOk();

    QString result;

private:
    QListWidget* faces_ = nullptr;
};

} // namespace velmor
