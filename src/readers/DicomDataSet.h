#pragma once
// A DICOM data set: elements by tag, walked in ascending tag order.
#include "readers/DicomElement.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace velmor {

class DicomDataSet {
public:
    using Elements = std::map<uint32_t, DicomElement>;
    using iterator = Elements::iterator;
    using const_iterator = Elements::const_iterator;

    DicomDataSet() = default;
    DicomDataSet(const DicomDataSet&) = default;
    DicomDataSet(DicomDataSet&&) noexcept = default;
    DicomDataSet& operator=(const DicomDataSet&) = default;
    DicomDataSet& operator=(DicomDataSet&&) noexcept = default;

    // Keyed by the element's tag; an element already there stays and the
    // new one is dropped.
    std::pair<iterator, bool> Insert(const DicomElement& element);
    std::pair<iterator, bool> Insert(DicomElement&& element);
    iterator Find(uint16_t group, uint16_t element);
    const_iterator Find(uint16_t group, uint16_t element) const;
    bool Has(uint16_t group, uint16_t element) const;
    // Adds a default element (whose own tag reads "no tag") when absent.
    DicomElement& At(uint16_t group, uint16_t element);
    size_t Erase(uint32_t tag);
    void Clear() { elements_.clear(); }
    size_t Size() const { return elements_.size(); }

    int32_t GetInt(uint16_t group, uint16_t element, int32_t fallback) const;
    uint32_t GetUInt(uint16_t group, uint16_t element, uint32_t fallback) const;
    std::string GetString(uint16_t group, uint16_t element, const std::string& fallback) const;

    // Brings every value to a length its VR allows (the writer's length rules).
    void NormalizeLengths();

    iterator begin() { return elements_.begin(); }
    iterator end() { return elements_.end(); }
    const_iterator begin() const { return elements_.begin(); }
    const_iterator end() const { return elements_.end(); }

private:
    Elements elements_;
};

} // namespace velmor
