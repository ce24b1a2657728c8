#include "scene/ApplicationSettings.h"

#include "platform/NumberParse.h"

namespace velmor {
namespace {

ApplicationSettings gSettings;

std::wstring ValueOr(const ProfileLookup& lookup, const wchar_t* key, const wchar_t* fallback)
{
    std::optional<std::wstring> value = lookup(key);
    return value ? *value : std::wstring(fallback);
}

bool IsOne(const std::wstring& text) { return text == L"1"; }

// What the loader works with while nothing is stored.
constexpr const wchar_t* kOn = L"1";
constexpr const wchar_t* kDefaultHalfSize = L"512";
constexpr const wchar_t* kDefaultQuarterSize = L"4096";
// "NO_VBO" allows buffers only when it reads exactly this.
constexpr const wchar_t* kBuffersAllowed = L"0";

} // namespace

const ApplicationSettings& CurrentApplicationSettings() { return gSettings; }
void SetApplicationSettings(const ApplicationSettings& settings) { gSettings = settings; }

int32_t ReductionStep(int64_t megabytes, const ApplicationSettings& settings)
{
    int32_t step = 1;
    if (settings.useHalf && megabytes >= static_cast<int64_t>(settings.halfSizeMB)) step = 2;
    if (settings.useQuarter && megabytes >= static_cast<int64_t>(settings.quarterSizeMB)) step = 4;
    return step;
}

ApplicationSettings ReadApplicationSettings(const ProfileLookup& lookup, bool vboAvailable)
{
    ApplicationSettings s;
    s.useHalf = IsOne(ValueOr(lookup, kVoxHalfUse, kOn));
    s.useQuarter = IsOne(ValueOr(lookup, kVoxQuarterUse, kOn));
    s.halfSizeMB = ParseLeadingInt32(ValueOr(lookup, kVoxHalfSize, kDefaultHalfSize));
    s.quarterSizeMB = ParseLeadingInt32(ValueOr(lookup, kVoxQuarterSize, kDefaultQuarterSize));
    s.useVBO = vboAvailable && ValueOr(lookup, kNoVbo, kBuffersAllowed) == kBuffersAllowed;
    return s;
}

ApplicationPreferenceForm ReadPreferenceForm(const ProfileLookup& lookup)
{
    ApplicationPreferenceForm f;
    f.half = IsOne(ValueOr(lookup, kVoxHalfUse, kOn));
    f.halfSize = ValueOr(lookup, kVoxHalfSize, kDefaultHalfSize);
    f.quarter = IsOne(ValueOr(lookup, kVoxQuarterUse, kOn));
    f.quarterSize = ValueOr(lookup, kVoxQuarterSize, kDefaultQuarterSize);
    // Ticked whenever the loader would do without buffers.
    f.noVbo = ValueOr(lookup, kNoVbo, kBuffersAllowed) != kBuffersAllowed;
    return f;
}

ProfileEntries PreferenceFormEntries(const ApplicationPreferenceForm& form)
{
    std::wstring halfSize = form.halfSize;
    if (form.quarter && ParseLeadingInt32(halfSize) > ParseLeadingInt32(form.quarterSize)) halfSize = form.quarterSize;
    return {
        {kVoxHalfUse, form.half ? L"1" : L"0"},
        {kVoxQuarterUse, form.quarter ? L"1" : L"0"},
        {kVoxHalfSize, halfSize},
        {kVoxQuarterSize, form.quarterSize},
        {kNoVbo, form.noVbo ? L"1" : L"0"},
    };
}

} // namespace velmor
