// Any bytes as a picture: the JPEG, PNG and BMP decoders must refuse what
// they cannot read without crashing, leaking or reading out of bounds, and a
// picture they decode has the size its header alone tells (slices are
// refused by that size before they are decoded). A grey or palette picture
// decoded straight into a plane holds the picture's indices, and is refused
// there only when the picture is.
#include "platform/ImageCodec.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    velmor::DecodedImage image;
    velmor::ImageSize header;
    const bool sized = velmor::ReadImageSize(data, size, header);
    const bool decoded = velmor::DecodeImageMemory(data, size, image);
    if (decoded) {
        if (!sized || header != velmor::ImageSize{image.width, image.height}) __builtin_trap();
        volatile uint8_t sink = 0;
        for (size_t i = 0; i < image.bgra.size(); i += 4093) sink = sink + image.bgra[i];
    }
    constexpr int64_t kMostPlanePixels = int64_t{1} << 22;
    if (!sized || header.width <= 0 || header.height <= 0 || header.width > kMostPlanePixels / header.height) return 0;
    std::vector<uint8_t> plane(static_cast<size_t>(header.width * header.height));
    const velmor::SizedDecode straight = velmor::DecodePlaneOfSize(data, size, header, {plane.data(), header.width});
    if (straight == velmor::SizedDecode::Decoded && (!decoded || plane != image.indices)) __builtin_trap();
    if (straight == velmor::SizedDecode::Unreadable && decoded) __builtin_trap();
    return 0;
}
