#include "readers/DicomDictionary.h"

namespace velmor {

namespace {

DicomElement NoTagElement() { return DicomElement(kNoDicomTag, kVrUnknown, 1, "no tag exists.", 1); }

} // namespace

void AddDictionaryEntry(DicomDictionaryRows& rows, const DicomDictionaryRow& row)
{
    const uint32_t multiplicity = row.multiplicity < 0 ? kAnyMultiplicity : uint32_t(row.multiplicity);
    const uint32_t tag = MakeDicomTag(row.group, row.element);
    rows.emplace(tag, DicomElement(tag, row.vr, multiplicity, row.name, 1));
}

void AddDictionaryEntries(DicomDictionaryRows& rows, const DicomDictionaryRow* table)
{
    for (; table->group != 0 || table->element != 0 || table->vr != 0; ++table) AddDictionaryEntry(rows, *table);
}

DicomDictionaryRows BuildDicomDictionary()
{
    DicomDictionaryRows rows;
    for (const DicomDictionaryRow* table : kDicomDictionaryTables) AddDictionaryEntries(rows, table);
    return rows;
}

const DicomDictionaryRows& DicomDictionary()
{
    static const DicomDictionaryRows rows = BuildDicomDictionary();
    return rows;
}

const DicomElement* FindDicomDictionaryRow(uint16_t group, uint16_t element, uint32_t vr)
{
    const auto range = DicomDictionary().equal_range(MakeDicomTag(group, element));
    if (range.first == range.second) return nullptr;
    for (auto row = range.first; row != range.second; ++row)
        if (row->second.vr == vr) return &row->second;
    return &range.first->second;
}

DicomElement LookupDicomTag(uint16_t group, uint16_t element, uint32_t vr)
{
    const DicomElement* row = FindDicomDictionaryRow(group, element, vr);
    return row ? *row : NoTagElement();
}

DicomElement LookupDicomTagFirst(uint16_t group, uint16_t element)
{
    const auto found = DicomDictionary().find(MakeDicomTag(group, element));
    return found == DicomDictionary().end() ? NoTagElement() : found->second;
}

} // namespace velmor
