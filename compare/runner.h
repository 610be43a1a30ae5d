// Running one method in a child process of its own.
//
// A child process gives each routine a clean measure of its own peak
// resident memory (the kernel's high-water mark of the child, less what the
// child already held when it was forked), a time limit that can be enforced
// by killing it, and a crash that ends only the child. The child sends its
// result back over a pipe as one fixed-size message.
#ifndef COMPARE_RUNNER_H
#define COMPARE_RUNNER_H

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "compare/inputs.h"
#include <lcs/routines.h>
#include "support/memory.h"

namespace compare {

enum class Status {
    ok,             // the routine returned
    skipped,        // not run: its estimate is beyond the limits
    timed_out,      // killed at the time limit
    out_of_memory,  // the routine threw std::bad_alloc
    crashed,        // the child ended without a result (a signal, an exception)
};

struct Outcome {
    Status status = Status::ok;
    std::int32_t length = 0;    // the result of an lcs_length routine
    double score = 0.0;         // the result of a score routine
    double seconds = 0.0;       // time of the call, or of the run until it was stopped
    double peak_bytes = 0.0;    // peak resident working memory of the child
    std::string detail;         // what ended a crashed child
};

// What a child computes: one call, whose result is an LCS length (exact
// in a double) or a score, and a call of the same code on empty inputs
// before it, so that the code's first run, which maps its pages and the
// allocator's, is not measured as working memory.
struct Task {
    lcs::RoutineKind kind = lcs::RoutineKind::lcs_length;
    std::function<double()> call;
    std::function<void()> warm_up;
};

// A routine of the collection on a and b, which must outlive the task.
Task routine_task(const lcs::RoutineInfo& routine, const OneBased& a, const OneBased& b);

// Called about five times a second while a routine runs, with the seconds
// since it started.
using ProgressReport = std::function<void(double elapsed_seconds)>;

// The system gave no process or pipe to run a routine in: a failure of the
// program, not of the routine. what() is the one line that the user sees.
class ProcessError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs `task` in a child process. A timeout of 0 or less means no time
// limit. The child is killed with the program (compare/runner.cpp). Throws
// ProcessError when no child can be started.
Outcome run_isolated(const Task& task, double timeout_seconds, const ProgressReport& progress);

// The same for a routine of the collection on a and b.
Outcome run_isolated(const lcs::RoutineInfo& routine, const OneBased& a, const OneBased& b,
                     double timeout_seconds, const ProgressReport& progress);

// The machine's physical memory in bytes (0 when the system does not say).
using lcs::support::physical_memory_bytes;

}  // namespace compare

#endif  // COMPARE_RUNNER_H
