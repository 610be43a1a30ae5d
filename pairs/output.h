// lcs-pairs' output: a pair of lines as text or as one JSON object.
#ifndef PAIRS_OUTPUT_H
#define PAIRS_OUTPUT_H

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace pairs {

struct Side {
    std::uint64_t line;    // from 1
    std::uint64_t length;  // in the unit compared
    std::string_view text;
};

struct FoundPair {
    std::int32_t lcs;
    Side first, other;
};

// Writes one line of output for `found`. Throws lcs::support::WriteError
// when the output cannot be written.
void print_pair(std::FILE* out, const FoundPair& found, bool json);

}  // namespace pairs

#endif  // PAIRS_OUTPUT_H
