// The Smith-Waterman routine with its choice of scan width open, so that
// tests run every width that the processor offers against the same answers.
#ifndef ROUTINES_SMITH_WATERMAN_H
#define ROUTINES_SMITH_WATERMAN_H

#include <cstdint>

namespace lcs::detail {

enum class ScanWidth {
    baseline,  // the instructions every processor of the target has
    widest,    // the widest vectors this processor has (what SmithWaterman_Alg uses)
};

// SmithWaterman_Alg with its gap scans of the given width; the same score,
// bit for bit, whatever the width.
double smith_waterman(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB,
                      ScanWidth width);

}  // namespace lcs::detail

#endif  // ROUTINES_SMITH_WATERMAN_H
