// Where an all-or-nothing write goes (a file replaced, a device or a pipe
// written into), what its failure says, what a killed writer leaves, what
// an input that is no file says, and the identity of a file by any name.
#include "base/file_io.h"
#include "pipeline/image.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

#ifndef _WIN32
#include <csignal>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#endif

TEST(FileIo, FailuresKeepTheirCauseAndLinksLeadToTheirTarget) {
    const std::string folder = TestFolder("FileIo");
    const auto write = [](const std::string& path, int* error) {
        return WriteFileAtomically(path.c_str(), [](std::FILE* file) { return std::fputs("new", file) >= 0; }, error);
    };
    int error = 0;
    std::filesystem::create_directory(folder + "/folder");
    EXPECT_FALSE(write(folder + "/folder", &error));  // the rename onto a folder fails, for its own reason
#ifdef _WIN32
    EXPECT_EQ(error, EACCES) << std::strerror(error);
#else
    EXPECT_EQ(error, EISDIR) << std::strerror(error);
    std::filesystem::create_symlink("folder/target", folder + "/link");
    std::filesystem::create_symlink("../link", folder + "/folder/chain");
    ASSERT_TRUE(write(folder + "/folder/chain", &error)) << std::strerror(error);
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/folder/chain"));
    EXPECT_EQ(ReadBytes(folder + "/folder/target"), (std::vector<uint8_t>{'n', 'e', 'w'}));
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);  // refused without waiting for a writer
    ImageError loadError = ImageError::None;
    EXPECT_EQ(ImgLoadFile((folder + "/pipe").c_str(), &loadError), nullptr);
    EXPECT_EQ(loadError, ImageError::CannotOpen);
#endif
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()),
              std::filesystem::exists(folder + "/pipe") ? 3 : 1) << "temporary files left behind";
}

TEST(FileIo, EachPathOfAFileHasItsIdentity) {
    const std::string folder = TestFolder("FileIoIdentity");
    WriteBytes(folder + "/photo.jpg", {'x'});
    WriteBytes(folder + "/other.jpg", {'x'});
    std::filesystem::create_hard_link(folder + "/photo.jpg", folder + "/linked.jpg");
    FileIdentity photo, same, other;
    ASSERT_TRUE(IdentifyFile((folder + "/photo.jpg").c_str(), &photo));
    std::vector<std::string> names = {folder + "/./photo.jpg", folder + "/linked.jpg"};
#ifndef _WIN32
    std::filesystem::create_symlink("photo.jpg", folder + "/symbolic.jpg");
    names.push_back(folder + "/symbolic.jpg");
#endif
    for (const std::string& name : names) {
        EXPECT_TRUE(IdentifyFile(name.c_str(), &same) && same == photo) << name;
    }
    ASSERT_TRUE(IdentifyFile((folder + "/other.jpg").c_str(), &other));
    EXPECT_FALSE(other == photo);
    EXPECT_FALSE(IdentifyFile((folder + "/missing.jpg").c_str(), &other));
}

#ifndef _WIN32
namespace {

size_t FileCount(const std::string& folder) {
    return size_t(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

bool WriteNew(const std::string& path, int* error) {
    return WriteFileAtomically(path.c_str(), [](std::FILE* file) { return std::fputs("new", file) >= 0; }, error);
}

// Reads the pipe at path to its end on a thread of its own, as a reader at
// the other end of a shell pipeline would.
struct PipeReader {
    explicit PipeReader(const std::string& path)
        : thread([this, path] { got = ReadBytes(path); }) {}
    ~PipeReader() {
        if (thread.joinable()) thread.join();
    }
    std::vector<uint8_t> Got() {
        thread.join();
        return got;
    }
    std::vector<uint8_t> got;
    std::thread thread;
};

bool IsRoot() {
    return geteuid() == 0;
}

}  // namespace

// A device or a pipe is written into, never replaced by a file; what is
// neither a file, a device nor a pipe is refused. The device nodes are made
// in the test's folder, as root only.
TEST(FileIo, DevicesAndPipesAreWrittenIntoAndOtherKindsRefused) {
    const std::string folder = TestFolder("FileIoDevices");
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);
    PipeReader reader(folder + "/pipe");
    int error = 0;
    EXPECT_TRUE(WriteNew(folder + "/pipe", &error)) << std::strerror(error);
    EXPECT_EQ(reader.Got(), (std::vector<uint8_t>{'n', 'e', 'w'}));
    struct stat status {};
    ASSERT_EQ(stat((folder + "/pipe").c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = folder + "/socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(WriteNew(socketPath, &error));
    EXPECT_EQ(error, ENOTSUP) << std::strerror(error);
    close(listening);
    ASSERT_EQ(stat(socketPath.c_str(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    if (!IsRoot()) {
        GTEST_SKIP() << "device nodes need the superuser";
    }
    // The null device, the full one (every write fails), a loop device.
    const struct {
        const char* name;
        mode_t kind;
        int major, minor;
        bool written;
        int error;
    } nodes[] = {{"null", S_IFCHR, 1, 3, true, 0}, {"full", S_IFCHR, 1, 7, false, ENOSPC},
                 {"block", S_IFBLK, 7, 0, false, ENOTSUP}};
    for (const auto& node : nodes) {
        const std::string path = folder + "/" + node.name;
        ASSERT_EQ(mknod(path.c_str(), node.kind | 0600, makedev(node.major, node.minor)), 0) << std::strerror(errno);
        EXPECT_EQ(WriteNew(path, &error), node.written) << node.name;
        EXPECT_EQ(error, node.error) << node.name << ": " << std::strerror(error);
        ASSERT_EQ(stat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & S_IFMT, node.kind) << node.name;
        EXPECT_EQ(status.st_rdev, makedev(node.major, node.minor)) << node.name;
    }
    EXPECT_EQ(FileCount(folder), 5u) << "temporary files left behind";
}

// The file replaced keeps its mode, owner and group; a new one takes the
// umask's.
TEST(FileIo, ReplacedFilesKeepTheirModeAndOwner) {
    const std::string folder = TestFolder("FileIoOwner");
    const struct {
        const char* name;
        mode_t mode;
        bool chown;
    } files[] = {{"private", 0600, false}, {"group", 0640, true}};
    for (const auto& file : files) {
        const std::string path = folder + "/" + file.name;
        WriteBytes(path, {'o', 'l', 'd'});
        ASSERT_EQ(chmod(path.c_str(), file.mode), 0);
        const bool owned = file.chown && IsRoot();
        if (owned) {
            ASSERT_EQ(chown(path.c_str(), 1234, 1234), 0);
        }
        struct stat before {}, after {};
        ASSERT_EQ(stat(path.c_str(), &before), 0);
        int error = 0;
        ASSERT_TRUE(WriteNew(path, &error)) << std::strerror(error);
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_NE(after.st_ino, before.st_ino) << "replaced, not written into";
        EXPECT_EQ(after.st_mode & 07777, file.mode) << file.name;
        EXPECT_EQ(after.st_uid, owned ? 1234u : geteuid()) << file.name;
        EXPECT_EQ(after.st_gid, owned ? 1234u : before.st_gid) << file.name;
        EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'n', 'e', 'w'}));
    }
    EXPECT_EQ(FileCount(folder), 2u) << "temporary files left behind";
}

// A process killed while it writes leaves nothing in the output's folder:
// its file has no name until it is whole.
TEST(FileIo, AWriterKilledMidWriteLeavesNoFile) {
    const std::string folder = TestFolder("FileIoKilled");
    for (const bool replacing : {false, true}) {
        if (replacing) WriteBytes(folder + "/out.bmp", {'o', 'l', 'd'});
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        if (child == 0) {
            WriteFileAtomically((folder + "/out.bmp").c_str(), [&](std::FILE* file) {
                const bool put = std::fputs("half", file) >= 0 && std::fflush(file) == 0;
                if (!put || write(ready[1], "w", 1) != 1) _exit(1);
                pause();
                return true;
            }, nullptr);
            _exit(1);
        }
        close(ready[1]);
        char mark = 0;
        EXPECT_EQ(read(ready[0], &mark, 1), 1) << "the writer did not start";
        close(ready[0]);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        EXPECT_EQ(FileCount(folder), replacing ? 1u : 0u) << "a temporary file was left";
        if (replacing) {
            EXPECT_EQ(ReadBytes(folder + "/out.bmp"), (std::vector<uint8_t>{'o', 'l', 'd'}));
        }
    }
}

// An input that is no regular file says what it is.
TEST(FileIo, WhatIsNoRegularFileIsNotReadAsOne) {
    const std::string folder = TestFolder("FileIoInputs");
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);
    const std::pair<std::string, int> inputs[] = {{folder, EISDIR}, {folder + "/pipe", ENOTSUP}, {"/dev/zero", ENOTSUP}};
    for (const auto& [path, reason] : inputs) {
        int64_t size = 0;
        errno = 0;
        EXPECT_EQ(OpenForReading(path.c_str(), &size), nullptr) << path;
        EXPECT_EQ(errno, reason) << path << ": " << std::strerror(errno);
        EXPECT_EQ(size, -1) << path;
    }
}
#endif
