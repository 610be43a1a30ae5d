// The checker that tests and fuzzers hold any lcs::Alignment of A with B to:
// the runs tile both strings in order, are canonical (no two neighbours with
// the same edit, and between two keeps a remove before an insert), keep only
// equal symbols, add up to the stated length, turn A into B, and keep as
// many symbols as the oracle's LCS.
#ifndef LCS_REFERENCE_ALIGNMENT_CHECK_H
#define LCS_REFERENCE_ALIGNMENT_CHECK_H

#include <cstdint>
#include <string>
#include <string_view>

#include <lcs/lcs.h>
#include "reference/oracles.h"

namespace lcs::reference {

// What is wrong with `alignment` of a with b, or "" when nothing is; the
// LCS length must be `lcs_length`.
template <typename Char>
std::string alignment_fault(std::basic_string_view<Char> a, std::basic_string_view<Char> b,
                            const Alignment& alignment, std::int32_t lcs_length) {
    std::basic_string<Char> applied;
    std::int64_t i = 0, j = 0, kept = 0;
    for (std::size_t r = 0; r < alignment.runs.size(); ++r) {
        const Run& run = alignment.runs[r];
        const std::string where = "run " + std::to_string(r) + ": ";
        if (run.count < 1) return where + "count below 1";
        if (run.a_pos != i || run.b_pos != j) return where + "does not start where the last ended";
        if (r > 0 && alignment.runs[r - 1].edit == run.edit) return where + "same edit as the last";
        if (r > 0 && alignment.runs[r - 1].edit == Edit::insert && run.edit == Edit::remove)
            return where + "a remove after an insert";
        const bool in_a = run.edit != Edit::insert, in_b = run.edit != Edit::remove;
        if ((in_a && i + run.count > static_cast<std::int64_t>(a.size())) ||
            (in_b && j + run.count > static_cast<std::int64_t>(b.size())))
            return where + "runs past the end";
        if (run.edit == Edit::keep) {
            if (a.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(run.count)) !=
                b.substr(static_cast<std::size_t>(j), static_cast<std::size_t>(run.count)))
                return where + "keeps unequal symbols";
            kept += run.count;
        }
        if (in_b) applied += b.substr(static_cast<std::size_t>(j), static_cast<std::size_t>(run.count));
        if (in_a) i += run.count;
        if (in_b) j += run.count;
    }
    if (i != static_cast<std::int64_t>(a.size()) || j != static_cast<std::int64_t>(b.size()))
        return "the runs do not cover both strings";
    if (applied != b) return "applying the runs to A does not give B";
    if (kept != alignment.length) return "length is not the sum of the keeps";
    if (alignment.length != lcs_length)
        return "length " + std::to_string(alignment.length) + ", LCS " + std::to_string(lcs_length);
    return "";
}

// The same, held to the oracle's LCS.
template <typename Char>
std::string alignment_fault(std::basic_string_view<Char> a, std::basic_string_view<Char> b,
                            const Alignment& alignment) {
    return alignment_fault(a, b, alignment, reference_lcs(a, b));
}

}  // namespace lcs::reference

#endif  // LCS_REFERENCE_ALIGNMENT_CHECK_H
