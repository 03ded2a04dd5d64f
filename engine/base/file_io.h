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

// Reads the whole file into bytes. CannotOpen for a missing file, what is
// no regular file (OpenForReading) or a read error; Refused when accept (if given) rejects the first bytes, and
// TooLarge when the file holds more than maxBytes, both before the rest is
// read. Sizes are 64-bit on every platform.
ReadResult ReadWholeFile(const char* path, std::vector<uint8_t>& bytes, int64_t maxBytes,
                         const StartCheck& accept = nullptr);

// fseek with a 64-bit offset on every platform.
bool SeekFile(std::FILE* file, int64_t offset, int origin);

// Opens the regular file for reading in binary mode, and gives its size in
// *size; null, with errno set, when it cannot be opened or is no regular
// file: EISDIR for a folder, ENOTSUP for a pipe, a device or a socket,
// whose bytes are not read as a picture file (*size is then -1).
std::FILE* OpenForReading(const char* path, int64_t* size);

// The identity of an existing file, the same whatever path names it (a
// link, another spelling): its device and file number, on Windows its
// volume's serial number and file index.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t number = 0;
    bool operator==(const FileIdentity& other) const { return device == other.device && number == other.number; }
};

// Fills *identity for the file at path (after symbolic links); false, with
// errno set, when there is none or it cannot be looked at.
bool IdentifyFile(const char* path, FileIdentity* identity);

// Writes the file at path (at the file a symbolic link at path points to)
// all or nothing: write fills a temporary file in the same folder, which
// takes the file's name only when write returned true and every byte was
// written. Otherwise the temporary file goes and any existing file is left
// as it was. On Linux the temporary file has no name while it is written
// (O_TMPFILE), so that nothing is left of it however the process ends;
// where the file system has no such files, and on Windows, it is named
// ".velmora-XXXXXX" and listed for RemoveTemporaryFiles. An existing file
// is replaced only once the new one is on the disk (fsync,
// FlushFileBuffers), and its mode, owner and group are kept as far as the
// system allows (the superuser keeps all; never a failure); a new name
// waits for no disk, so that a batch of small files goes at the pace of
// the system's cache.
//
// A character device or a pipe at path (not on Windows) is written into as
// cp does, never replaced: opened for writing without creating or
// truncating anything (a pipe waits for its reader), it gets the bytes once
// write has made them whole; a failed write there is reported, though what
// the device took before it stays taken. Refused without writing (errno
// value): an existing read-only file (EACCES), a folder (EISDIR; EACCES on
// Windows), a socket or a block device (ENOTSUP). On failure *systemError
// (if given) receives the errno value of the call that failed.
bool WriteFileAtomically(const char* path, const std::function<bool(std::FILE*)>& write,
                         int* systemError);

// Lets a test see when WriteFileAtomically waits for the disk: observer
// (null for none) is called with a path that reads the temporary file
// (/proc/self/fd/N for one without a name) and the file it is about to
// replace, just before the former is flushed to disk.
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

// Removes the named temporary files being written at this moment, for a
// program about to end: no named temporary file can be created after it. It only calls
// unlink (DeleteFile on Windows), so a signal handler may call it.
void RemoveTemporaryFiles();

#ifdef _WIN32
// The path in UTF-16, for the wide Windows calls: unlike the narrow ones,
// they take paths longer than 260 characters.
std::wstring WidePath(const char* path);
#endif
