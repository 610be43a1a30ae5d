// The toolkit benchmark's peer: rapidfuzz-cpp, the bit-parallel LCS (Hyyrö's
// method) that users pick today. Each entry point runs the whole loop over
// its inputs in this unit, so the peer's calls are inlined as in a user's own
// program; our side pays one library call per item, as its users do.
// Built against the peer where LCS_RAPIDFUZZ_DIR names it (LCS_HAVE_RAPIDFUZZ);
// elsewhere available() is false and the other calls throw std::logic_error.
#ifndef BENCH_RAPIDFUZZ_PEER_H
#define BENCH_RAPIDFUZZ_PEER_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace bench::rapidfuzz_peer {

bool available();

// How the peer was compiled, e.g. "-O3 -march=native -DNDEBUG".
const char* build();

// lcs_seq_similarity(a[k], b[k]) for each k, one call per pair.
std::vector<std::int32_t> similarities(const std::vector<std::string_view>& a,
                                       const std::vector<std::string_view>& b);

// lcs_seq_similarity(a, b, score_cutoff): with the true LCS as the cutoff the
// peer may stop as soon as it is proven, its best case.
std::int32_t similarity(std::string_view a, std::string_view b, std::size_t score_cutoff);

// CachedLCSseq<char>(query) built once, then its similarity with each choice.
std::vector<std::int32_t> cached_similarities(std::string_view query,
                                              const std::vector<std::string_view>& choices);

// The LCS length that lcs_seq_editops(a, b) implies: its edit operations are
// removals and insertions only, so they number |a| + |b| - 2 LCS.
std::int32_t editops_length(std::string_view a, std::string_view b);

// The LCS of every query with every choice, row-major (query by query), by
// rapidfuzz::experimental::MultiLCSseq, its many strings on vector lanes (what
// its cdist runs): the choices packed on lanes, each query scored against
// all of them. Every string must be at most 64 long (std::invalid_argument).
std::vector<std::int32_t> matrix(const std::vector<std::string_view>& queries,
                                 const std::vector<std::string_view>& choices);
// The same into `lengths`, queries x choices cells, allocated by the caller.
void matrix_into(const std::vector<std::string_view>& queries,
                 const std::vector<std::string_view>& choices, std::int32_t* lengths);

// Every pair (i < j) of `strings` whose LCS / max(|i|, |j|) is at least
// min_similarity, ordered by i then j, from the dense MultiLCSseq scores of
// each string against all: the peer's way to the pairs above a threshold.
struct Pair {
    std::size_t query, choice;
    std::int32_t length;
};
std::vector<Pair> dense_pairs(const std::vector<std::string_view>& strings, double min_similarity);

}  // namespace bench::rapidfuzz_peer

#endif  // BENCH_RAPIDFUZZ_PEER_H
