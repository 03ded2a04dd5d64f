// Whole-file reading and all-or-nothing writing, shared by the image module
// and the command-line converter. Paths are narrow UTF-8 strings (on Windows
// the manifest makes UTF-8 the process code page and lets paths exceed 260
// characters).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class ReadResult { Ok, CannotOpen, TooLarge, Refused };

// Tells from a file's first bytes (at most FileStartSize of them, fewer for
// a shorter file) whether the rest is worth reading.
constexpr size_t FileStartSize = 16;
using StartCheck = std::function<bool(const uint8_t* start, size_t size)>;

// Reads the whole file into bytes. CannotOpen for a missing file, a folder or
// a read error; Refused when accept (if given) rejects the first bytes, and
// TooLarge when the file holds more than maxBytes, both before the rest is
// read. Sizes are 64-bit on every platform.
ReadResult ReadWholeFile(const char* path, std::vector<uint8_t>& bytes, int64_t maxBytes,
                         const StartCheck& accept = nullptr);

// fseek with a 64-bit offset on every platform.
bool SeekFile(std::FILE* file, int64_t offset, int origin);

// Opens the file for reading in binary mode; null, with errno set, when it
// cannot be opened. *size is its size when it is a regular file, else -1.
std::FILE* OpenForReading(const char* path, int64_t* size);

// Creates a temporary file with a short name beside path (beside the file a
// symbolic link at path points to), lets write fill it, and only when write
// returned true and every byte was written renames it to that file's name.
// Otherwise the temporary file is removed and any existing file is left as
// it was. An existing file is replaced only once the new one is on the disk
// (fsync, FlushFileBuffers); a new name waits for no disk, so that a batch
// of small files goes at the pace of the system's cache. An existing
// read-only file is not replaced (EACCES). On failure *systemError (if
// given) receives the errno value of the call that failed.
bool WriteFileAtomically(const char* path, const std::function<bool(std::FILE*)>& write,
                         int* systemError);

// Lets a test see when WriteFileAtomically waits for the disk: observer
// (null for none) is called with the temporary file and the file it is
// about to replace, just before the former is flushed to disk.
using FlushObserver = void (*)(const char* temporaryPath, const char* replaced);
void ObserveFlushesForTesting(FlushObserver observer);

// Whether c ends a folder in a path: '/' everywhere; also '\\' and a drive
// letter's ':' on Windows. In UTF-8 these bytes are never part of another
// character.
bool IsPathSeparator(char c);

// The extension of the path's file name as written, with its dot (empty for
// none), as a view into path. A leading dot names a hidden file rather than
// starting one.
std::string_view FileExtension(std::string_view path);

// Removes the temporary files being written at this moment, for a program
// about to end: no temporary file can be created after it. It only calls
// unlink (DeleteFile on Windows), so a signal handler may call it.
void RemoveTemporaryFiles();

#ifdef _WIN32
// The path in UTF-16, for the wide Windows calls: unlike the narrow ones,
// they take paths longer than 260 characters.
std::wstring WidePath(const char* path);
#endif
