#pragma once
// Numbers in export files read the same under every locale: the program's
// Qt start-up takes LC_NUMERIC from the environment, which would turn
// "1.5" into "1,5" in printf.
#include <string>

namespace velmor {

// As printf "%g" in the C locale.
std::string FormatG(double value);
// As printf "%0.6f" in the C locale.
std::string FormatFixed6(double value);

} // namespace velmor
