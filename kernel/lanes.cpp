// One short query against many choices, one choice per 64-bit lane.
//
// Method: the bit-vector LCS recurrence of Allison and Dix (1986) in the
// form of Hyyro (2004): with the query's match word M[c] for each symbol c,
// V starts all ones and each symbol c of a choice does U = V & M[c],
// V = (V + U) | (V - U); the LCS is the number of zero bits of V among the
// query's. A query of at most 64 symbols is one word, so eight choices run
// side by side, each lane gathering the match word of its own current
// symbol (AVX-512: one gather of eight words; AVX2: two of four; the plain
// path: eight independent scalar chains, which the processor overlaps).
// Each lane reads its choice eight symbols at a time as one word of row
// numbers; a choice that ends pads with the query's absent row, whose match
// word is zero and leaves V as it is, so no lane needs a mask, and a lane
// whose choice ends takes the next choice at once, so that choices of
// unequal length waste at most seven steps each. Cost: about |choice| / 8
// gathers per choice; nothing is allocated.
// Wins over one choice at a time for every query of up to 64 symbols; the
// bound is the processor's gather rate.
// Tests: tests/test_batch.cpp (every path forced, against the oracle),
// fuzz/fuzz_lengths.cpp.
#include "kernel/lanes.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

namespace lcs::kernel {

namespace {

constexpr int kLanes = 8;
constexpr int kStepsPerWord = 8;  // row numbers are bytes: eight to a word
constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;

// Eight steps of the recurrence in each of the eight lanes: lane k takes
// its rows from the bytes of rows[k], the lowest byte first.
using StepFunction = void (*)(std::uint64_t* v, const std::uint64_t* rows,
                              const std::uint64_t* table);

void steps_plain(std::uint64_t* v, const std::uint64_t* rows, const std::uint64_t* table) {
    for (int step = 0; step < kStepsPerWord; ++step) {
        for (int lane = 0; lane < kLanes; ++lane) {
            const std::uint64_t u = v[lane] & table[(rows[lane] >> (8 * step)) & 0xFF];
            v[lane] = (v[lane] + u) | (v[lane] - u);
        }
    }
}

__attribute__((target("avx2"))) void steps_avx2(std::uint64_t* v, const std::uint64_t* rows,
                                                const std::uint64_t* table) {
    const auto* base = reinterpret_cast<const long long*>(table);
    const __m256i low_byte = _mm256_set1_epi64x(0xFF);
    __m256i v0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(v));
    __m256i v1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(v + 4));
    __m256i r0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(rows));
    __m256i r1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(rows + 4));
    for (int step = 0; step < kStepsPerWord; ++step) {
        const __m256i u0 =
            _mm256_and_si256(v0, _mm256_i64gather_epi64(base, _mm256_and_si256(r0, low_byte), 8));
        const __m256i u1 =
            _mm256_and_si256(v1, _mm256_i64gather_epi64(base, _mm256_and_si256(r1, low_byte), 8));
        v0 = _mm256_or_si256(_mm256_add_epi64(v0, u0), _mm256_sub_epi64(v0, u0));
        v1 = _mm256_or_si256(_mm256_add_epi64(v1, u1), _mm256_sub_epi64(v1, u1));
        r0 = _mm256_srli_epi64(r0, 8);
        r1 = _mm256_srli_epi64(r1, 8);
    }
    _mm256_store_si256(reinterpret_cast<__m256i*>(v), v0);
    _mm256_store_si256(reinterpret_cast<__m256i*>(v + 4), v1);
}

__attribute__((target("avx512f"))) void steps_avx512(std::uint64_t* v, const std::uint64_t* rows,
                                                     const std::uint64_t* table) {
    // The masked forms with every lane set: GCC 12's unmasked ones start
    // from an undefined register and trip -Wuninitialized.
    constexpr __mmask8 kAll = 0xFF;
    const __m512i low_byte = _mm512_set1_epi64(0xFF);
    const __m512i zero = _mm512_setzero_si512();
    __m512i lanes = _mm512_load_si512(v);
    __m512i r = _mm512_load_si512(rows);
    for (int step = 0; step < kStepsPerWord; ++step) {
        const __m512i match = 
            _mm512_mask_i64gather_epi64(zero, kAll, _mm512_and_si512(r, low_byte), table, 8);
        const __m512i u = _mm512_and_si512(lanes, match);
        lanes = _mm512_or_si512(_mm512_add_epi64(lanes, u), _mm512_sub_epi64(lanes, u));
        r = _mm512_maskz_srli_epi64(kAll, r, 8);
    }
    _mm512_store_si512(v, lanes);
}

bool has_avx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

bool has_avx512() {
    static const bool has = __builtin_cpu_supports("avx512f");
    return has;
}

StepFunction step_function(LanePath path) {
    switch (path) {
        case LanePath::plain:
            return steps_plain;
        case LanePath::avx2:
            return steps_avx2;
        case LanePath::avx512:
            return steps_avx512;
        case LanePath::automatic:
            break;
    }
    return has_avx512() ? steps_avx512 : has_avx2() ? steps_avx2 : steps_plain;
}

// The next eight row numbers of a byte choice from `at`, padded with the
// absent row past its end.
struct ByteRows {
    const LaneQuery& query;
    std::uint64_t padding;

    std::uint64_t operator()(std::string_view choice, std::size_t at) const {
        const std::size_t left = choice.size() - at;
        const std::size_t count = left < kStepsPerWord ? left : kStepsPerWord;
        if (query.rows_are_bytes() && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
            std::uint64_t word = padding;
            std::memcpy(&word, choice.data() + at, count);
            return word;
        }
        return mapped(choice, at, count);
    }

    std::uint64_t mapped(std::string_view choice, std::size_t at, std::size_t count) const {
        std::uint64_t word = padding;
        for (std::size_t i = 0; i < count; ++i) {
            const auto row = query.row_of_byte(static_cast<unsigned char>(choice[at + i]));
            word = (word & ~(std::uint64_t{0xFF} << (8 * i))) | (std::uint64_t{row} << (8 * i));
        }
        return word;
    }
};

struct SymbolRows {
    const LaneQuery& query;
    std::uint64_t padding;

    std::uint64_t operator()(std::u32string_view choice, std::size_t at) const {
        const std::size_t left = choice.size() - at;
        const std::size_t count = left < kStepsPerWord ? left : kStepsPerWord;
        std::uint64_t word = padding;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint64_t row = query.row_of_symbol(choice[at + i]);
            word = (word & ~(std::uint64_t{0xFF} << (8 * i))) | (row << (8 * i));
        }
        return word;
    }
};

// Keeps eight lanes busy: each lane runs one choice to its end, writes its
// length and takes the next non-empty choice; empty choices are 0 at once.
template <class Choice, class Rows>
void run_lanes(const LaneQuery& query, const Choice* choices, std::size_t count, std::int32_t* out,
               StepFunction steps, const Rows& rows_of) {
    alignas(64) std::uint64_t v[kLanes];
    alignas(64) std::uint64_t rows[kLanes];
    std::size_t choice_of[kLanes];
    std::size_t at[kLanes];
    bool busy[kLanes];
    const std::uint64_t query_bits =
        query.size() == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << query.size()) - 1;
    std::size_t next = 0;
    int busy_lanes = 0;
    const auto take_next = [&](int lane) {
        while (next < count && choices[next].empty()) out[next++] = 0;
        busy[lane] = next < count;
        v[lane] = ~std::uint64_t{0};
        if (!busy[lane]) return;
        choice_of[lane] = next++;
        at[lane] = 0;
        ++busy_lanes;
    };
    for (int lane = 0; lane < kLanes; ++lane) take_next(lane);
    while (busy_lanes > 0) {
        for (int lane = 0; lane < kLanes; ++lane) {
            rows[lane] = busy[lane] ? rows_of(choices[choice_of[lane]], at[lane]) : rows_of.padding;
        }
        steps(v, rows, query.table());
        for (int lane = 0; lane < kLanes; ++lane) {
            if (!busy[lane]) continue;
            at[lane] += kStepsPerWord;
            if (at[lane] < choices[choice_of[lane]].size()) continue;
            out[choice_of[lane]] = __builtin_popcountll(~v[lane] & query_bits);
            --busy_lanes;
            take_next(lane);
        }
    }
}

template <class Choice, class Rows>
void lane_lengths_of(const LaneQuery& query, const Choice* choices, std::size_t count,
                     std::int32_t* out, LanePath path) {
    if (query.size() == 0) {
        std::fill(out, out + count, 0);
        return;
    }
    const Rows rows{query, kEveryByte * query.absent_row()};
    run_lanes(query, choices, count, out, step_function(path), rows);
}

std::size_t slot_of(char32_t symbol, std::size_t slots) {
    return (static_cast<std::uint32_t>(symbol) * 0x9E3779B1U >> 16) % slots;
}

}  // namespace

bool lane_path_available(LanePath path) {
    switch (path) {
        case LanePath::avx2:
            return has_avx2();
        case LanePath::avx512:
            return has_avx512();
        default:
            return true;
    }
}

LaneQuery::LaneQuery(std::string_view query) : size_(static_cast<std::int32_t>(query.size())) {
    std::array<bool, 256> present{};
    for (std::size_t i = 0; i < query.size(); ++i) {
        const auto byte = static_cast<unsigned char>(query[i]);
        table_[byte] |= std::uint64_t{1} << i;
        present[byte] = true;
    }
    while (present[absent_row_]) ++absent_row_;
    for (int byte = 0; byte < 256; ++byte) byte_row_[byte] = static_cast<std::uint8_t>(byte);
}

LaneQuery::LaneQuery(std::u32string_view query)
    : size_(static_cast<std::int32_t>(query.size())), rows_are_bytes_(false) {
    constexpr std::uint8_t kUnset = 0xFF;  // never a row: there are at most 65
    byte_row_.fill(kUnset);
    std::uint8_t rows = 0;
    for (std::size_t i = 0; i < query.size(); ++i) {
        const char32_t symbol = query[i];
        std::uint8_t row = symbol < 256 ? byte_row_[symbol] : kUnset;
        if (symbol >= 256) {
            std::size_t slot = slot_of(symbol, kSlots);
            while (slot_used_[slot] && slot_symbol_[slot] != symbol) slot = (slot + 1) % kSlots;
            if (slot_used_[slot]) row = slot_row_[slot];
            if (row == kUnset) {
                slot_used_[slot] = true;
                slot_symbol_[slot] = symbol;
                slot_row_[slot] = rows;
            }
        } else if (row == kUnset) {
            byte_row_[symbol] = rows;
        }
        if (row == kUnset) row = rows++;
        table_[row] |= std::uint64_t{1} << i;
    }
    absent_row_ = rows;
    for (std::uint8_t& row : byte_row_) {
        if (row == kUnset) row = absent_row_;
    }
}

std::uint8_t LaneQuery::row_of_symbol(char32_t symbol) const {
    if (symbol < 256) return byte_row_[symbol];
    if (rows_are_bytes_) return absent_row_;
    for (std::size_t slot = slot_of(symbol, kSlots); slot_used_[slot]; slot = (slot + 1) % kSlots) {
        if (slot_symbol_[slot] == symbol) return slot_row_[slot];
    }
    return absent_row_;
}

void lane_lengths(const LaneQuery& query, const std::string_view* choices, std::size_t count,
                  std::int32_t* out, LanePath path) {
    lane_lengths_of<std::string_view, ByteRows>(query, choices, count, out, path);
}

void lane_lengths(const LaneQuery& query, const std::u32string_view* choices, std::size_t count,
                  std::int32_t* out, LanePath path) {
    lane_lengths_of<std::u32string_view, SymbolRows>(query, choices, count, out, path);
}

}  // namespace lcs::kernel
