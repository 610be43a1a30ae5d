// The kernel's entries (kernel/kernel.h): common prefix and suffix off, then
// the short paths when the shorter string fits in four words, else the
// column blocks and bands over the strings under dense codes. A prepared
// pattern of up to eight words runs down a text from its own match rows;
// longer ones take the blocks. Covered by tests/test_lcs_length.cpp,
// tests/test_hyyro.cpp and fuzz/fuzz_length.cpp.
#include "kernel/kernel.h"

#include <algorithm>
#include <type_traits>
#include <vector>

#include "kernel/blocks.h"
#include "kernel/rows.h"
#include "kernel/short.h"

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
        const bool vector = paths.isa == Isa::automatic || paths.isa == Isa::avx512;
        BlockRun run(c, vector, paths.stop, paths.threads);
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

template <typename Char>
std::size_t any_length(std::basic_string_view<Char> a, std::basic_string_view<Char> b,
                       const Paths& paths) {
    const std::size_t common = strip_common_ends(a, b);
    if (a.empty() || b.empty()) return common;
    const bool a_shorter = a.size() <= b.size();
    const auto x = a_shorter ? a : b;
    const auto y = a_shorter ? b : a;
    if (x.size() <= kShortMax) return common + short_lcs(x, y, paths.isa);
    const bool pack_a = pack_first(a, b);
    const detail::PatternData packed(pack_a ? a : b);
    return common + prepared_lcs(packed, pack_a ? b : a, paths);
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
        run_rows_any(words, v, y.data(), y.size(), x.byte_rows(),
                     [](Char c) { return static_cast<Code>(byte_of(c)); });
    } else {
        run_rows_any(words, v, y.data(), y.size(), x.match_row(0),
                     [&x](Char c) { return x.code(byte_of(c)); });
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
    run_rows_any(words, v, y.data(), y.size(), x.match_row(0),
                 [&x](Char c) { return x.code(byte_of(c)); });
}

}  // namespace

bool isa_available(Isa isa) {
    switch (isa) {
    case Isa::avx512: return has_avx512();
    case Isa::avx2: return has_avx2();
    default: return true;
    }
}

std::size_t length(std::string_view a, std::string_view b, const Paths& paths) {
    return any_length(a, b, paths);
}
std::size_t length(std::u32string_view a, std::u32string_view b, const Paths& paths) {
    return any_length(a, b, paths);
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
