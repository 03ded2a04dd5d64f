// velmora-cli: converts image files into black-on-white line drawings with
// the same engine and options as the window program.
#include "convert.h"
#include "options.h"
#include "paths.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Job {
    std::string input;
    std::string output;
    std::string problem;  // set before conversion when the job must not run
};

// Plans every output, refusing one that would overwrite an input or the
// output of an earlier input.
std::vector<Job> PlanJobs(const ConvertOptions& options) {
    std::vector<Job> jobs;
    for (const std::string& input : options.inputs) {
        Job job{input, options.output.empty() ? DefaultOutputPath(input) : options.output, {}};
        for (const std::string& other : options.inputs) {
            if (job.output == other || SameExistingFile(job.output, other)) {
                job.problem = job.output + ": not written: it is an input file";
            }
        }
        for (const Job& earlier : jobs) {
            if (job.problem.empty() && (job.output == earlier.output || SameExistingFile(job.output, earlier.output))) {
                job.problem = job.output + ": not written: it is also the output for " + earlier.input;
            }
        }
        jobs.push_back(job);
    }
    return jobs;
}

}  // namespace

int main(int argc, char** argv) {
    ConvertOptions options;
    std::string message;
    switch (ParseArguments(std::vector<std::string>(argv + 1, argv + argc), options, message)) {
    case ParseOutcome::Help:
        std::fputs(UsageText, stdout);
        return 0;
    case ParseOutcome::Version:
        std::puts("velmora-cli version 2.10");
        return 0;
    case ParseOutcome::UsageError:
        std::fprintf(stderr, "velmora-cli: %s\n%s", message.c_str(), UsageText);
        return 2;
    case ParseOutcome::Convert:
        break;
    }

    std::vector<Job> jobs = PlanJobs(options);
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex printing;
    auto work = [&] {
        for (size_t i = next++; i < jobs.size(); i = next++) {
            Job& job = jobs[i];
            std::string problem = job.problem;
            if (problem.empty()) {
                problem = ConvertFile(job.input, job.output, options.thickness, options.contrast, options.noise);
            }
            std::lock_guard<std::mutex> lock(printing);
            if (problem.empty()) {
                std::printf("%s -> %s\n", job.input.c_str(), job.output.c_str());
            } else {
                std::fprintf(stderr, "velmora-cli: %s\n", problem.c_str());
                failed = true;
            }
        }
    };

    const size_t workerCount = std::min<size_t>(jobs.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    for (size_t i = 1; i < workerCount; ++i) workers.emplace_back(work);
    work();
    for (std::thread& worker : workers) worker.join();
    return failed ? 1 : 0;
}
