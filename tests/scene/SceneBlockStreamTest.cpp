#include "scene/SceneBlockKey.h"
#include "scene/SceneBlockStream.h"
#include "support/ContainerWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <openssl/blowfish.h>

using namespace velmor;
using namespace velmor::test;

namespace {

std::string StreamText(SceneBlockStream& block)
{
    std::string text(block.plainLength, '\0');
    EXPECT_EQ(block.stream.Read(text.data(), text.size()), block.plainLength);
    return text;
}

class SceneBlockStreamTest : public ::testing::Test {
protected:
    std::wstring Container(const std::vector<std::string>& plains) { return WriteFile(MakeContainer(plains)); }
    std::wstring WriteFile(const std::string& bytes)
    {
        dir.Write("scene.vlm", bytes);
        return dir.WidePath("scene.vlm");
    }
    TempDir dir;
    SceneBlockStream block;
};

} // namespace

TEST(SceneBlockName, NumberFromCharactersFourOn)
{
    EXPECT_EQ(SceneBlockStream::BlockNumberOf(L""), 0u);
    EXPECT_EQ(SceneBlockStream::BlockNumberOf(L"this"), 0u);
    EXPECT_EQ(SceneBlockStream::BlockNumberOf(L"thi"), 0u);
    EXPECT_EQ(SceneBlockStream::BlockNumberOf(L"this0"), 0u);
    EXPECT_EQ(SceneBlockStream::BlockNumberOf(L"this12"), 12u);
    EXPECT_EQ(SceneBlockStream::BlockNumberOf(L"this 7x"), 7u);
    EXPECT_EQ(SceneBlockStream::BlockNumberOf(L"this-3"), 0u);
    EXPECT_EQ(SceneBlockStream::BlockNumberOf(L"thisabc"), 0u);
    EXPECT_EQ(SceneBlockStream::BlockNumberOf(L"this123456789"), 12345678u);   // eight characters at most
}

TEST(SceneHeader, MagicAndMethod)
{
    auto kind = [](const std::string& s) {
        return ClassifySceneHeader(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    };
    EXPECT_EQ(kind(MakeContainer(std::vector<std::string>{})), SceneFileKind::Container);
    EXPECT_EQ(kind(std::string("velmor000002") + std::string(20, ' ')), SceneFileKind::UnknownMethod);
    EXPECT_EQ(kind(std::string("velmor00\0" "001", 12)), SceneFileKind::UnknownMethod);
    EXPECT_EQ(kind("velmor00"), SceneFileKind::UnknownMethod);
    EXPECT_EQ(kind("<?xml version=\"1.0\"?>"), SceneFileKind::PlainText);
    EXPECT_EQ(kind(""), SceneFileKind::PlainText);
    EXPECT_EQ(kind(std::string("velmor0\0" "00001", 13)), SceneFileKind::PlainText);
}

TEST_F(SceneBlockStreamTest, LengthsZeroSixteenAndSeventeen)
{
    const std::string b16(16, 'a'), b17 = "0123456789abcdefX";
    const std::wstring path = Container({"", b16, b17});
    EXPECT_EQ(ReadFileBytes(dir.Path() / "scene.vlm").size(), 32u + 24 + (24 + 16) + (24 + 32));

    ASSERT_TRUE(block.ReadSceneBlock(path, L""));
    EXPECT_EQ(block.plainLength, 0u);
    EXPECT_EQ(block.stream.Size(), 0u);
    ASSERT_TRUE(block.ReadSceneBlock(path, L"this1"));
    EXPECT_EQ(StreamText(block), b16);
    ASSERT_TRUE(block.ReadSceneBlock(path, L"this2"));
    EXPECT_EQ(StreamText(block), b17);
    block.FreeBlock();
    EXPECT_EQ(block.plainLength, 0u);
}

TEST_F(SceneBlockStreamTest, WalksPastBlocksOfAnyLength)
{
    std::vector<std::string> plains;
    for (size_t n : {3u, 4096u, 1u, 100000u, 40u}) plains.push_back(std::string(n, static_cast<char>('a' + n % 26)));
    plains.push_back("<scene/>");
    plains[0] = "<?xml version=\"1.0\"?><scene/>";
    const std::wstring path = Container(plains);
    for (size_t i = 0; i < plains.size(); ++i) {
        ASSERT_TRUE(block.ReadSceneBlock(path, i == 0 ? L"this0" : L"this" + std::to_wstring(i))) << i;
        EXPECT_EQ(StreamText(block), plains[i]) << i;
        EXPECT_EQ(block.stream.Tell(), block.plainLength);
    }
    EXPECT_FALSE(block.ReadSceneBlock(path, L"this6"));
    EXPECT_EQ(block.plainLength, 0u);
    EXPECT_FALSE(block.ReadSceneBlock(path, L"this99999999"));
}

TEST_F(SceneBlockStreamTest, TruncatedAndLyingFilesFail)
{
    const std::string good = MakeContainer(std::vector<std::string>{std::string(40, 'x'), "second"});
    EXPECT_FALSE(block.ReadSceneBlock(WriteFile(good.substr(0, good.size() - 1)), L"this1"));   // ciphertext short
    EXPECT_TRUE(block.ReadSceneBlock(WriteFile(good.substr(0, good.size() - 1)), L""));
    EXPECT_FALSE(block.ReadSceneBlock(WriteFile(good.substr(0, 32 + 7)), L""));   // length cut
    EXPECT_FALSE(block.ReadSceneBlock(WriteFile(good.substr(0, 32 + 20)), L""));  // key material cut
    EXPECT_FALSE(block.ReadSceneBlock(WriteFile(good.substr(0, 20)), L""));       // header only in part
    EXPECT_FALSE(block.ReadSceneBlock(dir.WidePath("missing.vlm"), L""));
    EXPECT_FALSE(block.ReadSceneBlock(dir.WidePath(""), L""));                    // a folder

    // Lengths that cannot be true must fail before anything is allocated.
    for (uint64_t lie : {UINT64_MAX, UINT64_MAX - 14, uint64_t{1} << 63, uint64_t{1} << 40, uint64_t{49}}) {
        ContainerBlock b;
        b.plain = std::string(40, 'y');
        b.overrideLength = true;
        b.length = lie;
        EXPECT_FALSE(block.ReadSceneBlock(WriteFile(MakeContainer({b})), L"")) << lie;
        EXPECT_FALSE(block.ReadSceneBlock(WriteFile(MakeContainer({b, ContainerBlock{}})), L"this1")) << lie;
        EXPECT_EQ(block.plainLength, 0u);
    }
}

TEST_F(SceneBlockStreamTest, RefusesBlocksThatDoNotFitInMemory)
{
    const std::wstring path = Container({std::string(4096, 'm')});
    SetMemoryStatusSource([] { return MemoryStatus{1000, 0}; });
    EXPECT_FALSE(block.ReadSceneBlock(path, L""));
    SetMemoryStatusSource({});
    EXPECT_TRUE(block.ReadSceneBlock(path, L""));
}

// The container's ciphertext is plain Blowfish-CBC with a zero vector:
// OpenSSL decrypts what the reader decrypts.
TEST_F(SceneBlockStreamTest, CiphertextIsStandardBlowfishCbc)
{
    ContainerBlock b;
    b.plain = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><root version=\"1.2\"/>";
    for (int i = 0; i < 16; ++i) b.material[i] = static_cast<uint8_t>(200 - 7 * i);
    const std::string file = MakeContainer({b});
    ASSERT_TRUE(block.ReadSceneBlock(WriteFile(file), L""));
    EXPECT_EQ(StreamText(block), b.plain);

    // Find the key the reader used by decrypting with OpenSSL under the same derivation.
    uint8_t key[16];
    DeriveBlockKey(b.material, key);
    BF_KEY ref;
    BF_set_key(&ref, 16, key);
    const size_t padded = (b.plain.size() + 15) / 16 * 16;
    std::string plain(padded, '\0');
    uint8_t iv[8] = {};
    BF_cbc_encrypt(reinterpret_cast<const uint8_t*>(file.data()) + 32 + 24, reinterpret_cast<uint8_t*>(plain.data()),
                   static_cast<long>(padded), &ref, iv, BF_DECRYPT);
    EXPECT_EQ(plain.substr(0, b.plain.size()), b.plain);
}
