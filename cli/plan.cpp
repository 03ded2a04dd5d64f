#include "plan.h"

#include "folders.h"
#include "paths.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// The job of a file found `below` an input folder ("" for a file named
// itself): its output beside it, or in the output folder's sub-folders of
// the same names.
Job JobFor(const ConvertOptions& options, const std::string& input, const std::string& below) {
    const char* extension = velmora_format_extension(options.format);
    if (!options.output.empty()) return {input, options.output, "", ""};
    if (options.outputFolder.empty()) return {input, DefaultOutputPath(input, extension), "", ""};
    const std::string folder = JoinPath(options.outputFolder, below);
    return {input, OutputInFolder(input, folder, extension), "", below.empty() ? "" : folder};
}

// The jobs of one input as given: a file's, or those of a folder's pictures.
void AddJobs(const ConvertOptions& options, const std::string& input, std::vector<Job>& jobs) {
    if (!IsFolder(input)) {
        jobs.push_back(JobFor(options, input, ""));
        return;
    }
    const std::vector<Found> found = ListPictures(input, options.recursive);
    for (const Found& file : found) {
        if (file.systemError == 0) {
            jobs.push_back(JobFor(options, file.path, file.below));
        } else {
            jobs.push_back({file.path, "", file.path + ": cannot read the folder: " + std::strerror(file.systemError), ""});
        }
    }
    if (found.empty()) {
        const char* where = options.recursive ? " in the folder or below it" : " in the folder";
        jobs.push_back({input, "", input + ": no BMP, JPEG or PNG file" + std::string(where), ""});
    }
}

}  // namespace

std::vector<Job> PlanJobs(const ConvertOptions& options) {
    // Either stream makes a batch of one (the options allow no more), and a
    // file that happens to be named "-" is not what it means.
    if (options.output == "-" || options.inputs.front() == "-") return {{options.inputs.front(), options.output, "", ""}};
    std::vector<Job> jobs;
    for (const std::string& input : options.inputs) AddJobs(options, input, jobs);
    std::vector<size_t> files;
    std::vector<std::string> inputs, outputs;
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!jobs[i].problem.empty()) continue;
        files.push_back(i);
        inputs.push_back(jobs[i].input);
        outputs.push_back(jobs[i].output);
    }
    const std::vector<std::string> problems = RefusedOutputs(inputs, outputs);
    for (size_t i = 0; i < files.size(); ++i) jobs[files[i]].problem = problems[i];
    return jobs;
}

std::string FindNameClash(const std::vector<Job>& jobs) {
    std::vector<std::pair<std::string, size_t>> keys;
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!jobs[i].output.empty()) keys.emplace_back(OutputPathKey(jobs[i].output), i);
    }
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
