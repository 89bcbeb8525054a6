// dvrun: runs one Datavane definition for a scheduler or a shell and keeps a
// log of what happened.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "CommandLine.h"
#include "ComponentLoader.h"
#include "RunLog.h"

#ifndef DV_VERSION
#define DV_VERSION ""
#endif

namespace {

constexpr int kFailure = 255;  // the exit status of -1

const char* const kUsage =
    "Usage: dvrun PROJECT.dv [/s SOURCE] [/t TARGET] [/l LOG] [/v SCHEMA] [--gzip]\n"
    "             [--locale NAME] [--threads N]\n"
    "       dvrun PROJECT.dv --write-schema SCHEMA.xsd [--set-validation]\n"
    "       dvrun PROJECT.dv --plan N /t PLAN\n"
    "       dvrun PROJECT.dv --part K/N [--plan PLAN] /t PART\n"
    "       dvrun PROJECT.dv --merge PART... /t TARGET\n"
    "Runs a Datavane transformation definition and logs the outcome.\n"
    "\n"
    "  /s SOURCE  read this source file instead of the definition's\n"
    "  /t TARGET  write this target file instead of the definition's\n"
    "  /v SCHEMA  validate every output document against this XML Schema\n"
    "             (also --validate SCHEMA; fails with 120 on the first error)\n"
    "  --gzip     compress what /t - writes to standard output\n"
    "  --locale NAME  format and read numbers and dates by these regional\n"
    "             settings instead of the definition's: \"\" the user's,\n"
    "             C the invariant ones, else an installed locale (de_DE.UTF-8)\n"
    "  --threads N  write rows with N threads (default: DATAVANE_THREADS, else\n"
    "             the cores dvrun may use); 1 writes them one by one. The output\n"
    "             is the same whatever N\n"
    "  --write-schema SCHEMA.xsd  write the XML Schema of every document the\n"
    "             definition can write (one more file beside it per further\n"
    "             namespace) and run nothing; with --set-validation the\n"
    "             definition is saved validating its output against it\n"
    "  --plan N /t PLAN  cut the source into N parts and write the cut to PLAN:\n"
    "             byte ranges of a text file, ranges of the first sort key of a\n"
    "             sorted one (a group on that key stays whole), windows of a\n"
    "             database query's rows (LIMIT and OFFSET; give it an ORDER BY)\n"
    "  --part K/N /t PART [--plan PLAN]  convert part K (0 to N-1) of N into the\n"
    "             part file PART, cut as PLAN says (else by the same scan); a\n"
    "             document per row or value: the part writes the documents its\n"
    "             rows begin, named as the definition's target says\n"
    "  --merge PART... /t TARGET  join the part files, in order, into the\n"
    "             document one run writes (validation, XSL and compression as\n"
    "             in one run), or check that every part of a run of documents\n"
    "             is there; definitions whose rows depend on what the writer\n"
    "             remembers ({ID}, nodes skipping duplicates, groups of an\n"
    "             unsorted source) are refused with 126\n"
    "  /l LOG     append to this log (default: dvrun.log in the user's state\n"
    "             folder, ~/.local/state/datavane, for an installed dvrun; the\n"
    "             program's path + \".log\" for one run from where it was built)\n"
    "\n"
    "Switches may also start with - or ~ (-s, ~s). Exit status: 0 on success,\n"
    "255 on failure.\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string("dvrun");
}

// An installed runner (its tree holds the package's copyright file) may not
// write beside itself, so its log goes to the user's state folder; a runner
// run from where it was built keeps its log beside it.
std::string DefaultLog(const std::string& runner) {
    const size_t slash = runner.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : runner.substr(0, slash);
    if (::access((folder + "/../share/doc/datavane/copyright").c_str(), F_OK) != 0) {
        return runner + ".log";
    }
    std::string state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/') {
        state = xdg;
    } else {
        const char* home = std::getenv("HOME");
        state = std::string(home && *home ? home : "/tmp") + "/.local/state";
    }
    // The folders may not exist yet; a failure shows when the log is written.
    const std::string folderPath = state + "/datavane";
    for (size_t at = folderPath.find('/', 1); at != std::string::npos;
         at = folderPath.find('/', at + 1)) {
        ::mkdir(folderPath.substr(0, at).c_str(), 0700);
    }
    ::mkdir(folderPath.c_str(), 0700);
    return folderPath + "/dvrun.log";
}

// Texts of the codes creating the component can fail with.
std::string SystemText(int32_t code) {
    switch (code) {
        case DVOBJ_REGDB_E_CLASSNOTREG:
            return "Class not registered";
        case DVOBJ_CLASS_E_CLASSNOTAVAILABLE:
            return "ClassFactory cannot supply requested class";
        case DVOBJ_E_OUTOFMEMORY:
            return "Not enough memory resources are available to complete this operation.";
        case DVOBJ_E_FAIL:
            return "Unspecified error";
        default:
            return "Unknown Error " + std::to_string(code);
    }
}

constexpr int kMaxThreads = 256;

// A thread count as typed: 1 to kMaxThreads, else 0.
int ThreadCount(const std::string& text) {
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    const int count = std::stoi(text);
    return count >= 1 && count <= kMaxThreads ? count : 0;
}

// What is wrong with the thread count asked for, if anything; the count
// goes to threads (0: the component's default).
std::string CheckThreads(const CommandLine& line, int& threads) {
    threads = 0;
    const char* variable = std::getenv("DATAVANE_THREADS");
    const bool fromLine = line.threads.has_value();
    const std::string text = fromLine ? *line.threads : variable ? variable : "";
    if (!fromLine && text.empty()) {
        return {};
    }
    threads = ThreadCount(text);
    if (threads > 0) {
        return {};
    }
    return std::string(fromLine ? "--threads" : "DATAVANE_THREADS") +
           " takes a whole number from 1 to " + std::to_string(kMaxThreads) + ", not \"" + text +
           "\"";
}

// A whole number from 0 to limit, or -1.
int32_t WholeNumber(const std::string& text, int32_t limit) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    const int32_t number = std::stoi(text);
    return number <= limit ? number : -1;
}

constexpr int32_t kMaxParts = 100000;

// What a run in parts asks for, checked; empty when the line asks for none.
struct PartsRequest {
    enum class Step { kNone, kPlan, kPart, kMerge } step = Step::kNone;
    int32_t part = 0;
    int32_t parts = 0;
};

std::string CheckParts(const CommandLine& line, PartsRequest& request) {
    const int given = (line.merge ? 1 : 0) + (line.part ? 1 : 0);
    if (given > 1) {
        return "--merge and --part cannot be given together";
    }
    if (!line.merge && !line.part && !line.plan) {
        return {};
    }
    if (!line.target || line.target->empty()) {
        return "--plan, --part and --merge need a target file (/t)";
    }
    if (line.merge) {
        if (line.plan) {
            return "--merge takes no --plan";
        }
        if (line.merge->empty()) {
            return "--merge needs the part files, in order";
        }
        request.step = PartsRequest::Step::kMerge;
        return {};
    }
    if (line.part) {
        const size_t slash = line.part->find('/');
        request.part =
            slash == std::string::npos ? -1 : WholeNumber(line.part->substr(0, slash), kMaxParts);
        request.parts =
            slash == std::string::npos ? -1 : WholeNumber(line.part->substr(slash + 1), kMaxParts);
        if (request.part < 0 || request.parts < 1 || request.part >= request.parts) {
            return "--part takes K/N, whole numbers with 0 <= K < N <= " +
                   std::to_string(kMaxParts) + ", not \"" + *line.part + "\"";
        }
        request.step = PartsRequest::Step::kPart;
        return {};
    }
    request.parts = WholeNumber(*line.plan, kMaxParts);
    if (request.parts < 1) {
        return "--plan takes the number of parts, 1 to " + std::to_string(kMaxParts) + ", not \"" +
               *line.plan + "\"";
    }
    request.step = PartsRequest::Step::kPlan;
    return {};
}

// Shows rows converted and the rate on a terminal.
struct ProgressLine {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    bool shown = false;

    static int Report(int32_t rows, void* context) {
        auto* self = static_cast<ProgressLine*>(context);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - self->start).count();
        std::fprintf(stderr, "\r%d rows converted (%.0f rows/s)   ", rows,
                     seconds > 0 ? rows / seconds : 0.0);
        std::fflush(stderr);
        self->shown = true;
        return 1;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc <= 1) {
        std::fputs(kUsage, stderr);
        return kFailure;
    }
    const std::string first = argv[1];
    if (argc == 2 && (first == "--help" || first == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && first == "--version") {
        std::printf("dvrun (Tarnwright Datavane) %s\n", DV_VERSION);
        return 0;
    }

    const CommandLine line = CommandLine::Parse(argc, argv);
    const std::string runner = ExecutablePath();
    RunLog log(DefaultLog(runner), line.log.value_or(""), DV_VERSION);
    log.Write("Command Line: dvrun " + line.Display(), 0);

    bool succeeded = false;
    int threads = 0;
    PartsRequest parts;
    std::string failure = CheckThreads(line, threads);
    if (failure.empty()) {
        failure = CheckParts(line, parts);
    }
    if (!failure.empty()) {
        log.Write(failure, -1);
    } else if (!line.project || !std::ifstream(*line.project)) {
        if (line.project) {
            failure = "Cannot open/read DVFile: " + *line.project;
            log.Write(failure, -1);
        }
    } else {
        ComponentLoader component;
        const int32_t created = component.Create(runner);
        if (created != DVOBJ_S_OK) {
            failure = "Could not create Datavane object\r\n" + SystemText(created);
            if (!component.Why().empty()) {
                failure += "\r\n" + component.Why();
            }
            log.Write(failure, created);
        } else if (line.writeSchema) {
            succeeded = component.WriteSchema(line.project->c_str(), line.writeSchema->c_str(),
                                              line.setValidation);
            if (!succeeded) {
                failure = component.ErrorCode() != 0 ? component.ErrorMessage() : component.Why();
                log.Write(failure, component.ErrorCode());
            }
        } else {
            ProgressLine progress;
            const bool terminal = ::isatty(STDERR_FILENO) != 0;
            DvobjOptions options{};
            options.size = sizeof options;
            options.validateSchema = line.validate ? line.validate->c_str() : nullptr;
            options.gzipStandardOutput = line.gzip ? 1 : 0;
            options.locale = line.locale ? line.locale->c_str() : nullptr;
            options.threads = threads;
            const bool withOptions = line.validate || line.gzip || line.locale || threads > 0;
            const char* project = line.project->c_str();
            const std::string source = line.source.value_or("");
            const std::string target = line.target.value_or("");
            const DvobjProgress report = terminal ? &ProgressLine::Report : nullptr;
            switch (parts.step) {
                case PartsRequest::Step::kNone:
                    succeeded =
                        component.Transform(project, source.c_str(), target.c_str(),
                                            withOptions ? &options : nullptr, report, &progress);
                    break;
                case PartsRequest::Step::kPlan:
                    succeeded = component.Plan(project, source.c_str(), target.c_str(), parts.parts,
                                               &options);
                    break;
                case PartsRequest::Step::kPart:
                    succeeded = component.RunPart(
                        project, source.c_str(), target.c_str(), parts.part, parts.parts,
                        line.plan.value_or("").c_str(), &options, report, &progress);
                    break;
                case PartsRequest::Step::kMerge:
                    succeeded = component.Merge(project, source.c_str(), target.c_str(),
                                                *line.merge, &options, report, &progress);
                    break;
            }
            if (progress.shown) {
                std::fputc('\n', stderr);
            }
            if (!succeeded) {
                failure = component.ErrorCode() != 0 ? component.ErrorMessage() : component.Why();
                log.Write(failure, component.ErrorCode());
            }
        }
    }
    if (!failure.empty()) {
        std::fprintf(stderr, "dvrun: %s\n", RunLog::OneLine(failure).c_str());
    }
    if (line.writeSchema) {
        log.Write(succeeded ? "Schema Written" : "Schema Failed", 0);
    } else {
        log.Write(succeeded ? "Transformation Succeeded" : "Transformation Failed", 0);
    }
    return succeeded ? 0 : kFailure;
}
