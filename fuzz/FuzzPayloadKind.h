#pragma once
// What the payload targets share: the description of a data object's kind,
// and the preferences that make a load reduce whatever its size.
#include "scene/ApplicationSettings.h"

namespace velmor::fuzz {

struct PayloadKind {
    const wchar_t* type;
    const wchar_t* format;
    const wchar_t* sourceType;
};

inline void SetReduction(bool half, bool quarter)
{
    ApplicationSettings settings;
    settings.useHalf = half;
    settings.halfSizeMB = 0;
    settings.useQuarter = quarter;
    settings.quarterSizeMB = 0;
    SetApplicationSettings(settings);
}

} // namespace velmor::fuzz
