// Where an all-or-nothing write goes, what its failure says, and a pipe as input.
#include "file_io.h"
#include "image.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

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
