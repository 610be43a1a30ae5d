// One short query against many choices, many choices at once on vector lanes.
//
// Method: the bit-vector LCS recurrence of Allison and Dix (1986) in the
// form of Hyyro (2004): with the query's match word M[c] for each symbol c,
// V starts all ones and each symbol c of a choice does U = V & M[c],
// V = (V + U) | (V - U); the LCS is the number of zero bits of V among the
// query's. A query of at most 64 symbols fits one lane of 16, 32 or 64 bits,
// so a group of choices runs side by side, one per lane, each lane looking
// up the match word of its own current symbol.
//
// The look-up is what costs. AVX-512 (with VBMI) keeps the query's match
// words in registers: its distinct symbols are numbered (at most 64 "rows"),
// a byte permutation maps a choice's bytes to rows, and a word permutation
// fetches the match word of every lane at once: 32 lanes of 16 bits for a
// query of up to 16 symbols, 16 of 32 bits up to 32, 8 of 64 bits up to 64
// (up to four 16-row tables, blended). AVX2 gathers the words from memory,
// four lanes per gather; the plain path runs eight independent scalar
// chains, which the processor overlaps. Each lane reads its choice eight
// symbols at a time, one unaligned word (AVX-512: sixteen, one masked load
// whose length comes from a select, not a branch, since mixed lengths would
// mispredict a branch about once a lane); a choice that ends pads with a
// symbol not in the query, whose match word is zero and leaves V as it is,
// so no lane needs a mask. A group runs for as many steps as its longest
// choice: a lane that refills as its choice ends would branch where the
// processor cannot predict, which costs more on short choices than the
// steps a group wastes. Cost: |longest choice of the group| steps per group
// of 8 to 32 choices; nothing is allocated.
// Wins over one choice at a time for every query of up to 64 symbols.
// Tests: tests/test_batch.cpp (every path forced, against the oracle),
// fuzz/fuzz_lengths.cpp.
#include "kernel/lanes.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

namespace lcs::kernel {

namespace {

constexpr std::size_t kStepsPerWord = 8;  // symbols are read eight to a word
constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;
constexpr std::size_t kMostLanes = 32;

// ---- Reading choices: a word of eight symbols (bytes or rows) per lane.

std::uint64_t load_word(const char* from) {
    std::uint64_t word;
    std::memcpy(&word, from, sizeof word);
    return word;
}

std::uint64_t load_half(const char* from) {
    std::uint32_t half;
    std::memcpy(&half, from, sizeof half);
    return half;
}

// The bytes of a choice of fewer than eight bytes, the first lowest. Two
// overlapping reads cover four to seven bytes; first, middle and last cover
// one to three. Overlapping bytes are equal, so OR joins them.
std::uint64_t short_word(std::string_view choice) {
    const char* data = choice.data();
    const std::size_t size = choice.size();
    if (size >= 4) return load_half(data) | load_half(data + size - 4) << (8 * (size - 4));
    const auto byte = [data](std::size_t i) {
        return std::uint64_t{static_cast<unsigned char>(data[i])} << (8 * i);
    };
    return size == 0 ? 0 : byte(0) | byte(size / 2) | byte(size - 1);
}

// A byte choice's own bytes, eight from `at`, padded past its end with a
// byte the query lacks. A choice of eight bytes or more is read one
// unaligned word at a time, its last word ending at its last byte.
struct ByteWords {
    std::uint64_t padding;
    static constexpr bool kBytes = true;
    static constexpr std::size_t kWordsPerRead = 1;

    void read(std::string_view choice, std::size_t at, std::uint64_t* words) const {
        words[0] = (*this)(choice, at);
    }
    std::uint64_t operator()(std::string_view choice, std::size_t at) const {
        static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
                      "words hold the first byte lowest");
        const std::size_t size = choice.size();
        if (at >= size) return padding;
        if (size < kStepsPerWord) return short_word(choice) | padding << (8 * size);
        const std::size_t from = std::min(at, size - kStepsPerWord);
        const std::uint64_t word = load_word(choice.data() + from) >> (8 * (at - from));
        const std::size_t left = size - at;
        return left >= kStepsPerWord ? word : word | padding << (8 * left);
    }
};

// A symbol choice's rows, eight from `at`, padded with kAbsent.
struct SymbolWords {
    const LaneQuery& query;
    std::uint64_t padding;
    static constexpr bool kBytes = false;
    static constexpr std::size_t kWordsPerRead = 1;

    void read(std::u32string_view choice, std::size_t at, std::uint64_t* words) const {
        words[0] = (*this)(choice, at);
    }

    std::uint64_t operator()(std::u32string_view choice, std::size_t at) const {
        if (at >= choice.size()) return padding;
        const std::size_t count = std::min(choice.size() - at, kStepsPerWord);
        std::uint64_t word = count < kStepsPerWord ? padding << (8 * count) : 0;
        for (std::size_t i = 0; i < count; ++i) {
            word |= std::uint64_t{query.row_of_symbol(choice[at + i])} << (8 * i);
        }
        return word;
    }
};

#define LCS_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))

// ByteWords for AVX-512: one masked load reads the bytes that remain (up to
// sixteen, two words) and keeps the padding in the others, without a branch
// on the choice's length, which short choices of mixed length would
// mispredict. Masked-off bytes are not read, so nothing past the choice's
// end is.
struct MaskedByteWords {
    std::uint64_t padding;
    static constexpr bool kBytes = true;
    static constexpr std::size_t kWordsPerRead = 2;

    LCS_AVX512 void read(std::string_view choice, std::size_t at, std::uint64_t* words) const {
        const std::size_t size = choice.size();
        const std::size_t from = std::min(at, size);
        const auto keep = static_cast<__mmask16>((1U << at_most_two_words(size - from)) - 1);
        const __m128i bytes = _mm_mask_loadu_epi8(_mm_set1_epi64x(static_cast<long long>(padding)),
                                                  keep, choice.data() + from);
        words[0] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(bytes));
        words[kMostLanes] = static_cast<std::uint64_t>(_mm_extract_epi64(bytes, 1));
    }

    // min(left, 2 kStepsPerWord) by a select on a comparison: written as
    // std::min, or as a test of at against the size, GCC 12 branches, and
    // choices of mixed length mispredict that branch about once a lane.
    static std::size_t at_most_two_words(std::size_t left) {
        constexpr std::size_t kMost = 2 * kStepsPerWord;
        const std::size_t over = -static_cast<std::size_t>(left > kMost);
        return left ^ ((left ^ kMost) & over);
    }
};

ByteWords words_of(const LaneQuery& query, const std::string_view*) {
    return {kEveryByte * query.absent_byte()};
}

SymbolWords words_of(const LaneQuery& query, const std::u32string_view*) {
    return {query, kEveryByte * LaneQuery::kAbsent};
}

// The fastest reader an AVX-512 engine can use.
MaskedByteWords fastest_words(const ByteWords& words) { return {words.padding}; }
const SymbolWords& fastest_words(const SymbolWords& words) { return words; }

// ---- Engines. Each runs kLanes lanes: load() starts a group, steps() runs
// up to eight steps from one word per lane, lcs(lane) reads a result.

// The table a word's symbols index: bytes index the byte table, rows the
// row table (whose kAbsent entry is zero).
template <class Words>
const std::uint64_t* match_table(const LaneQuery& query) {
    return Words::kBytes ? query.byte_table() : query.row_table();
}

template <class Words>
struct PlainEngine {
    static constexpr std::size_t kLanes = 8;
    const std::uint64_t* table;
    std::uint64_t v[kLanes];

    explicit PlainEngine(const LaneQuery& query) : table(match_table<Words>(query)) {}
    void load() { std::fill(v, v + kLanes, ~std::uint64_t{0}); }
    void steps(const std::uint64_t* words, std::size_t count) {
        std::uint64_t lanes[kLanes];
        std::copy(v, v + kLanes, lanes);
        for (std::size_t step = 0; step < count; ++step) {
            for (std::size_t lane = 0; lane < kLanes; ++lane) {
                const std::uint64_t u = lanes[lane] & table[(words[lane] >> (8 * step)) & 0xFF];
                lanes[lane] = (lanes[lane] + u) | (lanes[lane] - u);
            }
        }
        std::copy(lanes, lanes + kLanes, v);
    }
    void store(std::uint64_t* out) const { std::copy(v, v + kLanes, out); }
};

template <class Words>
struct Avx2Engine {
    static constexpr std::size_t kLanes = 8;
    const long long* table;
    __m256i v0, v1;

    explicit Avx2Engine(const LaneQuery& query)
        : table(reinterpret_cast<const long long*>(match_table<Words>(query))) {}
    __attribute__((target("avx2"))) void load() { v0 = v1 = _mm256_set1_epi64x(-1); }
    __attribute__((target("avx2"))) void steps(const std::uint64_t* words, std::size_t count) {
        const __m256i low_byte = _mm256_set1_epi64x(0xFF);
        __m256i r0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(words));
        __m256i r1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(words + 4));
        for (std::size_t step = 0; step < count; ++step) {
            const __m256i u0 = _mm256_and_si256(
                v0, _mm256_i64gather_epi64(table, _mm256_and_si256(r0, low_byte), 8));
            const __m256i u1 = _mm256_and_si256(
                v1, _mm256_i64gather_epi64(table, _mm256_and_si256(r1, low_byte), 8));
            v0 = _mm256_or_si256(_mm256_add_epi64(v0, u0), _mm256_sub_epi64(v0, u0));
            v1 = _mm256_or_si256(_mm256_add_epi64(v1, u1), _mm256_sub_epi64(v1, u1));
            r0 = _mm256_srli_epi64(r0, 8);
            r1 = _mm256_srli_epi64(r1, 8);
        }
    }
    __attribute__((target("avx2"))) void store(std::uint64_t* out) const {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), v0);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4), v1);
    }
};

// The AVX-512 engines' shared part: the byte-to-row map and the match
// words by row, cut to the lane width, in registers. GCC 12's unmasked
// forms of some AVX-512 shifts and shuffles start from an undefined register
// and trip -Wuninitialized, so the engines use the zero-masked forms with
// every lane kept: the same instructions.
template <class Words, class Lane>
struct Avx512Base {
    __m512i map[4];   // row of each byte value, 64 bytes a register
    __m512i rows[8];  // match word of each row, as Lane, from row 0 up
    __m512i v;

    LCS_AVX512 explicit Avx512Base(const LaneQuery& query) {
        alignas(64) Lane cut[512 / sizeof(Lane)] = {};
        for (std::size_t row = 0; row < query.distinct(); ++row) {
            cut[row] = static_cast<Lane>(query.row_table()[row]);
        }
        for (int i = 0; i < 8; ++i) rows[i] = _mm512_load_si512(cut + 64 / sizeof(Lane) * i);
        for (int i = 0; i < 4; ++i) map[i] = _mm512_loadu_si512(query.rows_of_bytes() + 64 * i);
    }
    LCS_AVX512 void load() { v = _mm512_set1_epi64(-1); }
    // The rows of the bytes of `words` (rows pass as they are).
    LCS_AVX512 __m512i rows_of(const std::uint64_t* words) const {
        const __m512i symbols = _mm512_load_si512(words);
        if (!Words::kBytes) return symbols;
        const __m512i low = _mm512_permutex2var_epi8(map[0], symbols, map[1]);
        const __m512i high = _mm512_permutex2var_epi8(map[2], symbols, map[3]);
        return _mm512_mask_blend_epi8(_mm512_movepi8_mask(symbols), low, high);
    }
    LCS_AVX512 void store(std::uint64_t* out) const {
        alignas(64) Lane lanes[64 / sizeof(Lane)];
        _mm512_store_si512(lanes, v);
        std::copy(lanes, lanes + 64 / sizeof(Lane), out);
    }
};

// Queries of up to 64 symbols: 8 lanes of 64 bits; the rows' words are four
// tables of 16, each fetched by the row's low four bits and kept where the
// row's high bits name it (kAbsent names none).
template <class Words>
struct Avx512Engine64 : Avx512Base<Words, std::uint64_t> {
    static constexpr std::size_t kLanes = 8;
    std::size_t tables;
    LCS_AVX512 explicit Avx512Engine64(const LaneQuery& query)
        : Avx512Base<Words, std::uint64_t>(query), tables((query.distinct() + 15) / 16) {}
    LCS_AVX512 void steps(const std::uint64_t* words, std::size_t count) {
        const __mmask8 all = 0xFF;
        const __m512i low_byte = _mm512_set1_epi64(0xFF), zero = _mm512_setzero_si512();
        __m512i symbols = this->rows_of(words);
        __m512i v = this->v;
        for (std::size_t step = 0; step < count; ++step) {
            const __m512i row = _mm512_and_si512(symbols, low_byte);
            const __m512i table = _mm512_maskz_srli_epi64(all, row, 4);
            __m512i match = zero;
            for (std::size_t t = 0; t < tables; ++t) {
                const __mmask8 here = _mm512_cmpeq_epi64_mask(table, _mm512_set1_epi64(t));
                match = _mm512_mask_mov_epi64(
                    match, here,
                    _mm512_permutex2var_epi64(this->rows[2 * t], row, this->rows[2 * t + 1]));
            }
            const __m512i u = _mm512_and_si512(v, match);
            v = _mm512_or_si512(_mm512_add_epi64(v, u), _mm512_sub_epi64(v, u));
            symbols = _mm512_maskz_srli_epi64(all, symbols, 8);
        }
        this->v = v;
    }
};

// Byte positions that put lane l's symbols s to s + 3 (l < 16) into the
// four bytes of 32-bit lane l, out of two registers of eight words each.
LCS_AVX512 inline __m512i quarter_words(std::size_t s) {
    alignas(64) unsigned char index[64];
    for (std::size_t byte = 0; byte < 64; ++byte) {
        index[byte] = static_cast<unsigned char>(byte / 4 * 8 + s + byte % 4);
    }
    return _mm512_load_si512(index);
}

// Byte positions that put lane l's symbols s, s + 1 into 16-bit lane l
// (low half of the result) and s + 2, s + 3 (high half), for lanes 0 to 15
// out of two registers of eight words each.
LCS_AVX512 inline __m512i half_words(std::size_t s) {
    alignas(64) unsigned char index[64];
    for (std::size_t byte = 0; byte < 64; ++byte) {
        index[byte] = static_cast<unsigned char>(byte % 32 / 2 * 8 + s + byte / 32 * 2 + byte % 2);
    }
    return _mm512_load_si512(index);
}

// Queries of up to 32 symbols: 16 lanes of 32 bits, every row's word in
// one two-register permutation (rows 32 and up, kAbsent among them, fetch
// zero). The lanes' words are turned so that each 32-bit lane holds four
// of its own symbols.
template <class Words>
struct Avx512Engine32 : Avx512Base<Words, std::uint32_t> {
    static constexpr std::size_t kLanes = 16;
    __m512i turn[2];
    LCS_AVX512 explicit Avx512Engine32(const LaneQuery& query)
        : Avx512Base<Words, std::uint32_t>(query), turn{quarter_words(0), quarter_words(4)} {}
    LCS_AVX512 void steps(const std::uint64_t* words, std::size_t count) {
        const __m512i first = this->rows_of(words), second = this->rows_of(words + 8);
        const __m512i high_rows = _mm512_set1_epi32(0xE0);
        __m512i v = this->v, symbols = _mm512_setzero_si512();
        for (std::size_t step = 0; step < count; ++step) {
            if (step % 4 == 0) {
                symbols = _mm512_permutex2var_epi8(first, turn[step / 4], second);
            }
            const __mmask16 known = _mm512_testn_epi32_mask(symbols, high_rows);
            const __m512i match =
                _mm512_maskz_permutex2var_epi32(known, this->rows[0], symbols, this->rows[1]);
            const __m512i u = _mm512_and_si512(v, match);
            v = _mm512_or_si512(_mm512_add_epi32(v, u), _mm512_sub_epi32(v, u));
            symbols = _mm512_maskz_srli_epi32(0xFFFF, symbols, 8);
        }
        this->v = v;
    }
};

// Queries of up to 16 symbols: 32 lanes of 16 bits, every row's word in one
// register (at most 17 rows: rows 32 and up, kAbsent among them, fetch
// zero). Each 16-bit lane holds two of its own symbols at a time.
template <class Words>
struct Avx512Engine16 : Avx512Base<Words, std::uint16_t> {
    static constexpr std::size_t kLanes = 32;
    __m512i turn[2];
    LCS_AVX512 explicit Avx512Engine16(const LaneQuery& query)
        : Avx512Base<Words, std::uint16_t>(query), turn{half_words(0), half_words(4)} {}
    LCS_AVX512 void steps(const std::uint64_t* words, std::size_t count) {
        const __m512i w0 = this->rows_of(words), w1 = this->rows_of(words + 8);
        const __m512i w2 = this->rows_of(words + 16), w3 = this->rows_of(words + 24);
        const __m512i high_rows = _mm512_set1_epi16(0xE0);
        __m512i v = this->v, symbols = v;
        for (std::size_t step = 0; step < count; ++step) {
            if (step % 2 == 0) symbols = pair(w0, w1, w2, w3, step);
            const __mmask32 known = _mm512_testn_epi16_mask(symbols, high_rows);
            const __m512i match = _mm512_maskz_permutexvar_epi16(known, symbols, this->rows[0]);
            const __m512i u = _mm512_and_si512(v, match);
            v = _mm512_or_si512(_mm512_add_epi16(v, u), _mm512_sub_epi16(v, u));
            symbols = _mm512_maskz_srli_epi16(~__mmask32{0}, symbols, 8);
        }
        this->v = v;
    }
    // Symbols `step` and step + 1 of all 32 lanes.
    LCS_AVX512 __m512i pair(__m512i w0, __m512i w1, __m512i w2, __m512i w3,
                            std::size_t step) const {
        const __m512i low = _mm512_permutex2var_epi8(w0, turn[step / 4], w1);
        const __m512i high = _mm512_permutex2var_epi8(w2, turn[step / 4], w3);
        return step % 4 == 0 ? _mm512_maskz_shuffle_i64x2(0xFF, low, high, _MM_SHUFFLE(1, 0, 1, 0))
                             : _mm512_maskz_shuffle_i64x2(0xFF, low, high, _MM_SHUFFLE(3, 2, 3, 2));
    }
};

// ---- The group loop: kLanes consecutive choices side by side for as many
// steps as the longest has symbols.
template <class Engine, class Choice, class Words>
__attribute__((always_inline)) inline void run_groups(Engine& engine, const LaneQuery& query,
                                                      const Choice* choices, std::size_t count,
                                                      std::int32_t* out, const Words& words_at) {
    constexpr std::size_t kLanes = Engine::kLanes;
    const std::uint64_t query_bits =
        query.size() == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << query.size()) - 1;
    constexpr std::size_t kPerRead = Words::kWordsPerRead;
    alignas(64) std::uint64_t words[kPerRead][kMostLanes];
    std::uint64_t lcs_words[kMostLanes];
    for (std::size_t first = 0; first < count; first += kLanes) {
        const std::size_t lanes = std::min(kLanes, count - first);
        const Choice* group = choices + first;
        // The next group's symbols, fetched while this group runs: choices
        // lie anywhere in memory, and a group's steps take less time than
        // reading its choices from memory would.
        for (std::size_t next = first + kLanes; next < std::min(count, first + 2 * kLanes);
             ++next) {
            __builtin_prefetch(choices[next].data());
        }
        std::size_t longest = 0;
        for (std::size_t lane = 0; lane < lanes; ++lane)
            longest = std::max(longest, group[lane].size());
        for (auto& row : words) std::fill(row + lanes, row + kLanes, words_at.padding);
        engine.load();
        for (std::size_t at = 0; at < longest; at += kPerRead * kStepsPerWord) {
            for (std::size_t lane = 0; lane < lanes; ++lane)
                words_at.read(group[lane], at, &words[0][lane]);
            for (std::size_t word = 0; word < kPerRead && at + word * kStepsPerWord < longest;
                 ++word) {
                engine.steps(words[word], std::min(kStepsPerWord, longest - at - word * kStepsPerWord));
            }
        }
        engine.store(lcs_words);
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            out[first + lane] = query.size() - __builtin_popcountll(lcs_words[lane] & query_bits);
        }
    }
}

// One entry per path; the vector ones are compiled for their instructions
// and POPCNT as a whole, so that the group loop around the steps is too.
template <class Choice, class Words>
void run_plain(const LaneQuery& query, const Choice* choices, std::size_t count, std::int32_t* out,
               const Words& words) {
    PlainEngine<Words> engine(query);
    run_groups(engine, query, choices, count, out, words);
}

template <class Choice, class Words>
__attribute__((target("avx2,popcnt"))) void run_avx2(const LaneQuery& query, const Choice* choices,
                                                     std::size_t count, std::int32_t* out,
                                                     const Words& words) {
    Avx2Engine<Words> engine(query);
    run_groups(engine, query, choices, count, out, words);
}

template <class Choice, class Words>
__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,popcnt"))) void run_avx512(
    const LaneQuery& query, const Choice* choices, std::size_t count, std::int32_t* out,
    const Words& words) {
    if (query.size() <= 16) {
        Avx512Engine16<Words> engine(query);
        run_groups(engine, query, choices, count, out, words);
    } else if (query.size() <= 32) {
        Avx512Engine32<Words> engine(query);
        run_groups(engine, query, choices, count, out, words);
    } else {
        Avx512Engine64<Words> engine(query);
        run_groups(engine, query, choices, count, out, words);
    }
}

template <class Choice>
void lane_lengths_of(const LaneQuery& query, const Choice* choices, std::size_t count,
                     std::int32_t* out, Isa isa) {
    if (query.size() == 0) {
        std::fill(out, out + count, 0);
        return;
    }
    const auto words = words_of(query, choices);
    switch (resolve(Component::lanes, isa)) {
        case Isa::avx512: return run_avx512(query, choices, count, out, fastest_words(words));
        case Isa::avx2: return run_avx2(query, choices, count, out, words);
        default: return run_plain(query, choices, count, out, words);
    }
}

}  // namespace

// Row r is code r + 1: code 0, the symbols the query lacks, wraps to kAbsent.
LaneQuery::LaneQuery(const detail::PatternData& query)
    : query_(query), size_(static_cast<std::int32_t>(query.size())), distinct_(query.distinct()) {
    for (std::size_t row = 0; row < distinct_; ++row)
        row_table_[row] = query.match_word(row + 1, 0);
    for (int byte = 0; byte < 256; ++byte) {
        row_of_byte_[byte] = row_of_symbol(static_cast<char32_t>(byte));
        byte_table_[byte] = row_table_[row_of_byte_[byte]];
    }
    while (row_of_byte_[absent_byte_] != kAbsent) ++absent_byte_;
}

void lane_lengths(const LaneQuery& query, const std::string_view* choices, std::size_t count,
                  std::int32_t* out, Isa isa) {
    lane_lengths_of(query, choices, count, out, isa);
}

void lane_lengths(const LaneQuery& query, const std::u32string_view* choices, std::size_t count,
                  std::int32_t* out, Isa isa) {
    lane_lengths_of(query, choices, count, out, isa);
}

}  // namespace lcs::kernel
