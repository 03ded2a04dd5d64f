// Planning a batch: which files the inputs name (a folder's pictures in its
// place), which output each goes to, and which outputs must not be written.
#pragma once

#include "options.h"

#include <string>
#include <vector>

struct Job {
    std::string input;
    std::string output;
    std::string problem;  // set before conversion when the job must not run
    std::string folder;   // a folder below the output folder, made before the output is written; or empty
};

// One job per input file, in the order of the inputs; a folder gives one per
// picture file in it (and below it with recursion, mirrored under the output
// folder), in the order ListPictures finds them, and one with a problem for
// each folder that cannot be read, or for a folder of no pictures. Outputs
// that would overwrite an input or the output of an earlier input are
// refused. Standard input and output ("-") are no files and clash with none.
std::vector<Job> PlanJobs(const ConvertOptions& options);

// In one output folder, inputs from different folders can share a name; the
// whole batch is refused before anything is written. Returns one line naming
// the first two such inputs, or an empty string.
std::string FindNameClash(const std::vector<Job>& jobs);
