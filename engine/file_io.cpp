#include "file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif

ReadResult ReadWholeFile(const char* path, std::vector<uint8_t>& bytes, int64_t maxBytes) {
    bytes.clear();
    struct stat status {};
    if (stat(path, &status) != 0 || !S_ISREG(status.st_mode)) return ReadResult::CannotOpen;
    if (status.st_size > maxBytes) return ReadResult::TooLarge;

    std::FILE* file = std::fopen(path, "rb");
    if (!file) return ReadResult::CannotOpen;
    // The size is only a hint: the file may change while it is read.
    bytes.resize(static_cast<size_t>(status.st_size));
    size_t filled = std::fread(bytes.data(), 1, bytes.size(), file);
    ReadResult result = ReadResult::Ok;
    while (result == ReadResult::Ok && filled == bytes.size() && !std::ferror(file)) {
        uint8_t chunk[4096];
        const size_t more = std::fread(chunk, 1, sizeof chunk, file);
        if (more == 0) break;
        if (static_cast<int64_t>(bytes.size() + more) > maxBytes) result = ReadResult::TooLarge;
        bytes.insert(bytes.end(), chunk, chunk + more);
        filled = bytes.size();
    }
    if (result == ReadResult::Ok && std::ferror(file)) result = ReadResult::CannotOpen;
    bytes.resize(filled);
    std::fclose(file);
    if (result != ReadResult::Ok) bytes.clear();
    return result;
}

namespace {

// Opens a new, uniquely named file beside path; the name is path plus a
// suffix, so it needs no parsing of folder separators (which a multibyte
// code page may hide inside characters).
std::FILE* CreateTemporaryBeside(const char* path, std::string& temporaryPath) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        temporaryPath = std::string(path) + ".tmp" + std::to_string(attempt);
        const int descriptor = open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY, 0666);
        if (descriptor >= 0) {
            std::FILE* file = fdopen(descriptor, "wb");
            if (!file) {
                const int saved = errno;
                close(descriptor);
                std::remove(temporaryPath.c_str());
                errno = saved;
            }
            return file;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

bool FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

bool ReplaceFile(const char* from, const char* to) {
#ifdef _WIN32
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
#else
    return std::rename(from, to) == 0;
#endif
}

}  // namespace

bool WriteFileAtomically(const char* path, const std::function<bool(std::FILE*)>& write,
                         int* systemError) {
    std::string temporaryPath;
    std::FILE* file = CreateTemporaryBeside(path, temporaryPath);
    if (!file) {
        if (systemError) *systemError = errno;
        return false;
    }
    errno = 0;
    bool written = write(file) && !std::ferror(file) && FlushToDisk(file);
    int error = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ReplaceFile(temporaryPath.c_str(), path)) return true;
    if (written) error = errno;
    std::remove(temporaryPath.c_str());
    if (systemError) *systemError = error != 0 ? error : EIO;
    return false;
}
