// The step of the Allison-Dix routine that tests reach on its own.
#ifndef ROUTINES_ALLISON_DIX_H
#define ROUTINES_ALLISON_DIX_H

#include <cstdint>
#include <memory>

namespace lcs::detail {

// A new one-based sequence of `length` bytes holding `sequence` backwards:
// position k holds sequence position length + 1 - k, positions 0 and
// length + 1 hold the zero byte. Reads only positions 1 to length of
// `sequence`; a negative length is taken as 0. Throws std::bad_alloc.
std::unique_ptr<char[]> reverse(const char* sequence, std::int32_t length);

}  // namespace lcs::detail

#endif  // ROUTINES_ALLISON_DIX_H
