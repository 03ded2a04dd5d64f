// velmora-cli: converts image files into line drawings with the same engine
// and options as the window program.
#include "console.h"
#include "convert.h"
#include "options.h"
#include "paths.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifdef _WIN32
// Neither cmd.exe nor PowerShell expands wildcards such as *.jpg; the
// MinGW-w64 runtime expands them in the arguments when this is set.
extern "C" {
int _dowildcard = -1;
}
#endif

namespace {

struct Job {
    std::string input;
    std::string output;
    std::string problem;  // set before conversion when the job must not run
};

std::string OutputFor(const ConvertOptions& options, const std::string& input) {
    const char* extension = OutputExtension(options.format);
    if (!options.output.empty()) return options.output;
    if (!options.outputFolder.empty()) return OutputInFolder(input, options.outputFolder, extension);
    return DefaultOutputPath(input, extension);
}

// Plans every output, refusing one that would overwrite an input or the
// output of an earlier input.
std::vector<Job> PlanJobs(const ConvertOptions& options) {
    std::vector<std::string> outputs;
    for (const std::string& input : options.inputs) outputs.push_back(OutputFor(options, input));
    const std::vector<std::string> problems = RefusedOutputs(options.inputs, outputs);
    std::vector<Job> jobs;
    for (size_t i = 0; i < outputs.size(); ++i) jobs.push_back({options.inputs[i], outputs[i], problems[i]});
    return jobs;
}

// In one output folder, inputs from different folders can share a name; the
// whole batch is refused before anything is written. Returns one line naming
// the first two such inputs, or an empty string.
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

// "[done/total] input" on one line of standard error, rewritten as each file
// is finished, for a person watching a batch on a terminal.
class ProgressLine {
public:
    explicit ProgressLine(bool shown) : shown_(shown) {}

    void Show(size_t done, size_t total, const std::string& input) {
        if (!shown_) return;
        const std::string line = "[" + std::to_string(done) + "/" + std::to_string(total) + "] " + input;
        std::fprintf(stderr, "\r%s", line.c_str());
        std::fflush(stderr);
        length_ = line.size();
    }

    // Blanks the line, so that other output starts at the left edge.
    void Clear() {
        if (!shown_ || length_ == 0) return;
        std::fprintf(stderr, "\r%s\r", std::string(length_, ' ').c_str());
        std::fflush(stderr);
        length_ = 0;
    }

private:
    bool shown_;
    size_t length_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    UseUtf8Console();
    RemoveTemporaryFilesOnInterrupt();
    ConvertOptions options;
    std::string message;
    switch (ParseArguments(std::vector<std::string>(argv + 1, argv + argc), options, message)) {
    case ParseOutcome::Help:
        std::fputs(UsageText, stdout);
        return 0;
    case ParseOutcome::Version:
        std::puts("velmora-cli version " VELMORA_VERSION);
        return 0;
    case ParseOutcome::UsageError:
        std::fprintf(stderr, "velmora-cli: %s\n%s", message.c_str(), UsageText);
        return 2;
    case ParseOutcome::Convert:
        break;
    }

    std::vector<Job> jobs = PlanJobs(options);
    if (!options.outputFolder.empty()) {
        if (const std::string clash = FindNameClash(jobs); !clash.empty()) {
            std::fprintf(stderr, "velmora-cli: %s\n", clash.c_str());
            return 2;
        }
        int systemError = 0;
        if (!CreateFolders(options.outputFolder, &systemError)) {
            std::fprintf(stderr, "velmora-cli: %s: cannot create folder: %s\n", options.outputFolder.c_str(),
                         std::strerror(systemError));
            return 1;
        }
    }

    std::atomic<size_t> next{0};
    size_t done = 0;
    bool failed = false;
    std::mutex printing;  // guards done, failed, progress and both streams
    ProgressLine progress(jobs.size() > 1 && IsTerminal(stderr));
    auto work = [&] {
        for (size_t i = next++; i < jobs.size(); i = next++) {
            Job& job = jobs[i];
            std::string problem = job.problem;
            if (problem.empty()) {
                problem = ConvertFile(job.input, job.output, options);
            }
            std::lock_guard<std::mutex> lock(printing);
            progress.Clear();
            if (problem.empty()) {
                if (!options.quiet) std::printf("%s -> %s\n", job.input.c_str(), job.output.c_str());
                std::fflush(stdout);
            } else {
                std::fprintf(stderr, "velmora-cli: %s\n", problem.c_str());
                failed = true;
            }
            progress.Show(++done, jobs.size(), job.input);
        }
    };

    const size_t workerCount = std::min<size_t>(jobs.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    // Threads that cannot be had, for want of memory, leave their share to
    // the ones running.
    try {
        for (size_t i = 1; i < workerCount; ++i) workers.emplace_back(work);
    } catch (const std::exception&) {
    }
    work();
    for (std::thread& worker : workers) worker.join();
    progress.Clear();
    return failed ? 1 : 0;
}
