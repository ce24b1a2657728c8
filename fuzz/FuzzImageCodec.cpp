// Any bytes as a picture: the JPEG, PNG and BMP decoders must refuse what
// they cannot read without crashing, leaking or reading out of bounds.
#include "platform/ImageCodec.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    velmor::DecodedImage image;
    if (velmor::DecodeImageMemory(data, size, image)) {
        volatile uint8_t sink = 0;
        for (size_t i = 0; i < image.bgra.size(); i += 4093) sink = sink + image.bgra[i];
    }
    return 0;
}
