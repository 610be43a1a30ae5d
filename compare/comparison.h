// One run of lcs-compare: which methods to run, what each gave, and what
// the results say together.
#ifndef COMPARE_COMPARISON_H
#define COMPARE_COMPARISON_H

#include <cstdint>
#include <optional>
#include <string>
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

// What the table says of a method: its name, what its result means, and
// its estimates on these inputs.
struct MethodFacts {
    std::string name;
    lcs::RoutineKind kind = lcs::RoutineKind::lcs_length;
    double estimated_seconds = 0.0;
    double estimated_bytes = 0.0;
};

// A method of the table: a routine of the collection on the inputs' bytes,
// or the toolkit's own on the symbols of a unit, and the call that its child
// process makes.
struct Method {
    MethodFacts facts;
    // Set when the method cannot take these inputs at all (too_many_tokens).
    SkipReason refused = SkipReason::none;
    Task task;
};

// Why a method should not run, from its estimates: a running time beyond
// kSkipAboveSeconds, or working storage beyond the machine's physical
// memory (ignored when that is unknown, 0).
SkipReason skip_reason(const MethodFacts& method, double physical_bytes);

// A routine's estimated running time on these lengths: its catalogue
// estimate for random strings, or, where its cost follows the difference of
// alike strings and `distance` (an insert-delete distance that a cheap look
// suggests, compare/likeness.h) is known, the lower of that and its estimate
// for the distance.
double estimated_seconds(const lcs::RoutineInfo& routine, double lenA, double lenB,
                         std::optional<double> distance);

// One row of the table: the method, and what came of it.
struct Row {
    MethodFacts method;
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
    // No method returned an LCS length: the --show alignment's stands in.
    bool lcs_from_alignment = false;
    // The --show alignment's length differs from the methods' consensus.
    bool alignment_disagrees = false;
    std::int32_t alignment_length = 0;
};

// Sets each row's `agrees` and returns what the rows say together. Ties for
// the most common value go to the value returned first.
Summary summarize(std::vector<Row>& rows, std::int64_t lenA, std::int64_t lenB);

// Adds the LCS length of the --show alignment: the summary's own when no
// method returned one, else checked against the consensus.
void add_alignment_length(Summary& summary, std::int32_t length, std::int64_t lenA,
                          std::int64_t lenB);

}  // namespace compare

#endif  // COMPARE_COMPARISON_H
