// velmora-cli: converts image files into line drawings with the same engine
// and options as the window program.
#include "console.h"
#include "convert.h"
#include "help.h"
#include "kernels/instruction_set.h"
#include "options.h"
#include "paths.h"
#include "plan.h"
#include "workers.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
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
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case ParseOutcome::Version:
        std::printf("velmora-cli version %s\nvector instructions: %s\n", velmora_version(),
                    InstructionSetName(WidestInstructionSet()));
        return 0;
    case ParseOutcome::UsageError:
        std::fprintf(stderr, "velmora-cli: %s\nTry 'velmora-cli --help' for more information.\n", message.c_str());
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
    std::vector<std::string> problems(jobs.size());
    std::vector<char> finished(jobs.size(), 0);
    size_t reported = 0;
    size_t done = 0;
    bool failed = false;
    std::mutex printing;  // guards what the workers share but next, and both streams
    ProgressLine progress(jobs.size() > 1 && IsTerminal(stderr));
    auto report = [&](const Job& job, const std::string& problem) {
        if (problem.empty()) {
            // On standard output the line would end up inside the drawing.
            if (!options.quiet && job.output != "-") std::printf("%s -> %s\n", job.input.c_str(), job.output.c_str());
            std::fflush(stdout);
        } else {
            std::fprintf(stderr, "velmora-cli: %s\n", problem.c_str());
            failed = true;
        }
    };
    auto work = [&] {
        for (size_t i = next++; i < jobs.size(); i = next++) {
            std::string problem = RunJob(jobs[i], options);
            std::lock_guard<std::mutex> lock(printing);
            problems[i] = std::move(problem);
            finished[i] = 1;
            progress.Clear();
            // A file's message waits for those of every earlier input, so that
            // the messages read as those of one file after another.
            for (; reported < jobs.size() && finished[reported]; ++reported) report(jobs[reported], problems[reported]);
            progress.Show(++done, jobs.size(), jobs[i].input);
        }
    };

    const size_t threads = options.jobs > 0 ? size_t(options.jobs) : UsableProcessors();
    // Processors that no file would use decode ahead of the conversion.
    options.decodeAhead = threads >= 2 * jobs.size();
    RunOnThreads(std::min(jobs.size(), threads), work);
    progress.Clear();
    return failed ? 1 : 0;
}
