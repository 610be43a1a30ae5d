// The kernel's entries (kernel/kernel.h): common prefix and suffix off, then
// the short paths when the shorter string fits in four words, else the
// column blocks and bands over the strings under dense codes. A prepared
// pattern of up to eight words runs down a text from its own match rows;
// longer ones take the blocks. Covered by tests/test_kernel.cpp,
// tests/test_hyyro.cpp and fuzz/fuzz_length.cpp.
#include "kernel/kernel.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <vector>

#include "kernel/blocks.h"
#include "kernel/rows.h"
#include "kernel/short.h"
#include "kernel/stop.h"

namespace lcs::kernel {

namespace {

inline unsigned char byte_of(char c) { return static_cast<unsigned char>(c); }
inline char32_t byte_of(char32_t c) { return c; }

// Drops the common prefix and suffix of a and b, which every longest common
// subsequence may be taken to match, and returns their length.
template <typename Char>
std::size_t strip_common_ends(std::basic_string_view<Char>& a, std::basic_string_view<Char>& b) {
    const std::size_t shorter = std::min(a.size(), b.size());
    std::size_t prefix = 0;
    while (prefix < shorter && a[prefix] == b[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < shorter - prefix && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
        ++suffix;
    }
    a = a.substr(prefix, a.size() - prefix - suffix);
    b = b.substr(prefix, b.size() - prefix - suffix);
    return prefix + suffix;
}

// The blocks and bands, X prepared, Y coded under X's codes.
template <typename Char>
std::size_t prepared_lcs(const detail::PatternData& x, std::basic_string_view<Char> y,
                         const Paths& paths, Word* final_v = nullptr) {
    std::vector<Code> y_codes(y.size());
    for (std::size_t r = 0; r < y.size(); ++r) y_codes[r] = x.code(byte_of(y[r]));
    const Coded c{x.codes(), x.size(), x.distinct(), y_codes.data(), y.size(), x.match_row(0)};
    if (final_v != nullptr) {
        BlockRun run(c, resolve(Component::blocks, paths.isa), paths.stop, paths.threads);
        return run.full(final_v);
    }
    return coded_lcs(c, paths);
}

std::size_t distinct_bytes(std::string_view text) {
    unsigned char seen[256] = {};
    for (const char c : text) seen[byte_of(c)] = 1;
    std::size_t count = 0;
    for (const unsigned char s : seen) count += s;
    return count;
}

// Work of the full computation with X packed, in words: the rows of Y, the
// building of X's match rows, and the codes and carries of Y, which make a
// short Y the one to read when the other is long.
double packing_cost(std::size_t n, std::size_t distinct, std::size_t m) {
    const double words = static_cast<double>(words_for(n));
    return words * (static_cast<double>(m) + static_cast<double>(distinct) + 1.0) +
           static_cast<double>(n) + static_cast<double>(m);
}

// LCS(A, B) = LCS(B, A): pack the one that costs fewer words. Strings of
// the same number of words cost about the same either way, which spares the
// passes that count their bytes.
bool pack_first(std::string_view a, std::string_view b) {
    if (words_for(a.size()) == words_for(b.size())) return true;
    return packing_cost(a.size(), distinct_bytes(a), b.size()) <=
           packing_cost(b.size(), distinct_bytes(b), a.size());
}
bool pack_first(std::u32string_view a, std::u32string_view b) { return a.size() <= b.size(); }

// run_rows_any over y, kPollRows rows at a time, polling `stop` between
// them; in one go when there is no stop.
template <typename Char, typename CodeOf>
void polled_rows(std::size_t words, Word* v, std::basic_string_view<Char> y, const Word* rows,
                 CodeOf code_of, const Stop* stop) {
    if (stop == nullptr) return run_rows_any(words, v, y.data(), y.size(), rows, code_of);
    for (std::size_t r = 0; r < y.size(); r += kPollRows) {
        poll(stop);
        run_rows_any(words, v, y.data() + r, std::min(kPollRows, y.size() - r), rows, code_of);
    }
}

template <typename Char>
std::size_t any_pattern_length(const detail::PatternData& x, std::basic_string_view<Char> y,
                               const Paths& paths);

// A short x against a long y under a stop request: the prepared rows, which
// poll. Out of line, so that the short paths' callers keep a small frame.
template <typename Char>
__attribute__((noinline)) std::size_t polled_short_length(std::basic_string_view<Char> x,
                                                          std::basic_string_view<Char> y,
                                                          const Paths& paths) {
    return any_pattern_length(detail::PatternData(x), y, paths);
}

// What any_length gives, with band_only, where no band proves the length.
// A plain value rather than an optional, which costs the short calls a
// stalled load of their result.
constexpr std::size_t kUnproven = SIZE_MAX;

std::optional<std::size_t> proven(std::size_t length) {
    if (length == kUnproven) return std::nullopt;
    return length;
}

// The LCS of a and b under X's codes, or, with band_only, where a band
// proves it.
template <typename Char>
std::size_t coded_length(const detail::PatternData& x, std::basic_string_view<Char> y,
                         const Paths& paths, bool band_only) {
    if (!band_only) return prepared_lcs(x, y, paths);
    std::vector<Code> y_codes(y.size());
    for (std::size_t r = 0; r < y.size(); ++r) y_codes[r] = x.code(byte_of(y[r]));
    return coded_banded_lcs({x.codes(), x.size(), x.distinct(), y_codes.data(), y.size(), x.match_row(0)},
                            paths)
        .value_or(kUnproven);
}

template <typename Char>
std::size_t any_length(std::basic_string_view<Char> a, std::basic_string_view<Char> b,
                       const Paths& paths, bool band_only = false) {
    const std::size_t common = strip_common_ends(a, b);
    if (a.empty() || b.empty()) return common;
    const bool a_shorter = a.size() <= b.size();
    const auto x = a_shorter ? a : b;
    const auto y = a_shorter ? b : a;
    if (x.size() <= kShortMax) {
        // The short paths run y in one go; a long y under a stop request
        // takes the prepared rows, which poll.
        if (paths.stop == nullptr || y.size() <= kPollRows) {
            return common + short_lcs(x, y, resolve(Component::blocks, paths.isa));
        }
        return common + polled_short_length(x, y, paths);
    }
    const bool pack_a = pack_first(a, b);
    const detail::PatternData packed(pack_a ? a : b);
    const std::size_t inner = coded_length(packed, pack_a ? b : a, paths, band_only);
    return inner == kUnproven ? kUnproven : common + inner;
}

template <typename Char>
std::size_t any_pattern_length(const detail::PatternData& x, std::basic_string_view<Char> y,
                               const Paths& paths) {
    if (x.size() == 0 || y.empty()) return 0;
    const std::size_t words = x.words();
    if (words > kRegisterWords) return prepared_lcs(x, y, paths);
    Word v[kRegisterWords];
    std::fill(v, v + words, ~Word{0});
    if (std::is_same<Char, char>::value && x.byte_rows() != nullptr) {
        polled_rows(words, v, y, x.byte_rows(), [](Char c) { return static_cast<Code>(byte_of(c)); },
                    paths.stop);
    } else {
        polled_rows(words, v, y, x.match_row(0), [&x](Char c) { return x.code(byte_of(c)); },
                    paths.stop);
    }
    return zero_bits_of(v, words);
}

template <typename Char>
void any_final_row(const detail::PatternData& x, std::basic_string_view<Char> y, Word* v,
                   const Paths& paths) {
    const std::size_t words = x.words();
    std::fill(v, v + words, ~Word{0});
    if (words == 0 || y.empty()) return;
    if (words > kRegisterWords) {
        prepared_lcs(x, y, paths, v);
        return;
    }
    polled_rows(words, v, y, x.match_row(0), [&x](Char c) { return x.code(byte_of(c)); },
                paths.stop);
}

}  // namespace

std::size_t length(std::string_view a, std::string_view b, const Paths& paths) {
    return any_length(a, b, paths);
}
std::size_t length(std::u32string_view a, std::u32string_view b, const Paths& paths) {
    return any_length(a, b, paths);
}

std::optional<std::size_t> banded_length(std::string_view a, std::string_view b, const Paths& paths) {
    return proven(any_length(a, b, paths, true));
}
std::optional<std::size_t> banded_length(std::u32string_view a, std::u32string_view b,
                                         const Paths& paths) {
    return proven(any_length(a, b, paths, true));
}

std::size_t pattern_length(const detail::PatternData& x, std::string_view y, const Paths& paths) {
    return any_pattern_length(x, y, paths);
}
std::size_t pattern_length(const detail::PatternData& x, std::u32string_view y,
                           const Paths& paths) {
    return any_pattern_length(x, y, paths);
}

void final_row(const detail::PatternData& x, std::string_view y, Word* v, const Paths& paths) {
    any_final_row(x, y, v, paths);
}
void final_row(const detail::PatternData& x, std::u32string_view y, Word* v, const Paths& paths) {
    any_final_row(x, y, v, paths);
}

std::size_t zero_bits_below(const Word* v, std::size_t p) {
    std::size_t zeros = 0;
    for (std::size_t k = 0; k < p / kWordBits; ++k) zeros += zero_bits(v[k]);
    const std::size_t rest = p % kWordBits;
    if (rest != 0) zeros += zero_bits(v[p / kWordBits] | ~((Word{1} << rest) - 1));
    return zeros;
}

}  // namespace lcs::kernel
