#include "folders.h"

#include "base/file_io.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#endif

namespace {

enum class Kind { File, Folder, Other };

struct Entry {
    std::string name;
    Kind kind;
};

// Entries worth a look: not hidden, and a picture's name unless folders
// are wanted too.
bool Wanted(const std::string& name, bool folders) {
    return !name.empty() && name[0] != '.' && (folders || IsPictureName(name));
}

#ifdef _WIN32
std::string Utf8(const wchar_t* wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(length > 0 ? length : 1), '\0');
    if (length > 0) WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow.data(), length, nullptr, nullptr);
    narrow.pop_back();
    return narrow;
}

// The C library's wide search, which sets errno as the other calls do.
bool ReadEntries(const std::string& folder, bool folders, std::vector<Entry>& entries) {
    _wfinddata64_t data{};
    const intptr_t search = _wfindfirst64(WidePath(JoinPath(folder, "*").c_str()).c_str(), &data);
    if (search == -1) return false;
    do {
        std::string name = Utf8(data.name);
        if (!Wanted(name, folders)) continue;
        const bool isFolder = (data.attrib & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool isLink = (data.attrib & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries.push_back({std::move(name), !isFolder ? Kind::File : isLink ? Kind::Other : Kind::Folder});
    } while (_wfindnext64(search, &data) == 0);
    _findclose(search);
    return true;
}
#else
Kind KindOf(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return Kind::Other;
    if (S_ISDIR(status.st_mode)) return Kind::Folder;
    // A link counts as the file it leads to, but never as a folder.
    if (S_ISLNK(status.st_mode) && stat(path.c_str(), &status) != 0) return Kind::Other;
    return S_ISREG(status.st_mode) ? Kind::File : Kind::Other;
}

bool ReadEntries(const std::string& folder, bool folders, std::vector<Entry>& entries) {
    DIR* listing = opendir(folder.c_str());
    if (!listing) return false;
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = readdir(listing)) {
        if (Wanted(entry->d_name, folders)) names.emplace_back(entry->d_name);
    }
    const int error = errno;
    closedir(listing);
    for (std::string& name : names) entries.push_back({name, KindOf(JoinPath(folder, name))});
    errno = error;
    return error == 0;
}
#endif

void List(const std::string& folder, const std::string& below, bool recursive, std::vector<Found>& found) {
    std::vector<Entry> entries;
    if (!ReadEntries(folder, recursive, entries)) {
        found.push_back({folder, below, errno != 0 ? errno : EIO});
        return;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    for (const Entry& entry : entries) {
        const std::string path = JoinPath(folder, entry.name);
        if (entry.kind == Kind::File && IsPictureName(entry.name)) found.push_back({path, below});
        if (entry.kind == Kind::Folder && recursive) List(path, JoinPath(below, entry.name), recursive, found);
    }
}

}  // namespace

bool IsFolder(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(WidePath(path.c_str()).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
#endif
}

bool IsPictureName(const std::string& name) {
    std::string extension(FileExtension(name));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    const std::string_view stem = std::string_view(name).substr(0, name.size() - extension.size());
    const bool picture = extension == ".bmp" || extension == ".jpg" || extension == ".jpeg" || extension == ".png";
    return picture && !stem.ends_with("-velmora");
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
#ifdef _WIN32
    const char* separator = "\\";
#else
    const char* separator = "/";
#endif
    return folder + (IsPathSeparator(folder.back()) ? "" : separator) + name;
}

std::vector<Found> ListPictures(const std::string& folder, bool recursive) {
    std::vector<Found> found;
    List(folder, "", recursive, found);
    return found;
}
