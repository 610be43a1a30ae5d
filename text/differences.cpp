// Myers' difference algorithm in linear space: E. W. Myers, "An O(ND)
// difference algorithm and its variations", Algorithmica 1(2), 1986,
// section 4b. A greedy search from both ends at once finds, for D edits in
// all, the furthest point each diagonal reaches with d edits; where the two
// searches meet lies a "middle snake" of the shortest edit script, which
// splits the problem in two. A shortest script of removes and inserts keeps
// a longest common subsequence, so the result is exact. Common prefix and
// suffix are taken off at every level. Time O((N + M) D), usually near
// N + M + D^2 for scattered changes; space O(N + M). It wins over the
// bit-parallel row when D is small against the length and the alphabet is
// large (lines of a file), where a match vector per symbol would not fit.
// Covered by tests/test_text_diff.cpp (Differences.*).
#include "text/differences.h"

#include <memory>
#include <vector>

namespace lcs::text {
namespace {

struct Keep {
    std::int64_t a_pos, b_pos, count;
};

class MyersSearch {
public:
    MyersSearch(std::u32string_view a, std::u32string_view b, std::uint64_t max_steps,
                const lcs::Stop* stop)
        : a_(a), b_(b), stop_(stop), offset_(static_cast<std::int64_t>(a.size() + b.size()) + 1),
          forward_(new std::int64_t[2 * static_cast<std::size_t>(offset_) + 1]),
          backward_(new std::int64_t[2 * static_cast<std::size_t>(offset_) + 1]),
          steps_left_(max_steps) {}

    // Appends the keeps of a[a0, a1) against b[b0, b1) in order; false when
    // the step budget ran out.
    bool compare(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) {
        const std::int64_t prefix = common_prefix(a0, a1, b0, b1);
        add_keep(a0, b0, prefix);
        a0 += prefix, b0 += prefix;
        const std::int64_t suffix = common_suffix(a0, a1, b0, b1);
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

    const std::vector<Keep>& keeps() const { return keeps_; }

private:
    // The diagonal run from (x0, y0) to (x1, y1) in absolute positions.
    struct Snake {
        std::int64_t x0, y0, x1, y1;
    };

    std::int64_t common_prefix(std::int64_t a0, std::int64_t a1, std::int64_t b0,
                               std::int64_t b1) const {
        std::int64_t n = 0;
        while (a0 + n < a1 && b0 + n < b1 && a_[a0 + n] == b_[b0 + n]) ++n;
        return n;
    }

    std::int64_t common_suffix(std::int64_t a0, std::int64_t a1, std::int64_t b0,
                               std::int64_t b1) const {
        std::int64_t n = 0;
        while (a1 - n > a0 && b1 - n > b0 && a_[a1 - n - 1] == b_[b1 - n - 1]) ++n;
        return n;
    }

    void add_keep(std::int64_t a_pos, std::int64_t b_pos, std::int64_t count) {
        if (count == 0) return;
        if (!keeps_.empty() && keeps_.back().a_pos + keeps_.back().count == a_pos &&
            keeps_.back().b_pos + keeps_.back().count == b_pos) {
            keeps_.back().count += count;
        } else {
            keeps_.push_back({a_pos, b_pos, count});
        }
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
    // the ends. Forward diagonal k meets backward diagonal delta - k.
    bool middle_snake(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1,
                      Snake& snake) {
        const std::int64_t n = a1 - a0, m = b1 - b0, delta = n - m;
        const bool odd = (delta & 1) != 0;
        forward(1) = 0;
        backward(1) = 0;
        const auto forward_reach = [this](std::int64_t k) { return forward(k); };
        const auto backward_reach = [this](std::int64_t k) { return backward(k); };
        for (std::int64_t d = 0; d <= (n + m + 1) / 2; ++d) {
            if (steps_left_ < static_cast<std::uint64_t>(2 * d + 1)) return false;
            steps_left_ -= static_cast<std::uint64_t>(2 * d + 1);
            poll_stop(static_cast<std::uint64_t>(2 * d + 1));
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
        return false;  // not reached: the searches meet by d = ceil((n + m) / 2)
    }

    // Looks at the stop request once every kStopPollSteps steps.
    void poll_stop(std::uint64_t steps) {
        if (stop_ == nullptr) return;
        steps_since_poll_ += steps;
        if (steps_since_poll_ < kStopPollSteps) return;
        steps_since_poll_ = 0;
        if (stop_->requested()) throw lcs::Stopped();
    }

    void charge(std::int64_t slide) {
        const auto cost = static_cast<std::uint64_t>(slide);
        steps_left_ = steps_left_ > cost ? steps_left_ - cost : 0;
    }

    // Steps between two looks at the stop request: a clock read is cheap
    // beside them.
    static constexpr std::uint64_t kStopPollSteps = 1 << 16;

    std::u32string_view a_, b_;
    const lcs::Stop* stop_;
    std::int64_t offset_;
    // Left uninitialised, so that only the diagonals a search reaches are
    // ever touched: step d reads only what step d - 1 (or, for diagonal 1
    // at d = 0, the start) wrote, and the meeting tests only what this or
    // the last step wrote.
    std::unique_ptr<std::int64_t[]> forward_, backward_;
    std::uint64_t steps_left_;
    std::uint64_t steps_since_poll_ = 0;
    std::vector<Keep> keeps_;
};

void add_run(lcs::Alignment& alignment, lcs::Edit edit, std::int64_t a_pos, std::int64_t b_pos,
             std::int64_t count) {
    if (count <= 0) return;
    alignment.runs.push_back({edit, static_cast<std::int32_t>(a_pos),
                              static_cast<std::int32_t>(b_pos), static_cast<std::int32_t>(count)});
}

// The keeps with the removes and then the inserts between them.
lcs::Alignment runs_from_keeps(const std::vector<Keep>& keeps, std::int64_t a_size,
                               std::int64_t b_size) {
    lcs::Alignment alignment{0, {}};
    std::int64_t a_at = 0, b_at = 0;
    for (const Keep& keep : keeps) {
        add_run(alignment, lcs::Edit::remove, a_at, b_at, keep.a_pos - a_at);
        add_run(alignment, lcs::Edit::insert, keep.a_pos, b_at, keep.b_pos - b_at);
        add_run(alignment, lcs::Edit::keep, keep.a_pos, keep.b_pos, keep.count);
        alignment.length += static_cast<std::int32_t>(keep.count);
        a_at = keep.a_pos + keep.count, b_at = keep.b_pos + keep.count;
    }
    add_run(alignment, lcs::Edit::remove, a_at, b_at, a_size - a_at);
    add_run(alignment, lcs::Edit::insert, a_size, b_at, b_size - b_at);
    return alignment;
}

}  // namespace

std::optional<lcs::Alignment> align_by_differences(std::u32string_view a, std::u32string_view b,
                                                   std::uint64_t max_steps,
                                                   const lcs::Stop* stop) {
    const auto a_size = static_cast<std::int64_t>(a.size());
    const auto b_size = static_cast<std::int64_t>(b.size());
    MyersSearch search(a, b, max_steps, stop);
    if (!search.compare(0, a_size, 0, b_size)) return std::nullopt;
    return runs_from_keeps(search.keeps(), a_size, b_size);
}

}  // namespace lcs::text
