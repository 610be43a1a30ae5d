// Internal: many short strings packed one per lane, each lane its own
// bit-vector, against other strings read a symbol at a time. Callers of the
// library use lcs::matrix, lcs::pairs and lcs::extract.
#ifndef KERNEL_MULTI_LANES_H
#define KERNEL_MULTI_LANES_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "kernel/kernel.h"

namespace lcs::kernel {

// Up to kLanes byte strings of at most kLongest bytes each, one per lane of
// 8, 16, 32 or 64 bits (the narrowest that holds the block's longest), with
// the match words of every byte value. Immutable once built, so any number
// of threads may read it at once.
class LaneBlock {
public:
    static constexpr std::size_t kLanes = 64;
    static constexpr std::size_t kLongest = 64;

    // True when a string of `size` symbols can take a lane.
    static bool packs(std::size_t size) { return size <= kLongest; }

    // strings[i] takes lane i; a string that packs() refuses takes an empty
    // lane (its results read 0, for the caller to replace).
    LaneBlock(const std::string_view* strings, std::size_t count);

    std::size_t count() const { return count_; }
    // Bits per lane: 8, 16, 32 or 64.
    std::size_t lane_bits() const { return lane_bits_; }
    // Bytes of match words this block holds.
    std::size_t table_bytes() const { return table_.size() * sizeof(Chunk); }

    // For each text t < texts and each lane i < count(), the LCS of
    // texts[t] and the lane's string goes to out[t * text_stride + i *
    // lane_stride]. Texts may be of any length. Allocates nothing. With
    // Store::stream, a row's whole vectors of lanes on a 16-byte boundary
    // go out by streaming stores (see stream_cells; the caller fences).
    enum class Store { cache, stream };
    void lengths(const std::string_view* texts, std::size_t count, std::int32_t* out,
                 std::size_t text_stride, std::size_t lane_stride, Store store,
                 Isa isa = Isa::automatic) const;

    // One 64-byte piece of a vector of lanes: 512 / lane_bits() lanes.
    struct alignas(64) Chunk {
        unsigned char bytes[64];
    };

private:
    std::size_t count_;
    std::size_t lane_bits_;
    // Entry s (0 to 255, and 256 for "no symbol": all zero) holds
    // lane_bits() / 8 chunks; bit p of lane i is set when byte p of string
    // i is s. Then one chunk set more: each lane's own bits, the lanes'
    // lengths as masks.
    std::vector<Chunk> table_;
};

// Copies `count` cells to `to`: the whole 64-byte lines of the destination
// by streaming stores, which write a line without reading it first and
// past the cache (a dense result of 10^8 cells then goes to memory once
// instead of being read in, written and evicted, and leaves the cache to
// the tables), the part lines at its ends by plain stores (a line streamed
// in pieces goes to memory in pieces). stream_fence() orders them before
// whatever follows.
void stream_cells(std::int32_t* to, const std::int32_t* from, std::size_t count);
void stream_fence();

}  // namespace lcs::kernel

#endif  // KERNEL_MULTI_LANES_H
