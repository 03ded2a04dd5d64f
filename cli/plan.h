// Planning a batch: which output each input goes to, and which outputs must
// not be written.
#pragma once

#include "options.h"

#include <string>
#include <vector>

struct Job {
    std::string input;
    std::string output;
    std::string problem;  // set before conversion when the job must not run
};

// One job per input, in the order of the inputs, refusing an output that
// would overwrite an input or the output of an earlier input. Standard input
// and output ("-") are no files and clash with none.
std::vector<Job> PlanJobs(const ConvertOptions& options);

// In one output folder, inputs from different folders can share a name; the
// whole batch is refused before anything is written. Returns one line naming
// the first two such inputs, or an empty string.
std::string FindNameClash(const std::vector<Job>& jobs);
