// One short query against many choices, many choices at once on vector lanes.
//
// Method: the bit-vector LCS recurrence of Allison and Dix (1986) in the
// form of Hyyro (2004): with the query's match word M[c] for each symbol c,
// V starts all ones and each symbol c of a choice does U = V & M[c],
// V = (V + U) | (V - U); the LCS is the number of zero bits of V among the
// query's. A group of choices runs side by side, one per lane, each lane
// looking up the match word of its own current symbol.
//
// The look-up is what costs. The vector paths use byte lanes: 32 choices a
// register, a query of up to 8K symbols in K limbs of 8 bits, one register
// per limb, the carry passed from limb to limb (kernel/nibbles.h), and the
// match limbs of a byte c are low[c & 15] & high[c >> 4], two byte shuffles
// of 16-entry tables, with no gather. Queries of up to 64 symbols take one,
// two, four or eight limbs; lane_lengths' callers send queries of 65 to 128
// byte symbols to sixteen limbs (wide_lane_lengths). 32-bit symbols run
// under the query's row numbers (at most 64 rows), which are bytes too. A
// group reads 32 symbols of each lane at a time, by the cheapest read that
// its shortest choice allows (whole loads, loads of a choice's last sixteen
// bytes, or masked loads for short choices, none with a branch on a lane's
// length, which mixed lengths would mispredict about once a lane), turns
// them so that a register holds one symbol of every lane, and counts the
// lanes' zero bits in the vector unit at its end.
//
// AVX2 and AVX-512 run the same byte-limb loop (kernel/limb_groups.inc),
// compiled once for each: under AVX-512 VL it has 32 registers, so a query's
// tables and a block's turned symbols stay in them, and the row update takes
// ternary logic, three instructions a limb fewer; this beats the wider
// lanes of AVX-512 (16-bit lanes whose match words a word permutation
// fetched, for queries of up to 16 symbols) at every query length, by 15 %
// at 8 symbols and 30 % at 16. The plain path runs eight independent
// scalar chains, which the processor overlaps, each lane reading its choice
// eight symbols at a time. A choice that ends pads with a symbol not in the
// query, whose match word is zero and leaves V as it is, so no lane needs a
// mask. A group runs for as many steps as its longest choice: a lane that
// refills as its choice ends would branch where the processor cannot
// predict, and ordering a few groups' choices by length to even them out
// cost more than the steps it saved (their symbols then arrive out of the
// order the processor fetches ahead in). Cost: |longest choice of the group|
// steps per group of 8 to 32 choices; nothing is allocated.
// Tests: tests/test_batch.cpp (every path forced, against the oracle),
// fuzz/fuzz_lengths.cpp.
#include "kernel/lanes.h"

#include "kernel/nibbles.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

namespace lcs::kernel {

namespace {

constexpr std::size_t kStepsPerWord = 8;  // symbols are read eight to a word
constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;

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

// min(a, b) by a select on a comparison: written as std::min, or as a
// test of a position against a choice's size, GCC 12 branches, and choices
// of mixed length mispredict that branch about once a lane.
inline std::size_t least(std::size_t a, std::size_t b) {
    const std::size_t over = -static_cast<std::size_t>(a > b);
    return a ^ ((a ^ b) & over);
}

// A symbol choice's rows, eight from `at`, padded with kAbsent.
struct SymbolWords {
    const LaneQuery& query;
    std::uint64_t padding;
    static constexpr bool kBytes = false;
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

ByteWords words_of(const LaneQuery& query, const std::string_view*) {
    return {kEveryByte * query.absent_byte()};
}

SymbolWords words_of(const LaneQuery& query, const std::u32string_view*) {
    return {query, kEveryByte * LaneQuery::kAbsent};
}

// ---- The plain engine: load() starts a group, steps() runs up to eight
// steps from one word per lane, store() gives every lane's V.

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

// ---- AVX2: 32 lanes of one byte per register, a query of up to 8K symbols
// in K limbs (kernel/nibbles.h), each symbol's match limbs two byte
// shuffles. A group reads sixteen symbols of each lane at a time, turns
// them so that register s holds symbol s of every lane, runs sixteen steps,
// and at its end counts every lane's zero bits in the vector unit.

#define LCS_AVX2 __attribute__((target("avx2")))

// Thirty-two bytes of a byte choice from `at`, padded past its end, read
// without a branch on the choice's length: the group loop picks one of
// three readers for all its lanes at once, by its shortest choice.
// - read_whole: the choice has the 32 bytes; one load.
// - read_long: the choice has at least sixteen bytes; each half is one load
//   of sixteen bytes, from `at` or the last sixteen, moved down by a byte
//   shuffle so that its first byte comes first.
// - read: any choice of four bytes or more. AVX2 masks a load by four-byte
//   parts, so one masked load reads the whole parts that remain, and a
//   second reads the four bytes that end at the choice's end into the next
//   part's place, shifted down by the bytes it repeats. Masked-off parts
//   are not read. A choice of fewer than four bytes, which no part fits,
//   takes ByteWords' branches.
// Whatever depends on how many bytes remain comes from a table of that
// count, the padding of the bytes past the end among it.
class Avx2ByteReader {
public:
    static constexpr std::size_t kLong = 16;

    explicit Avx2ByteReader(const ByteWords& words) : words_(words) {
        const auto pad = static_cast<std::uint8_t>(words.padding);
        for (std::size_t left = 0; left <= kBytes; ++left) {
            Remaining& r = remaining_[left];
            const std::size_t whole = left / 4, part = left % 4;
            for (std::size_t i = 0; i < kBytes / 4; ++i) {
                r.whole_parts[i] = i < whole ? -1 : 0;
                r.last_part[i] = i == whole && part != 0 ? -1 : 0;
            }
            r.shift[0] = static_cast<std::int64_t>(8 * (4 - part));
            r.last_from = static_cast<std::int64_t>(4 * whole) + 4;
            for (std::size_t j = 0; j < kBytes; ++j) r.padding[j] = j < left ? 0 : pad;
        }
        for (std::size_t left = 0; left <= kHalf; ++left) {
            Half& h = halves_[left];
            for (std::size_t j = 0; j < kHalf; ++j) {
                h.from_end[j] = j < left ? static_cast<std::uint8_t>(kHalf - left + j) : 0x80;
                h.padding[j] = j < left ? 0 : pad;
            }
        }
    }

    // Sixteen bytes from `at` of a choice that has them all.
    LCS_AVX2 static __m128i whole_half(std::string_view choice, std::size_t at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(choice.data() + at));
    }

    // Sixteen bytes from `at` of a choice of sixteen bytes or more.
    LCS_AVX2 __m128i long_half(std::string_view choice, std::size_t at) const {
        const std::size_t size = choice.size();
        const std::size_t from = least(at, size);
        const std::size_t left = least(size - from, kHalf);
        const Half& h = halves_[left];
        const __m128i bytes = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(choice.data() + from + left - kHalf));
        return _mm_or_si128(
            _mm_shuffle_epi8(bytes, _mm_load_si128(reinterpret_cast<const __m128i*>(h.from_end))),
            _mm_load_si128(reinterpret_cast<const __m128i*>(h.padding)));
    }

    template <bool kFromStart = false>
    LCS_AVX2 __m256i read(std::string_view choice, std::size_t at) const {
        if (kFromStart) at = 0;
        const std::size_t size = choice.size();
        if (size < 4) {
            alignas(32) std::uint64_t words[4];
            for (std::size_t i = 0; i < 4; ++i) words[i] = words_(choice, at + 8 * i);
            return _mm256_load_si256(reinterpret_cast<const __m256i*>(words));
        }
        const std::size_t from = kFromStart ? 0 : least(at, size);
        const Remaining& r = remaining_[least(size - from, kBytes)];
        const auto address = reinterpret_cast<std::uintptr_t>(choice.data());
        const __m256i parts = _mm256_maskload_epi32(reinterpret_cast<const int*>(address + from),
                                                    load(r.whole_parts));
        const __m256i last = _mm256_maskload_epi32(
            reinterpret_cast<const int*>(address + size - static_cast<std::size_t>(r.last_from)),
            load(r.last_part));
        const __m128i shift = _mm_load_si128(reinterpret_cast<const __m128i*>(r.shift));
        return _mm256_or_si256(_mm256_or_si256(parts, _mm256_srl_epi32(last, shift)),
                               load(r.padding));
    }

private:
    static constexpr std::size_t kBytes = 32, kHalf = 16;
    struct alignas(32) Remaining {
        std::int32_t whole_parts[kBytes / 4];  // the parts wholly inside the choice
        std::int32_t last_part[kBytes / 4];    // the part the last bytes finish, if any
        std::uint8_t padding[kBytes];          // padding at the bytes past the end
        std::int64_t shift[2];                 // bits the last part's load repeats
        std::int64_t last_from;                // the last part's load from the end
    };
    struct alignas(16) Half {
        std::uint8_t from_end[kHalf];  // the remaining bytes of the last sixteen
        std::uint8_t padding[kHalf];
    };

    template <class T>
    LCS_AVX2 static __m256i load(const T* row) {
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(row));
    }
    ByteWords words_;
    Remaining remaining_[kBytes + 1];
    Half halves_[kHalf + 1];
};

// Thirty-two rows of a symbol choice from `at`.
struct Avx2SymbolReader {
    static constexpr std::size_t kLong = SIZE_MAX;
    SymbolWords words;

    explicit Avx2SymbolReader(const SymbolWords& w) : words(w) {}
    template <bool kFromStart = false>
    LCS_AVX2 __m256i read(std::u32string_view choice, std::size_t at) const {
        alignas(32) std::uint64_t rows[4];
        for (std::size_t i = 0; i < 4; ++i) rows[i] = words(choice, at + 8 * i);
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(rows));
    }
    // Never called: no choice is long enough for them (kLong).
    LCS_AVX2 __m128i long_half(std::u32string_view, std::size_t) const { return __m128i{}; }
    LCS_AVX2 __m128i whole_half(std::u32string_view, std::size_t) const { return __m128i{}; }
};

Avx2ByteReader avx2_reader(const ByteWords& words) { return Avx2ByteReader(words); }
Avx2SymbolReader avx2_reader(const SymbolWords& words) { return Avx2SymbolReader(words); }

// Bits 0-3 reversed: the lane whose bytes a 16 x 16 turn of rows leaves at
// a given place, and so the row where a lane's bytes must go to come out in
// order.
constexpr std::size_t reversed_nibble(std::size_t i) {
    return (i & 1) << 3 | (i & 2) << 1 | (i & 4) >> 1 | (i & 8) >> 3;
}

// Rows of 32 bytes, row i holding sixteen symbols of lane
// reversed_nibble(i) and of lane 16 + reversed_nibble(i), into sixteen
// registers, register s holding symbol s of lanes 0 to 31 in order: four
// rounds of unpacking, bytes, pairs, fours and eights, in each 128-bit half.
LCS_AVX2 inline void turn(const std::uint8_t (*rows)[32], __m256i* out) {
    __m256i r[16], t[16];
    // Each half loaded as it was stored, so that the loads take the data
    // straight from the stores (one load of both halves would wait for the
    // stores to reach the cache).
    for (std::size_t i = 0; i < 16; ++i) {
        const auto* half = reinterpret_cast<const __m128i*>(rows[i]);
        r[i] = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_load_si128(half)),
                                       _mm_load_si128(half + 1), 1);
    }
    for (std::size_t i = 0; i < 8; ++i) {
        t[i] = _mm256_unpacklo_epi8(r[i], r[i + 8]);
        t[i + 8] = _mm256_unpackhi_epi8(r[i], r[i + 8]);
    }
    for (std::size_t i : {0, 1, 2, 3, 8, 9, 10, 11}) {
        r[i] = _mm256_unpacklo_epi16(t[i], t[i + 4]);
        r[i + 4] = _mm256_unpackhi_epi16(t[i], t[i + 4]);
    }
    for (std::size_t i : {0, 1, 4, 5, 8, 9, 12, 13}) {
        t[i] = _mm256_unpacklo_epi32(r[i], r[i + 2]);
        t[i + 2] = _mm256_unpackhi_epi32(r[i], r[i + 2]);
    }
    for (std::size_t i = 0; i < 16; i += 2) {
        out[i] = _mm256_unpacklo_epi64(t[i], t[i + 1]);
        out[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 1]);
    }
}

// The LCS of every lane: the zero bits of its K limbs among the query's
// positions, each limb's bits counted by a nibble table.
template <std::size_t K>
LCS_AVX2 inline __m256i lane_lcs(const __m256i* v, std::size_t query_size) {
    const __m256i bit_counts =
        _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 0, 1, 1, 2, 1, 2, 2, 3,
                         1, 2, 2, 3, 2, 3, 3, 4);
    __m256i total = _mm256_setzero_si256();
    for (std::size_t q = 0; q < K; ++q) {
        const std::size_t bits = query_size > 8 * q ? std::min<std::size_t>(query_size - 8 * q, 8) : 0;
        const __m256i positions = _mm256_set1_epi8(static_cast<char>((1U << bits) - 1));
        const Nibbles n = nibbles_of(_mm256_andnot_si256(v[q], positions));
        total = _mm256_add_epi8(total, _mm256_add_epi8(_mm256_shuffle_epi8(bit_counts, n.low),
                                                       _mm256_shuffle_epi8(bit_counts, n.high)));
    }
    return total;
}

// out[0..lanes) from the 32 byte counts, in order.
LCS_AVX2 inline void store_lcs(__m256i counts, std::int32_t* out, std::size_t lanes) {
    alignas(32) std::int32_t all[32];
    const __m128i low = _mm256_castsi256_si128(counts), high = _mm256_extracti128_si256(counts, 1);
    auto* to = reinterpret_cast<__m256i*>(lanes == 32 ? out : all);
    _mm256_storeu_si256(to, _mm256_cvtepu8_epi32(low));
    _mm256_storeu_si256(to + 1, _mm256_cvtepu8_epi32(_mm_srli_si128(low, 8)));
    _mm256_storeu_si256(to + 2, _mm256_cvtepu8_epi32(high));
    _mm256_storeu_si256(to + 3, _mm256_cvtepu8_epi32(_mm_srli_si128(high, 8)));
    if (lanes < 32) std::copy(all, all + lanes, out);
}

// Where turn() takes the sixteen symbols of a lane in its rows.
constexpr std::array<std::uint16_t, 32> kLanePlaces = [] {
    std::array<std::uint16_t, 32> places{};
    for (std::size_t l = 0; l < 32; ++l)
        places[l] = static_cast<std::uint16_t>(32 * reversed_nibble(l % 16) + 16 * (l / 16));
    return places;
}();

// The places span all sixteen rows of 32 bytes, so they are counted from
// the rows' first byte, not within the first row.
LCS_AVX2 inline void put_half(std::uint8_t (*rows)[32], std::size_t lane, __m128i symbols) {
    auto* const first_byte = reinterpret_cast<std::uint8_t*>(rows);
    _mm_store_si128(reinterpret_cast<__m128i*>(first_byte + kLanePlaces[lane]), symbols);
}

// A read of 32 symbols of a lane: symbols 0-15 into rows[0], 16-31 into
// rows[1].
LCS_AVX2 inline void put_lane(std::uint8_t (*rows)[16][32], std::size_t lane, __m256i symbols) {
    put_half(rows[0], lane, _mm256_castsi256_si128(symbols));
    put_half(rows[1], lane, _mm256_extracti128_si256(symbols, 1));
}

// True when choices[0, lanes), of `symbols` symbols in all, lie in memory's
// order: from the first to the last within about twice their symbols.
template <class Choice>
bool in_order(const Choice* choices, std::size_t lanes, std::size_t symbols) {
    const auto span = reinterpret_cast<std::uintptr_t>(choices[lanes - 1].data()) -
                      reinterpret_cast<std::uintptr_t>(choices[0].data());
    return span <= 2 * sizeof(*choices[0].data()) * symbols + 64 * lanes;
}

// The first symbols of choices [from, end) fetched into the cache.
template <class Choice>
__attribute__((always_inline)) inline void fetch_symbols(const Choice* from, const Choice* end) {
    for (; from < end; ++from) __builtin_prefetch(from->data());
}

// The byte-limb group loop, once for AVX2 and once for AVX-512 VL.
namespace avx2_limbs {
#define LCS_LIMBS_TARGET LCS_AVX2
#define LCS_LIMBS_STEP step_limbs
#include "kernel/limb_groups.inc"
#undef LCS_LIMBS_TARGET
#undef LCS_LIMBS_STEP
}  // namespace avx2_limbs

namespace avx512_limbs {
#define LCS_LIMBS_TARGET __attribute__((target("avx2,avx512f,avx512bw,avx512vl")))
#define LCS_LIMBS_STEP step_limbs_ternary
#include "kernel/limb_groups.inc"
#undef LCS_LIMBS_TARGET
#undef LCS_LIMBS_STEP
}  // namespace avx512_limbs
// ---- The plain path: kLanes consecutive choices side by side for as many
// steps as the longest has symbols, eight steps from each word a lane reads.
template <class Choice, class Words>
void run_plain(const LaneQuery& query, const Choice* choices, std::size_t count, std::int32_t* out,
               const Words& words_at) {
    PlainEngine<Words> engine(query);
    constexpr std::size_t kLanes = PlainEngine<Words>::kLanes;
    const std::uint64_t query_bits =
        query.size() == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << query.size()) - 1;
    std::uint64_t words[kLanes];
    std::uint64_t lcs_words[kLanes];
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
        std::fill(words + lanes, words + kLanes, words_at.padding);
        engine.load();
        for (std::size_t at = 0; at < longest; at += kStepsPerWord) {
            for (std::size_t lane = 0; lane < lanes; ++lane) words[lane] = words_at(group[lane], at);
            engine.steps(words, std::min(kStepsPerWord, longest - at));
        }
        engine.store(lcs_words);
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            out[first + lane] = query.size() - __builtin_popcountll(lcs_words[lane] & query_bits);
        }
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
        case Isa::avx512: return avx512_limbs::run_limbs(query, choices, count, out, words);
        case Isa::avx2: return avx2_limbs::run_limbs(query, choices, count, out, words);
        default: return run_plain(query, choices, count, out, words);
    }
}

}  // namespace

bool wide_lane_lengths(const detail::PatternData& query, const std::string_view* choices,
                       std::size_t count, std::int32_t* out, Isa isa) {
    const std::size_t size = query.size();
    if (size <= LaneQuery::kMaxSymbols || size > kWideLaneSymbols || query.byte_rows() == nullptr ||
        resolve(Component::lanes, isa) < Isa::avx2) {
        return false;
    }
    std::uint8_t absent = 0;
    while (query.code(absent) != 0) ++absent;
    const Avx2ByteReader reader(ByteWords{kEveryByte * absent});
    const NibbleTables tables = nibble_tables(query.byte_rows(), query.words());
    if (resolve(Component::lanes, isa) == Isa::avx512) {
        avx512_limbs::run_limb_groups<kMostLimbs>(size, choices, count, out, reader, tables);
    } else {
        avx2_limbs::run_limb_groups<kMostLimbs>(size, choices, count, out, reader, tables);
    }
    return true;
}

// Row r is code r + 1: code 0, the symbols the query lacks, wraps to kAbsent.
LaneQuery::LaneQuery(const detail::PatternData& query)
    : query_(query), size_(static_cast<std::int32_t>(query.size())) {
    for (std::size_t row = 0; row < query.distinct(); ++row)
        row_table_[row] = query.match_word(row + 1, 0);
    // Downwards, so that the lowest byte the query lacks pads (one always
    // does: the query has at most 64 distinct symbols).
    for (int byte = 255; byte >= 0; --byte) {
        const std::uint8_t row = row_of_symbol(static_cast<char32_t>(byte));
        byte_table_[byte] = row_table_[row];
        if (row == kAbsent) absent_byte_ = static_cast<std::uint8_t>(byte);
    }
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
