#pragma once
// The built-in data dictionary: VR, multiplicity and name of the tags the
// program knows (file meta group, image pixel group, pixel data).
#include "readers/DicomElement.h"

#include <cstdint>
#include <map>

namespace velmor {

// One row of a static table; multiplicity -1 means any number. Every table
// ends with a row whose group, element and VR are 0 ("Data End").
struct DicomDictionaryRow {
    uint16_t group;
    uint16_t element;
    uint32_t vr;
    int16_t multiplicity;
    const char* name;
};
constexpr int kDicomDictionaryTableCount = 3;
extern const DicomDictionaryRow* const kDicomDictionaryTables[kDicomDictionaryTableCount];

// Rows ordered by tag; rows of one tag keep their table order.
using DicomDictionaryRows = std::multimap<uint32_t, DicomElement>;

// The one instance, built on first use.
const DicomDictionaryRows& DicomDictionary();
DicomDictionaryRows BuildDicomDictionary();
void AddDictionaryEntries(DicomDictionaryRows& rows, const DicomDictionaryRow* table);
void AddDictionaryEntry(DicomDictionaryRows& rows, const DicomDictionaryRow& row);

// The row of the tag whose VR is `vr`, else the tag's first row; a tag
// without rows gives tag "no tag", VR 0 and the name "no tag exists.".
DicomElement LookupDicomTag(uint16_t group, uint16_t element, uint32_t vr);
DicomElement LookupDicomTagFirst(uint16_t group, uint16_t element);
// The same row without a copy; nullptr for a tag without rows.
const DicomElement* FindDicomDictionaryRow(uint16_t group, uint16_t element, uint32_t vr);

// Group number to byte count, while the writer sums group lengths.
using GroupLengthMap = std::map<uint16_t, uint32_t>;

} // namespace velmor
