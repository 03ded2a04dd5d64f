#include "plan.h"

#include "paths.h"

#include <algorithm>
#include <utility>

namespace {

std::string OutputFor(const ConvertOptions& options, const std::string& input) {
    const char* extension = velmora_format_extension(options.format);
    if (!options.output.empty()) return options.output;
    if (!options.outputFolder.empty()) return OutputInFolder(input, options.outputFolder, extension);
    return DefaultOutputPath(input, extension);
}

}  // namespace

std::vector<Job> PlanJobs(const ConvertOptions& options) {
    // Either stream makes a batch of one (the options allow no more), and a
    // file that happens to be named "-" is not what it means.
    if (options.output == "-" || options.inputs.front() == "-") return {{options.inputs.front(), options.output, ""}};
    std::vector<std::string> outputs;
    for (const std::string& input : options.inputs) outputs.push_back(OutputFor(options, input));
    const std::vector<std::string> problems = RefusedOutputs(options.inputs, outputs);
    std::vector<Job> jobs;
    for (size_t i = 0; i < outputs.size(); ++i) jobs.push_back({options.inputs[i], outputs[i], problems[i]});
    return jobs;
}

std::string FindNameClash(const std::vector<Job>& jobs) {
    std::vector<std::pair<std::string, size_t>> keys;
    for (size_t i = 0; i < jobs.size(); ++i) keys.emplace_back(OutputPathKey(jobs[i].output), i);
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].first == keys[i - 1].first) {
            const Job& first = jobs[std::min(keys[i - 1].second, keys[i].second)];
            const Job& second = jobs[std::max(keys[i - 1].second, keys[i].second)];
            return first.input + " and " + second.input + " would both be written to " + second.output;
        }
    }
    return {};
}
