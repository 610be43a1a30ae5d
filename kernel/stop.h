// Polling of a stop request (lcs::Stop) inside the kernel's long loops.
// A null stop costs one well-predicted branch where it is looked at, and it
// is looked at only between blocks or every kPollRows rows, so the loops
// themselves are unchanged.
#ifndef LCS_KERNEL_STOP_H
#define LCS_KERNEL_STOP_H

#include <cstddef>

#include <lcs/lcs.h>

namespace lcs::kernel {

// Rows between two looks: about 0.1 ms of the widest row, well under the
// promptness a caller expects, and a negligible cost against the rows.
constexpr std::size_t kPollRows = std::size_t{1} << 16;

// Throws lcs::Stopped once `stop` is requested; nothing for a null stop.
inline void poll(const Stop* stop) {
    if (stop != nullptr && stop->requested()) throw Stopped();
}

}  // namespace lcs::kernel

#endif  // LCS_KERNEL_STOP_H
