#include "app/QtFolderChooser.h"

#include "app/QtPaths.h"
#include "scene/PathParts.h"

#include <QFileDialog>
#include <QPointer>

namespace velmor {

void InstallQtFolderChooser(QWidget* owner)
{
    QPointer<QWidget> parent(owner);
    SetFolderChooser([parent](const std::wstring& title, const std::wstring& initialFolder) {
        // Qt's own dialog, so that it behaves the same on every desktop and in tests.
        const QString chosen = QFileDialog::getExistingDirectory(
            parent.data(), QString::fromStdWString(title), QString::fromStdWString(initialFolder),
            QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        return WidePathFromDialog(chosen);
    });
}

} // namespace velmor
