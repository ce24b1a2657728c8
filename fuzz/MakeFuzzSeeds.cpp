// make_fuzz_seeds DIR: writes seed inputs for every fuzz target into
// DIR/<target>/, built by the same writers the tests use.
#include "platform/ImageCodec.h"
#include "platform/WideText.h"
#include "support/ContainerWriter.h"

#include <png.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Seed(const std::filesystem::path& dir, const std::string& name, const std::string& bytes)
{
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WritePictureSeeds(const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> bgr(9 * 7 * 3);
    for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = static_cast<uint8_t>(i * 13);
    velmor::SaveBmp24(velmor::WideFromPath(dir / "rgb.bmp"), bgr.data(), 9, 7, 27);
    velmor::SaveJpeg(velmor::WideFromPath(dir / "rgb.jpg"), bgr.data(), 9, 7, 27, 70);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 9;
    image.height = 7;
    image.format = PNG_FORMAT_BGR;
    png_image_write_to_file(&image, (dir / "rgb.png").c_str(), 0, bgr.data(), 27, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    const std::filesystem::path root = argv[1];
    using velmor::test::MakeContainer;
    const auto blocks = root / "fuzz_scene_block";
    Seed(blocks, "one_block", MakeContainer(std::vector<std::string>{"<?xml version=\"1.0\"?><root version=\"1.2\"/>"}));
    Seed(blocks, "three_blocks", MakeContainer(std::vector<std::string>{"<root/>", std::string(17, 'a'), "xyz"}));
    Seed(blocks, "empty_block", MakeContainer(std::vector<std::string>{"", "", ""}));
    Seed(blocks, "plain_xml", "<?xml version=\"1.0\"?><root version=\"1.0\"><head/><body/></root>");
    WritePictureSeeds(root / "fuzz_image_codec");
    return 0;
}
