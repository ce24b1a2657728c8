#include "readers/DicomDataSet.h"

#include "readers/DicomFileWriter.h"

namespace velmor {

std::pair<DicomDataSet::iterator, bool> DicomDataSet::Insert(const DicomElement& element)
{
    const auto found = elements_.find(element.tag);
    if (found != elements_.end()) return {found, false};
    return elements_.emplace(element.tag, element);
}

std::pair<DicomDataSet::iterator, bool> DicomDataSet::Insert(DicomElement&& element)
{
    const auto found = elements_.find(element.tag);
    if (found != elements_.end()) return {found, false};
    const uint32_t tag = element.tag;
    return elements_.emplace(tag, std::move(element));
}

DicomDataSet::iterator DicomDataSet::Find(uint16_t group, uint16_t element)
{
    return elements_.find(MakeDicomTag(group, element));
}

DicomDataSet::const_iterator DicomDataSet::Find(uint16_t group, uint16_t element) const
{
    return elements_.find(MakeDicomTag(group, element));
}

bool DicomDataSet::Has(uint16_t group, uint16_t element) const { return Find(group, element) != end(); }

DicomElement& DicomDataSet::At(uint16_t group, uint16_t element) { return elements_[MakeDicomTag(group, element)]; }

size_t DicomDataSet::Erase(uint32_t tag) { return elements_.erase(tag); }

int32_t DicomDataSet::GetInt(uint16_t group, uint16_t element, int32_t fallback) const
{
    const auto found = Find(group, element);
    return found == end() ? fallback : found->second.AsInt();
}

uint32_t DicomDataSet::GetUInt(uint16_t group, uint16_t element, uint32_t fallback) const
{
    const auto found = Find(group, element);
    return found == end() ? fallback : found->second.AsUInt();
}

std::string DicomDataSet::GetString(uint16_t group, uint16_t element, const std::string& fallback) const
{
    const auto found = Find(group, element);
    return found == end() ? fallback : DicomValueText(found->second);
}

void DicomDataSet::NormalizeLengths()
{
    for (auto& entry : elements_) ApplyDicomLengthRules(entry.second);
}

} // namespace velmor
