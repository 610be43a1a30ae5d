// The sample: kSamples pieces of kPieceLength symbols, evenly spread over
// what lies between the common prefix and suffix of A, each sought in B
// around the place that the ratio of the two middles' lengths gives it,
// within the difference of those lengths and a margin. A piece that is not
// found holds a difference; with a share f of pieces missed (two more
// counted, so that a clean sample still allows a few differences), the
// differences per symbol are about -ln(1 - f) / kPieceLength, each costing
// at most two in the insert-delete distance. Over half the pieces missed:
// the inputs do not look alike.
#include "compare/likeness.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace compare {
namespace {

constexpr std::size_t kSamples = 128;
constexpr std::size_t kPieceLength = 24;
constexpr std::size_t kMargin = 64;
constexpr std::size_t kWidestSearch = 4096;

template <typename Symbol>
bool found_near(std::basic_string_view<Symbol> piece, std::basic_string_view<Symbol> b,
                std::size_t around, std::size_t reach) {
    const std::size_t first = around > reach ? around - reach : 0;
    const std::size_t last = std::min(around + reach, b.size() - piece.size());
    for (std::size_t at = first; at <= last; ++at) {
        if (b.compare(at, piece.size(), piece) == 0) return true;
    }
    return false;
}

template <typename Symbol>
std::optional<double> distance_of(std::basic_string_view<Symbol> a,
                                  std::basic_string_view<Symbol> b) {
    const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    const auto prefix = static_cast<std::size_t>(mismatch.first - a.begin());
    a.remove_prefix(prefix);
    b.remove_prefix(prefix);
    const auto reverse = std::mismatch(a.rbegin(), a.rend(), b.rbegin(), b.rend());
    const auto suffix = static_cast<std::size_t>(reverse.first - a.rbegin());
    a.remove_suffix(suffix);
    b.remove_suffix(suffix);
    const double bound = static_cast<double>(a.size() + b.size());  // LCS >= prefix + suffix
    if (a.size() < kSamples * kPieceLength || b.size() < kSamples * kPieceLength) return bound;

    const std::size_t skew = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    const std::size_t reach = std::min(skew + kMargin, kWidestSearch);
    const double stretch = static_cast<double>(b.size()) / static_cast<double>(a.size());
    std::size_t missed = 0;
    for (std::size_t k = 0; k < kSamples; ++k) {
        const std::size_t at = k * (a.size() - kPieceLength) / (kSamples - 1);
        const auto around = static_cast<std::size_t>(static_cast<double>(at) * stretch);
        if (!found_near(a.substr(at, kPieceLength), b, around, reach)) ++missed;
    }
    if (2 * missed > kSamples) return std::nullopt;
    const double share = static_cast<double>(missed + 2) / kSamples;
    const double per_symbol = -std::log1p(-share) / kPieceLength;
    const double longer = static_cast<double>(std::max(a.size(), b.size()));
    return std::min(bound, 2.0 * per_symbol * longer + static_cast<double>(skew));
}

}  // namespace

std::optional<double> alike_distance(std::string_view a, std::string_view b) {
    return distance_of(a, b);
}

std::optional<double> alike_distance(std::u32string_view a, std::u32string_view b) {
    return distance_of(a, b);
}

}  // namespace compare
