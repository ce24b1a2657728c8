#pragma once
// Where one decode's pixels go, for the decoders that offer both forms: the
// shared picture layout, or a plane of the caller's for a picture of one
// value a pixel.
#include "platform/ImageCodec.h"

namespace velmor {

struct DecodeTarget {
    DecodedImage* image = nullptr;
    const PlaneRows* plane = nullptr;
    bool colour = false;   // a plane was asked of a picture that has none
};

// A decoder's one routine, true when the picture went whole into the target.
using DecodeRoutine = bool (*)(const uint8_t* data, size_t size, DecodeTarget& target);

inline bool DecodeToImage(DecodeRoutine decode, const uint8_t* data, size_t size, DecodedImage& image)
{
    DecodeTarget target{.image = &image};
    return decode(data, size, target);
}

inline SizedDecode DecodeToPlane(DecodeRoutine decode, const uint8_t* data, size_t size, const PlaneRows& rows)
{
    DecodeTarget target{.plane = &rows};
    if (decode(data, size, target)) return SizedDecode::Decoded;
    return target.colour ? SizedDecode::Colour : SizedDecode::Unreadable;
}

} // namespace velmor
