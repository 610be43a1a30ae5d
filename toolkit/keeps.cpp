// The alignment assembler (toolkit/keeps.h). Covered by tests/test_align.cpp
// and tests/test_text_diff.cpp through the alignment checker.
#include "toolkit/keeps.h"

namespace lcs::detail {

void append_keep(std::vector<Keep>& out, Keep keep) {
    if (keep.count <= 0) return;
    if (!out.empty()) {
        Keep& last = out.back();
        if (last.a + last.count == keep.a && last.b + last.count == keep.b) {
            last.count += keep.count;
            return;
        }
    }
    out.push_back(keep);
}

Alignment runs_of(const std::vector<Keep>& keeps, std::int32_t a_size, std::int32_t b_size) {
    Alignment alignment{0, {}};
    std::size_t runs = keeps.size();
    std::int32_t a = 0, b = 0;
    for (const Keep& keep : keeps) {
        runs += (keep.a > a) + (keep.b > b);
        a = keep.a + keep.count;
        b = keep.b + keep.count;
    }
    alignment.runs.reserve(runs + (a_size > a) + (b_size > b));
    a = 0;
    b = 0;
    const auto gap_to = [&](std::int32_t a_end, std::int32_t b_end) {
        if (a_end > a) alignment.runs.push_back({Edit::remove, a, b, a_end - a});
        if (b_end > b) alignment.runs.push_back({Edit::insert, a_end, b, b_end - b});
    };
    for (const Keep& keep : keeps) {
        gap_to(keep.a, keep.b);
        alignment.runs.push_back({Edit::keep, keep.a, keep.b, keep.count});
        alignment.length += keep.count;
        a = keep.a + keep.count;
        b = keep.b + keep.count;
    }
    gap_to(a_size, b_size);
    return alignment;
}

}  // namespace lcs::detail
