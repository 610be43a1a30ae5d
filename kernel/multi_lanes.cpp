// Many short strings against many strings: the strings of a block, up to 64
// of at most 64 symbols, packed one per lane of 8, 16, 32 or 64 bits, each
// lane its own bit-vector; another string is read a symbol at a time, and
// one look-up fetches the match words of every lane at once.
//
// Method: the bit-vector LCS recurrence of Allison and Dix (1986) in the
// form of Hyyro (2004), V' = (V + U) | (V - U) with U = V & M[c], run in
// every lane side by side: a lane's addition carries within the lane only,
// which the vector additions of that width do. The block keeps, for each of
// the 256 byte values, one vector of all its lanes' match words (a lane of
// a byte its string lacks holds zero), so a step is a load, an AND, an
// addition, an XOR and an OR for 64 lanes at once, whatever the alphabet.
// The LCS of a lane is the number of zero bits of V among its string's
// positions.
//
// Cost: per text, |text| steps of 64 lanes x lane bits; a block of 8-bit
// lanes is one 64-byte vector, of 64-bit lanes eight. Narrow blocks run
// several texts side by side so that the processor overlaps their chains;
// wide ones already hold several independent vectors. A text that ends
// reads a padding entry whose match words are zero, which leaves V as it
// is. The vector code is written once over the lane type with the
// compiler's generic vectors and compiled four times: AVX-512 (BW), the
// same with its population counts (where the processor has them), AVX2 and
// the x86-64 baseline (SSE2), which is the plain path.
// Tests: tests/test_pairs.cpp (every path forced, against the oracle).
#include "kernel/multi_lanes.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <immintrin.h>

namespace lcs::kernel {

namespace {

constexpr std::size_t kPadding = 256;       // the entry of "no symbol"
constexpr std::size_t kSymbols = 257;       // byte values and the padding
constexpr std::size_t kChunkBytes = 64;

// A machine vector of Bytes bytes (64 AVX-512, 32 AVX2, 16 SSE2) as
// lanes; a chunk is 64 / Bytes of them.
template <class Lane, std::size_t Bytes>
struct Vectors;
#define LCS_LANE_VECTORS(Lane, Bytes)                                                \
    template <>                                                                      \
    struct Vectors<Lane, Bytes> {                                                    \
        typedef Lane Type __attribute__((vector_size(Bytes), __may_alias__));        \
    };
#define LCS_LANE_WIDTHS(Bytes)              \
    LCS_LANE_VECTORS(std::uint8_t, Bytes)   \
    LCS_LANE_VECTORS(std::uint16_t, Bytes)  \
    LCS_LANE_VECTORS(std::uint32_t, Bytes)  \
    LCS_LANE_VECTORS(std::uint64_t, Bytes)
LCS_LANE_WIDTHS(16)
LCS_LANE_WIDTHS(32)
LCS_LANE_WIDTHS(64)
#undef LCS_LANE_WIDTHS
#undef LCS_LANE_VECTORS

template <class Lane, std::size_t Bytes>
using Vec = typename Vectors<Lane, Bytes>::Type;

#define LCS_INLINE __attribute__((always_inline)) inline

// A vector's lane counts, widened, to `row`, by streaming stores where
// asked and the row lies on a 16-byte boundary (see stream_cells).
template <class Lane, std::size_t Count>
LCS_INLINE void store_counts(const Lane* counts, std::int32_t* row, bool stream) {
    if constexpr (Count % 4 == 0) {
        if (stream && reinterpret_cast<std::uintptr_t>(row) % 16 == 0) {
            // Widened by a plain loop, which the compiler vectorizes well
            // (its conversion of a whole vector does not), then streamed.
            alignas(64) std::int32_t cells[Count];
            for (std::size_t i = 0; i < Count; ++i) cells[i] = counts[i];
            for (std::size_t i = 0; i < Count; i += 4) {
                _mm_stream_si128(reinterpret_cast<__m128i*>(row + i),
                                 _mm_load_si128(reinterpret_cast<const __m128i*>(cells + i)));
            }
            return;
        }
    }
    for (std::size_t i = 0; i < Count; ++i) row[i] = counts[i];
}

// Each lane's count of one bits, in place. Natively, one instruction for a
// vector of any lane width (AVX-512's VPOPCNTB/W/D/Q), written as the
// instruction itself since this code is compiled once for every path; else
// by the SWAR count (Knuth, TAOCP vol. 4A, 7.1.3), lane by lane.
template <class Lane, bool Native, class V>
LCS_INLINE void count_lanes(V& x) {
    if constexpr (Native) {
        if constexpr (sizeof(Lane) == 1) {
            asm("vpopcntb %0, %0" : "+v"(x));
        } else if constexpr (sizeof(Lane) == 2) {
            asm("vpopcntw %0, %0" : "+v"(x));
        } else if constexpr (sizeof(Lane) == 4) {
            asm("vpopcntd %0, %0" : "+v"(x));
        } else {
            asm("vpopcntq %0, %0" : "+v"(x));
        }
    } else {
        x = x - ((x >> 1) & static_cast<Lane>(0x5555555555555555ULL));
        x = (x & static_cast<Lane>(0x3333333333333333ULL)) +
            ((x >> 2) & static_cast<Lane>(0x3333333333333333ULL));
        x = (x + (x >> 4)) & static_cast<Lane>(0x0F0F0F0F0F0F0F0FULL);
#pragma GCC unroll 8
        for (std::size_t shift = 8; shift < 8 * sizeof(Lane); shift *= 2) x += x >> shift;
        x &= static_cast<Lane>(0xFF);
    }
}

// Where a call's counts go: text t's with lane i at out[t * text_stride +
// i * lane_stride], whole vectors of a row by streaming stores when `stream`.
struct Cells {
    std::int32_t* out;
    std::size_t text_stride, lane_stride;
    bool stream;
    Cells from_text(std::size_t t) const {
        return {out + t * text_stride, text_stride, lane_stride, stream};
    }
};

template <class Lane, std::size_t Bytes, bool NativeCounts, std::size_t Q, std::size_t First,
          std::size_t Count>
LCS_INLINE void run_texts(const Vec<Lane, Bytes>* entries, const std::string_view* texts,
                          const Cells& cells, std::size_t lanes) {
    constexpr std::size_t kPerEntry = kChunkBytes * sizeof(Lane) / Bytes;
    constexpr std::size_t kPerVector = Bytes / sizeof(Lane);  // lanes
    using V = Vec<Lane, Bytes>;
    static const unsigned char kNothing = 0;
    V v[Q][Count];
    const unsigned char* data[Q];
    std::size_t size[Q], last[Q];
    std::size_t longest = 0;
#pragma GCC unroll 8
    for (std::size_t j = 0; j < Q; ++j) {
#pragma GCC unroll 8
        for (std::size_t k = 0; k < Count; ++k) v[j][k] = ~V{};
        size[j] = texts[j].size();
        data[j] = size[j] == 0 ? &kNothing : reinterpret_cast<const unsigned char*>(texts[j].data());
        last[j] = size[j] == 0 ? 0 : size[j] - 1;
        longest = std::max(longest, size[j]);
    }
    for (std::size_t i = 0; i < longest; ++i) {
#pragma GCC unroll 8
        for (std::size_t j = 0; j < Q; ++j) {
            // A select, not a branch: texts of mixed length would
            // mispredict a branch at each one's end.
            const std::size_t byte = data[j][std::min(i, last[j])];
            const std::size_t symbol = i < size[j] ? byte : kPadding;
            const V* match = entries + symbol * kPerEntry + First;
#pragma GCC unroll 8
            for (std::size_t k = 0; k < Count; ++k) {
                const V u = v[j][k] & match[k];
                v[j][k] = (v[j][k] + u) | (v[j][k] ^ u);
            }
        }
    }
    const V* masks = entries + kSymbols * kPerEntry + First;
#pragma GCC unroll 8
    for (std::size_t j = 0; j < Q; ++j) {
#pragma GCC unroll 8
        for (std::size_t k = 0; k < Count; ++k) {
            // Zero bits among each lane's positions.
            V x = ~v[j][k] & masks[k];
            count_lanes<Lane, NativeCounts>(x);
            Lane counts[kPerVector];
            std::memcpy(counts, &x, sizeof counts);
            const std::size_t first = (First + k) * kPerVector;
            if (first >= lanes) continue;
            const std::size_t here = std::min(kPerVector, lanes - first);
            std::int32_t* row = cells.out + j * cells.text_stride + first * cells.lane_stride;
            if (cells.lane_stride == 1 && here == kPerVector) {
                store_counts<Lane, kPerVector>(counts, row, cells.stream);
                continue;
            }
            for (std::size_t i = 0; i < here; ++i) {
                row[i * cells.lane_stride] = static_cast<std::int32_t>(counts[i]);
            }
        }
    }
}

// Vectors [First, First + Count) of every entry for every text, Q at once.
template <class Lane, std::size_t Bytes, bool NativeCounts, std::size_t Q, std::size_t First,
          std::size_t Count>
LCS_INLINE void run_pass(const Vec<Lane, Bytes>* entries, const std::string_view* texts,
                         std::size_t count, const Cells& cells, std::size_t lanes) {
    std::size_t t = 0;
    for (; t + Q <= count; t += Q) {
        run_texts<Lane, Bytes, NativeCounts, Q, First, Count>(
            entries, texts + t, cells.from_text(t), lanes);
    }
    for (; t < count; ++t) {
        run_texts<Lane, Bytes, NativeCounts, 1, First, Count>(
            entries, texts + t, cells.from_text(t), lanes);
    }
}

// An entry's vectors in passes of Count each; a pass whose lanes all lie
// past `lanes` is skipped.
template <class Lane, std::size_t Bytes, bool NativeCounts, std::size_t Q, std::size_t Count,
          std::size_t... Pass>
LCS_INLINE void run_passes(const LaneBlock::Chunk* table, const std::string_view* texts,
                           std::size_t count, const Cells& cells, std::size_t lanes,
                           std::index_sequence<Pass...>) {
    const auto* entries = reinterpret_cast<const Vec<Lane, Bytes>*>(table);
    constexpr std::size_t kPerVector = Bytes / sizeof(Lane);
    ((lanes > Pass * Count * kPerVector
          ? run_pass<Lane, Bytes, NativeCounts, Q, Pass * Count, Count>(
                entries, texts, count, cells, lanes)
          : void()),
     ...);
}

// Eight vectors of V at once, which the register file holds with room for
// the step's temporaries (AVX2 and SSE2 have sixteen registers, AVX-512
// thirty-two; on AVX2 eight measured faster than four): narrow lanes fill
// them with several texts side by side (so that the processor overlaps their
// chains), wide ones with their own vectors, in passes where an entry holds
// more than eight.
template <std::size_t Bytes, bool NativeCounts, class Lane>
LCS_INLINE void run_lanes(const LaneBlock::Chunk* table, const std::string_view* texts,
                          std::size_t count, const Cells& cells, std::size_t lanes) {
    constexpr std::size_t kBudget = 8;
    constexpr std::size_t kPerEntry = kChunkBytes * sizeof(Lane) / Bytes;
    constexpr std::size_t kCount = std::min(kPerEntry, kBudget);
    constexpr std::size_t kTexts = std::min<std::size_t>(4, kBudget / kCount);
    static_assert(kPerEntry % kCount == 0, "passes cover the whole entry");
    run_passes<Lane, Bytes, NativeCounts, kTexts, kCount>(
        table, texts, count, cells, lanes,
        std::make_index_sequence<kPerEntry / kCount>());
}

template <std::size_t Bytes, bool NativeCounts = false>
LCS_INLINE void run_width(std::size_t lane_bits, const LaneBlock::Chunk* table,
                          const std::string_view* texts, std::size_t count,
                          const Cells& cells, std::size_t lanes) {
    switch (lane_bits) {
    case 8:
        return run_lanes<Bytes, NativeCounts, std::uint8_t>(table, texts, count, cells, lanes);
    case 16:
        return run_lanes<Bytes, NativeCounts, std::uint16_t>(table, texts, count, cells, lanes);
    case 32:
        return run_lanes<Bytes, NativeCounts, std::uint32_t>(table, texts, count, cells, lanes);
    default:
        return run_lanes<Bytes, NativeCounts, std::uint64_t>(table, texts, count, cells, lanes);
    }
}

__attribute__((target("avx512f,avx512bw"))) void run_avx512(
    std::size_t lane_bits, const LaneBlock::Chunk* table, const std::string_view* texts,
    std::size_t count, const Cells& cells, std::size_t lanes) {
    run_width<64>(lane_bits, table, texts, count, cells, lanes);
}

// With population counts of every lane width (VPOPCNTDQ and BITALG): a
// block's counts then take one instruction a vector instead of about a
// dozen. GCC only: clang checks the width of an instruction's operands in
// the template that holds it, before inlining gives it AVX-512's registers,
// so a clang build counts by SWAR on every path.
#if !defined(__clang__)
__attribute__((target("avx512f,avx512bw,avx512vpopcntdq,avx512bitalg"))) void run_avx512_counts(
    std::size_t lane_bits, const LaneBlock::Chunk* table, const std::string_view* texts,
    std::size_t count, const Cells& cells, std::size_t lanes) {
    run_width<64, true>(lane_bits, table, texts, count, cells, lanes);
}
#endif

__attribute__((target("avx2"))) void run_avx2(std::size_t lane_bits,
                                               const LaneBlock::Chunk* table,
                                               const std::string_view* texts, std::size_t count,
                                               const Cells& cells, std::size_t lanes) {
    run_width<32>(lane_bits, table, texts, count, cells, lanes);
}

void run_plain(std::size_t lane_bits, const LaneBlock::Chunk* table, const std::string_view* texts,
               std::size_t count, const Cells& cells, std::size_t lanes) {
    run_width<16>(lane_bits, table, texts, count, cells, lanes);
}

std::size_t lane_bits_for(std::size_t longest) {
    std::size_t bits = 8;
    while (bits < longest) bits *= 2;
    return bits;
}

}  // namespace

LaneBlock::LaneBlock(const std::string_view* strings, std::size_t count)
    : count_(std::min(count, kLanes)) {
    std::size_t longest = 0;
    for (std::size_t i = 0; i < count_; ++i) {
        if (packs(strings[i].size())) longest = std::max(longest, strings[i].size());
    }
    lane_bits_ = lane_bits_for(longest);
    const std::size_t chunks = lane_bits_ / 8;           // per entry
    const std::size_t per_chunk = 512 / lane_bits_;       // lanes per chunk
    table_.assign((kSymbols + 1) * chunks, Chunk{});
    Chunk* masks = table_.data() + kSymbols * chunks;
    for (std::size_t i = 0; i < count_; ++i) {
        const std::string_view text = strings[i];
        if (!packs(text.size())) continue;
        // Lane i is element i % per_chunk of chunk i / per_chunk, bytes
        // from (i % per_chunk) * chunks, the lowest first.
        const std::size_t chunk = i / per_chunk, first_byte = i % per_chunk * chunks;
        for (std::size_t p = 0; p < text.size(); ++p) {
            const auto bit = static_cast<unsigned char>(1U << (p % 8));
            const auto byte = static_cast<unsigned char>(text[p]);
            table_[byte * chunks + chunk].bytes[first_byte + p / 8] |= bit;
            masks[chunk].bytes[first_byte + p / 8] |= bit;
        }
    }
}

void LaneBlock::lengths(const std::string_view* texts, std::size_t count, std::int32_t* out,
                        std::size_t text_stride, std::size_t lane_stride, Store store,
                        Isa isa) const {
    if (count_ == 0) return;
    // The blocks' path: its AVX-512 needs F and BW, as these lanes do.
    isa = resolve(Component::blocks, isa);
    auto run = isa == Isa::avx512 ? run_avx512 : isa == Isa::avx2 ? run_avx2 : run_plain;
#if !defined(__clang__)
    static const bool counts = processor().avx512_counts;
    if (isa == Isa::avx512 && counts) run = run_avx512_counts;
#endif
    run(lane_bits_, table_.data(), texts, count,
        Cells{out, text_stride, lane_stride, store == Store::stream}, count_);
}

void stream_cells(std::int32_t* to, const std::int32_t* from, std::size_t count) {
    constexpr std::size_t kLineCells = 64 / sizeof(std::int32_t);
    const std::size_t offset = reinterpret_cast<std::uintptr_t>(to) % 64 / sizeof(std::int32_t);
    std::size_t i = std::min(count, (kLineCells - offset) % kLineCells);
    std::memcpy(to, from, i * sizeof(std::int32_t));
    for (; i + kLineCells <= count; i += kLineCells) {
        for (std::size_t k = 0; k < kLineCells; k += 4) {
            _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + k),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + k)));
        }
    }
    std::memcpy(to + i, from + i, (count - i) * sizeof(std::int32_t));
}

void stream_fence() { _mm_sfence(); }

}  // namespace lcs::kernel
