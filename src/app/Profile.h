#pragma once
// The program's settings file: an INI file in the user's configuration
// folder, under the organisation "Quillmarsh" and the application "Velmor".
#include "scene/ApplicationSettings.h"

#include <QSettings>
#include <QString>
#include <memory>

namespace velmor {

// $XDG_CONFIG_HOME (else ~/.config), then Quillmarsh/Velmor.ini.
QString ProfileFileName();

// The settings file, or nullptr while its name (or that of the lock Qt takes
// beside it to save) is taken by something other than a regular file (a
// pipe, a device, a folder, a link to one) or by a file far larger than
// settings ever are. Opening a pipe waits for a writer for ever, and Qt would
// read a huge file whole until memory runs out, so such a name is never
// handed to Qt; the defaults apply and nothing is saved. Only this one file
// is read.
std::unique_ptr<QSettings> OpenProfile();

// Reads keys of `group` in `settings` (null: the settings file cannot be
// used), which must outlive the lookup. Values written this run that could
// not be saved are read as written.
ProfileLookup GroupLookup(QSettings* settings, const std::wstring& group);
void WriteProfileEntries(QSettings* settings, const std::wstring& group, const ProfileEntries& entries);

// Writes what `settings` holds to its file; false when the file cannot be
// written. The user is told, naming the file, at the first failure after a
// save that worked (or at the first of the run), not at every later one.
bool SaveProfile(QSettings& settings);
// Tells the user, the same way, that the settings file cannot be used at all.
void ReportUnusableProfile();

} // namespace velmor
