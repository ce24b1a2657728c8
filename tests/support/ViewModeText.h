#pragma once
// The view mode as the dialog tests' recorders write it in their logs.
#include "render/ViewMode.h"

#include <string>

namespace velmor::test {

inline std::string ViewModeText(ViewMode mode)
{
    switch (mode) {
    case ViewMode::kNoScene: return "no scene";
    case ViewMode::kNormal: return "normal";
    case ViewMode::kFullScreen: return "full screen";
    case ViewMode::kUnitEditing: return "unit editing";
    }
    return "?";
}

} // namespace velmor::test
