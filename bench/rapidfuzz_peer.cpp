#include "rapidfuzz_peer.h"

#include <algorithm>
#include <stdexcept>

#ifdef LCS_HAVE_RAPIDFUZZ
#include <rapidfuzz/distance.hpp>
#endif

namespace bench::rapidfuzz_peer {

const char* build() { return LCS_PEER_BUILD; }

#ifdef LCS_HAVE_RAPIDFUZZ

bool available() { return true; }

std::vector<std::int32_t> similarities(const std::vector<std::string_view>& a,
                                       const std::vector<std::string_view>& b) {
    std::vector<std::int32_t> lengths(a.size());
    for (std::size_t k = 0; k < a.size(); ++k) {
        lengths[k] = static_cast<std::int32_t>(rapidfuzz::lcs_seq_similarity(a[k], b[k]));
    }
    return lengths;
}

std::int32_t similarity(std::string_view a, std::string_view b, std::size_t score_cutoff) {
    return static_cast<std::int32_t>(rapidfuzz::lcs_seq_similarity(a, b, score_cutoff));
}

std::vector<std::int32_t> cached_similarities(std::string_view query,
                                              const std::vector<std::string_view>& choices) {
    const rapidfuzz::CachedLCSseq<char> cached(query);
    std::vector<std::int32_t> lengths(choices.size());
    for (std::size_t k = 0; k < choices.size(); ++k) {
        lengths[k] = static_cast<std::int32_t>(cached.similarity(choices[k]));
    }
    return lengths;
}

std::int32_t editops_length(std::string_view a, std::string_view b) {
    const rapidfuzz::Editops ops = rapidfuzz::lcs_seq_editops(a, b);
    return static_cast<std::int32_t>((a.size() + b.size() - ops.size()) / 2);
}

namespace {

std::size_t longest(const std::vector<std::string_view>& strings) {
    std::size_t most = 0;
    for (std::string_view s : strings) most = std::max(most, s.size());
    return most;
}

// Calls `row(query index, scores)` for each query with its scores against
// every choice, from a MultiLCSseq<MaxLen> holding the choices.
template <std::size_t MaxLen, typename Row>
void scored_rows(const std::vector<std::string_view>& queries,
                 const std::vector<std::string_view>& choices, const Row& row) {
    rapidfuzz::experimental::MultiLCSseq<MaxLen> scorer(choices.size());
    for (std::string_view choice : choices) scorer.insert(choice);
    std::vector<std::size_t> scores(scorer.result_count());
    for (std::size_t q = 0; q < queries.size(); ++q) {
        scorer.similarity(scores.data(), scores.size(), queries[q]);
        row(q, scores);
    }
}

template <typename Row>
void scored_rows_any(const std::vector<std::string_view>& queries,
                     const std::vector<std::string_view>& choices, const Row& row) {
    const std::size_t most = std::max(longest(queries), longest(choices));
    if (most <= 8)
        scored_rows<8>(queries, choices, row);
    else if (most <= 16)
        scored_rows<16>(queries, choices, row);
    else if (most <= 32)
        scored_rows<32>(queries, choices, row);
    else if (most <= 64)
        scored_rows<64>(queries, choices, row);
    else
        throw std::invalid_argument("MultiLCSseq takes strings of at most 64");
}

}  // namespace

void matrix_into(const std::vector<std::string_view>& queries,
                 const std::vector<std::string_view>& choices, std::int32_t* lengths) {
    scored_rows_any(queries, choices, [&](std::size_t q, const std::vector<std::size_t>& scores) {
        std::int32_t* out = lengths + q * choices.size();
        for (std::size_t c = 0; c < choices.size(); ++c) out[c] = static_cast<std::int32_t>(scores[c]);
    });
}

std::vector<std::int32_t> matrix(const std::vector<std::string_view>& queries,
                                 const std::vector<std::string_view>& choices) {
    std::vector<std::int32_t> lengths(queries.size() * choices.size());
    matrix_into(queries, choices, lengths.data());
    return lengths;
}

std::vector<Pair> dense_pairs(const std::vector<std::string_view>& strings, double min_similarity) {
    std::vector<Pair> kept;
    scored_rows_any(strings, strings, [&](std::size_t q, const std::vector<std::size_t>& scores) {
        for (std::size_t c = q + 1; c < strings.size(); ++c) {
            const double longer = static_cast<double>(std::max(strings[q].size(), strings[c].size()));
            const double similarity = longer == 0 ? 1.0 : static_cast<double>(scores[c]) / longer;
            if (similarity >= min_similarity) {
                kept.push_back({q, c, static_cast<std::int32_t>(scores[c])});
            }
        }
    });
    return kept;
}

#else

namespace {
[[noreturn]] void missing() {
    throw std::logic_error("rapidfuzz-cpp is not built in (configure with LCS_RAPIDFUZZ_DIR)");
}
}  // namespace

bool available() { return false; }
std::vector<std::int32_t> similarities(const std::vector<std::string_view>&,
                                       const std::vector<std::string_view>&) {
    missing();
}
std::int32_t similarity(std::string_view, std::string_view, std::size_t) { missing(); }
std::vector<std::int32_t> cached_similarities(std::string_view,
                                              const std::vector<std::string_view>&) {
    missing();
}
std::int32_t editops_length(std::string_view, std::string_view) { missing(); }
std::vector<std::int32_t> matrix(const std::vector<std::string_view>&,
                                 const std::vector<std::string_view>&) {
    missing();
}
void matrix_into(const std::vector<std::string_view>&, const std::vector<std::string_view>&,
                 std::int32_t*) {
    missing();
}
std::vector<Pair> dense_pairs(const std::vector<std::string_view>&, double) { missing(); }

#endif

}  // namespace bench::rapidfuzz_peer
