// Whole-file reading and all-or-nothing writing, shared by the image module
// and the command-line converter. Paths are narrow UTF-8 strings (on Windows
// the manifest makes UTF-8 the process code page).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

enum class ReadResult { Ok, CannotOpen, TooLarge };

// Reads the whole file into bytes. CannotOpen for a missing file, a folder or
// a read error; TooLarge when it holds more than maxBytes.
ReadResult ReadWholeFile(const char* path, std::vector<uint8_t>& bytes, int64_t maxBytes);

// Creates a temporary file beside path, lets write fill it, and only when
// write returned true and every byte reached the disk renames it over path.
// Otherwise the temporary file is removed and any existing file at path is
// left as it was. On failure *systemError (if given) receives the errno value.
bool WriteFileAtomically(const char* path, const std::function<bool(std::FILE*)>& write,
                         int* systemError);
