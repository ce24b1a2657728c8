#pragma once
// The program's settings file: an INI file in the user's configuration
// folder, under the organisation "Quillmarsh" and the application "Velmor".
#include "scene/ApplicationSettings.h"

#include <QSettings>
#include <memory>

namespace velmor {

std::unique_ptr<QSettings> OpenProfile();

// Reads keys of `group` in `settings`, which must outlive the lookup.
ProfileLookup GroupLookup(QSettings& settings, const std::wstring& group);
void WriteProfileEntries(QSettings& settings, const std::wstring& group, const ProfileEntries& entries);

} // namespace velmor
