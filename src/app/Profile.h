#pragma once
// The program's settings file: an INI file in the user's configuration
// folder, under the organisation "Quillmarsh" and the application "Velmor".
#include "scene/ApplicationSettings.h"

#include <QSettings>
#include <memory>

namespace velmor {

std::unique_ptr<QSettings> OpenProfile();

// Reads keys of `group` in `settings`, which must outlive the lookup. Values
// written this run that could not be saved are read as written.
ProfileLookup GroupLookup(QSettings& settings, const std::wstring& group);
void WriteProfileEntries(QSettings& settings, const std::wstring& group, const ProfileEntries& entries);

// Writes what `settings` holds to its file; false when the file cannot be
// written. The user is told, naming the file, at the first failure after a
// save that worked (or at the first of the run), not at every later one.
bool SaveProfile(QSettings& settings);

} // namespace velmor
