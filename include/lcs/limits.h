// The one length limit of the library, shared by <lcs/lcs.h> and
// <lcs/routines.h>.
#ifndef LCS_LIMITS_H
#define LCS_LIMITS_H

#include <cstdint>

namespace lcs {
// The longest string any routine, program or function of this library takes:
// lengths and positions are signed 32-bit, and a one-based buffer's
// length + 2 bytes still fit one.
constexpr std::int32_t kMaxLength = 2147483645;
}  // namespace lcs

#endif  // LCS_LIMITS_H
