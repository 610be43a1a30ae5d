// Differential fuzzing of lcs::length and lcs::Pattern, and of the kernel
// under every path, against the prefix recurrence, on bytes and on 32-bit
// symbols.
//
// Input layout: byte 0 chooses the kernel's instruction set (bits 0-1),
// whether the strings are read as 32-bit symbols (bit 2) and the first band
// (bits 3-5: the kernel's choice, the full table, or a forced half-width);
// byte 1 chooses where the rest splits into A and B. As symbols, each byte
// b stands for b, or for b spread to a value far above 0xFFFF when its top
// bit is set, so that wide and byte-sized symbols meet.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <lcs/lcs.h>
#include "kernel/kernel.h"
#include "reference/oracles.h"
#include "reference/sequences.h"

namespace {

constexpr std::size_t kLengthCap = 700;

[[noreturn]] void report(const char* what, std::size_t n, std::size_t m, long got, long expected) {
    std::fprintf(stderr, "%s: lengths %zu and %zu: got %ld, expected %ld\n", what, n, m, got,
                 expected);
    std::abort();
}

template <typename Text>
void check(const Text& a, const Text& b, const lcs::kernel::Paths& paths) {
    const long expected = lcs::reference::reference_lcs(Text(a), Text(b));
    const auto got = static_cast<long>(lcs::kernel::length(a, b, paths));
    if (got != expected) report("kernel length", a.size(), b.size(), got, expected);
    if (lcs::length(a, b) != expected) report("lcs::length", a.size(), b.size(), lcs::length(a, b), expected);
    const lcs::Pattern query(a);
    if (query.length(b) != expected) report("Pattern", a.size(), b.size(), query.length(b), expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const unsigned choice = data[0];
    const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::size_t split = rest.size() * data[1] / 256;
    const std::string a = rest.substr(0, std::min(split, kLengthCap));
    const std::string b = rest.substr(split, kLengthCap);

    static const lcs::kernel::Isa kIsas[] = {lcs::kernel::Isa::automatic, lcs::kernel::Isa::plain,
                                             lcs::kernel::Isa::avx2, lcs::kernel::Isa::avx512};
    static const std::int32_t kBands[] = {0, -1, 1, 2, 5, 16, 64, 100};
    const lcs::kernel::Paths paths{kIsas[choice & 3], kBands[(choice >> 3) & 7]};
    if (choice & 4) {
        check(lcs::reference::widened_symbols(a), lcs::reference::widened_symbols(b), paths);
    } else {
        check(a, b, paths);
    }
    return 0;
}
