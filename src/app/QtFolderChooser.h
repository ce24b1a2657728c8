#pragma once
// The folder chooser behind BrowseForFolder: a Qt directory dialog owned by
// the main window, opening at the folder the caller suggests.
class QWidget;

namespace velmor {

void InstallQtFolderChooser(QWidget* owner);

} // namespace velmor
