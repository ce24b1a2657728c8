#pragma once
// Saving the cut section of a mesh unit, coloured with the unit's cap table
// and value window, as a JPEG, BMP or gray TIFF picture. No GL and no Qt:
// the section samples are those the last capped draw left in the unit's
// colour table.
#include <cstdint>
#include <string>

namespace velmor {

class CKxDrawUTriangles;

enum class SectionSaveResult {
    kSaved,
    kWrongFormat,      // neither "tif", "jpg" nor "bmp"
    kTiffNotGray,      // "tif" with a colour table other than "GRAY"
    kNoSection,        // the unit holds no section samples
    kNoMemory,         // the picture buffer cannot be had
    kWriteFailed,
};

// The table entry of a stored sample value over the window [low, up]. An
// empty window splits at its value instead of dividing by zero.
uint8_t SectionTableIndex(uint32_t value, int32_t low, int32_t up);

// Row stride of a 3-byte-per-pixel picture `side` pixels wide: whole
// 4-byte words.
uint64_t SectionRowStride(uint64_t side);

// Writes the section to `path`; `extension` is the chosen file's extension
// and is compared case-sensitively.
SectionSaveResult SaveSectionImage(const CKxDrawUTriangles& unit, const std::wstring& path,
                                   const std::wstring& extension);

// Tells the user why a save failed; nothing for a saved picture.
void ReportSectionSave(SectionSaveResult result);

} // namespace velmor
