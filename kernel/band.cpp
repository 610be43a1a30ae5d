// Ukkonen's band for the bit-parallel LCS (E. Ukkonen, "Algorithms for
// approximate string matching", Information and Control 64, 1985), made
// self-checking.
//
// A block is computed only for the rows in which it meets the diagonals
// [lo, hi] of the band; outside those rows it is frozen (left of the band) or
// still all ones (right of it), and the rows it skips give carry 0. The
// values so computed are a lower bound L~ of the table everywhere (the
// recurrence is monotone and every value that stands in for a skipped cell is
// one that the table exceeds or equals), and they equal the table along any
// path that stays in the band. With the band [min(0, n - m) - w,
// max(0, n - m) + w], a path that leaves it steps off the diagonal at least
// |n - m| + 2(w + 1) times, so it has at most min(n, m) - w - 1 matches.
// Hence, when L~ >= min(n, m) - w, no longest path leaves the band and L~ is
// exact. A first narrow band gives an L~ whose deficit min(n, m) - L~ bounds
// the true one, so a second band of that half-width always proves itself;
// when the first band shows the strings to be unlike, the full computation
// runs instead. A band that is narrow enough runs in a window of registers
// that slides along X with the diagonal (four words, or 16 to 64 words in
// vector registers): the same cells as the blocks and a few more, the same
// lower bound, at a cost per row that does not depend on the length of X.
//
// Cost: about (|n - m| + 2 w) / 64 + 16 words per symbol of Y in blocks, or
// the window's words; on alike strings, time in proportion to their
// distance. Covered by tests/test_kernel.cpp (bands forced narrow and wide).
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "kernel/blocks.h"
#include "kernel/rows.h"
#include "kernel/stop.h"

namespace lcs::kernel {

namespace {

// Block width of the first, narrow band: a narrow band over wide blocks
// would cost most of what it saves.
constexpr std::size_t kNarrowBlock = 2;
// Least half-width of the first band, in positions; where the wide plain
// window holds more, the first band is as wide as it holds, since a window's
// cost does not depend on the band's width, and a first band that proves
// itself saves the second pass.
constexpr std::size_t kFirstBand = 64;
// Below this many words of X the full computation is cheap enough that a
// band does not repay its first pass.
constexpr std::size_t kBandMinWords = 32;
// Registers of the widest sliding window.
constexpr std::size_t kWidestWindow = 8;
// The windows read the match rows of all of X; above this many bytes of
// them a band runs in column blocks instead.
constexpr double kWindowTableBytes = 64.0 * 1024 * 1024;

// The column of X where the window of row r (from 0) starts, in words.
std::size_t window_start(std::size_t r, std::int64_t lo, std::size_t last_first) {
    const std::int64_t low_column = static_cast<std::int64_t>(r) + 1 + lo;
    return low_column <= 1 ? 0
                           : std::min(last_first, static_cast<std::size_t>(low_column - 1) / kWordBits);
}

#if defined(LCS_KERNEL_X86) && defined(__GNUC__)
#define LCS_KERNEL_WINDOWS 1
// A band of Y's rows in a window of K registers (8K words) that slides
// along X with the band: at row j it starts at the word of column j + lo,
// so it holds every column of the band if hi - lo < 64 (8K - 1). The words
// that the window leaves behind are frozen, the carry into its lowest word
// is 0 and the carry out of its top is dropped, as for the blocks outside a
// band; a word that enters it at the top is still all ones. Unlike a column
// block, the window costs 8K words a row whatever the length of X; it reads
// the match rows of all of X from `table` (row c at c * words). The carries
// between lanes come as in the vector blocks (kernel/blocks.cpp).
template <std::size_t K>
__attribute__((target("avx512f"))) std::size_t run_vector_window(
    const Word* table, std::size_t words, const Code* codes, std::size_t m, std::int64_t lo,
    const Stop* stop) {
    constexpr std::size_t kLanes = 8;
    constexpr std::size_t kWindow = K * kLanes;
    const __m512i ones = _mm512_set1_epi64(-1);
    const __m512i one = _mm512_set1_epi64(1);
    __m512i v[K];
    for (__m512i& part : v) part = ones;
    std::size_t frozen_zeros = 0;
    std::size_t first = 0;
    const std::size_t last_first = words - kWindow;
    for (std::size_t r = 0; r < m;) {
        poll(stop);
        for (const std::size_t end = std::min(m, r + kPollRows); r < end; ++r) {
            if (first < window_start(r, lo, last_first)) {  // one word a row at most
                frozen_zeros += zero_bits(static_cast<Word>(v[0][0]));
                // Lanes move down by one, the next register's lowest lane coming in.
                for (std::size_t k = 0; k + 1 < K; ++k) {
                    v[k] = _mm512_mask_alignr_epi64(v[k], 0xff, v[k + 1], v[k], 1);
                }
                v[K - 1] = _mm512_mask_alignr_epi64(v[K - 1], 0xff, ones, v[K - 1], 1);
                ++first;
            }
            const Word* row = table + std::size_t{codes[r]} * words + first;
            __m512i sum[K], kept[K];
            std::uint64_t wrapped = 0, full = 0;
            for (std::size_t k = 0; k < K; ++k) {
                const __m512i u = _mm512_and_si512(v[k], _mm512_loadu_si512(row + k * kLanes));
                sum[k] = _mm512_add_epi64(v[k], u);
                kept[k] = _mm512_xor_si512(v[k], u);
                wrapped |= std::uint64_t{_mm512_cmplt_epu64_mask(sum[k], v[k])} << (k * kLanes);
                full |= std::uint64_t{_mm512_cmpeq_epi64_mask(sum[k], ones)} << (k * kLanes);
            }
            const std::uint64_t received = ((wrapped << 1) + full) ^ full;
            for (std::size_t k = 0; k < K; ++k) {
                const auto lanes = static_cast<__mmask8>(received >> (k * kLanes));
                v[k] = _mm512_or_si512(_mm512_mask_add_epi64(sum[k], lanes, sum[k], one), kept[k]);
            }
        }
    }
    alignas(64) Word last[kWindow];
    for (std::size_t k = 0; k < K; ++k) _mm512_store_si512(last + k * kLanes, v[k]);
    for (const Word word : last) frozen_zeros += zero_bits(word);
    return frozen_zeros;
}
#endif

// The same band in a window of K words in general registers (K = 4 or 5);
// it holds bands with hi - lo <= 64 (K - 1), which on strings of about equal
// length is a half-width of 96 or 128. Every word of a row costs about seven
// instructions, and the row's carry chain is what bounds the time, so the
// window is kept no wider than a first band on alike strings needs. A word that the window leaves behind
// keeps its zeros to the end and a later word adds at most 64, so the pass
// gives up, as the blocks do, once the deficit is sure to exceed give_up.
template <std::size_t K>
PassResult run_plain_window(const Coded& c, const Word* table, std::size_t words, std::int64_t lo,
                            std::size_t give_up, const Stop* stop) {
    const std::size_t shorter = std::min(c.n, c.m);
    Word v[K];
    for (Word& word : v) word = ~Word{0};
    std::size_t frozen_zeros = 0;
    std::size_t first = 0;
    const std::size_t last_first = words - K;
    std::size_t next_poll = 0;
    for (std::size_t r = 0; r < c.m;) {
        if (r >= next_poll) {
            poll(stop);
            next_poll = r + kPollRows;
        }
        if (first < window_start(r, lo, last_first)) {
            frozen_zeros += zero_bits(v[0]);
            for (std::size_t k = 0; k + 1 < K; ++k) v[k] = v[k + 1];
            v[K - 1] = ~Word{0};
            ++first;
            if (frozen_zeros + (c.n - first * kWordBits) + give_up < shorter) {
                return {frozen_zeros, true};
            }
        }
        // The rows up to the window's next move, which comes 64 rows after
        // the band's low edge enters its next word.
        const std::int64_t next_move = static_cast<std::int64_t>((first + 1) * kWordBits) - lo;
        const std::size_t end = std::min(
            next_poll, first == last_first
                           ? c.m
                           : std::min<std::size_t>(c.m, static_cast<std::size_t>(std::max<std::int64_t>(
                                                            next_move, static_cast<std::int64_t>(r) + 1))));
        const Word* base = table + first;
        for (; r < end; ++r) {
            const Word* row = base + std::size_t{c.y[r]} * words;
            unsigned char carry = 0;
            update_held<K>(v, row, carry);
        }
    }
    for (const Word word : v) frozen_zeros += zero_bits(word);
    return {frozen_zeros, false};
}

// Words of the plain windows.
constexpr std::size_t kNarrowWindow = 4;
constexpr std::size_t kWideWindow = 5;

// The columns that a window of `words` words holds whatever its start.
constexpr std::int64_t window_columns(std::size_t words) {
    return static_cast<std::int64_t>((words - 1) * kWordBits);
}

// The match rows of all of X, row c at c * words, for the sliding windows:
// X's own when it comes prepared, else built here; none when they would take
// more than kWindowTableBytes.
class MatchTable {
public:
    explicit MatchTable(const Coded& c) : words_(words_for(c.n)), rows_(c.x_rows) {
        if (rows_ != nullptr) return;
        const double bytes =
            static_cast<double>(c.distinct + 1) * static_cast<double>(words_) * sizeof(Word);
        if (bytes > kWindowTableBytes) return;
        built_.assign((c.distinct + 1) * words_, 0);
        for (std::size_t p = 0; p < c.n; ++p) {
            built_[std::size_t{c.x[p]} * words_ + p / kWordBits] |= Word{1} << (p % kWordBits);
        }
        rows_ = built_.data();
    }
    bool usable() const { return rows_ != nullptr; }
    std::size_t words() const { return words_; }
    const Word* rows() const { return rows_; }

private:
    std::size_t words_;
    const Word* rows_;
    std::vector<Word> built_;
};

// The registers of the narrowest vector window that holds the band, or 0
// when there is none (no AVX-512, too wide a band, too short an X).
std::size_t window_registers(const BlockRun& run, const MatchTable& table, Band band) {
    if (run.widest_block() != kVectorBlock || !table.usable()) return 0;
    for (std::size_t k = 2; k <= kWidestWindow; ++k) {
        const auto columns = static_cast<std::int64_t>((8 * k - 1) * kWordBits);
        if (band.hi - band.lo <= columns && 8 * k <= table.words()) return k;
    }
    return 0;
}

// L~ of the band by a sliding window, when one holds it. A window computes
// every cell of the band, so its L~ is exact whenever the column blocks'
// would be.
bool run_window_pass(const BlockRun& run, const MatchTable& table, Band band, std::size_t give_up,
                     PassResult& result) {
    if (!table.usable()) return false;
    const Coded& c = run.coded();
    const std::size_t words = table.words();
    const std::int64_t width = band.hi - band.lo;
    if (width <= window_columns(kNarrowWindow) && words >= kNarrowWindow) {
        result = run_plain_window<kNarrowWindow>(c, table.rows(), words, band.lo, give_up, run.stop());
        return true;
    }
    if (width <= window_columns(kWideWindow) && words >= kWideWindow) {
        result = run_plain_window<kWideWindow>(c, table.rows(), words, band.lo, give_up, run.stop());
        return true;
    }
    result.abandoned = false;
#if defined(LCS_KERNEL_WINDOWS)
    std::size_t& lcs = result.lcs;
    const Word* rows = table.rows();
    const Stop* stop = run.stop();
    switch (window_registers(run, table, band)) {
    case 0: return false;
    case 2: lcs = run_vector_window<2>(rows, words, c.y, c.m, band.lo, stop); break;
    case 3: lcs = run_vector_window<3>(rows, words, c.y, c.m, band.lo, stop); break;
    case 4: lcs = run_vector_window<4>(rows, words, c.y, c.m, band.lo, stop); break;
    case 5: lcs = run_vector_window<5>(rows, words, c.y, c.m, band.lo, stop); break;
    case 6: lcs = run_vector_window<6>(rows, words, c.y, c.m, band.lo, stop); break;
    case 7: lcs = run_vector_window<7>(rows, words, c.y, c.m, band.lo, stop); break;
    default: lcs = run_vector_window<8>(rows, words, c.y, c.m, band.lo, stop); break;
    }
    return true;
#else
    return false;
#endif
}

Band band_around_diagonal(const Coded& c, std::size_t half_width) {
    const std::int64_t delta = static_cast<std::int64_t>(c.n) - static_cast<std::int64_t>(c.m);
    const auto w = static_cast<std::int64_t>(half_width);
    return {std::min<std::int64_t>(0, delta) - w, std::max<std::int64_t>(0, delta) + w};
}

// The largest half-width whose band costs at most half the full computation,
// or 0 when no band is worth trying.
std::size_t widest_useful_band(const BlockRun& run) {
    const Coded& c = run.coded();
    const std::size_t words = words_for(c.n);
    if (words < kBandMinWords) return 0;
    const std::size_t delta = c.n > c.m ? c.n - c.m : c.m - c.n;
    // The band runs on one thread, the full computation on full_threads():
    // half of the full computation's time is words / 2 / threads words a row.
    const std::size_t half_time = words / 2 / run.full_threads();
    // In column blocks a band row touches at most (|n - m| + 2w) / 64 words
    // plus two blocks.
    const std::size_t budget =
        half_time > 2 * kWideBlock ? (half_time - 2 * kWideBlock) * kWordBits : 0;
    std::size_t widest = budget > delta ? (budget - delta) / 2 : 0;
    // The widest window costs its 64 words a row.
    const std::size_t window_columns = (8 * kWidestWindow - 1) * kWordBits;
    if (run.widest_block() == kVectorBlock && 8 * kWidestWindow <= half_time &&
        window_columns > delta) {
        widest = std::max(widest, (window_columns - delta) / 2);
    }
    return widest;
}

std::size_t default_first_band(const Coded& c) {
    const std::size_t delta = c.n > c.m ? c.n - c.m : c.m - c.n;
    const auto held = static_cast<std::size_t>(window_columns(kWideWindow));
    return held > delta ? std::max(kFirstBand, (held - delta) / 2) : kFirstBand;
}

// The LCS where a band proves it; nothing where the full computation must
// run instead.
std::optional<std::size_t> banded_lcs(BlockRun& run, const Paths& paths) {
    if (paths.first_band < 0) return std::nullopt;
    const Coded& c = run.coded();
    const std::size_t shorter = std::min(c.n, c.m);
    const bool forced = paths.first_band > 0;
    const std::size_t widest = forced ? std::max(shorter, static_cast<std::size_t>(paths.first_band))
                                      : widest_useful_band(run);
    const std::size_t first_width =
        forced ? static_cast<std::size_t>(paths.first_band) : default_first_band(c);
    if (widest < first_width) return std::nullopt;

    const MatchTable table(c);
    const Band first_band = band_around_diagonal(c, first_width);
    PassResult narrow{0, false};
    if (!run_window_pass(run, table, first_band, widest, narrow)) {
        narrow = run.pass(first_band, kNarrowBlock, widest);
    }
    if (narrow.abandoned) return std::nullopt;
    const std::size_t deficit = shorter - narrow.lcs;
    if (deficit <= first_width) return narrow.lcs;
    if (deficit > widest) return std::nullopt;
    // The true deficit is at most this one, so this band holds every longest
    // path and its L~ is exact; the check restates the proof's condition.
    const Band band = band_around_diagonal(c, deficit);
    PassResult wide{0, false};
    if (!run_window_pass(run, table, band, shorter, wide)) wide = run.pass(band, kWideBlock, shorter);
    if (shorter - wide.lcs <= deficit) return wide.lcs;
    return std::nullopt;
}

}  // namespace

std::size_t coded_lcs(const Coded& c, const Paths& paths) {
    BlockRun run(c, resolve(Component::blocks, paths.isa), paths.stop, paths.threads);
    const std::optional<std::size_t> banded = banded_lcs(run, paths);
    return banded ? *banded : run.full();
}

std::optional<std::size_t> coded_banded_lcs(const Coded& c, const Paths& paths) {
    BlockRun run(c, resolve(Component::blocks, paths.isa), paths.stop, paths.threads);
    return banded_lcs(run, paths);
}

}  // namespace lcs::kernel
