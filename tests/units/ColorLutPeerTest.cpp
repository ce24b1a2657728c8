// The section sampler on oblique planes against SciPy, through
// tests/units/peers/section_peer.py.
#include "support/TempDir.h"
#include "units/ColorLut.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

using namespace velmor;
using velmor::test::TempDir;

namespace {

constexpr uint64_t kNx = 20, kNy = 17, kNz = 13;

// Samples a plane tilted against every axis, larger than the volume, and
// lets the peer recompute every texel.
void CheckObliqueSection(int bytesPerValue)
{
    const char* python = "/usr/bin/python3";
    if (!std::filesystem::exists(python))
        GTEST_SKIP() << python << " missing";
    std::vector<uint8_t> volume(kNx * kNy * kNz * bytesPerValue);
    for (uint64_t i = 0; i < kNx * kNy * kNz; ++i) {
        const uint64_t x = i % kNx, y = i / kNx % kNy, z = i / (kNx * kNy);
        const unsigned value = 1 + (x * 37 + y * 11 + z * z * 5 + (x * y) % 7) % 250;
        if (bytesPerValue == 1)
            volume[i] = static_cast<uint8_t>(value);
        else
            volume[2 * i] = static_cast<uint8_t>(value * 97), volume[2 * i + 1] = static_cast<uint8_t>(value);
    }
    ColorLut lut;
    lut.imageWidth = kNx, lut.imageHeight = kNy, lut.imageDepth = kNz;
    lut.channels = 1;
    lut.bytesPerChannel = static_cast<uint8_t>(bytesPerValue);
    lut.sectionSamples = 40;
    lut.sectionScale = 12.0;
    ASSERT_TRUE(lut.CommitSectionBuffers());
    SectionFrame frame;
    const double column[3] = {0.8, 0.3, -0.2}, row[3] = {-0.25, 0.9, 0.35}, origin[3] = {0.7, -0.4, 1.3};
    std::string words;
    for (int k = 0; k < 3; ++k)
        frame.column[k] = column[k], frame.row[k] = row[k], frame.origin[k] = origin[k];
    for (const double* v : {column, row, origin})
        for (int k = 0; k < 3; ++k)
            words += " " + std::to_string(v[k]);
    const SectionRect rect = lut.SampleSection(volume.data(), volume.size(), 0, 255, L"RGB", frame);
    ASSERT_FALSE(rect.Empty());

    TempDir dir;
    dir.Write("volume.raw", std::string_view(reinterpret_cast<const char*>(volume.data()), volume.size()));
    dir.Write("work.raw", std::string_view(reinterpret_cast<const char*>(lut.sectionWork.Data()), 40 * 40 * bytesPerValue));
    const std::string command = std::string(python) + " " VELMOR_TEST_SOURCE_DIR "/units/peers/section_peer.py " +
                                dir.Path().string() + " 20 17 13 " + std::to_string(bytesPerValue) + " 40 12" + words + " 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    for (int c; (c = std::fgetc(pipe)) != EOF;)
        output += static_cast<char>(c);
    const int status = pclose(pipe);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 77)
        GTEST_SKIP() << output;
    EXPECT_EQ(code, 0) << output;
}

} // namespace

TEST(SectionPeer, ObliqueByteSectionMatchesScipy) { CheckObliqueSection(1); }

TEST(SectionPeer, ObliqueSixteenBitSectionMatchesScipy) { CheckObliqueSection(2); }
