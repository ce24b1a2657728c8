// Exports that cannot finish, driven through the program's buttons: onto a
// small filesystem that fills up part-way, through another user's links in a
// shared folder, and in a program killed while it writes. What was there stays
// byte for byte; a failed export's files take no names and go with the next.
#include "app/CKxDlgProgress.h"
#include "app/RunningProgram.h"
#include "dialogs/CKxDlgMainControl.h"
#include "dialogs/CKxDlgPolygonExport.h"
#include "dialogs/CKxDlgUnitSurface.h"
#include "dialogs/CKxDlgVoxelExport.h"
#include "dialogs/DialogTestSupport.h"
#include "platform/AtomicFile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sched.h>
#include <set>
#include <spawn.h>
#include <sstream>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace velmor;
using namespace velmor::test;

namespace {

constexpr double kTwoPi = 6.283185307179586;
// What the killed program is told through its environment.
constexpr const char* kVictimKind = "VELMOR_VICTIM_EXPORT";
constexpr const char* kVictimFolder = "VELMOR_VICTIM_FOLDER";

// A gyroid's surface: many triangles from a small volume.
std::string GyroidVolume(int nx, int ny, int nz, int periods)
{
    std::string bytes(size_t(nx) * ny * nz, '\0');
    const double step = periods * kTwoPi;
    size_t i = 0;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) {
                const double a = step * x / nx, b = step * y / ny, c = step * z / nz;
                const double g = std::sin(a) * std::cos(b) + std::sin(b) * std::cos(c) + std::sin(c) * std::cos(a);
                bytes[i++] = static_cast<char>(static_cast<uint8_t>(std::clamp((g + 1.5) * 80.0, 0.0, 255.0)));
            }
    return bytes;
}

std::filesystem::path WriteGyroidScene(const TempDir& dir, int nx, int ny, int nz, int periods)
{
    dir.Write("gyroid.raw", GyroidVolume(nx, ny, nz, periods));
    const std::string size = std::to_string(nx) + "," + std::to_string(ny) + "," + std::to_string(nz);
    return dir.Write("gyroid.vlm", R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35"><body>
  <drawGroup name="g"><drawUnit>
    <surfaceRendering note="Gyroid" volume_data="v" renderingType="A" border="100" borderUp="255"/>
  </drawUnit></drawGroup>
  <data name="v" type="volume" format="GRAY" size=")" + size + R"("><file path="gyroid.raw"/></data>
  <event name="start"><targetSpace index="0"/><topGroup name="g"/><activeSpace index="0"/></event>
  <firstSetting spaceNum="1" firstEvent="start"/>
</body></scene>
)");
}

// Names `path` in a file dialog, and agrees to replace a file that is there.
bool AnswerFileDialog(QWidget* modal, const std::filesystem::path& path)
{
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(Q(path));
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        return true;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (QAbstractButton* yes = box->button(QMessageBox::Yes)) QMetaObject::invokeMethod(yes, "click", Qt::QueuedConnection);
        return true;
    }
    return false;
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> Contents(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    for (const std::string& name : FolderNames(folder))
        if (std::filesystem::is_regular_file(folder / name)) files[name] = ReadFileBytes(folder / name);
    return files;
}

// The program on the gyroid scene, with the panel's export buttons.
class GyroidProgram : public RunningProgram {
protected:
    void Start(int nx, int ny, int nz, int periods)
    {
        Launch(WriteGyroidScene(scenes, nx, ny, nz, periods));
        WaitShown([this] { return view->Dialogs().unitPanel != nullptr && List()->topLevelItemCount() > 0; });
        List()->setCurrentItem(List()->topLevelItem(0));
        view->Dialogs().unitPanel->OnNMClickUnitList(0);
    }
    QTreeWidget* List()
    {
        return view->Dialogs().unitPanel->findChild<QTreeWidget*>(ControlName(CKxDlgMainControl::kUnitList));
    }
    void Press(QWidget* owner, int id) { QTest::mouseClick(owner->findChild<QAbstractButton*>(ControlName(id)), Qt::LeftButton); }
    // Polygon button: the format (0 STL, 1 OBJ), then the file.
    void ExportPolygons(int format, const std::filesystem::path& file)
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            if (auto* dialog = dynamic_cast<CKxDlgPolygonExport*>(modal)) {
                dialog->findChild<QComboBox*>(ControlName(CKxDlgPolygonExport::kFormat))->setCurrentIndex(format);
                Press(dialog, CKxDlgPolygonExport::kOk);
            } else {
                AnswerFileDialog(modal, file);
            }
        });
        Press(view->Dialogs().unitPanel, CKxDlgMainControl::kPolygon);
    }
    // Voxel button: the settings as they come, then the folder.
    void ExportVoxels(const std::filesystem::path& folder)
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            if (dynamic_cast<CKxDlgVoxelExport*>(modal) != nullptr) Press(modal, CKxDlgVoxelExport::kOk);
            else AnswerFileDialog(modal, folder);
        });
        Press(view->Dialogs().unitPanel, CKxDlgMainControl::kVoxel);
    }
    // The surface dialog's histogram into `file`.
    void ExportHistogram(const std::filesystem::path& file)
    {
        Press(view->Dialogs().unitPanel, CKxDlgMainControl::kUnitPreference);
        CKxDlgUnitSurface* surface = view->Dialogs().units.surface;
        ASSERT_TRUE(surface->isVisible());
        ModalAnswerer answerer([&](QWidget* modal) { AnswerFileDialog(modal, file); });
        Press(surface, CKxDlgUnitSurface::kExportHistogram);
    }
};

// A filesystem of `bytes` mounted over a folder in a mount namespace of
// this thread's own, so that nothing of it outlives the test.
class SmallFilesystem {
public:
    SmallFilesystem(const std::filesystem::path& folder, size_t bytes) : m_folder(folder)
    {
        const std::string size = "size=" + std::to_string(bytes);
        m_mounted = ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                    ::mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) == 0;
    }
    ~SmallFilesystem()
    {
        if (m_mounted) ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }

private:
    std::filesystem::path m_folder;
    bool m_mounted = false;
};

uint64_t FreeBytes(const std::filesystem::path& folder)
{
    struct statvfs info{};
    return ::statvfs(folder.c_str(), &info) == 0 ? uint64_t(info.f_bavail) * info.f_frsize : 0;
}

} // namespace

class FullDiskExport : public GyroidProgram {};

TEST_F(FullDiskExport, OldFilesStayByteForByteAndEachFailureSaysSo)
{
    constexpr size_t kDiskBytes = 1 << 20;
    constexpr uint64_t kRoomLeft = 24 * 1024;
    TempDir disk;
    SmallFilesystem filesystem(disk.Path(), kDiskBytes);
    if (!filesystem.Mounted()) GTEST_SKIP() << "no small filesystem can be mounted here";
    Start(48, 48, 48, 3);

    const std::filesystem::path out = disk.Path();
    std::filesystem::create_directory(out / "slices");
    disk.Write("old.stl", std::string(20000, 'a'));
    disk.Write("old.obj", std::string(3000, 'b'));
    disk.Write("old.mtl", std::string(300, 'c'));
    disk.Write("h.csv", std::string(100, 'd'));
    disk.Write("slices/0000.tif", std::string(5000, 'e'));
    disk.Write("slices/0001.tif", std::string(5000, 'f'));
    // Room for a few slices and a start of each mesh file, not for more.
    disk.Write("filler", std::string(FreeBytes(out) - kRoomLeft, 'x'));
    const auto before = Contents(out);
    const auto slicesBefore = Contents(out / "slices");

    ExportPolygons(0, out / "old.stl");
    ExportPolygons(1, out / "old.obj");
    ExportVoxels(out / "slices");
    EXPECT_EQ(messages->Messages(), std::vector<std::wstring>(3, L"file write error"));
    EXPECT_EQ(Contents(out), before);
    EXPECT_EQ(Contents(out / "slices"), slicesBefore);
    EXPECT_EQ(FolderNames(out / "slices"), (std::vector<std::string>{"0000.tif", "0001.tif"}));

    // The histogram of the surface dialog onto a disk with no room at all.
    std::ofstream(out / "filler", std::ios::app) << std::string(FreeBytes(out), 'x');
    const auto full = Contents(out);
    ExportHistogram(out / "h.csv");
    EXPECT_EQ(messages->Messages(), std::vector<std::wstring>(4, L"file write error"));
    EXPECT_EQ(Contents(out), full);
}

class SharedFolderExport : public GyroidProgram {};

// Another user's links, in a folder open to all, to this user's file are not
// written through; the user's own link there is, and its file stays private.
// Another user's pipes and files there are never written.
TEST_F(SharedFolderExport, AnotherUsersLinksAreNotWrittenThroughButOwnLinksAre)
{
    Start(24, 24, 24, 2);
    TempDir dir;
    const auto secret = dir.Write("mine/bashrc", "private bytes"), own = dir.Write("mine/own.stl", "");
    const std::filesystem::path shared = dir.Path() / "shared";
    std::filesystem::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    for (const char* name : {"skull.stl", "kx_voxel_export.txt", "h.csv"}) {
        std::filesystem::create_symlink(secret, shared / name);
        ASSERT_EQ(::lchown((shared / name).c_str(), 65534, -1), 0);
    }
    ::chmod(own.c_str(), 0600);
    std::filesystem::create_symlink(own, shared / "own.stl");
    ExportPolygons(0, shared / "own.stl");
    EXPECT_EQ(ReadFileBytes(own).substr(0, 15), "stl binary file");
    EXPECT_EQ(std::filesystem::status(own).permissions(), std::filesystem::perms(0600));

    ExportPolygons(0, shared / "skull.stl");
    ExportVoxels(shared);
    // Another user's pipe (read, or held open unread) or file open to all under a slice's, the note's or
    // an STL's name: each export fails at once, makes nothing in the folder and writes no byte. The reader
    // that never reads drains after a minute, so that a waiting export fails here, not hangs.
    const std::vector<std::filesystem::path> names{dir.Path() / "s/0001.tif", dir.Path() / "n/kx_voxel_export.txt", dir.Path() / "p/pipe.stl"};
    const auto untouched = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
    for (const int kind : {0, 1, 2}) {   // a pipe read, a pipe never read, a file
        std::vector<int> readers;
        for (const auto& name : names) {
            std::filesystem::create_directories(name.parent_path());
            ASSERT_EQ((kind < 2 ? ::mkfifo(name.c_str(), 0) : ::close(::creat(name.c_str(), 0))) | ::chmod(name.c_str(), 0666) |
                          ::lchown(name.c_str(), 65534, -1) | ::chmod(name.parent_path().c_str(), 01777), 0);
            readers.push_back(::open(name.c_str(), O_RDONLY | O_NONBLOCK));
            std::filesystem::last_write_time(name.parent_path(), untouched);
        }
        std::atomic<ssize_t> got{0}, done{false};
        char bytes[4096];   // the reader's, then this thread's once it has ended
        const auto drain = [&] { for (const int fd : readers) got += std::max(::read(fd, bytes, sizeof bytes), ssize_t(0)); };
        std::thread reader([&] { for (int turn = 0; !done; ++turn, ::usleep(10000)) if (kind != 1 || turn > 6000) drain(); });
        ExportVoxels(names[0].parent_path());
        ExportVoxels(names[1].parent_path());
        ExportPolygons(0, names[2]);
        done = true;
        reader.join();
        drain();
        EXPECT_EQ(got.load(), 0) << kind;
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(std::filesystem::last_write_time(names[i].parent_path()), untouched) << kind << i;
            ::close(readers[i]), std::filesystem::remove(names[i]);
        }
    }
    // In a group's folder, not sticky, a series' note and an OBJ file's
    // material file follow the user's own link under their names, never
    // another user's.
    const std::filesystem::path group = dir.Path() / "group";
    ASSERT_EQ(::mkdir(group.c_str(), 0) | ::chmod(group.c_str(), 02775), 0);
    std::filesystem::create_symlink(own, group / "kx_voxel_export.txt");
    std::filesystem::create_symlink(secret, group / "model.mtl");
    ASSERT_EQ(::lchown((group / "model.mtl").c_str(), 65534, -1), 0);
    ExportPolygons(1, group / "model.obj");
    EXPECT_FALSE(std::filesystem::exists(group / "model.obj"));
    for (const uid_t owner : {uid_t(65534), ::geteuid()}) {
        ASSERT_EQ(::lchown((group / "kx_voxel_export.txt").c_str(), owner, -1), 0);
        ExportVoxels(group);
        EXPECT_EQ(ReadFileBytes(own).starts_with("stl binary file"), owner != ::geteuid());
    }
    ExportHistogram(shared / "h.csv");
    EXPECT_EQ(messages->Messages(), std::vector<std::wstring>(14, L"file write error"));
    EXPECT_EQ(ReadFileBytes(secret), "private bytes");
    EXPECT_EQ(FolderNames(dir.Path() / "mine"), (std::vector<std::string>{"bashrc", "own.stl"}));
    EXPECT_EQ(FolderNames(shared), (std::vector<std::string>{"h.csv", "kx_voxel_export.txt", "own.stl", "skull.stl"}));
}

class HeldTurnExport : public GyroidProgram {};

// Another process stopped while it holds the export folder's turn, as a copy
// of the program stopped in its publish: a voxel series is refused with the
// old series whole, the histogram is saved after the wait, and the window
// answers while each waits (its progress display shows).
TEST_F(HeldTurnExport, SavesEndAndTheWindowAnswersMeanwhile)
{
    constexpr int kProbeMs = 10;
    Start(24, 24, 24, 2);
    TempDir dir;
    ExportVoxels(dir.Path());
    struct stat folder;
    ASSERT_EQ(::stat(dir.Path().c_str(), &folder), 0);
    const std::string turn = std::string(std::getenv("XDG_STATE_HOME")) + "/Quillmarsh/Velmor/turn-" +
                             (std::ostringstream() << std::hex << folder.st_dev << "-" << folder.st_ino).str();
    const pid_t holder = ::fork();
    if (holder == 0) ::flock(::open(turn.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600), LOCK_EX), ::raise(SIGSTOP), _exit(0);
    int status = 0;
    ASSERT_TRUE(::waitpid(holder, &status, WUNTRACED) == holder && WIFSTOPPED(status));
    // The files whose temporaries were seen while the progress display showed.
    CKxDlgProgress* progress = CKxDlgProgress::Instance();
    std::set<std::string> waited;
    QTimer probe(progress);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        for (const std::string& name : FolderNames(dir.Path()))
            if (progress->isVisible() && name.find(".part-") != std::string::npos) waited.insert(name.substr(1, name.find(".part-") - 1));
    });
    probe.start(kProbeMs);
    const auto whole = Contents(dir.Path());
    ExportVoxels(dir.Path());
    EXPECT_EQ(Contents(dir.Path()), whole);
    ExportHistogram(dir.Path() / "h.csv");
    EXPECT_EQ(messages->Messages(), std::vector<std::wstring>{L"file write error"});
    EXPECT_GT(std::filesystem::file_size(dir.Path() / "h.csv"), 0u);
    EXPECT_EQ(waited.count("kx_voxel_export.txt") + waited.count("h.csv"), 2u) << "the window answered while each waited";
    ::kill(holder, SIGKILL), ::waitpid(holder, nullptr, 0);
}

// The program that the kill test starts and kills: it runs one export
// through its buttons and waits to be killed. It does nothing on its own.
class DISABLED_KilledExport : public GyroidProgram {};

TEST_F(DISABLED_KilledExport, RunsTheExportItIsToldTo)
{
    const char* kind = std::getenv(kVictimKind);
    const char* folder = std::getenv(kVictimFolder);
    ASSERT_TRUE(kind != nullptr && folder != nullptr);
    Start(128, 128, 256, 8);
    if (std::string(kind) == "stl") ExportPolygons(0, std::filesystem::path(folder) / "big.stl");
    else ExportVoxels(folder);
    ADD_FAILURE() << "the export ended before the program was killed";
}

namespace {

// Starts this test program as the killable one, kills it with SIGKILL once
// `writing` sees the export under way, and says whether it did.
bool KillWhileWriting(const char* kind, const std::filesystem::path& folder, const std::function<bool()>& writing)
{
    ::setenv(kVictimKind, kind, 1);
    ::setenv(kVictimFolder, folder.c_str(), 1);
    std::string self = "/proc/self/exe", filter = "--gtest_filter=DISABLED_KilledExport.*",
                all = "--gtest_also_run_disabled_tests";
    char* argv[] = {self.data(), filter.data(), all.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(4);
    bool caught = false;
    while (!caught && std::chrono::steady_clock::now() < until && ::waitpid(pid, nullptr, WNOHANG) == 0) {
        caught = writing();
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return caught;
}

// The names in `folder` that are not hidden, as final names are.
std::vector<std::string> FinalNames(const std::filesystem::path& folder)
{
    std::vector<std::string> names = FolderNames(folder);
    std::erase_if(names, [](const std::string& name) { return name[0] == '.'; });
    return names;
}

uint64_t LargestFile(const std::filesystem::path& folder)
{
    uint64_t largest = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const uint64_t size = entry.file_size(ec);   // the file may be gone by now
        if (!ec) largest = std::max(largest, size);
    }
    return largest;
}

} // namespace

TEST(KilledExport, ALargeStlLeavesNoFileUnderItsName)
{
    constexpr uint64_t kWrittenBytes = 8u << 20;
    TempDir out;
    ASSERT_TRUE(KillWhileWriting("stl", out.Path(), [&] { return LargestFile(out.Path()) > kWrittenBytes; }))
        << "the export was never seen under way";
    EXPECT_EQ(FinalNames(out.Path()), std::vector<std::string>{});
    EXPECT_EQ(FolderNames(out.Path()).size(), 1u);
    // The next write of the file takes the killed one's temporary with it.
    AtomicFile next;
    ASSERT_TRUE(next.Create(out.Path() / "big.stl", AtomicFile::Naming::ByUser) && next.Commit());
    EXPECT_EQ(FolderNames(out.Path()), std::vector<std::string>{"big.stl"});
}

TEST(KilledExport, ALargeVoxelSeriesLeavesNoSliceAndNoNote)
{
    constexpr size_t kWrittenSlices = 8;
    TempDir out;
    ASSERT_TRUE(KillWhileWriting("voxel", out.Path(), [&] { return FolderNames(out.Path()).size() >= kWrittenSlices; }))
        << "the export was never seen under way";
    EXPECT_EQ(FinalNames(out.Path()), std::vector<std::string>{});
}
