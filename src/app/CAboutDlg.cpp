#include "app/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmor {
namespace {

QLabel* Text(QWidget* parent, int id, const std::wstring& text)
{
    auto* label = new QLabel(QString::fromStdWString(text), parent);
    label->setObjectName(ControlName(id));
    return label;
}

} // namespace

CAboutDlg::CAboutDlg(const std::wstring& productName, const std::wstring& versionLine, const std::wstring& legalNotice,
                     QWidget* parent)
    : DialogBase(parent)
{
    setObjectName(QStringLiteral("dlg_200"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text(this, kProductName, productName));
    layout->addWidget(Text(this, kVersion, versionLine));
    layout->addWidget(Text(this, kLegalNotice, legalNotice));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(ControlName(kOk));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

} // namespace velmor
