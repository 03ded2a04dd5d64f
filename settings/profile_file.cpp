#include "profile_file.h"

#include <windows.h>

std::string JoinPath(const std::string& directory, const std::string& name) {
    const bool endsInSeparator = !directory.empty() && directory.back() == '\\';
    return directory + (endsInSeparator || directory.empty() ? "" : "\\") + name;
}

void ProfileFile::SetPath(const std::string& directory, const std::string& name) {
    path = JoinPath(directory, name);
}

std::string ProfileFile::GetString(const char* section, const char* key) const {
    char value[256] = {};
    GetPrivateProfileStringA(section, key, "", value, sizeof value, path.c_str());
    return value;
}

int ProfileFile::GetInt(const char* section, const char* key) const {
    return int(GetPrivateProfileIntA(section, key, -1, path.c_str()));
}

void ProfileFile::Reset() const {
    for (DWORD disposition : {DWORD(CREATE_NEW), DWORD(TRUNCATE_EXISTING)}) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
}

bool ProfileFile::WriteSection(const char* section, const std::string& entries) const {
    return WritePrivateProfileSectionA(section, entries.c_str(), path.c_str()) != 0;
}
