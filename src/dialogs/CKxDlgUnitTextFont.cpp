#include "dialogs/CKxDlgUnitTextFont.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmor {

CKxDlgUnitTextFont::CKxDlgUnitTextFont(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("フォント選択"));
    auto* layout = new QVBoxLayout(this);
    faces_ = new QListWidget(this);
    faces_->setObjectName(ControlName(kFaceList));
    faces_->setSortingEnabled(true);
    faces_->addItems(EnumerateFaces());
    faces_->setCurrentRow(-1);
    faces_->clearSelection();
    layout->addWidget(faces_);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(ControlName(kOk));
    ok->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(ControlName(kCancel));
    cancel->setAutoDefault(false);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { OnBnClickedOk(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CKxDlgUnitTextFont::IsOfferedFace(const QString& face, bool outline, bool japanese)
{
    if (!outline || !japanese || face.isEmpty()) return false;
    return face.front() != QLatin1Char('@') && face.front() != QLatin1Char('$');
}

QStringList CKxDlgUnitTextFont::EnumerateFaces()
{
    QStringList faces;
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString& face : QFontDatabase::families()) {
        if (IsOfferedFace(face, QFontDatabase::isSmoothlyScalable(face), japanese.contains(face)))
            faces << face;
    }
    faces.removeDuplicates();
    faces.sort();
    return faces;
}

void CKxDlgUnitTextFont::OnBnClickedOk()
{
    const QList<QListWidgetItem*> chosen = faces_->selectedItems();
    result = chosen.isEmpty() ? QString() : chosen.front()->text();
    accept();
}

} // namespace velmor
