#include "readers/DicomElement.h"

#include "platform/NumberParse.h"
#include "readers/DicomDictionary.h"

#include <charconv>
#include <cstring>

namespace velmor {

DicomElement::DicomElement(uint32_t tag_, uint32_t vr_, uint32_t multiplicity_, std::string name_, uint8_t include_)
    : tag(tag_), vr(vr_), multiplicity(multiplicity_), name(std::move(name_)), include(include_)
{
}

DicomElement::DicomElement(uint16_t group, uint16_t element, const void* bytes, uint32_t length)
    : DicomElement(LookupDicomTagFirst(group, element))
{
    SetValue(bytes, length);
}

DicomElement::DicomElement(const DicomElement& header, const void* bytes, uint32_t length)
    : tag(header.tag), vr(header.vr), multiplicity(header.multiplicity), name(header.name), include(header.include)
{
    SetValue(bytes, length);
}

DicomElement::DicomElement(const DicomElement& other)
    : tag(other.tag), vr(other.vr), multiplicity(other.multiplicity), name(other.name), include(other.include)
{
    SetValue(other.value_, other.length_);
}

DicomElement::DicomElement(DicomElement&& other) noexcept
    : tag(other.tag), vr(other.vr), multiplicity(other.multiplicity), name(std::move(other.name)),
      include(other.include), storage_(std::move(other.storage_)), value_(other.value_), length_(other.length_)
{
    other.value_ = nullptr;
    other.length_ = 0;
}

DicomElement& DicomElement::operator=(const DicomElement& other)
{
    if (this == &other) return *this;
    tag = other.tag;
    vr = other.vr;
    multiplicity = other.multiplicity;
    name = other.name;
    include = other.include;
    ResizeValue(other.length_);
    if (length_ != 0) std::memcpy(value_, other.value_, length_);
    return *this;
}

DicomElement& DicomElement::operator=(DicomElement&& other) noexcept
{
    if (this == &other) return *this;
    tag = other.tag;
    vr = other.vr;
    multiplicity = other.multiplicity;
    name = std::move(other.name);
    include = other.include;
    storage_ = std::move(other.storage_);
    value_ = other.value_;
    length_ = other.length_;
    other.value_ = nullptr;
    other.length_ = 0;
    return *this;
}

void DicomElement::Allocate(uint32_t n, bool zeroFill)
{
    FreeValue();
    length_ = n;
    if (n == 0) return;
    storage_.reset(zeroFill ? new uint8_t[size_t(n) + 1]() : new uint8_t[size_t(n) + 1]);
    value_ = storage_.get();
    value_[n] = 0;
}

void DicomElement::ResizeValue(uint32_t n)
{
    if (n == length_ && (value_ || n == 0)) return;
    Allocate(n, true);
}

void DicomElement::SetValue(const void* bytes, uint32_t n)
{
    if (n != length_ || !value_) Allocate(n, false);
    if (n != 0) std::memmove(value_, bytes, n);
}

void DicomElement::FreeValue()
{
    storage_.reset();
    value_ = nullptr;
    length_ = 0;
}

void DicomElement::AdoptValue(std::unique_ptr<uint8_t[]> storage, uint8_t* value, uint32_t n)
{
    storage_ = std::move(storage);
    value_ = n ? value : nullptr;
    length_ = n;
}

int32_t DicomElement::AsInt() const
{
    if (vr == kVrSL && length_ == 4) {
        int32_t v;
        std::memcpy(&v, value_, 4);
        return v;
    }
    return ParseLeadingInt32(DicomValueText(*this));
}

uint32_t DicomElement::AsUInt() const
{
    if (vr == kVrUL && length_ == 4) {
        uint32_t v;
        std::memcpy(&v, value_, 4);
        return v;
    }
    // A UL text of 2^31 or more prints negative; the cast gives the number back.
    return static_cast<uint32_t>(ParseLeadingInt32(DicomValueText(*this)));
}

namespace {

template <typename T>
T Load(const uint8_t* bytes)
{
    T v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

std::string FixedText(double value)
{
    // Room for the longest fixed-notation double (1e308 has 309 digits).
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}

// Numbers of binary VRs; an empty optional-like "" means "not one of them".
bool NumberText(const DicomElement& element, std::string& out)
{
    const uint8_t* v = element.Value();
    const uint32_t n = element.Length();
    size_t unit;
    switch (element.vr) {
    case kVrFL: case kVrSL: case kVrUL: unit = 4; break;
    case kVrFD: unit = 8; break;
    case kVrSS: case kVrUS: unit = 2; break;
    default: return false;
    }
    if (n < unit) {   // shorter than one value: nothing to read as a number
        out = "...";
        return true;
    }
    switch (element.vr) {
    case kVrFL: out = FixedText(Load<float>(v)); break;
    case kVrFD: out = FixedText(Load<double>(v)); break;
    case kVrSL: case kVrUL: out = std::to_string(Load<int32_t>(v)); break;
    case kVrSS: out = std::to_string(Load<int16_t>(v)); break;
    default: out = std::to_string(Load<uint16_t>(v)); break;
    }
    return true;
}

} // namespace

std::string DicomValueText(const DicomElement& element)
{
    if (!element.HasValue()) return "empty";
    std::string text;
    if (NumberText(element, text)) return text;
    switch (element.vr) {
    case kVrOB: case kVrOW: case kVrSQ: case kVrUN: return "...";
    default: break;
    }
    const char* bytes = reinterpret_cast<const char*>(element.Value());
    return std::string(bytes, strnlen(bytes, element.Length()));
}

} // namespace velmor
