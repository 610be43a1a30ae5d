// The toolkit's one length check, with its one message, before any work.
#ifndef LCS_TOOLKIT_LENGTH_CHECK_H
#define LCS_TOOLKIT_LENGTH_CHECK_H

#include <cstddef>
#include <stdexcept>

#include <lcs/limits.h>

namespace lcs::detail {

// Lengths and positions are 32-bit throughout; a longer string is refused
// before a byte of it is read.
inline void check_length(std::size_t size) {
    if (size > static_cast<std::size_t>(lcs::kMaxLength)) {
        throw std::length_error("lcs: a string is longer than lcs::kMaxLength");
    }
}

}  // namespace lcs::detail

#endif  // LCS_TOOLKIT_LENGTH_CHECK_H
