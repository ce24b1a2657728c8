#pragma once
// The payload layouts a data object reads itself: number text (one element
// a line), text lines, and STL meshes in binary or text form. Everything
// works on the bytes already in memory; 8-bit text is only widened where
// text is kept (digits, blanks and line ends are ASCII in every encoding
// the scenes use).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmor {

// How the values of a number text are stored: width in bytes and whether
// they are read as integers (low bits kept) or as single floats. Width 0:
// the format reads nothing from text.
struct NumberTextFormat {
    int bytes = 0;
    bool isFloat = false;
};
NumberTextFormat NumberTextFormatOf(const std::wstring& format);

// Fills `rows` x `valuesPerRow` values at dest. Values of a line are
// separated by spaces (a run counts as one; tabs are not separators); a
// missing value is 0. From a file every line is a row (an empty line is a
// row of zeros); from a block, runs of CR and LF are one separator.
void ParseNumberRows(std::string_view text, bool fromBlock, uint64_t rows, uint64_t valuesPerRow,
                     NumberTextFormat format, uint8_t* dest);

// A number grid read at a reduction step: of the sizeX x sizeY x sizeZ
// rows (one value each, x fastest), only those whose x, y and z are
// multiples of `step` are stored, at their place in the kept grid.
struct ReducedGrid {
    uint64_t sizeX = 0, sizeY = 0, sizeZ = 0;
    uint64_t step = 1;
    uint64_t Kept(uint64_t size) const { return size / step + (size % step != 0 ? 1 : 0); }
};
void ParseReducedGridRows(std::string_view text, bool fromBlock, const ReducedGrid& grid, NumberTextFormat format,
                          uint8_t* dest);

// `count` records: from a file one a line (empty lines kept, records past
// the end empty), from a block the non-empty lines.
std::vector<std::wstring> SplitTextRecords(std::string_view text, bool fromBlock, uint64_t count);
// The same into `count` records that already exist; returns how many lines
// it stored (the rest are left as they were).
uint64_t SplitTextRecords(std::string_view text, bool fromBlock, std::wstring* records, uint64_t count);

// Binary STL: 80-byte header, u32 facet count, 50 bytes a facet.
constexpr uint64_t kStlHeaderBytes = 84;
constexpr uint64_t kStlFacetBytes = 50;
// True when a file of `length` bytes whose count field says `count` is binary.
bool IsBinaryStlLength(uint64_t length, uint32_t count);
uint32_t StlCountField(std::string_view head);
// Copies the three vertices (9 floats) of `facets` facets; false when the
// bytes do not hold them.
bool CopyBinaryStlFacets(std::string_view bytes, uint64_t facets, float* dest);
// `onThousand`, when given, is called with the count after every 1000th facet.
uint64_t CountTextStlFacets(std::string_view text, const std::function<void(uint64_t)>& onThousand = {});
// Reads at most `maxFacets` facets: a line containing "outer loop" opens
// one, and each of the next three lines is a vertex whose numbers start at
// the first of "-0123456789.". Returns the facets stored. `onFacet`, when
// given, is called as each facet opens.
uint64_t ParseTextStl(std::string_view text, uint64_t maxFacets, float* dest, const std::function<void()>& onFacet = {});

} // namespace velmor
