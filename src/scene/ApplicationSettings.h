#pragma once
// The five preferences that decide how large voxel data is reduced while it
// is read and whether meshes use vertex-buffer objects. The program reads
// them from its settings file whenever a scene is opened; the loaders and
// mesh units consult the result here, so that none of them needs Qt.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmor {

struct ApplicationSettings {
    bool useHalf = true;
    bool useQuarter = true;
    int32_t halfSizeMB = 512;
    int32_t quarterSizeMB = 4096;
    bool useVBO = false;
};

// The settings in force; written on the UI thread between jobs only.
const ApplicationSettings& CurrentApplicationSettings();
void SetApplicationSettings(const ApplicationSettings& settings);

// How far voxel data of `megabytes` (MiB) is reduced while it is read: 1, 2
// (halved) or 4 (quartered; that test comes last and wins). Sizes compare as
// signed 64-bit numbers, so data of 2 TiB and more is not mistaken for small
// data; a threshold of 0 or below reduces everything.
int32_t ReductionStep(int64_t megabytes, const ApplicationSettings& settings);

// The settings file's group and keys (the group's spelling is the one older
// settings files carry).
inline constexpr const wchar_t* kApplicationGroup = L"Aplication";
inline constexpr const wchar_t* kVoxHalfUse = L"VOX_HALF_USE";
inline constexpr const wchar_t* kVoxQuarterUse = L"VOX_QUARTER_USE";
inline constexpr const wchar_t* kVoxHalfSize = L"VOX_HALF_SIZE";
inline constexpr const wchar_t* kVoxQuarterSize = L"VOX_QUARTER_SIZE";
inline constexpr const wchar_t* kNoVbo = L"NO_VBO";

// Reads one key of the group; nullopt when the key is absent.
using ProfileLookup = std::function<std::optional<std::wstring>(const std::wstring& key)>;
using ProfileEntries = std::vector<std::pair<std::wstring, std::wstring>>;

// What the loaders work with; absent keys take the loader's defaults.
ApplicationSettings ReadApplicationSettings(const ProfileLookup& lookup, bool vboAvailable);

// The contents of the preference dialog: the values the loader would work
// with, so that confirming the form unchanged changes nothing.
struct ApplicationPreferenceForm {
    bool half = true;
    std::wstring halfSize = L"512";
    bool quarter = true;
    std::wstring quarterSize = L"4096";
    bool noVbo = false;
};

ApplicationPreferenceForm ReadPreferenceForm(const ProfileLookup& lookup);
// The keys and values that confirming the form writes, in writing order.
// While quartering is on, a half threshold above the quarter threshold is
// replaced by the quarter's text (halving never starts later than
// quartering; data that large is quartered either way). With quartering off
// the half threshold is the only one and stays as typed.
ProfileEntries PreferenceFormEntries(const ApplicationPreferenceForm& form);

} // namespace velmor
