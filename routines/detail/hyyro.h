// Internal entry of the word-parallel LCS routine, for tests and measurements
// that must force one of its paths. Callers of the library use Hyyro_Alg.
#ifndef ROUTINES_HYYRO_H
#define ROUTINES_HYYRO_H

#include <cstdint>

namespace lcs::detail {

struct HyyroPaths {
    // Use the AVX-512 kernel where the processor has it; false forces the
    // plain 64-bit kernel everywhere.
    bool vector_units = true;
    // 0: Hyyro_Alg's own choice of the banded or the full computation.
    // Negative: always the full computation.
    // Positive: always start with a band of this half-width, and take the
    // second band wherever it is needed, however wide (no cost cut-off).
    std::int32_t first_band = 0;
};

// Hyyro_Alg's contract and result, computed by the paths chosen.
std::int32_t hyyro_lcs(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB,
                       HyyroPaths paths);

// True when this processor runs the AVX-512 kernel.
bool hyyro_has_vector_units();

}  // namespace lcs::detail

#endif  // ROUTINES_HYYRO_H
