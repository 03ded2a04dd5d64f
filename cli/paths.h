// Path handling for the converter. Paths are narrow strings in the platform's
// encoding; on Windows that is the ANSI code page, where a backslash byte can
// be the second half of a double-byte character, so separators are found
// character by character.
#pragma once

#include <string>

// The output for input when none is named: NAME-velmora.bmp beside it, where
// NAME is the input's file name without its extension.
std::string DefaultOutputPath(const std::string& input);

// Whether the path ends in ".png", in any letter case.
bool HasPngExtension(const std::string& path);

// Whether both paths name one existing file (through links or other
// spellings too).
bool SameExistingFile(const std::string& first, const std::string& second);
