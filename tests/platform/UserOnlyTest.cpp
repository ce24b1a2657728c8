#include "platform/UserOnly.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmor;
using velmor::test::TempDir;

namespace {

constexpr uid_t kNobody = 65534;

mode_t ModeOf(const std::filesystem::path& p)
{
    struct stat st {};
    lstat(p.c_str(), &st);
    return st.st_mode & 0777;
}

} // namespace

TEST(UserOnly, PrivateFolderIsMadeOrRefused)
{
    TempDir dir;
    const auto fresh = dir.Path() / "fresh";
    EXPECT_TRUE(EnsurePrivateFolder(fresh));
    EXPECT_EQ(ModeOf(fresh), 0700u);
    EXPECT_TRUE(EnsurePrivateFolder(fresh));   // found again as it was left

    const auto open = dir.Path() / "open";
    std::filesystem::create_directory(open);
    chmod(open.c_str(), 0755);
    EXPECT_FALSE(EnsurePrivateFolder(open));
    chmod(open.c_str(), 0710);
    EXPECT_FALSE(EnsurePrivateFolder(open));

    const auto link = dir.Path() / "link";
    std::filesystem::create_directory_symlink(fresh, link);
    EXPECT_FALSE(EnsurePrivateFolder(link));   // even to a private folder
    EXPECT_FALSE(EnsurePrivateFolder(dir.Write("file", "x")));
    EXPECT_FALSE(EnsurePrivateFolder(dir.Path() / "missing" / "deeper"));

    if (geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
    const auto foreign = dir.Path() / "foreign";
    std::filesystem::create_directory(foreign);
    chmod(foreign.c_str(), 0700);
    ASSERT_EQ(chown(foreign.c_str(), kNobody, kNobody), 0);
    EXPECT_FALSE(EnsurePrivateFolder(foreign));
}

TEST(UserOnly, PeerCredentialsTellTheUser)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EXPECT_TRUE(PeerIsThisUser(pair[0]));
    close(pair[0]);
    close(pair[1]);
    EXPECT_FALSE(PeerIsThisUser(-1));

    if (geteuid() != 0) GTEST_SKIP() << "only root can connect as another user";
    TempDir dir;
    chmod(dir.Path().c_str(), 0755);
    const auto path = dir.Path() / "s";
    const int server = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.native().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    chmod(path.c_str(), 0777);
    ASSERT_EQ(listen(server, 1), 0);
    const pid_t child = fork();
    if (child == 0) {
        const int client = socket(AF_UNIX, SOCK_STREAM, 0);
        if (setuid(kNobody) != 0 || connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) _exit(1);
        char byte;
        (void)read(client, &byte, 1);   // until the parent has looked
        _exit(0);
    }
    pollfd waiting{server, POLLIN, 0};
    ASSERT_EQ(poll(&waiting, 1, 10000), 1) << "the other user's process did not connect";
    const int accepted = accept(server, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    EXPECT_FALSE(PeerIsThisUser(accepted));
    close(accepted);
    close(server);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
