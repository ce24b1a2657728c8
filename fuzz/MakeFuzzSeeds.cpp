// make_fuzz_seeds DIR: writes seed inputs for every fuzz target into
// DIR/<target>/, built by the same writers the tests use.
#include "support/ContainerWriter.h"
#include "support/DicomBuilder.h"

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

void SeedDicom(const std::filesystem::path& dir)
{
    using namespace velmor::test;
    DicomSliceOptions options;
    Seed(dir, "explicit_little", MakeDicomSlice(options));
    options.transferSyntax = "1.2.840.10008.1.2";
    options.explicitVr = false;
    Seed(dir, "implicit_little", MakeDicomSlice(options));
    options.meta = false;
    Seed(dir, "implicit_no_meta", MakeDicomSlice(options));
    options = {};
    options.transferSyntax = "1.2.840.10008.1.2.2";
    options.withSequence = false;
    Seed(dir, "explicit_big", MakeDicomSlice(options));
    DicomBuilder encapsulated;
    encapsulated.Preamble().Meta("1.2.840.10008.1.2.4.50")
        .Explicit(0x0028, 0x0103, "US", Bytes16(0))
        .ExplicitHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF).Item("").Item("JPEGDATA").SequenceDelimiter()
        .Explicit(0xFFFC, 0xFFFC, "OB", std::string(4, '\0'));
    Seed(dir, "encapsulated", encapsulated.Bytes());
    DicomBuilder mixed;
    mixed.Explicit(0x0028, 0x0030, "DS", std::string(40, '1'))
        .Explicit(0x0028, 0x0009, "AT", Bytes32(0x00181063))
        .Explicit(0x0028, 0x1052, "FD", std::string(8, '\x7f'))
        .Explicit(0x0008, 0x0119, "UC", "newer")
        .ImplicitHeader(0x0041, 0x1010, 0xFFFFFFFF).ItemHeader(0xFFFFFFFF)
        .Implicit(0x0041, 0x1011, "x ").ItemDelimiter().SequenceDelimiter();
    Seed(dir, "mixed_forms", mixed.Bytes());
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
    SeedDicom(root / "fuzz_dicom_buffer");
    return 0;
}
