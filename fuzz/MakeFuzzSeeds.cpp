// make_fuzz_seeds DIR: writes seed inputs for every fuzz target into
// DIR/<target>/, built by the same writers the tests use.
#include "support/ContainerWriter.h"

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
    return 0;
}
