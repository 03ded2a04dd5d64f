// Converting one image file into a line drawing through the C library
// (velmora.h), as the window program does: load, extract edges, remove
// specks when asked, write the result.
#pragma once

#include "options.h"

#include <string>

// Converts input into output with the options' thickness, contrast, noise
// removal, format, colours and decoding ahead (their inputs and output names
// are not used). Returns an empty string on success, else one line saying
// what went wrong. Nothing is left at output on failure. An input "-" is
// standard input, an output "-" standard output, which gets the whole file
// once it is made.
std::string ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& options);
