#include "support/DicomBuilder.h"

namespace velmor::test {

namespace {

bool IsLongForm(std::string_view vr)
{
    for (std::string_view code : {"OB", "OF", "OW", "SQ", "UN", "UT", "OD", "OL", "OV", "SV", "UC", "UR", "UV"})
        if (vr == code) return true;
    return false;
}

} // namespace

std::string Bytes16(uint16_t value, bool littleEndian)
{
    const char lo = char(value & 0xFF), hi = char(value >> 8);
    return littleEndian ? std::string{lo, hi} : std::string{hi, lo};
}

std::string Bytes32(uint32_t value, bool littleEndian)
{
    return littleEndian ? Bytes16(uint16_t(value), true) + Bytes16(uint16_t(value >> 16), true)
                        : Bytes16(uint16_t(value >> 16), false) + Bytes16(uint16_t(value), false);
}

std::string DicomBuilder::Tag(uint16_t group, uint16_t element) const { return U16(group) + U16(element); }

DicomBuilder& DicomBuilder::Preamble()
{
    bytes_ += std::string(128, '\0') + "DICM";
    return *this;
}

DicomBuilder& DicomBuilder::Meta(std::string_view transferSyntax, std::string_view sopInstance)
{
    auto even = [](std::string text) {
        if (text.size() % 2) text += '\0';
        return text;
    };
    DicomBuilder rest(true);
    rest.Explicit(0x0002, 0x0001, "OB", std::string("\0\1", 2))
        .Explicit(0x0002, 0x0002, "UI", even("1.2.840.10008.5.1.4.1.1.2"))
        .Explicit(0x0002, 0x0003, "UI", even(std::string(sopInstance)))
        .Explicit(0x0002, 0x0010, "UI", even(std::string(transferSyntax)))
        .Explicit(0x0002, 0x0012, "UI", even("1.2.826.0.1.3680043.2.1143"));
    DicomBuilder head(true);
    head.Explicit(0x0002, 0x0000, "UL", Bytes32(uint32_t(rest.Bytes().size())));
    bytes_ += head.Bytes() + rest.Bytes();
    return *this;
}

DicomBuilder& DicomBuilder::ExplicitHeader(uint16_t group, uint16_t element, std::string_view vr, uint32_t length)
{
    bytes_ += Tag(group, element);
    bytes_ += vr;
    if (IsLongForm(vr)) bytes_ += std::string(2, '\0') + U32(length);
    else bytes_ += U16(uint16_t(length));
    return *this;
}

DicomBuilder& DicomBuilder::Explicit(uint16_t group, uint16_t element, std::string_view vr, std::string_view value)
{
    ExplicitHeader(group, element, vr, uint32_t(value.size()));
    bytes_ += value;
    return *this;
}

DicomBuilder& DicomBuilder::ImplicitHeader(uint16_t group, uint16_t element, uint32_t length)
{
    bytes_ += Tag(group, element) + U32(length);
    return *this;
}

DicomBuilder& DicomBuilder::Implicit(uint16_t group, uint16_t element, std::string_view value)
{
    ImplicitHeader(group, element, uint32_t(value.size()));
    bytes_ += value;
    return *this;
}

DicomBuilder& DicomBuilder::ItemHeader(uint32_t length)
{
    bytes_ += U16(0xFFFE) + U16(0xE000) + U32(length);
    return *this;
}

DicomBuilder& DicomBuilder::Item(std::string_view content)
{
    ItemHeader(uint32_t(content.size()));
    bytes_ += content;
    return *this;
}

DicomBuilder& DicomBuilder::ItemDelimiter()
{
    bytes_ += U16(0xFFFE) + U16(0xE00D) + U32(0);
    return *this;
}

DicomBuilder& DicomBuilder::SequenceDelimiter()
{
    bytes_ += U16(0xFFFE) + U16(0xE0DD) + U32(0);
    return *this;
}

DicomBuilder& DicomBuilder::Raw(std::string_view bytes)
{
    bytes_ += bytes;
    return *this;
}

DicomBuilder& DicomBuilder::LittleEndian(bool littleEndian)
{
    littleEndian_ = littleEndian;
    return *this;
}

uint16_t DicomSlicePixel(int row, int column) { return uint16_t(row * 1000 - column * 7); }

std::string MakeDicomSlice(const DicomSliceOptions& o)
{
    const bool bigEndian = o.transferSyntax == "1.2.840.10008.1.2.2";
    DicomBuilder file(true);
    if (o.meta) file.Preamble().Meta(o.transferSyntax);
    DicomBuilder body(!bigEndian);
    auto add = [&](uint16_t g, uint16_t e, std::string_view vr, std::string_view value) {
        if (o.explicitVr) body.Explicit(g, e, vr, value);
        else body.Implicit(g, e, value);
    };
    std::string pixels;
    for (int r = 0; r < o.rows; ++r)
        for (int c = 0; c < o.columns; ++c) pixels += body.U16(DicomSlicePixel(r, c));

    add(0x0008, 0x0060, "CS", "CT");
    if (o.withSequence) {
        // A sequence of undefined length with one item holding a nested sequence.
        DicomBuilder inner(!bigEndian), item(!bigEndian);
        if (o.explicitVr) inner.Explicit(0x0008, 0x0100, "SH", "T-D1100 ").Explicit(0x0008, 0x0102, "SH", "SRT ");
        else inner.Implicit(0x0008, 0x0100, "T-D1100 ").Implicit(0x0008, 0x0102, "SRT ");
        if (o.explicitVr) item.ExplicitHeader(0x0040, 0xA043, "SQ", 0xFFFFFFFF);
        else item.ImplicitHeader(0x0040, 0xA043, 0xFFFFFFFF);
        item.Item(inner.Bytes()).SequenceDelimiter();
        if (o.explicitVr) body.ExplicitHeader(0x0008, 0x2218, "SQ", 0xFFFFFFFF);
        else body.ImplicitHeader(0x0008, 0x2218, 0xFFFFFFFF);
        body.ItemHeader(0xFFFFFFFF).Raw(item.Bytes()).ItemDelimiter().SequenceDelimiter();
    }
    add(0x0009, 0x0010, "LO", "VELMOR");
    add(0x0009, 0x1001, "LO", "private");
    add(0x0020, 0x0011, "IS", std::to_string(o.seriesNumber) + (std::to_string(o.seriesNumber).size() % 2 ? " " : ""));
    add(0x0020, 0x0013, "IS", std::to_string(o.instanceNumber) + (std::to_string(o.instanceNumber).size() % 2 ? " " : ""));
    add(0x0028, 0x0002, "US", body.U16(1));
    add(0x0028, 0x0004, "CS", "MONOCHROME2 ");
    add(0x0028, 0x0010, "US", body.U16(o.rows));
    add(0x0028, 0x0011, "US", body.U16(o.columns));
    add(0x0028, 0x0100, "US", body.U16(16));
    add(0x0028, 0x0101, "US", body.U16(16));
    add(0x0028, 0x0102, "US", body.U16(15));
    add(0x0028, 0x0103, "US", body.U16(o.signedPixels ? 1 : 0));
    add(0x7FE0, 0x0010, "OW", pixels);
    return file.Bytes() + body.Bytes();
}

} // namespace velmor::test
