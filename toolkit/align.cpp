// lcs::align: one longest common subsequence as an edit script, in memory
// linear in |A| + |B|.
//
// Method: Hirschberg's divide and conquer (D. S. Hirschberg, "A linear space
// algorithm for computing maximal common subsequences", CACM 18(6), 1975).
// A piece takes off its common prefix and suffix, then packs its longer
// string as X and cuts the other, Y, at a row h near its middle: the forward row
// pass gives L(h, p) for every p, the backward pass over both strings
// reversed gives the LCS of the remaining rows with every suffix of X, and
// the first p with the largest sum is a point of an optimal path, so the two
// sub-pieces are solved on their own. The passes are the kernel's column
// blocks of Hyyrö's bit-parallel row (kernel/blocks.h, the widest vector
// blocks the path allows) over the piece's symbols under dense codes, read
// backwards for the backward pass; a piece whose row vectors fit in the
// traceback budget (64 KiB) is solved whole by the bit-matrix traceback
// (kernel/traceback.cpp).
// Every full pass keeps the row vectors at the halves of its rows (`Handed`
// below): the sub-piece that shares the corner the pass started from takes
// its split at one of them and runs only its other pass. So a piece below
// the top split runs half its table, and the cost on unlike strings is about
// one and a half full passes, 1.5 |A| |B| / 64 word updates, not two. The
// passes of a split, and the two sub-pieces, are independent and run on
// threads of their own. Against a traceback through the whole bit matrix
// (|A| |B| / 8 bytes) it trades a second pass for memory that grows with the
// lengths only, so it wins wherever that matrix leaves the cache.
//
// Band: once the LCS of a piece is known so is its insert-delete deficit
// d = min(n, m) - L, and no optimal path leaves the band of half-width d
// around the corner diagonals (a path that leaves it steps off the diagonal
// at least |n - m| + 2 (d + 1) times and so keeps fewer than L). The passes
// then run in that band only, at about d (n + m) / 64 words, and the band's
// values, exact along the optimal paths and lower bounds elsewhere, have
// the same largest sum. The whole pair's L comes from the kernel's own
// banded length pass (kernel::banded_length), which proves it at the cost
// of the band on alike strings and gives up early on unlike ones; every
// sub-piece's L comes from the split above it. Every banded split checks
// that its sum is the known LCS, and takes the full pass if not.
//
// Few differences: a piece whose edits D = n + m - 2 L are so few that D^2
// is below a few times its length goes to Myers' O(ND) search instead
// (toolkit/differences.h), whose cost is then about that of reading the
// piece a few times. So on alike strings the whole alignment costs about
// one banded length pass more than the length itself.
//
// The split points and the strategy of each piece depend on the strings
// only, never on the threads, so the runs are the same for any thread
// count. A stop request is polled at every piece and in the passes' blocks;
// a worker thread that cannot start leaves its half to the calling thread
// (toolkit/threads.h). Working memory: first that of the length pass; then
// for each running pass the piece's codes (four bytes a symbol), its row
// vectors and one carry byte per row; the rows kept for sub-pieces, a row
// vector at each halving of the rows, and at each level of the pieces
// pending about two such sets, cut to the sub-piece's width (at 10,000
// letters some 20 KiB); the traceback's 64 KiB; the
// difference search's O(D) diagonals; the keeps found. Never |A| x |B| of
// anything.
//
// Tests: tests/test_align.cpp, fuzz/fuzz_align.cpp.
#include "toolkit/align.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "kernel/blocks.h"
#include "kernel/stop.h"
#include "kernel/traceback.h"
#include "toolkit/differences.h"
#include "toolkit/keeps.h"
#include "toolkit/length_check.h"
#include "toolkit/threads.h"

namespace lcs {
namespace detail {
namespace {

using kernel::Band;
using kernel::Code;
using kernel::Paths;
using kernel::Word;

// The difference search takes a piece whose D^2 is at most this many times
// its length.
constexpr std::int64_t kDifferenceFactor = 8;
// Below this many cells a second thread costs more than it saves.
constexpr std::int64_t kParallelCells = std::int64_t{1} << 24;
// Positions of X in the blocks that a narrow band runs.
constexpr std::int64_t kNarrowBlockBits = kernel::kWideBlock * kernel::kWordBits;
constexpr std::int64_t kVectorBlockBits = kernel::kVectorBlock * kernel::kWordBits;

// Blocks for the passes in `band`: the widest for a wide band; for a
// narrow one, blocks about as wide as the band, since each row of a block
// that meets the band costs all its words.
std::size_t block_for(Band band, std::size_t widest) {
    const std::int64_t width = band.hi - band.lo;
    if (width >= kVectorBlockBits) return widest;
    std::size_t block = 1;
    while (block < kernel::kWideBlock && static_cast<std::int64_t>(block * kernel::kWordBits) < width) {
        block *= 2;
    }
    return block;
}

struct Piece {
    std::int32_t a0, a_size, b0, b_size;
};

// Where a split cuts X, and the LCS of the two sides; h is the row of Y it
// cuts at.
struct Split {
    std::int32_t p, left, right, h;
};

// Row vectors that a full pass hands to the sub-piece sharing the corner it
// started from: forward rows serve the piece above and left of the split
// (the top-left corner), backward rows the piece below and right (the
// bottom-right corner). rows[k] counts rows of Y from that corner, and
// vectors[k] is the row vector there over X's positions from it; `shift`
// positions (and rows) have since been taken off as common ends. A piece
// that is handed a row near its middle takes it as one side of its split
// and runs only the other pass, so below the top split every piece runs
// half of its table instead of all of it: 1.5 passes in all instead of 2.
// The values are those of the piece itself: after a common prefix of k,
// LCS(X[0, i), Y[0, j)) = k + LCS(X[k, i), Y[k, j)) for i, j >= k, so the
// row vector past its first k bits is the inner piece's.
struct Handed {
    bool forward = true;
    bool x_is_b = false;
    std::int32_t shift = 0;
    std::vector<std::int32_t> rows;
    std::vector<std::vector<Word>> vectors;
};

// Rows of a pass kept for its sub-pieces: halves of the rows it runs, down
// to pieces this short.
constexpr std::int32_t kFewestKeptRows = 32;

// Positions [from, from + n) of v (ones past its end) as a row vector of a
// piece of n positions, the bits past n set.
std::vector<Word> window(const std::vector<Word>& v, std::size_t from, std::size_t n) {
    std::vector<Word> out(kernel::words_for(n));
    const std::size_t first = from / 64, bit = from % 64;
    const auto word_at = [&v](std::size_t k) { return k < v.size() ? v[k] : ~Word{0}; };
    for (std::size_t k = 0; k < out.size(); ++k) {
        out[k] = word_at(first + k) >> bit;
        if (bit != 0) out[k] |= word_at(first + k + 1) << (64 - bit);
    }
    if (n % 64 != 0) out.back() |= ~Word{0} << (n % 64);
    return out;
}

// The rows of `handed` below `rows` (counted after its shift), each cut to
// the positions [0, shift + positions) that the sub-piece reads.
Handed handed_within(Handed handed, std::int32_t rows, std::int32_t positions) {
    Handed kept{handed.forward, handed.x_is_b, handed.shift, {}, {}};
    const std::size_t words = kernel::words_for(static_cast<std::size_t>(handed.shift + positions));
    for (std::size_t k = 0; k < handed.rows.size(); ++k) {
        if (handed.rows[k] - handed.shift >= rows) break;
        kept.rows.push_back(handed.rows[k]);
        handed.vectors[k].resize(std::min(handed.vectors[k].size(), words));
        kept.vectors.push_back(std::move(handed.vectors[k]));
    }
    return kept;
}

// A string read forwards (step 1) or backwards (step -1) from `first`.
template <typename Symbol>
struct Strand {
    const Symbol* first;
    std::ptrdiff_t step;
    std::int32_t size;
    Symbol operator[](std::int32_t i) const { return first[static_cast<std::ptrdiff_t>(i) * step]; }
    Strand reversed() const { return {first + static_cast<std::ptrdiff_t>(size - 1) * step, -step, size}; }
    Strand part(std::int32_t begin, std::int32_t end) const {
        return {first + static_cast<std::ptrdiff_t>(begin) * step, step, end - begin};
    }
};

// Per-thread working storage: a code for each symbol of the alphabet, all
// 0 between uses, the symbols given one (to set back), and the traceback's
// row vectors.
struct Scratch {
    explicit Scratch(std::size_t alphabet) : code_of(alphabet, 0) {}
    std::vector<Code> code_of;
    std::vector<std::uint32_t> coded_symbols;
    std::vector<Word> rows;
};

// X and Y of one comparison under X's dense codes, 1 upwards; 0 for the
// symbols of Y that X lacks.
struct CodedPair {
    CodedPair(std::size_t n, std::size_t m) : x(new Code[n]), y(new Code[m]), n(n), m(m) {}
    std::unique_ptr<Code[]> x, y;
    std::size_t n, m, distinct = 0;
    kernel::Coded view() const { return {x.get(), n, distinct, y.get(), m, nullptr}; }
};

// The codes are written once each, so the arrays start unset, and the
// strands are walked by pointer: this runs for every pass.
template <typename Symbol>
CodedPair coded(Strand<Symbol> x, Strand<Symbol> y, Scratch& scratch) {
    CodedPair c(static_cast<std::size_t>(x.size), static_cast<std::size_t>(y.size));
    std::vector<Code>& code_of = scratch.code_of;
    const Symbol* symbol = x.first;
    for (std::size_t i = 0; i < c.n; ++i, symbol += x.step) {
        Code& code = code_of[*symbol];
        if (code == 0) {
            code = static_cast<Code>(++c.distinct);
            scratch.coded_symbols.push_back(*symbol);
        }
        c.x[i] = code;
    }
    symbol = y.first;
    for (std::size_t j = 0; j < c.m; ++j, symbol += y.step) c.y[j] = code_of[*symbol];
    for (const std::uint32_t coded_symbol : scratch.coded_symbols) code_of[coded_symbol] = 0;
    scratch.coded_symbols.clear();
    return c;
}

std::int32_t zero_bit(const std::vector<Word>& v, std::int32_t i) {
    return static_cast<std::int32_t>(~(v[static_cast<std::size_t>(i / 64)] >> (i % 64)) & 1);
}

// The zero bits of v at positions [begin, end), at most 64 apart.
std::int32_t zero_bits_between(const std::vector<Word>& v, std::int32_t begin, std::int32_t end) {
    if (begin >= end) return 0;
    const auto bits = [&](std::int32_t word, unsigned from, unsigned to) {
        const Word span = to - from == 64 ? ~Word{0} : ((Word{1} << (to - from)) - 1) << from;
        return static_cast<std::int32_t>(
            __builtin_popcountll(~v[static_cast<std::size_t>(word)] & span));
    };
    const std::int32_t first = begin / 64, last = (end - 1) / 64;
    const auto from = static_cast<unsigned>(begin % 64);
    if (first == last) return bits(first, from, static_cast<unsigned>((end - 1) % 64) + 1);
    return bits(first, from, 64) + bits(last, 0, static_cast<unsigned>((end - 1) % 64) + 1);
}

// The first p with the largest L(h, p) + L'(n - p), from the forward and
// backward row vectors. Over a word of the forward vector the sum grows by
// at most that word's zero bits, so a word that cannot pass the best sum
// is stepped over whole.
Split best_split(const std::vector<Word>& forward, const std::vector<Word>& backward,
                 std::int32_t n) {
    std::int32_t left = 0, right = 0;
    for (const Word word : backward) right += __builtin_popcountll(~word);
    Split best{0, left, right, 0};
    for (std::int32_t start = 1; start <= n; start += 64) {
        const std::int32_t end = std::min(n, start + 63);
        const std::int32_t gain = zero_bits_between(forward, start - 1, end);
        if (left + right + gain <= best.left + best.right) {
            left += gain;
            right -= zero_bits_between(backward, n - end, n - start + 1);
            continue;
        }
        for (std::int32_t p = start; p <= end; ++p) {
            left += zero_bit(forward, p - 1);
            right -= zero_bit(backward, n - p);
            if (left + right > best.left + best.right) best = {p, left, right, 0};
        }
    }
    return best;
}

Band band_of(std::int32_t n, std::int32_t m, std::int32_t half_width) {
    return {std::min(0, n - m) - std::int64_t{half_width}, std::max(0, n - m) + std::int64_t{half_width}};
}

template <typename Symbol>
class Aligner {
public:
    Aligner(const Symbol* a, const Symbol* b, std::size_t alphabet, const Paths& paths)
        : a_(a), b_(b), alphabet_(alphabet), paths_(paths) {}

    // Appends the matches of one LCS of the piece, in order, to `out`;
    // `known` is the piece's LCS, or -1.
    void solve(Piece piece, std::int32_t known, unsigned threads, Scratch& scratch,
               std::vector<Keep>& out, Handed handed = {}) const {
        const std::int32_t shorter = std::min(piece.a_size, piece.b_size);
        std::int32_t prefix = 0, suffix = 0;
        while (prefix < shorter && a_[piece.a0 + prefix] == b_[piece.b0 + prefix]) ++prefix;
        while (suffix < shorter - prefix &&
               a_[piece.a0 + piece.a_size - 1 - suffix] == b_[piece.b0 + piece.b_size - 1 - suffix])
            ++suffix;
        append_keep(out, {piece.a0, piece.b0, prefix});
        const Piece inner{piece.a0 + prefix, piece.a_size - prefix - suffix, piece.b0 + prefix,
                          piece.b_size - prefix - suffix};
        if (inner.a_size > 0 && inner.b_size > 0) {
            const std::int32_t inner_known = known < 0 ? -1 : known - prefix - suffix;
            if (!few_differences(inner, inner_known, out)) {
                handed.shift += handed.forward ? prefix : suffix;
                solve_inner(inner, inner_known, threads, scratch, out, std::move(handed));
            }
        }
        append_keep(out, {piece.a0 + piece.a_size - suffix, piece.b0 + piece.b_size - suffix, suffix});
    }

private:
    // The piece by the difference search when its edits, D = |A| + |B| -
    // 2 LCS, are few enough that the search's D^2 is below a few times its
    // length; false, with nothing appended, otherwise.
    bool few_differences(Piece piece, std::int32_t known, std::vector<Keep>& out) const {
        if (known < 0 || paths_.first_band != 0) return false;
        const std::int64_t size = std::int64_t{piece.a_size} + piece.b_size;
        const std::int64_t edits = size - 2 * std::int64_t{known};
        if (edits * edits > kDifferenceFactor * size) return false;
        DifferenceSearch<Symbol> search(a_, b_, edits, UINT64_MAX, paths_.stop, out);
        // The bound is the piece's exact D, so the searches always meet.
        if (!search.compare(piece.a0, piece.a0 + piece.a_size, piece.b0, piece.b0 + piece.b_size)) {
            throw std::logic_error("lcs::align: the difference search passed its bound");
        }
        return true;
    }

    // X is the piece's longer string, packed; Y is cut.
    struct Oriented {
        Strand<Symbol> x, y;
        bool x_is_b;
    };

    Oriented orient(Piece piece) const { return oriented(piece, piece.b_size > piece.a_size); }

    Oriented oriented(Piece piece, bool x_is_b) const {
        const Strand<Symbol> a{a_ + piece.a0, 1, piece.a_size}, b{b_ + piece.b0, 1, piece.b_size};
        if (x_is_b) return {b, a, true};
        return {a, b, false};
    }

    // Handed rows serve a piece read the same way round, while its X is
    // not much the shorter (the blocks pack X).
    static bool serves(const Handed& handed, Piece piece) {
        if (handed.rows.empty()) return false;
        const std::int32_t x = handed.x_is_b ? piece.b_size : piece.a_size;
        const std::int32_t y = handed.x_is_b ? piece.a_size : piece.b_size;
        return 4 * std::int64_t{x} >= y;
    }

    // The piece of X [x_begin, x_end) and Y [y_begin, y_end), in A and B.
    static Piece sub_piece(Piece piece, bool x_is_b, std::int32_t x_begin, std::int32_t x_end,
                           std::int32_t y_begin, std::int32_t y_end) {
        if (x_is_b) return {piece.a0 + y_begin, y_end - y_begin, piece.b0 + x_begin, x_end - x_begin};
        return {piece.a0 + x_begin, x_end - x_begin, piece.b0 + y_begin, y_end - y_begin};
    }

    void solve_inner(Piece piece, std::int32_t known, unsigned threads, Scratch& scratch,
                     std::vector<Keep>& out, Handed handed) const {
        kernel::poll(paths_.stop);
        Oriented o = orient(piece);
        // One row cannot be cut; its traceback is one row vector.
        if (o.y.size == 1 ||
            kernel::traceback_words(static_cast<std::size_t>(o.x.size),
                                    static_cast<std::size_t>(o.y.size)) <=
                static_cast<std::size_t>(paths_.traceback_words)) {
            trace(piece, o, scratch, out);
            return;
        }
        if (!serves(handed, piece)) handed = {};
        if (!handed.rows.empty()) o = oriented(piece, handed.x_is_b);
        const std::int32_t n = o.x.size, m = o.y.size;
        Handed to_left, to_right;
        const Split split = find_split(o, known, threads, scratch, std::move(handed), to_left, to_right);
        const Piece left = sub_piece(piece, o.x_is_b, 0, split.p, 0, split.h);
        const Piece right = sub_piece(piece, o.x_is_b, split.p, n, split.h, m);
        if (threads < 2 || std::int64_t{n} * m < kParallelCells) {
            solve(left, split.left, threads, scratch, out, std::move(to_left));
            solve(right, split.right, threads, scratch, out, std::move(to_right));
            return;
        }
        std::vector<Keep> left_keeps, right_keeps;
        run_beside(
            [&] {
                Scratch own(alphabet_);
                solve(left, split.left, threads / 2, own, left_keeps, std::move(to_left));
            },
            [&] {
                solve(right, split.right, threads - threads / 2, scratch, right_keeps,
                      std::move(to_right));
            });
        for (const Keep& keep : left_keeps) append_keep(out, keep);
        for (const Keep& keep : right_keeps) append_keep(out, keep);
    }

    void trace(Piece piece, const Oriented& o, Scratch& scratch, std::vector<Keep>& out) const {
        std::vector<kernel::MatchRun> matches;
        kernel::traceback(coded(o.x, o.y, scratch).view(), scratch.rows, matches);
        for (const kernel::MatchRun& run : matches) {
            append_keep(out, o.x_is_b ? Keep{piece.a0 + run.y, piece.b0 + run.x, run.count}
                                      : Keep{piece.a0 + run.x, piece.b0 + run.y, run.count});
        }
    }

    // The row vector after all of y over x, inside `band`; false, with `v`
    // unfinished, once the pass's deficit is sure to exceed `give_up`
    // (negative: never). A full pass of a long piece runs in stripes on
    // `threads` threads where that pays (kernel/stripes.h).
    bool pass(Strand<Symbol> x, Strand<Symbol> y, Band band, std::int32_t give_up,
              unsigned threads, Scratch& scratch, std::vector<Word>& v) const {
        const CodedPair c = coded(x, y, scratch);
        const kernel::Coded view = c.view();
        kernel::BlockRun blocks(view, paths_.isa, paths_.stop, threads);
        const bool full = band.lo <= -static_cast<std::int64_t>(view.m) &&
                          band.hi >= static_cast<std::int64_t>(view.n);
        if (full && blocks.full_threads() > 1) {
            blocks.full(v.data());
            return true;
        }
        const std::size_t limit = give_up < 0 ? view.n : static_cast<std::size_t>(give_up);
        return !blocks.pass(band, block_for(band, blocks.widest_block()), limit, v.data()).abandoned;
    }

    // The split's forward and backward passes in `band`, and the first
    // point of the largest sum; none once a pass gives up (see pass).
    std::optional<Split> passes(const Oriented& o, Band band, unsigned threads, Scratch& scratch,
                                std::int32_t give_up = -1) const {
        const std::int32_t n = o.x.size, m = o.y.size, h = m / 2;
        // Diagonal p - j of the table is (n - m) - (p - j) read backwards.
        const Band back_band{(n - m) - band.hi, (n - m) - band.lo};
        std::vector<Word> forward(kernel::words_for(static_cast<std::size_t>(n)), ~Word{0});
        std::vector<Word> backward(forward.size(), ~Word{0});
        const Strand<Symbol> x_back = o.x.reversed(), y_back = o.y.part(h, m).reversed();
        bool finished = false;
        if (threads >= 2 && std::int64_t{n} * m >= kParallelCells) {
            // The two passes side by side, each on half of the threads.
            bool forward_finished = false, backward_finished = false;
            run_beside(
                [&] {
                    Scratch own(alphabet_);
                    forward_finished =
                        pass(o.x, o.y.part(0, h), band, give_up, threads / 2, own, forward);
                },
                [&] {
                    backward_finished = pass(x_back, y_back, back_band, give_up,
                                             threads - threads / 2, scratch, backward);
                });
            finished = forward_finished && backward_finished;
        } else {
            finished = pass(o.x, o.y.part(0, h), band, give_up, threads, scratch, forward) &&
                       pass(x_back, y_back, back_band, give_up, threads, scratch, backward);
        }
        if (!finished) return std::nullopt;
        Split split = best_split(forward, backward, n);
        split.h = h;
        return split;
    }

    // A full pass of y over x, its row vector at the end, keeping rows for
    // the sub-piece at the corner it starts from (`kept`), on any number of
    // threads alike, so that the splits do not depend on them.
    std::vector<Word> kept_pass(Strand<Symbol> x, Strand<Symbol> y, bool forward, bool x_is_b,
                                unsigned threads, Scratch& scratch, Handed& kept) const {
        std::vector<Word> v(kernel::words_for(static_cast<std::size_t>(x.size)), ~Word{0});
        const CodedPair c = coded(x, y, scratch);
        const kernel::Coded view = c.view();  // BlockRun keeps a reference
        kernel::BlockRun blocks(view, paths_.isa, paths_.stop, threads);
        kernel::Snapshots snapshots;
        for (std::int32_t rows = y.size / 2; rows >= kFewestKeptRows; rows /= 2) {
            snapshots.rows.insert(snapshots.rows.begin(), static_cast<std::size_t>(rows));
        }
        blocks.full(v.data(), &snapshots);
        kept = {forward, x_is_b, 0, {}, std::move(snapshots.vectors)};
        for (const std::size_t row : snapshots.rows) kept.rows.push_back(static_cast<std::int32_t>(row));
        return v;
    }

    // The handed row nearest the middle of the piece's m rows, if one lies
    // in its middle half (counted from the handed rows' corner).
    static std::optional<std::size_t> middle_row(const Handed& handed, std::int32_t m) {
        std::optional<std::size_t> best;
        std::int32_t best_distance = m / 4;
        for (std::size_t k = 0; k < handed.rows.size(); ++k) {
            const std::int32_t distance = std::abs(handed.rows[k] - handed.shift - m / 2);
            if (distance <= best_distance) {
                best = k;
                best_distance = distance;
            }
        }
        return best;
    }

    // The full passes, which never give up. A row handed to the piece near
    // its middle spares one of them. Each pass run keeps rows for the
    // sub-piece at its corner; handed rows go on to the sub-piece at theirs.
    Split full_passes(const Oriented& o, unsigned threads, Scratch& scratch, Handed handed,
                      Handed& to_left, Handed& to_right) const {
        const std::int32_t n = o.x.size, m = o.y.size;
        const bool parallel = threads >= 2 && std::int64_t{n} * m >= kParallelCells;
        const std::optional<std::size_t> row = middle_row(handed, m);
        std::int32_t h = m / 2;
        if (row) {
            const std::int32_t from_corner = handed.rows[*row] - handed.shift;
            h = handed.forward ? from_corner : m - from_corner;
        }
        std::vector<Word> forward, backward;
        const auto run_forward = [&](unsigned count, Scratch& own) {
            forward = kept_pass(o.x, o.y.part(0, h), true, o.x_is_b, count, own, to_left);
        };
        const auto run_backward = [&](unsigned count, Scratch& own) {
            backward = kept_pass(o.x.reversed(), o.y.part(h, m).reversed(), false, o.x_is_b, count,
                                 own, to_right);
        };
        if (row) {
            const std::vector<Word> given = window(handed.vectors[*row],
                                                   static_cast<std::size_t>(handed.shift),
                                                   static_cast<std::size_t>(n));
            if (handed.forward) {
                forward = given;
                run_backward(threads, scratch);
            } else {
                backward = given;
                run_forward(threads, scratch);
            }
        } else if (parallel) {
            run_beside(
                [&] {
                    Scratch own(alphabet_);
                    run_forward(threads / 2, own);
                },
                [&] { run_backward(threads - threads / 2, scratch); });
        } else {
            run_forward(threads, scratch);
            run_backward(threads, scratch);
        }
        Split split = best_split(forward, backward, n);
        split.h = h;
        if (row && handed.forward) to_left = handed_within(std::move(handed), h, split.p);
        if (row && !handed.forward) to_right = handed_within(std::move(handed), m - h, n - split.p);
        return split;
    }

    // A band is worth its bookkeeping when it covers at most half of X.
    bool narrow(Band band, std::int32_t n) const {
        return paths_.first_band > 0 || (band.hi - band.lo + kNarrowBlockBits) * 2 <= std::int64_t{n};
    }

    // The split of the piece. Its LCS is known but at the top, where the
    // length pass found the strings too unlike for a band; with a band
    // forced, the top starts from the diagonal alone. Full passes take the
    // rows handed to the piece and hand on rows to its sub-pieces.
    Split find_split(const Oriented& o, std::int32_t known, unsigned threads, Scratch& scratch,
                     Handed handed, Handed& to_left, Handed& to_right) const {
        const std::int32_t n = o.x.size, m = o.y.size, shorter = std::min(n, m);
        if (paths_.first_band < 0 || (known < 0 && paths_.first_band == 0)) {
            return full_passes(o, threads, scratch, std::move(handed), to_left, to_right);
        }
        // A lower bound of the piece's LCS, exact when it is known.
        std::int32_t floor = std::max(known, 0);
        if (known < 0) {
            const Split diagonal = *passes(o, band_of(n, m, 0), threads, scratch);
            if (diagonal.left + diagonal.right >= shorter) return diagonal;
            floor = diagonal.left + diagonal.right;
        }
        // The deficit is at most shorter - floor, so every optimal path stays
        // in the band of that half-width, and the band proves itself.
        const Band band = band_of(n, m, shorter - floor);
        if (narrow(band, n)) {
            const Split split = *passes(o, band, threads, scratch);
            const std::int32_t sum = split.left + split.right;
            if (known >= 0 ? sum == known : sum >= floor) return split;
        }
        return full_passes(o, threads, scratch, std::move(handed), to_left, to_right);
    }

    const Symbol* a_;
    const Symbol* b_;
    std::size_t alphabet_;
    Paths paths_;
};

unsigned thread_count(unsigned threads) {
    if (threads != 0) return threads;
    return std::max(1u, std::thread::hardware_concurrency());
}

// The LCS of a and b where the length pass's band proves it, which is what
// lets the first split run in a band of the strings' own difference; -1
// where they are too unlike for a band (or the splits are forced full).
template <typename Text>
std::int32_t known_length(Text a, Text b, const Paths& paths) {
    if (paths.first_band < 0) return -1;
    const std::optional<std::size_t> length = kernel::banded_length(a, b, paths);
    return length ? static_cast<std::int32_t>(*length) : -1;
}

template <typename Symbol>
Alignment align_symbols(const Symbol* a, std::size_t a_size, const Symbol* b, std::size_t b_size,
                        std::size_t alphabet, std::int32_t known, unsigned threads,
                        const Paths& paths) {
    const auto n = static_cast<std::int32_t>(a_size), m = static_cast<std::int32_t>(b_size);
    const Aligner<Symbol> aligner(a, b, alphabet, paths);
    std::vector<Keep> keeps;
    {
        // Gone before the result is built, so that the two never add up.
        Scratch scratch(alphabet);
        aligner.solve({0, n, 0, m}, known, thread_count(threads), scratch, keeps);
    }
    return runs_of(keeps, n, m);
}

}  // namespace

Alignment align_with(std::string_view a, std::string_view b, unsigned threads, const Paths& paths) {
    check_length(a.size());
    check_length(b.size());
    kernel::poll(paths.stop);  // a past deadline stops before any preparation
    return align_symbols(reinterpret_cast<const unsigned char*>(a.data()), a.size(),
                         reinterpret_cast<const unsigned char*>(b.data()), b.size(), 256,
                         known_length(a, b, paths), threads, paths);
}

namespace {

// Dense codes of two texts' symbols, each symbol's rank among the symbols
// of both, and the number of distinct symbols.
struct DenseCodes {
    std::vector<std::uint32_t> a, b;
    std::size_t distinct = 0;
};

// Symbols below a bound of the order of the texts' length (characters,
// interned words and lines) are ranked through a direct table in linear
// time; larger ones are sorted. Either way a symbol's code is its rank, so
// the runs do not depend on which way was taken.
DenseCodes dense_codes(std::u32string_view a, std::u32string_view b) {
    DenseCodes codes;
    codes.a.resize(a.size());
    codes.b.resize(b.size());
    char32_t largest = 0;
    for (const char32_t s : a) largest = std::max(largest, s);
    for (const char32_t s : b) largest = std::max(largest, s);
    const std::size_t table_bound = 4 * (a.size() + b.size()) + (std::size_t{1} << 16);
    if (static_cast<std::size_t>(largest) < table_bound) {
        std::vector<std::uint32_t> rank(static_cast<std::size_t>(largest) + 1, 0);
        for (const char32_t s : a) rank[s] = 1;
        for (const char32_t s : b) rank[s] = 1;
        std::uint32_t next = 0;
        for (std::uint32_t& r : rank) r = r != 0 ? next++ : 0;
        for (std::size_t i = 0; i < a.size(); ++i) codes.a[i] = rank[a[i]];
        for (std::size_t i = 0; i < b.size(); ++i) codes.b[i] = rank[b[i]];
        codes.distinct = next;
        return codes;
    }
    std::vector<char32_t> symbols(a.begin(), a.end());
    symbols.insert(symbols.end(), b.begin(), b.end());
    std::sort(symbols.begin(), symbols.end());
    symbols.erase(std::unique(symbols.begin(), symbols.end()), symbols.end());
    const auto rank_of = [&symbols](char32_t s) {
        return static_cast<std::uint32_t>(std::lower_bound(symbols.begin(), symbols.end(), s) -
                                          symbols.begin());
    };
    for (std::size_t i = 0; i < a.size(); ++i) codes.a[i] = rank_of(a[i]);
    for (std::size_t i = 0; i < b.size(); ++i) codes.b[i] = rank_of(b[i]);
    codes.distinct = symbols.size();
    return codes;
}

}  // namespace

// Wide symbols are renamed to dense codes, so that a block's match rows are
// an array of the codes.
Alignment align_with(std::u32string_view a, std::u32string_view b, unsigned threads,
                     const Paths& paths) {
    check_length(a.size());
    check_length(b.size());
    kernel::poll(paths.stop);
    const std::int32_t known = known_length(a, b, paths);
    const DenseCodes codes = dense_codes(a, b);
    return align_symbols(codes.a.data(), codes.a.size(), codes.b.data(), codes.b.size(),
                         std::max<std::size_t>(codes.distinct, 1), known, threads, paths);
}

}  // namespace detail

namespace {

kernel::Paths stopping(const Stop* stop) {
    kernel::Paths paths;
    paths.stop = stop;
    return paths;
}

}  // namespace

Alignment align(std::string_view a, std::string_view b, unsigned threads, const Stop* stop) {
    return detail::align_with(a, b, threads, stopping(stop));
}

Alignment align(std::u32string_view a, std::u32string_view b, unsigned threads, const Stop* stop) {
    return detail::align_with(a, b, threads, stopping(stop));
}

namespace {

template <typename Char>
std::basic_string<Char> kept_symbols(std::basic_string_view<Char> a,
                                     std::basic_string_view<Char> b) {
    std::basic_string<Char> common;
    for (const Run& run : align(a, b).runs) {
        if (run.edit == Edit::keep) common.append(a.substr(static_cast<std::size_t>(run.a_pos),
                                                           static_cast<std::size_t>(run.count)));
    }
    return common;
}

}  // namespace

std::string common_subsequence(std::string_view a, std::string_view b) {
    return kept_symbols(a, b);
}

std::u32string common_subsequence(std::u32string_view a, std::u32string_view b) {
    return kept_symbols(a, b);
}

}  // namespace lcs
