#include "scene/BlowfishCipher.h"

#include <cstring>
#include <gtest/gtest.h>
#include <openssl/blowfish.h>
#include <random>
#include <string>
#include <vector>

using namespace velmor;

namespace {

std::vector<uint8_t> Hex(const std::string& hex)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
}

struct KnownAnswer { const char* key; const char* plain; const char* cipher; };

// Published ECB test vectors (Eric Young's set).
const KnownAnswer kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
};

const char* kChainKey = "0123456789ABCDEFF0E1D2C3B4A59687";
const char* kChainIv = "FEDCBA9876543210";
// "7654321 Now is the time for " and its terminating zero, zero-padded.
const char* kChainPlain = "37363534333231204E6F77206973207468652074696D6520666F722000000000";

BlowfishCipher& Keyed(BlowfishCipher& c, const char* hexKey)
{
    const auto key = Hex(hexKey);
    EXPECT_EQ(c.SetKey(key.data(), key.size()), 0);
    return c;
}

} // namespace

TEST(BlowfishCipher, PublishedEcbVectors)
{
    for (const auto& v : kEcbVectors) {
        BlowfishCipher c;
        Keyed(c, v.key);
        auto block = Hex(v.plain);
        c.EncryptBlock(block.data());
        EXPECT_EQ(block, Hex(v.cipher)) << v.key;
        c.DecryptBlock(block.data());
        EXPECT_EQ(block, Hex(v.plain)) << v.key;

        auto viaEcb = Hex(v.cipher);
        EXPECT_EQ(c.Decrypt(viaEcb.data(), viaEcb.size(), "ecb"), 0);
        EXPECT_EQ(viaEcb, Hex(v.plain));
    }
}

TEST(BlowfishCipher, PublishedChainingVectors)
{
    const auto iv = Hex(kChainIv);
    const auto plain = Hex(kChainPlain);
    struct Mode { const char* name; const char* cipher; size_t bytes; };
    const Mode modes[] = {
        {"cbc", "6B77B4D63006DEE605B156E27403979358DEB9E7154616D959F1652BD5FF92CC", 32},
        {"cfb", "E73214A2822139CAF26ECF6D2EB9E76E3DA3DE04D1517200519D57A6C3", 24},
        {"ofb", "E73214A2822139CA62B343CC5B65587310DD908D0C241B2263C2CF80DA", 24},
    };
    for (const auto& m : modes) {
        BlowfishCipher c;
        Keyed(c, kChainKey);
        auto data = Hex(m.cipher);
        data.resize(m.bytes);   // the stream modes' vectors end mid-block
        EXPECT_EQ(c.Decrypt(data.data(), data.size(), m.name, iv.data()), 0);
        EXPECT_EQ(data, std::vector<uint8_t>(plain.begin(), plain.begin() + m.bytes)) << m.name;
    }
}

TEST(BlowfishCipher, DecryptRefusesBadArgumentsWithoutTouchingData)
{
    BlowfishCipher c;
    Keyed(c, "0123456789ABCDEF");
    auto data = RandomBytes(16, 1);
    const auto before = data;
    EXPECT_EQ(c.Decrypt(nullptr, 16, "cbc"), -4);
    EXPECT_EQ(c.Decrypt(data.data(), 12, "cbc"), -1);
    EXPECT_EQ(c.Decrypt(data.data(), 16, nullptr), -2);
    EXPECT_EQ(c.Decrypt(data.data(), 16, "CBC"), -3);
    EXPECT_EQ(c.Decrypt(data.data(), 16, "ctr"), -3);
    EXPECT_EQ(data, before);
    EXPECT_EQ(c.Decrypt(data.data(), 0, "cbc"), 0);
}

TEST(BlowfishCipher, KeyCountsOutsideOneTo56AreRefused)
{
    BlowfishCipher c;
    Keyed(c, "0123456789ABCDEF");
    const auto key57 = RandomBytes(57, 2);
    EXPECT_EQ(c.SetKey(key57.data(), 57), -1);
    EXPECT_EQ(c.SetKey(key57.data(), 0), -1);
    EXPECT_EQ(c.SetKey(nullptr, 8), -1);
    auto block = Hex("1111111111111111");
    c.EncryptBlock(block.data());
    EXPECT_EQ(block, Hex("61F9C3802281B096"));   // the old key still stands
    EXPECT_EQ(c.SetKey(key57.data(), 56), 0);
}

// Large buffers are split across threads; the output must equal OpenSSL's
// sequential decryption for every chained mode, with chunks of any alignment.
TEST(BlowfishCipher, LargeBuffersMatchOpenSsl)
{
    const auto key = RandomBytes(16, 3);
    const auto iv = RandomBytes(8, 4);
    BF_KEY ref;
    BF_set_key(&ref, 16, key.data());
    BlowfishCipher c;
    ASSERT_EQ(c.SetKey(key.data(), key.size()), 0);

    for (size_t bytes : {size_t{3} << 20, (size_t{5} << 20) + 8 * 13}) {
        const auto plain = RandomBytes(bytes, static_cast<unsigned>(bytes));
        std::vector<uint8_t> cipher(bytes);

        std::vector<uint8_t> v(iv);
        BF_cbc_encrypt(plain.data(), cipher.data(), static_cast<long>(bytes), &ref, v.data(), BF_ENCRYPT);
        EXPECT_EQ(c.Decrypt(cipher.data(), bytes, "cbc", iv.data()), 0);
        EXPECT_EQ(cipher, plain) << "cbc " << bytes;

        for (size_t i = 0; i < bytes; i += 8) BF_ecb_encrypt(plain.data() + i, cipher.data() + i, &ref, BF_ENCRYPT);
        EXPECT_EQ(c.Decrypt(cipher.data(), bytes, "ecb"), 0);
        EXPECT_EQ(cipher, plain) << "ecb " << bytes;

        int num = 0;
        v = iv;
        BF_cfb64_encrypt(plain.data(), cipher.data(), static_cast<long>(bytes), &ref, v.data(), &num, BF_ENCRYPT);
        EXPECT_EQ(c.Decrypt(cipher.data(), bytes, "cfb", iv.data()), 0);
        EXPECT_EQ(cipher, plain) << "cfb " << bytes;

        num = 0;
        v = iv;
        BF_ofb64_encrypt(plain.data(), cipher.data(), static_cast<long>(bytes), &ref, v.data(), &num);
        EXPECT_EQ(c.Decrypt(cipher.data(), bytes, "ofb", iv.data()), 0);
        EXPECT_EQ(cipher, plain) << "ofb " << bytes;
    }
}
