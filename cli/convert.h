// Converting one image file into a line drawing through the C library
// (velmora.h), as the window program does: load, extract edges, remove
// specks when asked, write the result.
#pragma once

#include "options.h"
#include "plan.h"

#include <string>

// Converts input into output with the options' thickness, contrast, noise
// removal, format, colours and decoding ahead (their inputs and output names
// are not used). Returns an empty string on success, else one line saying
// what went wrong, with the system's reason when it has one (an input that
// is a folder: "Is a directory"). Nothing is left at output on failure. An input "-" is
// standard input, an output "-" standard output, which gets the whole file
// once it is made.
std::string ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& options);

// Runs a job of the batch: its problem when it has one, else makes its
// folder when it has one and converts as ConvertFile.
std::string RunJob(const Job& job, const ConvertOptions& options);
