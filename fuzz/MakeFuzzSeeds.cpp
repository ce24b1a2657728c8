// make_fuzz_seeds DIR: writes seed inputs for every fuzz target into
// DIR/<target>/, built by the same writers the tests use.
#include "platform/WideText.h"
#include "support/ContainerWriter.h"
#include "support/TestScenes.h"

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

    using namespace velmor::test;
    const auto open = root / "fuzz_scene_open";
    Seed(open, "full", FullScene());
    Seed(open, "shift_jis", ShiftJisScene());
    Seed(open, "legacy", LegacyScene("1.3", "25um"));
    Seed(open, "legacy_no_version", LegacyScene("", "7um"));
    Seed(open, "utf16", "\xFF\xFE" + velmor::WideToUtf16LE(velmor::Utf8ToWide(FullScene())));
    Seed(open, "container", MakeContainer(std::vector<std::string>{FullScene(), "payload"}));
    Seed(open, "container_legacy", MakeContainer(std::vector<std::string>{LegacyScene("1.2", "25um")}));
    Seed(open, "cycle", SceneWithBody("<drawGroup name=\"a\"><childGroup name=\"b\"/></drawGroup>"
                                      "<drawGroup name=\"b\"><childGroup name=\"a\"/></drawGroup>"));
    return 0;
}
