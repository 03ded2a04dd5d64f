#include "paths.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

size_t CharacterLength(const std::string& path, size_t at) {
#ifdef _WIN32
    if (IsDBCSLeadByte(static_cast<BYTE>(path[at])) && at + 1 < path.size()) return 2;
#else
    (void)path;
    (void)at;
#endif
    return 1;
}

}  // namespace

std::string DefaultOutputPath(const std::string& input) {
    size_t nameStart = 0;
    size_t extensionStart = std::string::npos;
    for (size_t at = 0; at < input.size(); at += CharacterLength(input, at)) {
        if (IsSeparator(input[at])) {
            nameStart = at + 1;
            extensionStart = std::string::npos;
        } else if (input[at] == '.') {
            extensionStart = at;
        }
    }
    // A leading dot names a hidden file rather than starting an extension.
    const size_t stemEnd = extensionStart != std::string::npos && extensionStart > nameStart ? extensionStart
                                                                                              : input.size();
    return input.substr(0, stemEnd) + "-velmora.bmp";
}

bool HasPngExtension(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return tail == ".png";
}

#ifdef _WIN32
bool SameExistingFile(const std::string& first, const std::string& second) {
    auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& information) {
        HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool known = GetFileInformationByHandle(file, &information) != 0;
        CloseHandle(file);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    return identify(first, a) && identify(second, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}
#else
bool SameExistingFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}
#endif
