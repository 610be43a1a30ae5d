#include "compare/comparison.h"

#include <algorithm>
#include <map>

namespace compare {

SkipReason skip_reason(const lcs::RoutineInfo& routine, double lenA, double lenB,
                       double physical_bytes) {
    if (physical_bytes > 0 && routine.working_bytes(lenA, lenB) > physical_bytes) {
        return SkipReason::too_big;
    }
    if (routine.estimated_seconds(lenA, lenB) > kSkipAboveSeconds) return SkipReason::too_slow;
    return SkipReason::none;
}

namespace {

bool returned_length(const Row& row) {
    return row.routine->kind == lcs::RoutineKind::lcs_length && row.outcome.status == Status::ok;
}

}  // namespace

Summary summarize(std::vector<Row>& rows, std::int64_t lenA, std::int64_t lenB) {
    Summary summary;
    std::map<std::int32_t, int> votes;
    for (const Row& row : rows) {
        if (row.outcome.status == Status::crashed) summary.crashed = true;
        if (row.routine->kind == lcs::RoutineKind::local_alignment_score &&
            row.outcome.status == Status::ok && !summary.have_score) {
            summary.have_score = true;
            summary.score = row.outcome.score;
        }
        if (!returned_length(row)) continue;
        const int count = ++votes[row.outcome.length];
        if (!summary.have_lcs || count > votes[summary.lcs]) summary.lcs = row.outcome.length;
        summary.have_lcs = true;
    }
    for (Row& row : rows) {
        row.agrees = returned_length(row) && row.outcome.length == summary.lcs;
        if (returned_length(row) && !row.agrees) summary.disagreement = true;
    }
    const std::int64_t longer = std::max(lenA, lenB);
    summary.similarity = longer == 0 ? 1.0 : static_cast<double>(summary.lcs) / longer;
    summary.distance = lenA + lenB - 2 * static_cast<std::int64_t>(summary.lcs);
    return summary;
}

}  // namespace compare
