#include "compare/comparison.h"

#include <algorithm>
#include <map>

namespace compare {

SkipReason skip_reason(const MethodFacts& method, double physical_bytes) {
    if (physical_bytes > 0 && method.estimated_bytes > physical_bytes) return SkipReason::too_big;
    if (method.estimated_seconds > kSkipAboveSeconds) return SkipReason::too_slow;
    return SkipReason::none;
}

double estimated_seconds(const lcs::RoutineInfo& routine, double lenA, double lenB,
                         std::optional<double> distance) {
    const double random = routine.estimated_seconds(lenA, lenB);
    if (!distance || routine.estimated_seconds_alike == nullptr) return random;
    return std::min(random, routine.estimated_seconds_alike(lenA, lenB, *distance));
}

namespace {

bool returned_length(const Row& row) {
    return row.method.kind == lcs::RoutineKind::lcs_length && row.outcome.status == Status::ok;
}

double similarity(std::int32_t lcs, std::int64_t lenA, std::int64_t lenB) {
    const std::int64_t longer = std::max(lenA, lenB);
    return longer == 0 ? 1.0 : static_cast<double>(lcs) / longer;
}

}  // namespace

Summary summarize(std::vector<Row>& rows, std::int64_t lenA, std::int64_t lenB) {
    Summary summary;
    std::map<std::int32_t, int> votes;
    for (const Row& row : rows) {
        if (row.outcome.status == Status::crashed) summary.crashed = true;
        if (row.method.kind == lcs::RoutineKind::local_alignment_score &&
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
    summary.similarity = similarity(summary.lcs, lenA, lenB);
    summary.distance = lenA + lenB - 2 * static_cast<std::int64_t>(summary.lcs);
    return summary;
}

void add_alignment_length(Summary& summary, std::int32_t length, std::int64_t lenA,
                          std::int64_t lenB) {
    summary.alignment_length = length;
    if (summary.have_lcs) {
        summary.alignment_disagrees = length != summary.lcs;
        return;
    }
    summary.have_lcs = summary.lcs_from_alignment = true;
    summary.lcs = length;
    summary.similarity = similarity(length, lenA, lenB);
    summary.distance = lenA + lenB - 2 * static_cast<std::int64_t>(length);
}

}  // namespace compare
