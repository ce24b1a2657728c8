#include "platform/HandoffRecord.h"
#include "platform/UserOnly.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace velmor;

TEST(HandoffRecord, RoundTripAndLayout)
{
    const std::string r = EncodeHandoffRecord(L"/d/日本.vlm");
    EXPECT_EQ(r.substr(0, 8), std::string("\0\0\0\0\x14\0\0\0", 8));   // code 0, (9 + 1) x 2 bytes
    EXPECT_EQ(HandoffRecordLength(r), r.size());
    EXPECT_EQ(DecodeHandoffRecord(r), std::optional<std::wstring>(L"/d/日本.vlm"));
    EXPECT_EQ(DecodeHandoffRecord(EncodeHandoffRecord(L"")), std::optional<std::wstring>(L""));
    // The byte characters of a name that is not UTF-8 come through; other
    // lone surrogates do not.
    const std::wstring bytes = L"/d/\xDC83" L"e.vlm";
    EXPECT_EQ(DecodeHandoffRecord(EncodeHandoffRecord(bytes)), std::optional<std::wstring>(bytes));
    EXPECT_EQ(DecodeHandoffRecord(EncodeHandoffRecord(L"/\xDC10")), std::optional<std::wstring>(L"/\xFFFD"));
}

TEST(HandoffRecord, MalformedRecordsAreRefused)
{
    const std::string good = EncodeHandoffRecord(L"/a.vlm");
    EXPECT_FALSE(DecodeHandoffRecord(good.substr(0, good.size() - 1)));        // short
    EXPECT_FALSE(DecodeHandoffRecord(good + "xx"));                             // trailing bytes
    std::string odd = good;
    odd[4] = 13;
    EXPECT_FALSE(DecodeHandoffRecord(odd));
    std::string noZero = good;
    noZero[noZero.size() - 2] = 'x';
    EXPECT_FALSE(DecodeHandoffRecord(noZero));
    std::string innerZero = good;
    innerZero[10] = '\0';
    innerZero[11] = '\0';
    EXPECT_FALSE(DecodeHandoffRecord(innerZero));
    std::string huge(8, '\0');
    huge[7] = '\x7f';
    EXPECT_EQ(HandoffRecordLength(huge), 8 + 0x7f000000ull);
    EXPECT_FALSE(DecodeHandoffRecord(huge));
    EXPECT_FALSE(DecodeHandoffRecord("abc"));
}

// Either end of the hand-off socket trusts only a peer of this user: the
// kernel's record of who made the other end is what counts.
TEST(UserOnly, OnlyAPeerOfThisUserIsTrusted)
{
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    EXPECT_TRUE(PeerIsThisUser(ends[0]));
    EXPECT_FALSE(PeerIsThisUser(-1));
    close(ends[0]), close(ends[1]);
    if (geteuid() != 0) GTEST_SKIP() << "only root can make a socket as another user";
    ASSERT_EQ(seteuid(65534), 0);   // made while acting as nobody: nobody's credentials
    const int made = socketpair(AF_UNIX, SOCK_STREAM, 0, ends);
    ASSERT_EQ(seteuid(0), 0);
    ASSERT_EQ(made, 0);
    EXPECT_FALSE(PeerIsThisUser(ends[0]));
    close(ends[0]), close(ends[1]);
}
