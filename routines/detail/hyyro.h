// Internal entry of the word-parallel LCS routine, for tests and measurements
// that must force one of its paths. Callers of the library use Hyyro_Alg.
#ifndef ROUTINES_HYYRO_H
#define ROUTINES_HYYRO_H

#include <cstdint>

#include "kernel/kernel.h"

namespace lcs::detail {

// Hyyro_Alg's contract and result, computed by the paths chosen.
std::int32_t hyyro_lcs(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB,
                       const kernel::Paths& paths);

}  // namespace lcs::detail

#endif  // ROUTINES_HYYRO_H
