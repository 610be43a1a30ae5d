// lcs::align's second strategy, for pieces that differ in few places: Myers'
// difference algorithm in linear space (E. W. Myers, "An O(ND) difference
// algorithm and its variations", Algorithmica 1(2), 1986, section 4b). A
// greedy search from both ends at once finds, for D edits in all, the
// furthest point each diagonal reaches with d edits; where the two searches
// meet lies a "middle snake" of a shortest edit script, which splits the
// problem in two. A shortest script of removes and inserts keeps a longest
// common subsequence, so the result is exact. Common prefix and suffix are
// taken off at every level. Time O((N + M) D), near (N + M) log D + D^2 for
// scattered changes; space O(D) for a known bound on D, else O(N + M). It
// wins over the bit-parallel passes when D is small against the length,
// and the line diff (text/differences.cpp), whose alphabet of lines is too
// large for match rows, uses it first.
#ifndef LCS_TOOLKIT_DIFFERENCES_H
#define LCS_TOOLKIT_DIFFERENCES_H

#include <cstdint>
#include <memory>
#include <vector>

#include "kernel/stop.h"
#include "toolkit/keeps.h"

namespace lcs::detail {

template <typename Symbol>
class DifferenceSearch {
public:
    // Keeps of a against b go to `out`. `most_edits` bounds the removes
    // plus inserts of any piece searched; `max_steps` bounds the work
    // (about (|a| + |b|) x D steps) before the search gives up.
    DifferenceSearch(const Symbol* a, const Symbol* b, std::int64_t most_edits,
                     std::uint64_t max_steps, const Stop* stop, std::vector<Keep>& out)
        : a_(a), b_(b), offset_(most_edits / 2 + 2),
          forward_(new std::int64_t[2 * static_cast<std::size_t>(offset_) + 1]),
          backward_(new std::int64_t[2 * static_cast<std::size_t>(offset_) + 1]),
          steps_left_(max_steps), stop_(stop), keeps_(out) {}

    // Appends the keeps of a[a0, a1) against b[b0, b1) in order; false when
    // the step budget ran out.
    bool compare(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) {
        kernel::poll(stop_);
        std::int64_t prefix = 0;
        while (a0 + prefix < a1 && b0 + prefix < b1 && a_[a0 + prefix] == b_[b0 + prefix]) ++prefix;
        add_keep(a0, b0, prefix);
        a0 += prefix, b0 += prefix;
        std::int64_t suffix = 0;
        while (a1 - suffix > a0 && b1 - suffix > b0 && a_[a1 - suffix - 1] == b_[b1 - suffix - 1]) {
            ++suffix;
        }
        a1 -= suffix, b1 -= suffix;
        if (a0 < a1 && b0 < b1) {
            Snake snake;
            if (!middle_snake(a0, a1, b0, b1, snake)) return false;
            if (!compare(a0, snake.x0, b0, snake.y0)) return false;
            add_keep(snake.x0, snake.y0, snake.x1 - snake.x0);
            if (!compare(snake.x1, a1, snake.y1, b1)) return false;
        }
        add_keep(a1, b1, suffix);
        return true;
    }

private:
    // The diagonal run from (x0, y0) to (x1, y1) in absolute positions.
    struct Snake {
        std::int64_t x0, y0, x1, y1;
    };

    void add_keep(std::int64_t a, std::int64_t b, std::int64_t count) {
        append_keep(keeps_, {static_cast<std::int32_t>(a), static_cast<std::int32_t>(b),
                             static_cast<std::int32_t>(count)});
    }

    std::int64_t& forward(std::int64_t k) { return forward_[static_cast<std::size_t>(offset_ + k)]; }
    std::int64_t& backward(std::int64_t k) { return backward_[static_cast<std::size_t>(offset_ + k)]; }

    // The furthest x on diagonal k (x - y = k, relative to the piece) after
    // one more edit, from the neighbours' furthest points in `reach`.
    template <typename Reach>
    static std::int64_t next_x(Reach reach, std::int64_t k, std::int64_t d) {
        if (k == -d || (k != d && reach(k - 1) < reach(k + 1))) return reach(k + 1);
        return reach(k - 1) + 1;
    }

    // Both searches, d edits at a time, on a piece with no common prefix or
    // suffix; coordinates relative to (a0, b0), the backward search's from
    // the ends. Forward diagonal k meets backward diagonal delta - k. The
    // searches meet by d = ceil(D / 2) for the piece's D edits, so the
    // diagonals stay within offset_.
    bool middle_snake(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1,
                      Snake& snake) {
        const std::int64_t n = a1 - a0, m = b1 - b0, delta = n - m;
        const bool odd = (delta & 1) != 0;
        forward(1) = 0;
        backward(1) = 0;
        const auto forward_reach = [this](std::int64_t k) { return forward(k); };
        const auto backward_reach = [this](std::int64_t k) { return backward(k); };
        const std::int64_t last = std::min((n + m + 1) / 2, offset_ - 1);
        for (std::int64_t d = 0; d <= last; ++d) {
            if (steps_left_ < static_cast<std::uint64_t>(2 * d + 1)) return false;
            steps_left_ -= static_cast<std::uint64_t>(2 * d + 1);
            poll_now_and_then(static_cast<std::uint64_t>(2 * d + 1));
            for (std::int64_t k = -d; k <= d; k += 2) {
                const std::int64_t x0 = next_x(forward_reach, k, d);
                std::int64_t x = x0;
                while (x < n && x - k < m && a_[a0 + x] == b_[b0 + x - k]) ++x;
                charge(x - x0);
                forward(k) = x;
                const std::int64_t opposite = delta - k;
                if (odd && opposite >= -(d - 1) && opposite <= d - 1 && x + backward(opposite) >= n) {
                    snake = {a0 + x0, b0 + x0 - k, a0 + x, b0 + x - k};
                    return true;
                }
            }
            for (std::int64_t k = -d; k <= d; k += 2) {
                const std::int64_t x0 = next_x(backward_reach, k, d);
                std::int64_t x = x0;
                while (x < n && x - k < m && a_[a1 - 1 - x] == b_[b1 - 1 - (x - k)]) ++x;
                charge(x - x0);
                backward(k) = x;
                const std::int64_t opposite = delta - k;
                if (!odd && opposite >= -d && opposite <= d && x + forward(opposite) >= n) {
                    snake = {a1 - x, b1 - (x - k), a1 - x0, b1 - (x0 - k)};
                    return true;
                }
            }
        }
        return false;  // the bound on D was too low, or the budget ran out
    }

    void charge(std::int64_t slide) {
        const auto cost = static_cast<std::uint64_t>(slide);
        steps_left_ = steps_left_ > cost ? steps_left_ - cost : 0;
        steps_since_poll_ += cost;
    }

    // One piece of unlike strings can take (n + m) x D steps: the stop
    // request is looked at every kPollSteps of them, not only per piece.
    void poll_now_and_then(std::uint64_t steps) {
        steps_since_poll_ += steps;
        if (steps_since_poll_ < kPollSteps) return;
        steps_since_poll_ = 0;
        kernel::poll(stop_);
    }

    static constexpr std::uint64_t kPollSteps = std::uint64_t{1} << 20;

    const Symbol* a_;
    const Symbol* b_;
    std::int64_t offset_;
    // Left uninitialised, so that only the diagonals a search reaches are
    // ever touched: step d reads only what step d - 1 (or, for diagonal 1
    // at d = 0, the start) wrote, and the meeting tests only what this or
    // the last step wrote.
    std::unique_ptr<std::int64_t[]> forward_, backward_;
    std::uint64_t steps_left_;
    std::uint64_t steps_since_poll_ = 0;
    const Stop* stop_;
    std::vector<Keep>& keeps_;
};

}  // namespace lcs::detail

#endif  // LCS_TOOLKIT_DIFFERENCES_H
