#include "platform/UserOnly.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace velmor;

// The kernel's record of who made the other end is what counts.
TEST(UserOnly, OnlyAPeerOfThisUserIsTrusted)
{
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    EXPECT_TRUE(PeerIsThisUser(ends[0]));
    EXPECT_FALSE(PeerIsThisUser(-1));
    close(ends[0]);
    close(ends[1]);
    if (geteuid() != 0) GTEST_SKIP() << "only root can make a socket as another user";
    // Made while acting as nobody, the pair carries nobody's credentials.
    ASSERT_EQ(seteuid(65534), 0);
    const int made = socketpair(AF_UNIX, SOCK_STREAM, 0, ends);
    ASSERT_EQ(seteuid(0), 0);
    ASSERT_EQ(made, 0);
    EXPECT_FALSE(PeerIsThisUser(ends[0]));
    close(ends[0]);
    close(ends[1]);
}
