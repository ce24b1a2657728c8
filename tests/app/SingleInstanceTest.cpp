#include "GuiTestSupport.h"

#include "app/SingleInstance.h"
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

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

} // namespace

// A folder that others may enter is not used: no lock, no socket, and the
// copy runs on its own.
TEST(SingleInstance, AFolderOpenToOthersIsNotUsed)
{
    test::GuiApplication();
    TempDir dir;
    chmod(dir.Path().c_str(), 0711);
    SingleInstance instance(Q(dir.Path()));
    EXPECT_FALSE(instance.HasPrivateFolder());
    EXPECT_TRUE(instance.BecomeFirst());
    EXPECT_FALSE(instance.HandToRunning(L"/scenes/a.vlm"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// Whatever listens on the socket must run as this user: a listener of
// another user gets no path, and the start goes on as the first.
TEST(SingleInstance, APathGoesOnlyToACopyOfThisUser)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root can listen as another user";
    test::GuiApplication();
    TempDir run;
    const auto path = run.Path() / QStringLiteral("%1-%2.socket").arg(SingleInstance::kName).arg(geteuid()).toStdString();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.native().copy(address.sun_path, sizeof address.sun_path - 1);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        // Bound by root in the private folder, listening as nobody: the
        // credentials a client sees are those of the listen.
        const int server = socket(AF_UNIX, SOCK_STREAM, 0);
        if (bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || setuid(65534) != 0 ||
            listen(server, 1) != 0)
            _exit(100);
        (void)write(ready[1], "r", 1);
        pollfd waiting{server, POLLIN, 0};
        if (poll(&waiting, 1, 5000) != 1) _exit(0);
        const int client = accept(server, nullptr, nullptr);
        char bytes[64];
        pollfd reading{client, POLLIN, 0};
        const ssize_t got = poll(&reading, 1, 2000) == 1 ? read(client, bytes, sizeof bytes) : 0;
        _exit(got > 0 ? 1 : 0);
    }
    close(ready[1]);
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the other user's listener did not start";
    SingleInstance later(Q(run.Path()));
    EXPECT_TRUE(later.HasPrivateFolder());
    EXPECT_FALSE(later.HandToRunning(L"/scenes/secret.vlm"));
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other user's listener was told something";
}
