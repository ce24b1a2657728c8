#pragma once
// The decisions behind the OpenGL capability probe, kept apart from GL so
// that they can be checked without a context: version parsing, whole-word
// extension matching, the vendor name and the video-memory arithmetic.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmor {

// The number at the start of a GL_VERSION string plus 0.000001, so that
// "1.2" compares as at least 1.2 in single precision; 0 for no string.
float ParseGLVersion(const char* versionString);
// The program needs OpenGL 1.2 (3-D textures, separate specular colour).
bool MeetsGLVersionRequirement(float version);

// True when `name` occurs in the blank-separated `list` as a whole word.
bool IsWholeWordIn(std::string_view list, std::string_view name);

// "amd", "nvidia", "intel" or "other" from a GL_VENDOR string.
std::string ClassifyGLVendor(std::string_view vendor);

// Which driver query gives the free video memory.
enum class FreeVideoMemoryQuery { None, AtiTextureFree, NvxCurrentAvailable };
FreeVideoMemoryQuery ChooseFreeVideoMemoryQuery(std::string_view vendorName, bool hasAtiMeminfo, bool hasNvxMemoryInfo);

// Usable video memory in millions of bytes from the total and the free
// amount in thousands of bytes; -1 (unknown) when the total is 0 or no free
// amount is available (a negative `freeThousands`).
int64_t UsableVideoMemory(int64_t totalThousands, int64_t freeThousands);

// The video memory size in thousands of bytes that the kernel's DRM drivers
// report under `drmRoot` (normally /sys/class/drm); 0 when none does.
uint32_t VideoMemoryFromSystem(const std::filesystem::path& drmRoot = "/sys/class/drm");

} // namespace velmor
