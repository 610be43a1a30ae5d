// The plain oracles that tests, benchmarks and fuzzers hold the library to:
// the LCS length by the prefix recurrence, and the straightforward forms of
// the Smith-Waterman score and of the Needleman-Wunsch summation, cell by cell
// in the textbook order with plain doubles and ints. Never part of the
// shipped library.
//
// The scores take std::strings (position i of the method is text[i - 1]). A unit
// that includes this header must be built with -ffp-contract=off (the CMake
// target lcs_strict_fp), so that k c + 1.0 is rounded twice as in the library.
#ifndef LCS_REFERENCE_ORACLES_H
#define LCS_REFERENCE_ORACLES_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace lcs::reference {

// The LCS length by the prefix recurrence, in two rows: the reference value,
// for strings of bytes or of wider symbols alike.
template <typename Char>
std::int32_t reference_lcs(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    std::vector<std::int32_t> previous(b.size() + 1, 0), current(b.size() + 1, 0);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            current[j] = a[i - 1] == b[j - 1] ? previous[j - 1] + 1
                                              : std::max(previous[j], current[j - 1]);
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}
inline std::int32_t reference_lcs(std::string_view a, std::string_view b) {
    return reference_lcs<char>(a, b);
}
inline std::int32_t reference_lcs(std::u32string_view a, std::u32string_view b) {
    return reference_lcs<char32_t>(a, b);
}

// The double nearest to one third, 0x3FD5555555555555.
inline double smith_waterman_mismatch() {
    const std::uint64_t bits = 0x3FD5555555555555ULL;
    double c;
    std::memcpy(&c, &bits, sizeof c);
    return c;
}

// Smith-Waterman with match +1, mismatch -c and a gap of k costing k c + 1.0,
// every gap candidate computed in place, every comparison strict.
inline double reference_smith_waterman(const std::string& a, const std::string& b) {
    const std::size_t n = a.size(), m = b.size();
    const double c = smith_waterman_mismatch();
    std::vector<std::vector<double>> h(n + 1, std::vector<double>(m + 1, 0.0));
    double best = 0.0;
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            double s = 0.0, vertical = 0.0, horizontal = 0.0;
            if (a[i - 1] == b[j - 1]) {
                s = h[i - 1][j - 1] + 1.0;
            } else {
                s = h[i - 1][j - 1] - c;
            }
            for (std::size_t k = 1; k < i; ++k) {
                const double candidate = h[i - k][j] - (static_cast<double>(k) * c + 1.0);
                if (candidate > vertical) vertical = candidate;
            }
            if (vertical > s) s = vertical;
            for (std::size_t k = 1; k < j; ++k) {
                const double candidate = h[i][j - k] - (static_cast<double>(k) * c + 1.0);
                if (candidate > horizontal) horizontal = candidate;
            }
            if (horizontal > s) s = horizontal;
            if (s < 0.0) s = 0.0;
            h[i][j] = s;
            if (s > best) best = s;
        }
    }
    return best;
}

// The Needleman-Wunsch maximum match: the match table, the summation in which
// every cell scans its partial row and partial column afresh, then the scan
// of the last column and the last row.
inline std::int32_t reference_needleman_wunsch(const std::string& a, const std::string& b) {
    const std::size_t n = a.size(), m = b.size();
    std::vector<std::vector<std::int32_t>> t(n + 1, std::vector<std::int32_t>(m + 1, 0));
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            if (a[i - 1] == b[j - 1]) t[i][j] = 1;
        }
    }
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            std::int32_t best = 0;
            if (i != 1) {
                for (std::size_t k = j - 1; k >= 1; --k) {
                    if (t[i - 1][k] > best) best = t[i - 1][k];
                }
            }
            if (j != 1) {
                for (std::size_t k = i - 1; k >= 1; --k) {
                    if (t[k][j - 1] > best) best = t[k][j - 1];
                }
            }
            t[i][j] += best;
        }
    }
    std::int32_t result = 0;
    for (std::size_t i = n; i >= 1; --i) {
        if (t[i][m] > result) result = t[i][m];
    }
    for (std::size_t j = m; j >= 1; --j) {
        if (t[n][j] > result) result = t[n][j];
    }
    return result;
}

}  // namespace lcs::reference

#endif  // LCS_REFERENCE_ORACLES_H
