#include "render/GLExtensionRules.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace velmor;

TEST(GLVersion, LeadingNumberDecidesTheRequirement)
{
    EXPECT_FLOAT_EQ(ParseGLVersion("1.1 Mesa 3.0"), 1.100001f);
    EXPECT_FALSE(MeetsGLVersionRequirement(ParseGLVersion("1.1 Mesa 3.0")));
    EXPECT_TRUE(MeetsGLVersionRequirement(ParseGLVersion("1.2")));
    EXPECT_TRUE(MeetsGLVersionRequirement(ParseGLVersion("4.5 (Compatibility Profile) Mesa 22.3.6")));
    EXPECT_FLOAT_EQ(ParseGLVersion("4.5 (Compatibility Profile) Mesa 22.3.6"), 4.500001f);
    EXPECT_FALSE(MeetsGLVersionRequirement(ParseGLVersion(nullptr)));
    EXPECT_FALSE(MeetsGLVersionRequirement(ParseGLVersion("OpenGL ES 3.2")));
}

TEST(GLExtensionNames, MatchOnlyWholeWords)
{
    const char* list = "GL_ARB_multitexture GL_ARB_vertex_buffer_object_ext GL_EXT_blend GL_ATI_meminfo";
    EXPECT_FALSE(IsWholeWordIn(list, "GL_ARB_vertex_buffer_object"));
    EXPECT_TRUE(IsWholeWordIn(list, "GL_ARB_vertex_buffer_object_ext"));
    EXPECT_TRUE(IsWholeWordIn(list, "GL_ARB_multitexture"));
    EXPECT_TRUE(IsWholeWordIn(list, "GL_ATI_meminfo"));
    EXPECT_FALSE(IsWholeWordIn(list, "ARB_multitexture"));
    EXPECT_FALSE(IsWholeWordIn(list, "GL_EXT"));
    EXPECT_FALSE(IsWholeWordIn(list, ""));
    EXPECT_FALSE(IsWholeWordIn(list, "GL_EXT_blend GL_ATI_meminfo"));
    // A later whole occurrence counts after an earlier partial one.
    EXPECT_TRUE(IsWholeWordIn("GL_Ax GL_A", "GL_A"));
}

TEST(GLVendor, NamesFollowTheVendorString)
{
    EXPECT_EQ(ClassifyGLVendor("ATI Technologies Inc."), "amd");
    EXPECT_EQ(ClassifyGLVendor("NVIDIA Corporation"), "nvidia");
    EXPECT_EQ(ClassifyGLVendor("Intel Open Source Technology Center"), "intel");
    EXPECT_EQ(ClassifyGLVendor("Mesa/X.org"), "other");
}

TEST(VideoMemory, UsableAmountFromTotalAndFree)
{
    EXPECT_EQ(UsableVideoMemory(8000000, 6000000), 5599);
    EXPECT_EQ(UsableVideoMemory(0, 6000000), -1);
    EXPECT_EQ(UsableVideoMemory(8000000, -1), -1);
    // Nearly full memory is 0, never negative.
    EXPECT_EQ(UsableVideoMemory(8000000, 100), 0);
}

TEST(VideoMemory, FreeAmountComesFromWhicheverQueryTheDriverOffers)
{
    EXPECT_EQ(ChooseFreeVideoMemoryQuery("amd", true, true), FreeVideoMemoryQuery::AtiTextureFree);
    EXPECT_EQ(ChooseFreeVideoMemoryQuery("nvidia", true, true), FreeVideoMemoryQuery::NvxCurrentAvailable);
    EXPECT_EQ(ChooseFreeVideoMemoryQuery("other", true, false), FreeVideoMemoryQuery::AtiTextureFree);
    EXPECT_EQ(ChooseFreeVideoMemoryQuery("intel", false, true), FreeVideoMemoryQuery::NvxCurrentAvailable);
    EXPECT_EQ(ChooseFreeVideoMemoryQuery("amd", false, false), FreeVideoMemoryQuery::None);
}

TEST(VideoMemory, TotalFromTheKernelsDrmDevices)
{
    velmor::test::TempDir dir;
    EXPECT_EQ(VideoMemoryFromSystem(dir.Path() / "missing"), 0u);
    std::filesystem::create_directories(dir.Path() / "card0-DP-1" / "device");
    std::ofstream(dir.Path() / "card0-DP-1" / "device" / "mem_info_vram_total") << "999000\n";
    std::filesystem::create_directories(dir.Path() / "card0" / "device");
    EXPECT_EQ(VideoMemoryFromSystem(dir.Path()), 0u);
    std::filesystem::create_directories(dir.Path() / "card1" / "device");
    std::ofstream(dir.Path() / "card1" / "device" / "mem_info_vram_total") << "8589934592\n";
    EXPECT_EQ(VideoMemoryFromSystem(dir.Path()), 8589934u);
}
