// Any bytes as a picture: the JPEG, PNG and BMP decoders must refuse what
// they cannot read without crashing, leaking or reading out of bounds, and a
// picture they decode has the size its header alone tells (slices are
// refused by that size before they are decoded).
#include "platform/ImageCodec.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    velmor::DecodedImage image;
    velmor::ImageSize header;
    const bool sized = velmor::ReadImageSize(data, size, header);
    if (velmor::DecodeImageMemory(data, size, image)) {
        if (!sized || header != velmor::ImageSize{image.width, image.height}) __builtin_trap();
        volatile uint8_t sink = 0;
        for (size_t i = 0; i < image.bgra.size(); i += 4093) sink = sink + image.bgra[i];
    }
    return 0;
}
