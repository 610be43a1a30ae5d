// Internal entry of lcs::align, for tests and measurements that must force
// one of its paths. Callers use lcs::align.
#ifndef LCS_TOOLKIT_ALIGN_H
#define LCS_TOOLKIT_ALIGN_H

#include <cstdint>
#include <string_view>

#include <lcs/lcs.h>

namespace lcs::detail {

struct AlignPaths {
    // 0: the band wherever it is the cheaper pass; positive: the band on
    // every split, however wide; negative: the full pass on every split.
    int band = 0;
    // Largest piece, in rows times row words, that the bit-matrix traceback
    // takes whole; larger pieces are split.
    std::int64_t traceback_words = std::int64_t{1} << 13;
    // Use the AVX-512 blocks where the processor has them; false forces the
    // plain 64-bit blocks everywhere.
    bool vector_units = true;
};

Alignment align_with(std::string_view a, std::string_view b, unsigned threads, AlignPaths paths);
Alignment align_with(std::u32string_view a, std::u32string_view b, unsigned threads,
                     AlignPaths paths);

}  // namespace lcs::detail

#endif  // LCS_TOOLKIT_ALIGN_H
