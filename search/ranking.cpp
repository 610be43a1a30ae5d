// Top K lines with a binary heap of K (worst on top): a line enters only
// when it beats the worst kept, so memory stays at K lines whatever the
// input's size. Equal similarities rank by input order, compared exactly
// as fractions (lcs1 * longer2 against lcs2 * longer1).
#include "search/ranking.h"

#include <algorithm>

namespace search {

namespace {

// a before b: more similar, or as similar and earlier in the input.
bool ranks_before(Score a, std::uint64_t a_order, Score b, std::uint64_t b_order) {
    return more_similar(a, b) || (!more_similar(b, a) && a_order < b_order);
}

bool better(const Ranked& a, const Ranked& b) {
    return ranks_before(a.score, a.order, b.score, b.order);
}

}  // namespace

void TopLines::offer(Score score, std::uint64_t order, std::size_t file, std::uint64_t line,
                     std::uint64_t length, std::string_view text) {
    if (!wanted(score)) return;
    if (heap_.size() == capacity_) {
        std::pop_heap(heap_.begin(), heap_.end(), better);
        heap_.pop_back();
    }
    heap_.push_back({score, order, file, line, length, std::string(text)});
    std::push_heap(heap_.begin(), heap_.end(), better);
}

std::vector<Ranked> TopLines::take_sorted() {
    std::sort_heap(heap_.begin(), heap_.end(), better);
    return std::move(heap_);
}

}  // namespace search
