// The independent peer: the parasail library's global and local alignment,
// set up so that its scores answer our questions. Built only where parasail
// is installed (LCS_HAVE_PARASAIL); elsewhere peer_available() is false.
//
// LCS: global alignment (Needleman-Wunsch by the scan method of Farrar's
// successors) with match 1, mismatch 0 and gaps free scores exactly the LCS
// length. Local alignment: match 3, mismatch -1, gap open 4 and extend 1, so
// a gap of k costs 3 + k: three times our Smith-Waterman weights, and the
// score divided by 3 is ours.
#ifndef BENCH_PEER_H
#define BENCH_PEER_H

#include <cstdint>
#include <string>

namespace bench {

bool peer_available();

// The parasail function that peer_lcs calls for these lengths, by name.
std::string peer_lcs_function(std::int32_t lenA, std::int32_t lenB);
std::string peer_local_function(std::int32_t lenA, std::int32_t lenB);

// The LCS length of two one-based sequences, computed by parasail. Throws
// std::runtime_error where parasail gives no result.
std::int32_t peer_lcs(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// The Smith-Waterman score of SmithWaterman_Alg's weights, from parasail's
// integer score divided by 3.
double peer_local_score(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

}  // namespace bench

#endif  // BENCH_PEER_H
