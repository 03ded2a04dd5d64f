// Path handling for the converter. Paths are narrow strings in UTF-8 (on
// Windows the manifest makes it the process code page), where a separator or
// dot byte is never part of another character, so they are found byte by
// byte.
#pragma once

#include <string>
#include <vector>

// The output for input when none is named: NAME-velmora.bmp (or with the
// given extension) beside it, where NAME is the input's file name without
// its extension.
std::string DefaultOutputPath(const std::string& input, const std::string& extension = ".bmp");

// The output for input in folder: folder/NAME-velmora.bmp (or with the given
// extension).
std::string OutputInFolder(const std::string& input, const std::string& folder,
                           const std::string& extension = ".bmp");

// A key that two output paths share exactly when they name the same file once
// written: on Windows, names differing only in letter case do.
std::string OutputPathKey(const std::string& path);

// Creates the folder and any missing parent folders. Returns false, with the
// errno value in *systemError, when the folder does not exist afterwards.
bool CreateFolders(const std::string& folder, int* systemError);

// A key that two paths share exactly when they name one file: for an existing
// file its identity (IdentifyFile: links and other spellings agree), else
// OutputPathKey. One look at the file system.
std::string FileKey(const std::string& path);

// For each output, why it must not be written (one line), or an empty string:
// it is one of the inputs, or the output of an earlier input. Sorted keys, so
// that large batches are planned in n log n with one look per path.
std::vector<std::string> RefusedOutputs(const std::vector<std::string>& inputs,
                                        const std::vector<std::string>& outputs);
