// Differential fuzzing of lcs::lengths, one query against many choices on
// every lane path, against the prefix recurrence, on bytes and on 32-bit
// symbols.
//
// Input layout: byte 0 chooses the instruction set (bits 0-1) and whether
// the strings are read as 32-bit symbols (bit 2); byte 1 is the query's
// length (mod 80, so that every lane width and the longer queries meet);
// the query follows, then the choices, separated by LF. As symbols, each
// byte b stands for b, or for b spread to a value far above 0xFFFF when its
// top bit is set, so that wide and byte-sized symbols meet.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <lcs/lcs.h>
#include "reference/oracles.h"
#include "reference/sequences.h"
#include "kernel/lanes.h"
#include "toolkit/batch.h"

namespace {

template <typename Text>
void check(const Text& query, const std::vector<Text>& choices, lcs::kernel::Isa isa) {
    using View = std::basic_string_view<typename Text::value_type>;
    const std::vector<View> views(choices.begin(), choices.end());
    const std::vector<std::int32_t> got =
        lcs::detail::lengths(lcs::Pattern(View(query)), views, 1, lcs::kernel::Paths{isa});
    for (std::size_t i = 0; i < choices.size(); ++i) {
        const std::int32_t expected = lcs::reference::reference_lcs(View(query), views[i]);
        if (got[i] != expected) {
            std::fprintf(stderr, "choice %zu of %zu, lengths %zu and %zu: got %d, expected %d\n", i,
                         choices.size(), query.size(), choices[i].size(), got[i], expected);
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static const lcs::kernel::Isa kIsas[] = {lcs::kernel::Isa::automatic, lcs::kernel::Isa::plain,
                                             lcs::kernel::Isa::avx2, lcs::kernel::Isa::avx512};
    const lcs::kernel::Isa isa = kIsas[data[0] & 3];
    if (!lcs::kernel::lane_isa_available(isa)) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string_view query = rest.substr(0, data[1] % 80);
    std::vector<std::string> choices;
    for (std::size_t begin = query.size(); begin < rest.size();) {
        const std::size_t end = std::min(rest.find('\n', begin), rest.size());
        choices.emplace_back(rest.substr(begin, end - begin));
        begin = end + 1;
    }
    if (data[0] & 4) {
        std::vector<std::u32string> symbols;
        for (const std::string& choice : choices) {
            symbols.push_back(lcs::reference::widened_symbols(choice));
        }
        check(lcs::reference::widened_symbols(query), symbols, isa);
    } else {
        check(std::string(query), choices, isa);
    }
    return 0;
}
