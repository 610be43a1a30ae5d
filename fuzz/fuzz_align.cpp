// Differential fuzzing of lcs::align: any pair of strings, on any path that
// the fuzzer chooses, held to the alignment checker and the prefix
// recurrence (reference/alignment_check.h).
//
// Input layout: byte 0 chooses the path (bits 0-1: the library's choice,
// the band on every split, or the full pass on every split; bit 2: split
// down to one-row pieces; bit 3: two threads; bit 4: the bytes widened to
// 32-bit symbols beyond 0xFFFF), bytes 1 and 2 where the rest splits into
// A and B.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "reference/alignment_check.h"
#include "toolkit/align.h"

namespace {

template <typename Char>
void check(std::basic_string_view<Char> a, std::basic_string_view<Char> b, unsigned threads,
           lcs::kernel::Paths paths) {
    const lcs::Alignment alignment = lcs::detail::align_with(a, b, threads, paths);
    const std::string fault = lcs::reference::alignment_fault(a, b, alignment);
    if (fault.empty()) return;
    std::fprintf(stderr, "align, lengths %zu and %zu, band %d, traceback %lld words, %u threads: %s\n",
                 a.size(), b.size(), paths.first_band, static_cast<long long>(paths.traceback_words),
                 threads, fault.c_str());
    std::abort();
}

std::u32string widened(const std::string& text) {
    std::u32string wide;
    for (const char c : text) wide += static_cast<char32_t>(static_cast<unsigned char>(c)) << 24 | 0xFFFF;
    return wide;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const unsigned choice = data[0];
    lcs::kernel::Paths paths;
    paths.first_band = static_cast<int>(choice % 3) - 1;
    if (choice & 4) paths.traceback_words = 4;
    const unsigned threads = choice & 8 ? 2 : 1;
    const std::size_t rest = size - 3;
    const std::size_t split = (static_cast<std::size_t>(data[1]) << 8 | data[2]) % (rest + 1);
    const char* text = reinterpret_cast<const char*>(data + 3);
    const std::string a(text, split), b(text + split, rest - split);
    if (choice & 16) {
        check<char32_t>(widened(a), widened(b), threads, paths);
    } else {
        check<char>(a, b, threads, paths);
    }
    return 0;
}
