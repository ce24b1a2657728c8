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
    s.useHalf = IsOne(ValueOr(lookup, kVoxHalfUse, L"1"));
    s.useQuarter = IsOne(ValueOr(lookup, kVoxQuarterUse, L"1"));
    s.halfSizeMB = ParseLeadingInt32(ValueOr(lookup, kVoxHalfSize, L"512"));
    s.quarterSizeMB = ParseLeadingInt32(ValueOr(lookup, kVoxQuarterSize, L"4096"));
    s.useVBO = vboAvailable && ValueOr(lookup, kNoVbo, L"0") == L"0";
    return s;
}

ApplicationPreferenceForm ReadPreferenceForm(const ProfileLookup& lookup)
{
    ApplicationPreferenceForm f;
    f.half = IsOne(ValueOr(lookup, kVoxHalfUse, L"1"));
    f.halfSize = ValueOr(lookup, kVoxHalfSize, L"128");
    f.quarter = IsOne(ValueOr(lookup, kVoxQuarterUse, L"1"));
    f.quarterSize = ValueOr(lookup, kVoxQuarterSize, L"1024");
    f.noVbo = IsOne(ValueOr(lookup, kNoVbo, L"0"));
    return f;
}

ProfileEntries PreferenceFormEntries(const ApplicationPreferenceForm& form)
{
    std::wstring halfSize = form.halfSize;
    if (ParseLeadingInt32(halfSize) > ParseLeadingInt32(form.quarterSize)) halfSize = form.quarterSize;
    return {
        {kVoxHalfUse, form.half ? L"1" : L"0"},
        {kVoxQuarterUse, form.quarter ? L"1" : L"0"},
        {kVoxHalfSize, halfSize},
        {kVoxQuarterSize, form.quarterSize},
        {kNoVbo, form.noVbo ? L"1" : L"0"},
    };
}

} // namespace velmor
