// The most similar lines of lcs-search's input, in bounded memory.
#ifndef SEARCH_RANKING_H
#define SEARCH_RANKING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace search {

// A line's score: its LCS with the query over the longer of the two
// lengths, kept as the two whole numbers so that lines compare exactly.
struct Score {
    std::int32_t lcs;
    std::int32_t longer;  // 0 when the line and the query are both empty

    double similarity() const { return longer == 0 ? 1.0 : static_cast<double>(lcs) / longer; }
};

inline Score score_of(std::int32_t lcs, std::size_t query_length, std::size_t line_length) {
    const std::size_t longer = query_length > line_length ? query_length : line_length;
    return {lcs, static_cast<std::int32_t>(longer)};
}

// a strictly more similar than b, compared exactly as fractions (each
// product under 2^62). Two empty strings count as 1 / 1.
inline bool more_similar(Score a, Score b) {
    const auto normal = [](Score s) { return s.longer == 0 ? Score{1, 1} : s; };
    const Score x = normal(a), y = normal(b);
    return std::int64_t{x.lcs} * y.longer > std::int64_t{y.lcs} * x.longer;
}

struct Ranked {
    Score score;
    std::uint64_t order;  // place in the input, over all files
    std::size_t file;
    std::uint64_t line;
    std::uint64_t length;  // the line's length in the unit
    std::string text;
};

// The `capacity` best lines offered, best first; of equal scores the
// earlier in the input. A heap whose top is the worst kept line, so each
// offer costs O(log capacity) and a line is copied only when it is kept.
class TopLines {
public:
    explicit TopLines(std::size_t capacity) : capacity_(capacity) {}
    // True when a line of this score, offered now, would be kept. Lines are
    // offered in input order, so a line must beat the worst kept one
    // outright: on a tie the kept line is the earlier.
    bool wanted(Score score) const {
        return heap_.size() < capacity_ || more_similar(score, heap_.front().score);
    }
    void offer(Score score, std::uint64_t order, std::size_t file, std::uint64_t line,
               std::uint64_t length, std::string_view text);
    // The kept lines, best first; the heap is left empty.
    std::vector<Ranked> take_sorted();

private:
    std::size_t capacity_;
    std::vector<Ranked> heap_;
};

}  // namespace search

#endif  // SEARCH_RANKING_H
