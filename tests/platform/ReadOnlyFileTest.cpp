#include "platform/ImageCodec.h"
#include "platform/ReadOnlyFile.h"
#include "platform/WideText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <fcntl.h>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace velmor;
using velmor::test::TempDir;

namespace {

// Runs `open` with a rescue: should it block on the FIFO, a writer comes
// after a while and lets it go, so that the test fails instead of hanging.
bool OpensWithoutBlocking(const std::filesystem::path& fifo, const std::function<bool()>& open)
{
    auto result = std::async(std::launch::async, open);
    if (result.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return !result.get();
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    result.wait();
    if (writer >= 0) close(writer);
    return false;
}

} // namespace

// Only regular files are read: a FIFO, a device, a socket and a folder are
// refused at once, by every reader that opens a named file.
TEST(ReadOnlyFile, OnlyRegularFilesOpen)
{
    TempDir dir;
    const auto regular = dir.Write("plain.raw", "abc");
    uint64_t size = 0;
    EXPECT_TRUE(ReadOnlyFile(regular).RegularSize(size));
    EXPECT_EQ(size, 3u);

    const auto fifo = dir.Path() / "pipe.raw";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(OpensWithoutBlocking(fifo, [&] { return ReadOnlyFile(fifo).IsOpen(); }));
    DecodedImage image;
    EXPECT_TRUE(OpensWithoutBlocking(fifo, [&] { return DecodeImageFile(WideFromPath(fifo), image); }));

    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const auto socketPath = dir.Path() / "socket.raw";
    socketPath.native().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(ReadOnlyFile(socketPath).IsOpen());
    close(sock);

    EXPECT_FALSE(ReadOnlyFile("/dev/zero").IsOpen());
    EXPECT_FALSE(ReadOnlyFile(dir.Path()).IsOpen());
    EXPECT_FALSE(ReadOnlyFile(dir.Path() / "missing.raw").IsOpen());
}
