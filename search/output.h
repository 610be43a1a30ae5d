// lcs-search's output: a matching line as text or as one JSON object.
#ifndef SEARCH_OUTPUT_H
#define SEARCH_OUTPUT_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace search {

struct Found {
    std::int32_t lcs;
    std::uint64_t query_length;  // in the unit compared
    std::uint64_t line_length;
    std::string_view file;  // as shown
    std::uint64_t line;
    std::string_view text;
};

// The text form of a line, for a tab-separated line of output: backslash,
// tab and control bytes (below 0x20, and 0x7F) escaped as \\, \t and \xHH.
void append_line_text(std::string& out, std::string_view text);

// Writes one line of output for `found`. Throws lcs::support::WriteError
// when the output cannot be written.
void print_found(std::FILE* out, const Found& found, bool json);

}  // namespace search

#endif  // SEARCH_OUTPUT_H
