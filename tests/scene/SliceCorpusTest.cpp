// Sound and damaged slice pictures written at test time by Pillow, pydicom,
// tifffile and small writers, loaded as the images of one scene through the
// payload job: each gives exactly the samples a trusted decoder sees, or a
// read failure. A refused file costs no more address space than its bytes
// justify, however much its header claims.
#include "SceneDocFixture.h"

#include "scene/DataObject.h"
#include "support/RecordingJobHost.h"
#include "support/TestScenes.h"
#include "units/CKxDrawUnit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmor;
using namespace velmor::test;
namespace fs = std::filesystem;

namespace {

constexpr char kPython[] = "/usr/bin/python3";
constexpr char kRefused[] = "refused";

struct CorpusEntry {
    std::string file, keyword, format;
    int width = 0, height = 0;
    std::string expected;   // a file of samples, or "refused"

    std::string What() const { return file + " as " + keyword + " " + format; }
};

std::vector<CorpusEntry> ReadCorpus(const fs::path& dir)
{
    std::vector<CorpusEntry> entries;
    std::ifstream in(dir / "corpus.txt");
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        CorpusEntry e;
        if (words >> e.file >> e.keyword >> e.format >> e.width >> e.height >> e.expected) entries.push_back(e);
    }
    return entries;
}

// Kilobytes of the process's address space: now, and at its peak.
uint64_t StatusKilobytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1));
    return 0;
}

// How far the address space grew while `work` ran, measured in a child
// whose peak starts at its size when it forks. `warmUp` runs first, so that
// the thread stacks and allocator arenas any load sets up are not counted.
uint64_t PeakGrowthBytes(const std::function<void()>& warmUp, const std::function<void()>& work)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return UINT64_MAX;
    const pid_t child = fork();
    if (child == 0) {
        warmUp();
        const uint64_t before = StatusKilobytes("VmSize");
        work();
        const uint64_t growth = (StatusKilobytes("VmPeak") - std::min(before, StatusKilobytes("VmPeak"))) * 1024;
        (void)!write(pipeEnds[1], &growth, sizeof growth);
        _exit(0);
    }
    close(pipeEnds[1]);
    uint64_t growth = UINT64_MAX;
    if (read(pipeEnds[0], &growth, sizeof growth) != sizeof growth) growth = UINT64_MAX;
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return growth;
}

std::string DataElement(const std::string& name, const CorpusEntry& e, bool reverseY)
{
    return "<data name=\"" + name + "\" type=\"image\" format=\"" + e.format + "\" size=\"" + std::to_string(e.width) + "," +
           std::to_string(e.height) + "\"><file path=\"" + e.file + "\" type=\"" + e.keyword + "\"" +
           (reverseY ? " reverseY=\"on\"" : "") + "/></data>\n";
}

class SliceCorpusTest : public SceneDocTest {
protected:
    void SetUp() override
    {
        if (!fs::exists(kPython)) GTEST_SKIP() << "python3 missing";
        const std::string command = std::string(kPython) + " " + VELMOR_SLICE_CORPUS_SCRIPT + " '" + dir.Path().string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        corpus = ReadCorpus(dir.Path());
        ASSERT_GE(corpus.size(), 45u);
        ASSERT_NE(corpus.front().expected, kRefused);
    }

    std::vector<CorpusEntry> corpus;
    RecordingJobHost host;
    CKxDrawUnit unit{nullptr};
};

} // namespace

TEST_F(SliceCorpusTest, EachFileLoadsItsSamplesOrFails)
{
    std::string body;
    for (size_t i = 0; i < corpus.size(); ++i) body += DataElement("e" + std::to_string(i), corpus[i], true);
    OpenCleanly(SceneWithBody(body));
    for (size_t i = 0; i < corpus.size(); ++i) {
        const CorpusEntry& e = corpus[i];
        DataObject& d = Data(L"e" + std::to_wstring(i));
        const int32_t result = d.AcquireData(&unit);
        if (e.expected == kRefused) {
            EXPECT_EQ(result, -1) << e.What();
            continue;
        }
        EXPECT_EQ(result, 0) << e.What();
        if (result != 0) continue;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.samples), d.payloadBytes), ReadFileBytes(dir.Path() / e.expected))
            << e.What();
    }
}

// Every refused file, decoded alone: what a lying header asks for is never reserved.
TEST_F(SliceCorpusTest, RefusedFilesReserveNothingTheirHeadersClaim)
{
    constexpr uint64_t kJustified = uint64_t{64} << 20;
    for (const CorpusEntry& e : corpus) {
        if (e.expected != kRefused) continue;
        OpenCleanly(SceneWithBody(DataElement("sound", corpus.front(), false) + DataElement("one", e, false)));
        DataObject& sound = Data(L"sound");
        DataObject& d = Data(L"one");
        EXPECT_LT(PeakGrowthBytes([&] { sound.AcquireData(&unit); }, [&] { d.AcquireData(&unit); }), kJustified) << e.What();
    }
}
