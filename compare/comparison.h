// One run of lcs-compare: which routines to run, what each gave, and what
// the results say together.
#ifndef COMPARE_COMPARISON_H
#define COMPARE_COMPARISON_H

#include <cstdint>
#include <vector>

#include "compare/runner.h"
#include <lcs/routines.h>

namespace compare {

// A method whose estimate is beyond this many seconds is skipped unless the
// user asks for every method: a few seconds each keeps a run of all methods
// within about a minute.
constexpr double kSkipAboveSeconds = 5.0;

// too_many_tokens: inputs compared in a unit (--by) that hold more than 256
// distinct tokens, which the classic routines' bytes cannot tell apart.
enum class SkipReason { none, too_slow, too_big, too_many_tokens };

// Why the routine should not run on these lengths, from its catalogue
// estimates: a running time beyond kSkipAboveSeconds, or working storage
// beyond the machine's physical memory (ignored when that is unknown, 0).
SkipReason skip_reason(const lcs::RoutineInfo& routine, double lenA, double lenB,
                       double physical_bytes);

struct Row {
    const lcs::RoutineInfo* routine = nullptr;
    double estimated_seconds = 0.0;
    double estimated_bytes = 0.0;
    SkipReason skip = SkipReason::none;
    Outcome outcome;
    bool agrees = false;  // an lcs_length result equal to the consensus
};

struct Summary {
    bool have_lcs = false;       // some lcs_length routine returned
    std::int32_t lcs = 0;        // the consensus: the value most methods returned
    bool disagreement = false;   // some lcs_length routine returned another value
    bool have_score = false;     // a local alignment score routine returned
    double score = 0.0;
    double similarity = 0.0;     // lcs / max(lenA, lenB), 1 for two empty inputs
    std::int64_t distance = 0;   // insert-delete distance lenA + lenB - 2 lcs
    bool crashed = false;        // some routine ended without a result
};

// Sets each row's `agrees` and returns what the rows say together. Ties for
// the most common value go to the value returned first.
Summary summarize(std::vector<Row>& rows, std::int64_t lenA, std::int64_t lenB);

}  // namespace compare

#endif  // COMPARE_COMPARISON_H
