// The settings file: a profile file of [SECTION] headers and key = value
// lines, read and written through the platform's profile functions.
#pragma once

#include <string>

class ProfileFile {
public:
    ProfileFile() = default;
    virtual ~ProfileFile() = default;

    // The file is name in directory, joined by one backslash.
    void SetPath(const std::string& directory, const std::string& name);
    const std::string& Path() const { return path; }

    // The value, or an empty string when the file, section or key is missing.
    std::string GetString(const char* section, const char* key) const;

    // The value as a number, or -1 when the file, section or key is missing.
    int GetInt(const char* section, const char* key) const;

    // Makes the file exist and be empty.
    void Reset() const;

    // Replaces the section's entries with the given ones: key = value lines,
    // each ending in a NUL character, the whole ending in one more NUL.
    bool WriteSection(const char* section, const std::string& entries) const;

private:
    std::string path;
};

// Joins a directory and a file name with one backslash, adding none when the
// directory already ends in one. Paths are UTF-8 (the process code page),
// where a backslash byte is always a backslash: every byte of a multi-byte
// character is 0x80 or above.
std::string JoinPath(const std::string& directory, const std::string& name);
