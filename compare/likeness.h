// A cheap look at how alike two inputs are, for the estimates of the
// methods whose cost follows the difference of alike inputs (a band around
// the diagonal): the common prefix and suffix, and a sample of short pieces
// of A sought in B near where they would be if the two were alike.
#ifndef COMPARE_LIKENESS_H
#define COMPARE_LIKENESS_H

#include <optional>
#include <string_view>

namespace compare {

// A rough insert-delete distance |a| + |b| - 2 LCS of two inputs that look
// alike, seldom below the true one; nothing when they do not look alike.
// Exact when one input, less the common prefix and suffix, is empty. Time
// linear in the common prefix and suffix, and a few hundred thousand symbol
// comparisons besides.
std::optional<double> alike_distance(std::string_view a, std::string_view b);
std::optional<double> alike_distance(std::u32string_view a, std::u32string_view b);

}  // namespace compare

#endif  // COMPARE_LIKENESS_H
