// The reader and writer against DCMTK, GDCM, pydicom and dicom3tools. Each
// check is skipped only when its tool is missing; scripts/setup installs them.
#include "readers/DicomFileReader.h"
#include "readers/DicomFileWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

using namespace velmor;
using namespace velmor::test;
namespace fs = std::filesystem;

namespace {

constexpr char kPython[] = "/usr/bin/python3";
constexpr char kDcmdump[] = "/usr/bin/dcmdump";
constexpr char kDcmconv[] = "/usr/bin/dcmconv";
constexpr char kGdcmconv[] = "/usr/bin/gdcmconv";
constexpr char kDciodvfy[] = "/usr/bin/dciodvfy";
constexpr char kPydicomFiles[] = "/usr/lib/python3/dist-packages/pydicom/data/test_files";

struct CommandResult {
    int status = -1;
    std::string output;   // standard output and standard error together
};

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CommandResult Execute(const std::vector<std::string>& words)
{
    std::string command;
    for (const std::string& word : words) command += Quote(word) + " ";
    command += "2>&1";
    CommandResult run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> chunk;
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) run.output.append(chunk.data(), n);
    run.status = pclose(pipe);
    return run;
}

bool HavePydicom()
{
    return fs::exists(kPython) && Execute({kPython, "-c", "import pydicom, numpy"}).status == 0;
}

std::vector<std::string> Split(const std::string& line, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(line);
    std::string part;
    while (std::getline(stream, part, separator)) parts.push_back(part);
    return parts;
}

std::string TrimTrailingBlanks(std::string text)
{
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

uint64_t Fnv1a(const uint8_t* data, size_t size)
{
    uint64_t h = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 0x100000001B3ull;
    return h;
}

// What pydicom reads of each file, one record a path.
struct PeerView {
    bool ok = false;
    std::string syntax, instance, series;
    int pixelRepresentation = -99;
    long long pixelLength = -1;
    uint64_t pixelHash = 0;
    bool undefinedPixels = false;
};

std::map<std::string, PeerView> PydicomViews(const std::vector<std::string>& paths)
{
    std::vector<std::string> words = {kPython, VELMOR_DICOM_PEER_SCRIPT, "dump"};
    words.insert(words.end(), paths.begin(), paths.end());
    std::map<std::string, PeerView> views;
    const CommandResult run = Execute(words);
    EXPECT_EQ(run.status, 0) << run.output;
    for (const std::string& line : Split(run.output, '\n')) {
        const auto f = Split(line, '\t');
        if (f.size() < 2) continue;
        PeerView& v = views[f[0]];
        v.ok = f[1] == "ok" && f.size() >= 9;
        if (!v.ok) continue;
        v.syntax = f[2];
        v.instance = f[3];
        v.series = f[4];
        v.pixelRepresentation = std::stoi(f[5]);
        v.pixelLength = std::stoll(f[6]);
        v.pixelHash = std::stoull(f[7]);
        v.undefinedPixels = f[8] == "1";
    }
    return views;
}

std::string OursText(const DicomDataSet& set, uint16_t group, uint16_t element)
{
    const auto found = set.Find(group, element);
    if (found == set.end()) return "<absent>";
    return found->second.Length() == 0 ? "" : TrimTrailingBlanks(DicomValueText(found->second));
}

// Implicit elements of length 0 and unknown VR are dropped on reading; a
// value the file declares UN reads as "..." where pydicom guesses its VR.
void ExpectSameText(const std::string& ours, const std::string& peer)
{
    if ((ours == "<absent>" && peer.empty()) || ours == "...") return;
    EXPECT_EQ(ours, peer);
}

// Compares our reading of a file with pydicom's; pixels are compared when
// pydicom hashed them.
void ExpectSameAsPydicom(const std::string& path, const DicomDataSet& set, const PeerView& peer)
{
    SCOPED_TRACE(path);
    ExpectSameText(OursText(set, 0x0020, 0x0013), peer.instance);
    ExpectSameText(OursText(set, 0x0020, 0x0011), peer.series);
    EXPECT_EQ(set.GetInt(0x0028, 0x0103, -99), peer.pixelRepresentation);
    const auto pixels = set.Find(0x7FE0, 0x0010);
    if (peer.pixelLength < 0) {
        EXPECT_EQ(pixels, set.end());
        return;
    }
    ASSERT_NE(pixels, set.end());
    size_t length = pixels->second.Length();
    if (peer.undefinedPixels && length >= 8) length -= 8;   // we keep the sequence delimitation item
    EXPECT_EQ(static_cast<long long>(length), peer.pixelLength);
    if (peer.pixelHash != 0 && static_cast<long long>(length) == peer.pixelLength) {
        EXPECT_EQ(Fnv1a(pixels->second.Value(), length), peer.pixelHash);
    }
}

// Reading only a file's head and its pixels from where they lie gives what
// reading it whole gives, with heads so short that the first read or both
// miss the pixel data.
void ExpectHeaderReadAgrees(const std::string& path, const DicomDataSet& whole, bool wholeAnswer, bool pixelsLast = false)
{
    const ReadOnlyFile file(path);
    for (const uint64_t head : {uint64_t{16} << 10, uint64_t{700}, uint64_t{90}}) {
        SCOPED_TRACE(path + " head " + std::to_string(head));
        DicomDataSet set;
        DicomPixelPlace place;
        EXPECT_EQ(LoadDicomHeader(set, file, place, head), wholeAnswer);
        // Pixels that end a file longer than the head stay where they are.
        if (pixelsLast && head == 90) {
            EXPECT_TRUE(place.inFile);
        }
        for (const auto& [tag, element] : whole) {
            const auto found = set.Find(DicomTagGroup(tag), DicomTagElement(tag));
            if (place.inFile && tag == 0x7FE00010u) {
                EXPECT_EQ(found, set.end());
                ASSERT_EQ(place.length, element.Length());
                std::vector<uint8_t> pixels(place.length);
                ASSERT_TRUE(ReadDicomPixels(file, place, pixels.data()));
                EXPECT_EQ(std::memcmp(pixels.data(), element.Value(), place.length), 0);
                continue;
            }
            ASSERT_NE(found, set.end()) << std::hex << tag;
            EXPECT_EQ(found->second.vr, element.vr) << std::hex << tag;
            ASSERT_EQ(found->second.Length(), element.Length()) << std::hex << tag;
            if (element.Length() != 0) {
                EXPECT_EQ(std::memcmp(found->second.Value(), element.Value(), element.Length()), 0) << std::hex << tag;
            }
        }
        EXPECT_EQ(set.Size() + (place.inFile ? 1 : 0), whole.Size());
    }
}

// "(0020,0013) IS [17]  # ..." -> "17"; "(0028,0103) US 1  # ..." -> "1".
std::map<std::string, std::string> DcmdumpValues(const std::string& path)
{
    std::map<std::string, std::string> values;
    const CommandResult run = Execute({kDcmdump, "+L", path});
    for (const std::string& line : Split(run.output, '\n')) {
        if (line.size() < 15 || line[0] != '(') continue;
        const std::string tag = line.substr(1, 9);
        std::string value = line.substr(15, line.find('#') == std::string::npos ? std::string::npos : line.find('#') - 15);
        value = TrimTrailingBlanks(value);
        if (value.size() >= 2 && value.front() == '[' && value.back() == ']') value = value.substr(1, value.size() - 2);
        values.emplace(tag, value);
    }
    return values;
}

class DicomPeerTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return (dir.Path() / name).string(); }
    TempDir dir;
};

} // namespace

TEST_F(DicomPeerTest, ReaderAgreesOnConvertedCtSlices)
{
    if (!HavePydicom()) GTEST_SKIP() << "pydicom missing";
    if (!fs::exists(kDcmconv) || !fs::exists(kDcmdump)) GTEST_SKIP() << "dcmtk missing";
    const std::string original = PathOf("ct.dcm");
    ASSERT_EQ(Execute({kPython, VELMOR_DICOM_PEER_SCRIPT, "make-ct", original}).status, 0);

    std::vector<std::string> files = {original};
    const std::vector<std::pair<std::string, std::vector<std::string>>> conversions = {
        {"implicit.dcm", {"+ti"}},
        {"explicit.dcm", {"+te"}},
        {"big.dcm", {"+tb"}},
        {"big_undefined.dcm", {"+tb", "-e"}},   // items and delimiters in big-endian order
        {"implicit_nometa.dcm", {"-F", "+ti"}},
        {"explicit_nometa.dcm", {"-F", "+te"}},
        {"implicit_undefined.dcm", {"+ti", "-e"}},
        {"explicit_undefined.dcm", {"+te", "-e"}},
        {"explicit_grouplengths.dcm", {"+te", "+g"}},
    };
    for (const auto& [name, options] : conversions) {
        std::vector<std::string> words = {kDcmconv};
        words.insert(words.end(), options.begin(), options.end());
        words.push_back(original);
        words.push_back(PathOf(name));
        const CommandResult run = Execute(words);
        ASSERT_EQ(run.status, 0) << run.output;
        files.push_back(PathOf(name));
    }
    if (fs::exists(kGdcmconv)) {
        ASSERT_EQ(Execute({kGdcmconv, "--implicit", original, PathOf("gdcm_implicit.dcm")}).status, 0);
        ASSERT_EQ(Execute({kGdcmconv, "--explicit", PathOf("implicit.dcm"), PathOf("gdcm_explicit.dcm")}).status, 0);
        files.push_back(PathOf("gdcm_implicit.dcm"));
        files.push_back(PathOf("gdcm_explicit.dcm"));
    }

    const auto views = PydicomViews(files);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        DicomDataSet set;
        ASSERT_TRUE(LoadDicomFile(set, file));
        ExpectHeaderReadAgrees(file, set, true, true);
        ASSERT_TRUE(views.at(file).ok);
        ExpectSameAsPydicom(file, set, views.at(file));
        EXPECT_EQ(OursText(set, 0x0020, 0x0013), "17");
        EXPECT_EQ(set.GetInt(0x0028, 0x0103, -1), 1);
        EXPECT_EQ(set.Find(0x7FE0, 0x0010)->second.Length(), 64u * 48u * 2u);
        const auto dumped = DcmdumpValues(file);
        EXPECT_EQ(dumped.at("0020,0013"), OursText(set, 0x0020, 0x0013));
        EXPECT_EQ(dumped.at("0020,0011"), OursText(set, 0x0020, 0x0011));
        EXPECT_EQ(dumped.at("0028,0103"), std::to_string(set.GetInt(0x0028, 0x0103, -1)));
    }
}

TEST_F(DicomPeerTest, PydicomSampleFilesReadSafelyAndAgree)
{
    if (!HavePydicom() || !fs::is_directory(kPydicomFiles)) GTEST_SKIP() << "pydicom or its sample files missing";
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(kPydicomFiles))
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 20u);
    const auto views = PydicomViews(files);
    int compared = 0;
    for (const std::string& file : files) {
        DicomDataSet set;
        testing::internal::CaptureStdout();
        const bool ours = LoadDicomFile(set, file);
        const std::string reports = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        ExpectHeaderReadAgrees(file, set, ours);
        // Reported once a read, as by the whole read, however often the head was read.
        EXPECT_EQ(testing::internal::GetCapturedStdout(), reports + reports + reports) << file;
        const auto peer = views.find(file);
        if (!ours || peer == views.end() || !peer->second.ok) continue;
        // Deflated data sets are compressed as a whole; we do not inflate them.
        if (peer->second.syntax == "1.2.840.10008.1.2.1.99") continue;
        ExpectSameAsPydicom(file, set, peer->second);
        ++compared;
    }
    EXPECT_GT(compared, 30);
}

namespace {

DicomElement Make(uint16_t g, uint16_t e, uint32_t vr, const std::string& value, uint32_t multiplicity = 1)
{
    DicomElement element(MakeDicomTag(g, e), vr, multiplicity, "test", 1);
    element.SetValue(value.data(), uint32_t(value.size()));
    return element;
}

template <typename T>
std::string BinaryOf(T value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// A CT image as the slice export fills it: odd-length texts, binary values
// and group lengths that the writer has to complete.
DicomDataSet CtDataSet(const std::string& transferSyntax)
{
    DicomDataSet set;
    const std::string sopClass = "1.2.840.10008.5.1.4.1.1.2";
    const std::string instance = "1.2.826.0.1.3680043.8.498.77";
    set.Insert(Make(0x0002, 0x0001, kVrOB, std::string("\0\1", 2)));
    set.Insert(Make(0x0002, 0x0002, kVrUI, sopClass));
    set.Insert(Make(0x0002, 0x0003, kVrUI, instance));
    set.Insert(Make(0x0002, 0x0010, kVrUI, transferSyntax));
    set.Insert(Make(0x0002, 0x0012, kVrUI, "1.2.826.0.1.3680043.8.498.1"));
    set.Insert(Make(0x0008, 0x0000, kVrUL, std::string(4, '\0')));
    set.Insert(Make(0x0008, 0x0008, kVrCS, "ORIGINAL\\PRIMARY\\AXIAL", 4));
    set.Insert(Make(0x0008, 0x0016, kVrUI, sopClass));
    set.Insert(Make(0x0008, 0x0018, kVrUI, instance));
    set.Insert(Make(0x0008, 0x0020, kVrDA, "20240105"));
    set.Insert(Make(0x0008, 0x0030, kVrTM, "101010"));
    set.Insert(Make(0x0008, 0x0050, kVrSH, ""));
    set.Insert(Make(0x0008, 0x0060, kVrCS, "CT"));
    set.Insert(Make(0x0008, 0x0070, kVrLO, "Quillmarsh"));
    set.Insert(Make(0x0008, 0x0090, kVrPN, ""));
    set.Insert(Make(0x0010, 0x0010, kVrPN, "Velmor^Export"));
    set.Insert(Make(0x0010, 0x0020, kVrLO, "V1"));
    set.Insert(Make(0x0010, 0x0030, kVrDA, ""));
    set.Insert(Make(0x0010, 0x0040, kVrCS, "O"));
    set.Insert(Make(0x0018, 0x0050, kVrDS, "0.5"));
    set.Insert(Make(0x0018, 0x0060, kVrDS, "120"));
    set.Insert(Make(0x0018, 0x5100, kVrCS, "HFS"));
    set.Insert(Make(0x0020, 0x0012, kVrIS, "1"));
    set.Insert(Make(0x0020, 0x000D, kVrUI, "1.2.826.0.1.3680043.8.498.78"));
    set.Insert(Make(0x0020, 0x000E, kVrUI, "1.2.826.0.1.3680043.8.498.79"));
    set.Insert(Make(0x0020, 0x0010, kVrSH, "1"));
    set.Insert(Make(0x0020, 0x0011, kVrIS, "5"));
    set.Insert(Make(0x0020, 0x0013, kVrIS, "123"));
    set.Insert(Make(0x0020, 0x0020, kVrCS, "L\\P", 2));
    set.Insert(Make(0x0020, 0x0032, kVrDS, "-10.5\\-20\\3.25", 3));
    set.Insert(Make(0x0020, 0x0037, kVrDS, "1\\0\\0\\0\\1\\0", 6));
    set.Insert(Make(0x0020, 0x0052, kVrUI, "1.2.826.0.1.3680043.8.498.80"));
    set.Insert(Make(0x0020, 0x0060, kVrCS, ""));
    set.Insert(Make(0x0020, 0x1040, kVrLO, ""));
    set.Insert(Make(0x0020, 0x1041, kVrDS, "3.25"));
    set.Insert(Make(0x0028, 0x0000, kVrUL, std::string(4, '\0')));
    set.Insert(DicomElement(0x0028, 0x0002, "\1\0", 2));
    set.Insert(Make(0x0028, 0x0004, kVrCS, "MONOCHROME2"));
    set.Insert(DicomElement(0x0028, 0x0010, "\x08\0", 2));
    set.Insert(DicomElement(0x0028, 0x0011, "\x06\0", 2));
    set.Insert(Make(0x0028, 0x0030, kVrDS, "0.5\\0.5", 2));
    set.Insert(DicomElement(0x0028, 0x0100, "\x10\0", 2));
    set.Insert(DicomElement(0x0028, 0x0101, "\x10\0", 2));
    set.Insert(DicomElement(0x0028, 0x0102, "\x0F\0", 2));
    set.Insert(DicomElement(0x0028, 0x0103, "\1\0", 2));
    set.Insert(Make(0x0028, 0x1050, kVrDS, "40", kAnyMultiplicity));
    set.Insert(Make(0x0028, 0x1051, kVrDS, "400", kAnyMultiplicity));
    set.Insert(Make(0x0028, 0x1052, kVrDS, "-1024"));
    set.Insert(Make(0x0028, 0x1053, kVrDS, "1"));
    set.Insert(Make(0x0028, 0x6114, kVrFL, BinaryOf(0.25f) + BinaryOf(-0.5f), 2));
    std::string pixels;
    for (int i = 0; i < 8 * 6; ++i) pixels += BinaryOf(int16_t(i * 211 - 3000));
    set.Insert(Make(0x7FE0, 0x0010, kVrOW, pixels));
    return set;
}

// Group lengths outside the file meta group, which DCMTK rewrites with its
// own implementation elements.
std::map<std::string, std::string> GroupLengths(const std::map<std::string, std::string>& dumped)
{
    std::map<std::string, std::string> lengths;
    for (const auto& [tag, value] : dumped)
        if (tag.substr(5) == "0000" && tag != "0002,0000") lengths[tag] = value;
    return lengths;
}

uint32_t Le(const std::string& bytes, size_t at, int width)
{
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | uint8_t(bytes[at + size_t(i)]);
    return v;
}

// Walks the explicit meta elements after (0002,0000) and returns their bytes.
uint32_t MeasuredMetaLength(const std::string& file)
{
    size_t at = 132 + 12;
    while (at + 8 <= file.size() && Le(file, at, 2) == 0x0002) {
        const std::string vr = file.substr(at + 4, 2);
        const bool longForm = vr == "OB" || vr == "OW" || vr == "UN" || vr == "UT" || vr == "SQ" || vr == "OF";
        at += longForm ? 12 + Le(file, at + 8, 4) : 8 + Le(file, at + 6, 2);
    }
    return uint32_t(at - 144);
}

} // namespace

TEST_F(DicomPeerTest, WrittenFilesPassThePeers)
{
    if (!fs::exists(kDcmdump) || !fs::exists(kDcmconv)) GTEST_SKIP() << "dcmtk missing";
    const bool pydicom = HavePydicom();
    for (const std::string syntax : {"1.2.840.10008.1.2", "1.2.840.10008.1.2.1"}) {
        SCOPED_TRACE(syntax);
        const DicomDataSet set = CtDataSet(syntax);
        const std::string ours = PathOf("ours.dcm");
        ASSERT_TRUE(SaveDicomFile(set, ours));

        // dcmdump reads it without a word of warning.
        const CommandResult dump = Execute({kDcmdump, "-q", ours});
        EXPECT_EQ(dump.status, 0) << dump.output;
        for (const std::string& line : Split(Execute({kDcmdump, "+L", ours}).output, '\n'))
            EXPECT_TRUE(line.rfind("W:", 0) != 0 && line.rfind("E:", 0) != 0) << line;

        // Our group lengths are the ones DCMTK computes.
        const CommandResult recomputed = Execute({kDcmconv, "+g", ours, PathOf("recomputed.dcm")});
        ASSERT_EQ(recomputed.status, 0) << recomputed.output;
        const auto mine = GroupLengths(DcmdumpValues(ours));
        const auto theirs = GroupLengths(DcmdumpValues(PathOf("recomputed.dcm")));
        ASSERT_EQ(mine.size(), 2u);
        for (const auto& [tag, value] : mine) EXPECT_EQ(value, theirs.at(tag)) << tag;
        const std::string bytes = ReadFileBytes(ours);
        ASSERT_EQ(bytes.substr(132, 8), std::string("\2\0\0\0UL\4\0", 8));
        EXPECT_EQ(Le(bytes, 140, 4), MeasuredMetaLength(bytes));

        // We read back what we wrote.
        DicomDataSet back;
        ASSERT_TRUE(LoadDicomFile(back, ours));
        EXPECT_EQ(back.GetString(0x0020, 0x0013, ""), "123 ");
        EXPECT_EQ(back.Find(0x7FE0, 0x0010)->second.Length(), 96u);

        // pydicom reads every value back as it was written.
        if (pydicom) {
            DicomDataSet normalized = set;
            normalized.NormalizeLengths();
            const CommandResult values = Execute({kPython, VELMOR_DICOM_PEER_SCRIPT, "values", ours});
            ASSERT_EQ(values.status, 0) << values.output;
            size_t seen = 0;
            for (const std::string& line : Split(values.output, '\n')) {
                const auto f = Split(line, '\t');
                if (f.size() < 3) continue;
                const uint32_t tag = uint32_t(std::stoul(f[0], nullptr, 16));
                if (DicomTagElement(tag) == 0) continue;   // group lengths: compared above
                const auto found = normalized.Find(DicomTagGroup(tag), DicomTagElement(tag));
                ASSERT_NE(found, normalized.end()) << line;
                std::string hex;
                char two[3];
                for (uint32_t i = 0; i < found->second.Length(); ++i) {
                    std::snprintf(two, sizeof two, "%02x", found->second.Value()[i]);
                    hex += two;
                }
                EXPECT_EQ(f[2], hex) << line;
                ++seen;
            }
            EXPECT_EQ(seen, normalized.Size() - 2);
        }

        // dicom3tools finds no error at all in the CT image.
        if (fs::exists(kDciodvfy)) {
            const CommandResult verify = Execute({kDciodvfy, ours});
            EXPECT_NE(verify.output.find("CTImage"), std::string::npos) << verify.output;
            for (const std::string& line : Split(verify.output, '\n')) EXPECT_EQ(line.find("Error"), std::string::npos) << line;
        }
    }
}
