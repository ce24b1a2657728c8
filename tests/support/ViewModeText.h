#pragma once
// The view mode as the dialog tests' recorders write it in their logs.
#include "render/ViewMode.h"

#include <array>
#include <string>

namespace velmor::test {

inline std::string ViewModeText(ViewMode mode)
{
    return std::array{"no scene", "normal", "full screen", "unit editing"}.at(static_cast<size_t>(mode));
}

} // namespace velmor::test
