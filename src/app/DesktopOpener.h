#pragma once
// Help files and web addresses go to the desktop's own opener. Only web
// addresses (http, https) and files that exist are handed over: a scene or
// a typo must not make the desktop run something else.
#include <string>

namespace velmor {

enum class OpenTarget { kWebAddress, kLocalFile, kRefused };

// What `target` is: an http or https address, an absolute path, or neither.
OpenTarget ClassifyOpenTarget(const std::wstring& target);

// Opens `target` with the desktop's opener; a missing file, a refused
// address or an opener that fails ends in a message and false.
bool OpenWithDesktop(const std::wstring& target);

} // namespace velmor
