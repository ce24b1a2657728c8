#include "readers/DicomFileReader.h"
#include "readers/DicomFileWriter.h"
#include "support/DicomBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmor;
using namespace velmor::test;

namespace {

DicomElement Make(uint16_t g, uint16_t e, uint32_t vr, const std::string& value, uint32_t multiplicity = 1)
{
    DicomElement element(MakeDicomTag(g, e), vr, multiplicity, "x", 1);
    element.SetValue(value.data(), uint32_t(value.size()));
    return element;
}

std::string Normalized(DicomElement element)
{
    ApplyDicomLengthRules(element);
    return std::string(reinterpret_cast<const char*>(element.Value()), element.Length());
}

class DicomWriterTest : public ::testing::Test {
protected:
    std::string Save(const DicomDataSet& set)
    {
        const auto path = dir.Path() / "out.dcm";
        EXPECT_TRUE(SaveDicomFile(set, path.string()));
        return ReadFileBytes(path);
    }
    std::string Element(const std::string& file, size_t at, size_t count) { return file.substr(at, count); }
    TempDir dir;
};

} // namespace

TEST(DicomLengthRules, PadAndCut)
{
    EXPECT_EQ(Normalized(Make(0x0008, 0x0054, kVrAE, std::string(17, 'A'))), std::string(16, 'A'));
    EXPECT_EQ(Normalized(Make(0x0008, 0x0060, kVrCS, "ABCDE")), "ABCDE ");
    EXPECT_EQ(Normalized(Make(0x0008, 0x0018, kVrUI, "1.2.3")), std::string("1.2.3\0", 6));
    EXPECT_EQ(Normalized(Make(0x0008, 0x0020, kVrDA, "20240101")), "20240101");
    EXPECT_EQ(Normalized(Make(0x0008, 0x0020, kVrDA, "202401011")), "202401011 ");
    EXPECT_EQ(Normalized(Make(0x0028, 0x0010, kVrUS, "\x05")), std::string("\x05\0", 2));   // binary pads with zeros
    EXPECT_EQ(Normalized(Make(0x0018, 0x0050, kVrFD, "abc")), std::string("abc\0\0\0\0\0", 8));
    EXPECT_EQ(Normalized(Make(0x0028, 0x0030, kVrDS, std::string(40, '1'), 2)), std::string(32, '1'));
    EXPECT_EQ(Normalized(Make(0x0028, 0x1050, kVrDS, std::string(41, '1'), kAnyMultiplicity)), std::string(41, '1') + " ");
    EXPECT_EQ(Normalized(Make(0x7FE0, 0x0010, kVrOW, "abc")), "abc");
    EXPECT_EQ(Normalized(Make(0x0009, 0x0010, kVrOB, "abc")), std::string("abc\0", 4));
    EXPECT_EQ(Normalized(Make(0x0009, 0x0010, kVrUT, "abc")), "abc ");
}

TEST(DicomWriterKinds, JpegTransferSyntaxes)
{
    EXPECT_EQ(JpegTransferSyntaxKind("1.2.840.10008.1.2.4.50"), 1);
    EXPECT_EQ(JpegTransferSyntaxKind("1.2.840.10008.1.2.4.57"), 2);
    EXPECT_EQ(JpegTransferSyntaxKind("1.2.840.10008.1.2.4.64"), 1);
    EXPECT_EQ(JpegTransferSyntaxKind("1.2.840.10008.1.2.4.70"), 2);
    EXPECT_EQ(JpegTransferSyntaxKind("1.2.840.10008.1.2.4.91"), 3);
    EXPECT_EQ(JpegTransferSyntaxKind("1.2.840.10008.1.2.5"), 4);
    EXPECT_EQ(JpegTransferSyntaxKind("1.2.840.10008.1.2.4.67"), 0);
    EXPECT_EQ(JpegTransferSyntaxKind("1.2.840.10008.1.2.4.50 "), 0);
}

TEST_F(DicomWriterTest, WithoutMetaTagsEverythingIsImplicit)
{
    DicomDataSet set;
    set.Insert(DicomElement(0x0028, 0x0010, "\x04\x00", 2));
    set.Insert(Make(0x0020, 0x0013, kVrUnknown, "12"));
    const std::string file = Save(set);
    EXPECT_EQ(file, Bytes16(0x0020) + Bytes16(0x0013) + Bytes32(2) + "12" + Bytes16(0x0028) + Bytes16(0x0010) + Bytes32(2) +
                        std::string("\x04\0", 2));
}

TEST_F(DicomWriterTest, MetaGroupIsCompleted)
{
    DicomDataSet set;
    set.Insert(Make(0x0002, 0x0002, kVrUI, "1.2.840.10008.5.1.4.1.1.2"));
    set.Insert(DicomElement(0x0028, 0x0010, "\x04\x00", 2));
    const std::string file = Save(set);
    ASSERT_GE(file.size(), 132u);
    EXPECT_EQ(file.substr(0, 128), std::string(128, '\0'));
    EXPECT_EQ(file.substr(128, 4), "DICM");
    const std::string ts = Bytes16(0x0002) + Bytes16(0x0010) + "UI" + Bytes16(18) + std::string("1.2.840.10008.1.2\0", 18);
    const size_t at = file.find(ts);
    ASSERT_NE(at, std::string::npos);
    const uint32_t metaLength = uint32_t(at + ts.size() - (132 + 12));
    EXPECT_EQ(file.substr(132, 12), Bytes16(0x0002) + Bytes16(0x0000) + "UL" + Bytes16(4) + Bytes32(metaLength));
    EXPECT_EQ(file.substr(at + ts.size()), Bytes16(0x0028) + Bytes16(0x0010) + Bytes32(2) + std::string("\x04\0", 2));

    DicomDataSet back;
    ASSERT_TRUE(LoadDicomFile(back, (dir.Path() / "out.dcm").string()));
    EXPECT_EQ(back.GetInt(0x0028, 0x0010, 0), 4);
}

TEST_F(DicomWriterTest, BigEndianSyntaxBecomesExplicitLittle)
{
    DicomDataSet set;
    set.Insert(Make(0x0002, 0x0010, kVrUI, "1.2.840.10008.1.2.2"));
    set.Insert(DicomElement(0x0028, 0x0010, "\x04\x00", 2));
    const std::string file = Save(set);
    EXPECT_NE(file.find(std::string("UI") + Bytes16(20) + std::string("1.2.840.10008.1.2.1\0", 20)), std::string::npos);
    EXPECT_EQ(file.substr(file.size() - 10), Bytes16(0x0028) + Bytes16(0x0010) + "US" + Bytes16(2) + std::string("\x04\0", 2));
    EXPECT_EQ(set.GetString(0x0002, 0x0010, ""), "1.2.840.10008.1.2.2");

    set.At(0x0002, 0x0010) = Make(0x0002, 0x0010, kVrUI, "1.2.840.10008.1.2.4.70");
    EXPECT_EQ(Save(set).substr(Save(set).size() - 10, 6), Bytes16(0x0028) + Bytes16(0x0010) + "US");
    set.At(0x0002, 0x0010) = Make(0x0002, 0x0010, kVrUI, "1.2.3.4");
    EXPECT_EQ(Save(set).substr(Save(set).size() - 10, 8), Bytes16(0x0028) + Bytes16(0x0010) + Bytes32(2));
}

TEST_F(DicomWriterTest, GroupLengthsAndExcludedElements)
{
    DicomDataSet set;
    set.Insert(Make(0x0028, 0x0000, kVrUL, std::string(4, '\0')));
    set.Insert(DicomElement(0x0028, 0x0010, "\x04\x00", 2));
    DicomElement hidden(0x0028, 0x0011, "\x04\x00", 2);
    hidden.include = 0;
    set.Insert(hidden);
    set.At(0x0028, 0x0020);   // a default element: "no tag", never written
    const std::string file = Save(set);
    EXPECT_EQ(file, Bytes16(0x0028) + Bytes16(0x0000) + Bytes32(4) + Bytes32(10) + Bytes16(0x0028) + Bytes16(0x0010) +
                        Bytes32(2) + std::string("\x04\0", 2));
}

TEST_F(DicomWriterTest, UndefinedLengthValues)
{
    const std::string items = DicomBuilder().ItemHeader(0).SequenceDelimiter().Bytes();
    ASSERT_EQ(items.size(), 16u);
    DicomDataSet set;
    set.Insert(Make(0x0002, 0x0010, kVrUI, "1.2.840.10008.1.2.1"));
    set.Insert(Make(0x0009, 0x1000, kVrOB, items));
    set.Insert(Make(0x0009, 0x1001, kVrOW, items));
    set.Insert(Make(0x0009, 0x1002, kVrOB, items.substr(4)));   // 12 bytes: real length
    set.Insert(Make(0x0009, 0x1003, kVrUnknown, "ab"));
    set.Insert(Make(0x0009, 0x1004, kVrOF, std::string(4, '\0')));
    std::string file = Save(set);
    EXPECT_NE(file.find(Bytes16(0x1000) + "OB" + std::string(2, '\0') + Bytes32(0xFFFFFFFF) + items), std::string::npos);
    EXPECT_NE(file.find(Bytes16(0x1001) + "OW" + std::string(2, '\0') + Bytes32(0xFFFFFFFF) + items), std::string::npos);
    EXPECT_NE(file.find(Bytes16(0x1002) + "OB" + std::string(2, '\0') + Bytes32(12)), std::string::npos);
    EXPECT_NE(file.find(Bytes16(0x1003) + "UN" + std::string(2, '\0') + Bytes32(2) + "ab"), std::string::npos);
    EXPECT_NE(file.find(Bytes16(0x1004) + "OF" + std::string(2, '\0') + Bytes32(4)), std::string::npos);

    set.At(0x0002, 0x0010) = Make(0x0002, 0x0010, kVrUI, "1.2.840.10008.1.2");
    file = Save(set);
    EXPECT_NE(file.find(Bytes16(0x1000) + Bytes32(0xFFFFFFFF) + items), std::string::npos);
    EXPECT_NE(file.find(Bytes16(0x1001) + Bytes32(16) + items), std::string::npos);
}

TEST(DicomElementWriters, BigEndianUnits)
{
    char* data = nullptr;
    size_t size = 0;
    std::FILE* memory = open_memstream(&data, &size);
    const uint8_t us[4] = {1, 2, 3, 4};
    EXPECT_TRUE(WriteDicomElementExplicit(0x0028, 0x0010, kVrUS, us, 4, memory, false));
    EXPECT_FALSE(WriteDicomElementExplicit(0x0028, 0x0010, kVrUS, us, 3, memory, false));
    std::fclose(memory);
    const std::string out(data, size);
    std::free(data);
    EXPECT_EQ(out.substr(0, 12), std::string("\0\x28\0\x10US\0\x04\x02\x01\x04\x03", 12));
}

TEST_F(DicomWriterTest, FailuresAreReported)
{
    DicomDataSet set;
    set.Insert(DicomElement(0x0028, 0x0010, "\x04\x00", 2));
    EXPECT_FALSE(SaveDicomFile(set, (dir.Path() / "no" / "such" / "dir.dcm").string()));
    if (std::filesystem::exists("/dev/full")) {   // a device is refused before any write
        EXPECT_FALSE(SaveDicomFile(set, "/dev/full"));
        EXPECT_TRUE(std::filesystem::exists("/dev/full"));
    }

    // A regular file whose writes fail (past the file size limit, in a child
    // that ignores the limit's signal): reported, and nothing left behind.
    DicomDataSet big(set);
    big.Insert(Make(0x7FE0, 0x0010, kVrOB, std::string(64 << 10, '\x11')));
    const auto folder = dir.Path() / "limited";
    std::filesystem::create_directory(folder);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr rlim_t kFileSizeLimit = 16 << 10;
        const rlimit limit{kFileSizeLimit, kFileSizeLimit};
        std::signal(SIGXFSZ, SIG_IGN);
        _exit(setrlimit(RLIMIT_FSIZE, &limit) == 0 && !SaveDicomFile(big, (folder / "big.dcm").string()) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_TRUE(SaveDicomFile(big, (folder / "big.dcm").string()));   // the same file without the limit

    // A short-form value over 65535 bytes cannot be described: nothing is written.
    set.Insert(Make(0x0002, 0x0010, kVrUI, "1.2.840.10008.1.2.1"));
    set.Insert(Make(0x0028, 0x1050, kVrDS, std::string(70000, '1'), kAnyMultiplicity));
    const auto path = dir.Path() / "long.dcm";
    EXPECT_FALSE(SaveDicomFile(set, path.string()));
    EXPECT_FALSE(std::filesystem::exists(path));
    // Implicit VR has room for it.
    set.At(0x0002, 0x0010) = Make(0x0002, 0x0010, kVrUI, "1.2.840.10008.1.2");
    EXPECT_TRUE(SaveDicomFile(set, path.string()));
}
