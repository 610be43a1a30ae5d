// Smith-Waterman local alignment score.
//
// T. F. Smith and M. S. Waterman, "Identification of common molecular
// subsequences", Journal of Molecular Biology 147(1), 1981. H(i, j) is the
// best score of an alignment of a stretch of A ending at i with a stretch of
// B ending at j, or 0:
//
//   H(i, j) = max(0, H(i-1, j-1) + w(A[i], B[j]),
//                 max over 1 <= k < i of H(i-k, j) - W_k,
//                 max over 1 <= k < j of H(i, j-k) - W_k)
//
// with w = +1 for a match and -c for a mismatch, c the double nearest to one
// third, and the gap weight W_k = k c + 1 of the paper's general gap function,
// every gap length of every cell considered. The score is the largest cell.
//
// Cost: cell (i, j) weighs i - 1 + j - 1 gap candidates, so a call costs
// lenA lenB (lenA + lenB) operations and (lenA + 1) x (lenB + 1) doubles.
//
// Exact arithmetic. Every value is that of plain IEEE double arithmetic, each
// operation rounded on its own: W_k is the product k c rounded, then + 1.0
// rounded, and a candidate is the cell minus W_k rounded. A compiler may
// otherwise contract k c + 1.0 into one fused multiply-add, rounded once,
// which is a different function (for this c it happens to agree on every k
// below 200000, but no score may depend on luck), so this unit is built with
// -ffp-contract=off whatever flags the rest of the build uses (see
// CMakeLists.txt); it must never be built with -ffast-math, which reorders
// and contracts freely.
//
// Speed without changing a bit:
// - W_k is computed once per k, by the same two rounded operations, into a
//   table; a table entry equals the value computed in place.
// - The candidates of a cell are combined by taking their maximum, and the
//   order of the comparisons cannot change it: every value here is finite, no
//   NaN arises, and no value is -0.0 (a difference x - y of equal finite
//   values is +0.0 under round-to-nearest, and a sum with +1.0 of a value not
//   below 0 is at least 1). On such values ">" is a strict total order in
//   which equal values are the same bit pattern, so "replace only if greater"
//   in any order ends at the same maximum, bit for bit. That lets the scans
//   keep several running maxima side by side, in vector registers (MAXPD,
//   and VMAXPD where the processor has AVX; one template serves both
//   widths), without reassociating any arithmetic: each candidate is still
//   one rounded subtraction.
// - The vertical scans of the cells of one row run together, one earlier row
//   at a time, so the table streams through the cache row by row; the columns
//   are taken in strips narrow enough that a strip of all rows stays cached.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <lcs/routines.h>
#include "kernel/features.h"
#include "routines/detail/smith_waterman.h"
#include "routines/detail/storage.h"

using lcs::detail::count_of;
using lcs::detail::ZeroFilled;
using lcs::detail::ZeroTable;

namespace {

// The double nearest to one third, by its bit pattern so that no decimal
// conversion is involved.
double mismatch_penalty() {
    const std::uint64_t bits = 0x3FD5555555555555ULL;
    double c;
    std::memcpy(&c, &bits, sizeof c);
    return c;
}

constexpr double kMatch = 1.0;

// The larger of the two, keeping `best` on a tie: the strict
// "replace only if greater".
inline double keep_greater(double candidate, double best) {
    return candidate > best ? candidate : best;
}

// The two gap scans below are written once, for vectors of kLanes doubles
// (the compilers' vector extension): two lanes are SSE2, the baseline of
// x86-64, and four are AVX, in functions built for AVX and chosen at run
// time. Lane by lane, `x > v ? x : v` is keep_greater, which MAXPD and
// VMAXPD compute exactly; a subtraction is one rounded subtraction per lane,
// and the AVX target adds no fused multiply-add (nor would -ffp-contract=off
// allow one). The scans are always inlined, so that each width is compiled
// inside the function of its own target, and take and return no vectors.
#define LCS_SCAN_INLINE __attribute__((always_inline)) inline

template <std::size_t kLanes>
struct Lanes;
template <>
struct Lanes<2> {
    typedef double Vector __attribute__((vector_size(2 * sizeof(double))));
};
template <>
struct Lanes<4> {
    typedef double Vector __attribute__((vector_size(4 * sizeof(double))));
};

// The largest of start and x[t] - y[t] for t = 0 .. count - 1, the
// differences rounded one by one, the maximum taken in independent lanes
// (see the opening comment for why the order is free).
template <std::size_t kLanes>
LCS_SCAN_INLINE double max_difference_in_lanes(const double* x, const double* y,
                                               std::size_t count, double start) {
    using Vector = typename Lanes<kLanes>::Vector;
    constexpr std::size_t kAccumulators = 4;
    Vector lanes[kAccumulators];
    for (Vector& lane : lanes) lane = Vector{} + start;
    std::size_t t = 0;
    for (; t + kAccumulators * kLanes <= count; t += kAccumulators * kLanes) {
        for (std::size_t q = 0; q < kAccumulators; ++q) {
            Vector minuend, subtrahend;
            std::memcpy(&minuend, x + t + q * kLanes, sizeof minuend);
            std::memcpy(&subtrahend, y + t + q * kLanes, sizeof subtrahend);
            const Vector difference = minuend - subtrahend;
            lanes[q] = difference > lanes[q] ? difference : lanes[q];
        }
    }
    double best = start;
    for (const Vector& lane : lanes) {
        for (std::size_t k = 0; k < kLanes; ++k) best = keep_greater(lane[k], best);
    }
    for (; t < count; ++t) best = keep_greater(x[t] - y[t], best);
    return best;
}

// best[j] = the largest of best[j] and earlier[r][j] - weight[r] over the
// rows r, for the columns j = from .. count - 1, one value at a time: the
// columns and rows that the vector sweeps leave over.
void raise_columns(double* best, const double* const* earlier, const double* weight,
                   std::size_t rows, std::size_t from, std::size_t count) {
    for (std::size_t j = from; j < count; ++j) {
        double v = best[j];
        for (std::size_t r = 0; r < rows; ++r) v = keep_greater(earlier[r][j] - weight[r], v);
        best[j] = v;
    }
}

// best[j] = the largest of best[j] and earlier[r][j] - weight[r] over the
// given rows, for j = 0 .. count - 1; eight rows per sweep of `best`, so
// that it is loaded and stored once for eight candidates.
template <std::size_t kLanes>
LCS_SCAN_INLINE void raise_in_lanes(double* best, const double* const* earlier,
                                    const double* weight, std::size_t rows, std::size_t count) {
    using Vector = typename Lanes<kLanes>::Vector;
    constexpr std::size_t kRows = 8;
    std::size_t r = 0;
    for (; r + kRows <= rows; r += kRows) {
        const double* const* e = earlier + r;
        const double* w = weight + r;
        Vector weights[kRows];
        for (std::size_t q = 0; q < kRows; ++q) weights[q] = Vector{} + w[q];
        std::size_t j = 0;
        for (; j + kLanes <= count; j += kLanes) {
            Vector v;
            std::memcpy(&v, best + j, sizeof v);
            for (std::size_t q = 0; q < kRows; ++q) {
                Vector candidate;
                std::memcpy(&candidate, e[q] + j, sizeof candidate);
                candidate -= weights[q];
                v = candidate > v ? candidate : v;
            }
            std::memcpy(best + j, &v, sizeof v);
        }
        raise_columns(best, e, w, kRows, j, count);
    }
    raise_columns(best, earlier + r, weight + r, rows - r, 0, count);
}

double max_difference(const double* x, const double* y, std::size_t count, double start) {
    return max_difference_in_lanes<2>(x, y, count, start);
}

void raise_to_differences(double* best, const double* const* earlier, const double* weight,
                          std::size_t rows, std::size_t count) {
    raise_in_lanes<2>(best, earlier, weight, rows, count);
}

#if defined(__GNUC__) && defined(__x86_64__)
#define LCS_SMITH_WATERMAN_AVX 1
__attribute__((target("avx"))) double max_difference_avx(const double* x, const double* y,
                                                         std::size_t count, double start) {
    return max_difference_in_lanes<4>(x, y, count, start);
}

__attribute__((target("avx"))) void raise_to_differences_avx(double* best,
                                                             const double* const* earlier,
                                                             const double* weight,
                                                             std::size_t rows, std::size_t count) {
    raise_in_lanes<4>(best, earlier, weight, rows, count);
}
#endif

struct Scans {
    double (*max_difference)(const double*, const double*, std::size_t, double);
    void (*raise_to_differences)(double*, const double* const*, const double*, std::size_t,
                                 std::size_t);
};

Scans scans_for(lcs::detail::ScanWidth width) {
#if defined(LCS_SMITH_WATERMAN_AVX)
    if (width == lcs::detail::ScanWidth::widest &&
        lcs::kernel::resolve(lcs::kernel::Component::smith_waterman, lcs::kernel::Isa::automatic) !=
            lcs::kernel::Isa::plain) {
        return {max_difference_avx, raise_to_differences_avx};
    }
#endif
    (void)width;
    return {max_difference, raise_to_differences};
}

// Columns per strip: a strip of 1000 rows holds 1 MB of cells.
constexpr std::size_t kStrip = 128;

}  // namespace

double SmithWaterman_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    return lcs::detail::smith_waterman(a, b, lenA, lenB, lcs::detail::ScanWidth::widest);
}

double lcs::detail::smith_waterman(const char* a, const char* b, std::int32_t lenA,
                                       std::int32_t lenB, ScanWidth width) {
    const std::size_t n = count_of(lenA);
    const std::size_t m = count_of(lenB);
    if (n == 0 || m == 0) return 0.0;
    const auto* textA = reinterpret_cast<const unsigned char*>(a);
    const auto* textB = reinterpret_cast<const unsigned char*>(b);
    const double c = mismatch_penalty();
    const Scans scans = scans_for(width);

    // Row 0 and column 0 are never written and read as 0.0 from the zero fill.
    ZeroTable<double> h(n + 1, m + 1);

    // gap[k] = W_k for k = 1 .. longest - 1. The horizontal scan of cell
    // (i, j) pairs H(i, t) with W_(j-t) for t = 1 .. j - 1; the table is also
    // kept reversed (gap_down[longest - k] = W_k) so that both operands of
    // that scan run forwards through memory.
    const std::size_t longest = std::max(n, m);
    ZeroFilled<double> gap(longest + 1), gap_down(longest + 1);
    for (std::size_t k = 1; k < longest; ++k) {
        const double product = static_cast<double>(k) * c;
        gap[k] = product + 1.0;
        gap_down[longest - k] = gap[k];
    }

    // earlier[n - k] points at column `first` of row k, so that for row i
    // the rows i - 1, i - 2, .., 1 start at earlier[n - i + 1], in the order
    // of their weights W_1, W_2, ...
    ZeroFilled<double> vertical(m + 1);
    ZeroFilled<const double*> earlier(n);
    double best = 0.0;
    for (std::size_t first = 1; first <= m; first += kStrip) {
        const std::size_t last = std::min(m, first + kStrip - 1);
        for (std::size_t k = 1; k <= n; ++k) earlier[n - k] = h.row(k) + first;
        for (std::size_t i = 1; i <= n; ++i) {
            // vertical[j] = max(0.0, H(i-k, j) - W_k for k = 1 .. i - 1).
            std::fill(vertical.get() + first, vertical.get() + last + 1, 0.0);
            scans.raise_to_differences(vertical.get() + first, earlier.get() + (n - i + 1),
                                       gap.get() + 1, i - 1, last + 1 - first);

            const double* above = h.row(i - 1);
            double* row = h.row(i);
            const unsigned char ai = textA[i];
            for (std::size_t j = first; j <= last; ++j) {
                double s = ai == textB[j] ? above[j - 1] + kMatch : above[j - 1] - c;
                s = keep_greater(vertical[j], s);
                // H(i, t) - W_(j-t) for t = 1 .. j - 1: from gap_down + longest - j,
                // index t holds W_(j-t).
                const double* weights = gap_down.get() + longest - j;
                s = keep_greater(scans.max_difference(row + 1, weights + 1, j - 1, 0.0), s);
                // Both gap maxima start at 0.0, so s is already at least 0.0.
                row[j] = s;
                best = keep_greater(s, best);
            }
        }
    }
    return best;
}
