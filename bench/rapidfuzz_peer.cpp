#include "rapidfuzz_peer.h"

#include <stdexcept>

#ifdef LCS_HAVE_RAPIDFUZZ
#include <rapidfuzz/distance.hpp>
#endif

namespace bench::rapidfuzz_peer {

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

#endif

}  // namespace bench::rapidfuzz_peer
