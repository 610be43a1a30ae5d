// Building a prepared string (kernel/pattern.h): codes in one pass over the
// query, then its match rows, whole or as sorted positions per code. Cost:
// O(n) plus the rows, (distinct + 1) x ceil(n / 64) words. Covered by
// tests/test_kernel.cpp (prepared queries of bytes and symbols, mixed).
#include "kernel/pattern.h"

#include <algorithm>

namespace lcs::detail {

using kernel::Code;
using kernel::Word;

namespace {

// capacity: a power of two.
std::size_t slot_of(char32_t symbol, std::size_t capacity) {
    return kernel::fibonacci_slot(symbol, static_cast<unsigned>(__builtin_ctzll(capacity)));
}

}  // namespace

// Bytes take their codes in byte order: one pass marks the bytes present,
// one gives them codes, one looks each position up, none of them branching
// on the text.
PatternData::PatternData(std::string_view query) : codes_(query.size()) {
    for (const char c : query) byte_code_[static_cast<unsigned char>(c)] = 1;
    for (Code& code : byte_code_) {
        if (code != 0) code = static_cast<Code>(++distinct_);
    }
    for (std::size_t p = 0; p < query.size(); ++p) {
        codes_[p] = byte_code_[static_cast<unsigned char>(query[p])];
    }
    build_rows();
}

PatternData::PatternData(std::u32string_view query) : codes_(query.size()) {
    for (std::size_t p = 0; p < query.size(); ++p) codes_[p] = add_symbol(query[p]);
    build_rows();
}

Code PatternData::add_symbol(char32_t symbol) {
    if (symbol < 256) {
        Code& code = byte_code_[symbol];
        if (code == 0) code = static_cast<Code>(++distinct_);
        return code;
    }
    // Keep the table at most half full, so that a probe ends soon.
    if (2 * (distinct_ + 1) > wide_.size()) {
        std::vector<WideSlot> grown(std::max<std::size_t>(16, 2 * wide_.size()), WideSlot{0, 0});
        for (const WideSlot& slot : wide_) {
            if (slot.code == 0) continue;
            std::size_t s = slot_of(slot.symbol, grown.size());
            while (grown[s].code != 0) s = (s + 1) & (grown.size() - 1);
            grown[s] = slot;
        }
        wide_.swap(grown);
    }
    std::size_t s = slot_of(symbol, wide_.size());
    while (wide_[s].code != 0 && wide_[s].symbol != symbol) s = (s + 1) & (wide_.size() - 1);
    if (wide_[s].code == 0) wide_[s] = WideSlot{symbol, static_cast<Code>(++distinct_)};
    return wide_[s].code;
}

Code PatternData::wide_code(char32_t symbol) const {
    if (wide_.empty()) return 0;
    std::size_t s = slot_of(symbol, wide_.size());
    while (wide_[s].code != 0) {
        if (wide_[s].symbol == symbol) return wide_[s].code;
        s = (s + 1) & (wide_.size() - 1);
    }
    return 0;
}

void PatternData::build_rows() {
    const std::size_t words = this->words();
    const double row_bytes =
        static_cast<double>(distinct_ + 1) * static_cast<double>(words) * sizeof(Word);
    if (row_bytes <= static_cast<double>(kDenseRowBytes)) {
        rows_.assign((distinct_ + 1) * words, 0);
        for (std::size_t p = 0; p < codes_.size(); ++p) {
            rows_[std::size_t{codes_[p]} * words + p / kernel::kWordBits] |=
                Word{1} << (p % kernel::kWordBits);
        }
        if (words == 0 || words > kByteRowWords) return;
        byte_rows_.assign(256 * words, 0);
        for (std::size_t b = 0; b < 256; ++b) {
            const Word* row = rows_.data() + std::size_t{byte_code_[b]} * words;
            std::copy(row, row + words, byte_rows_.data() + b * words);
        }
        return;
    }
    // Counting sort of the positions by code: each code's run is ascending.
    first_position_.assign(distinct_ + 2, 0);
    for (const Code code : codes_) ++first_position_[code + 1];
    for (std::size_t c = 1; c < first_position_.size(); ++c) {
        first_position_[c] += first_position_[c - 1];
    }
    positions_.resize(codes_.size());
    std::vector<std::uint32_t> next(first_position_.begin(), first_position_.end() - 1);
    for (std::size_t p = 0; p < codes_.size(); ++p) {
        positions_[next[codes_[p]]++] = static_cast<std::uint32_t>(p);
    }
}

Word PatternData::sparse_match_word(Code code, std::size_t k) const {
    if (code == 0 || code > distinct_) return 0;
    const auto begin = positions_.begin() + first_position_[code];
    const auto end = positions_.begin() + first_position_[code + 1];
    const auto low = static_cast<std::uint32_t>(k * kernel::kWordBits);
    Word word = 0;
    for (auto p = std::lower_bound(begin, end, low); p != end && *p - low < kernel::kWordBits; ++p) {
        word |= Word{1} << (*p - low);
    }
    return word;
}

}  // namespace lcs::detail
