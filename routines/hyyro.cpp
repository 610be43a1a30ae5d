// Hyyro_Alg: Hyyrö's bit-parallel LCS length ("Bit-parallel LCS-length
// computation revisited", AWOCA 2004) over one-based byte sequences, a thin
// entry over the library's bit-parallel kernel (kernel/kernel.h), which
// holds the method, its short paths, column blocks, vector paths and
// Ukkonen's self-checking band. Cost: ceil(min(n, m) / 64) word updates per
// symbol of the other sequence at most, far less on alike strings; no heap
// storage when the shorter sequence has at most 256 positions. Covered by
// tests/test_hyyro.cpp and tests/test_differential.cpp.
#include "routines/detail/hyyro.h"

#include <string_view>

#include <lcs/routines.h>
#include "kernel/kernel.h"
#include "routines/detail/storage.h"

namespace lcs::detail {

std::int32_t hyyro_lcs(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB,
                       const kernel::Paths& paths) {
    const std::size_t lengthA = count_of(lenA);
    const std::size_t lengthB = count_of(lenB);
    if (lengthA == 0 || lengthB == 0) return 0;
    return static_cast<std::int32_t>(
        kernel::length(std::string_view(a + 1, lengthA), std::string_view(b + 1, lengthB), paths));
}

}  // namespace lcs::detail

std::int32_t Hyyro_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    return lcs::detail::hyyro_lcs(a, b, lenA, lenB, lcs::kernel::Paths{});
}
