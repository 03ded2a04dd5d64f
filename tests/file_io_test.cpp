// Reading files of any size and writing them whole, whatever the path names.
#include "file_io.h"
#include "image.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

// A sparse file of size bytes that starts with start.
void MakeSparseFile(const std::string& path, const std::vector<uint8_t>& start, uintmax_t size) {
    WriteBytes(path, start);
    std::filesystem::resize_file(path, size);
}

bool WriteText(const std::string& path, const char* text, int* error) {
    return WriteFileAtomically(path.c_str(), [text](std::FILE* file) { return std::fputs(text, file) >= 0; }, error);
}

std::string Text(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

// Sizes past 2 and 4 GiB, where a 32-bit size turns negative or wraps.
TEST(FileIo, HugeFilesAreRefusedFromTheirFirstBytesAndSize) {
    const std::string folder = TestFolder("FileIoHuge");
    const std::pair<std::vector<uint8_t>, ImageError> starts[] = {{{0, 0}, ImageError::NotAnImage},
                                                                 {{'B', 'M'}, ImageError::TooLarge}};
    for (const uintmax_t size : {uintmax_t{1} << 31, uintmax_t{5} << 30}) {
        for (const auto& [start, expected] : starts) {
            MakeSparseFile(folder + "/huge", start, size);
            ImageError error = ImageError::None;
            EXPECT_EQ(ImgLoadFile((folder + "/huge").c_str(), &error), nullptr);
            EXPECT_EQ(error, expected) << size << " bytes starting with " << int(start[0]);
        }
    }
    std::filesystem::remove(folder + "/huge");
#ifndef _WIN32
    // A pipe is refused without waiting for a writer.
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);
    ImageError error = ImageError::None;
    EXPECT_EQ(ImgLoadFile((folder + "/pipe").c_str(), &error), nullptr);
    EXPECT_EQ(error, ImageError::CannotOpen);
#endif
}

TEST(FileIo, LongNamesAreWrittenWithoutTemporaryLeftovers) {
    const std::string folder = TestFolder("FileIoLong");
#ifdef _WIN32
    // Past the 260 characters of a Windows path without long-path support.
    std::string path = folder;
    while (path.size() < 240) path += "/" + std::string(50, 'd');
    std::filesystem::create_directories(path);
    path += "/" + std::string(300 - path.size(), 'n');
    const std::string parent = path.substr(0, path.rfind('/'));
#else
    const std::string path = folder + "/" + std::string(255, 'n');  // the longest name Linux allows
    const std::string& parent = folder;
#endif
    int error = 0;
    ASSERT_TRUE(WriteText(path, "first", &error)) << std::strerror(error);
    ASSERT_TRUE(WriteText(path, "second", &error)) << std::strerror(error);
    EXPECT_EQ(Text(path), "second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(parent), std::filesystem::directory_iterator()), 1);
#ifdef _WIN32
    DeleteFileW(WidePath(path.c_str()).c_str());  // too long for the next run's std::filesystem::remove_all
#endif
}

TEST(FileIo, ReadOnlyFilesAndFoldersAreNotReplacedAndSaySo) {
    const std::string folder = TestFolder("FileIoRefused");
    WriteBytes(folder + "/read-only", {'o', 'l', 'd'});
    std::filesystem::permissions(folder + "/read-only", std::filesystem::perms::owner_read);
    std::filesystem::create_directory(folder + "/folder");
    int error = 0;
    EXPECT_FALSE(WriteText(folder + "/read-only", "new", &error));
    EXPECT_EQ(error, EACCES) << std::strerror(error);
    EXPECT_EQ(Text(folder + "/read-only"), "old");
    // The rename onto a folder fails, for its own reason.
    EXPECT_FALSE(WriteText(folder + "/folder", "new", &error));
#ifdef _WIN32
    EXPECT_EQ(error, EACCES) << std::strerror(error);
#else
    EXPECT_EQ(error, EISDIR) << std::strerror(error);
#endif
    std::filesystem::permissions(folder + "/read-only", std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 2);
}

#ifndef _WIN32
TEST(FileIo, WritingThroughASymbolicLinkReplacesItsTarget) {
    const std::string folder = TestFolder("FileIoLink");
    std::filesystem::create_directory(folder + "/real");
    WriteBytes(folder + "/real/target", {'o', 'l', 'd'});
    std::filesystem::create_symlink("real/target", folder + "/link");
    std::filesystem::create_symlink("../link", folder + "/real/chain");
    int error = 0;
    ASSERT_TRUE(WriteText(folder + "/real/chain", "new", &error)) << std::strerror(error);
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/link"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/real/chain"));
    EXPECT_EQ(Text(folder + "/real/target"), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder + "/real"), std::filesystem::directory_iterator()), 2);
}
#endif
