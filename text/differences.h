// An exact alignment for sequences that differ in few places, at a cost that
// grows with the number of differences rather than with the alphabet: the
// method of diff, for lines, where every distinct line is a symbol of its own.
#ifndef TEXT_DIFFERENCES_H
#define TEXT_DIFFERENCES_H

#include <cstdint>
#include <optional>
#include <string_view>

#include <lcs/lcs.h>

namespace lcs::text {

// A longest common subsequence of a and b as runs, the same form and
// guarantees as lcs::align (keeps equal, canonical order, applying the runs
// to a gives b). Gives up, returning nothing, once it has taken `max_steps`
// steps (about (|a| + |b|) x D for D removed plus inserted symbols), so
// that the caller can turn to a method whose cost does not grow with D.
// Throws lcs::Stopped once `stop` is requested.
std::optional<lcs::Alignment> align_by_differences(std::u32string_view a, std::u32string_view b,
                                                   std::uint64_t max_steps,
                                                   const lcs::Stop* stop = nullptr);

}  // namespace lcs::text

#endif  // TEXT_DIFFERENCES_H
