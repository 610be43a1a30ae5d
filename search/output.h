// lcs-search's output: a matching line as text or as one JSON object, and
// user text quoted for messages.
#ifndef SEARCH_OUTPUT_H
#define SEARCH_OUTPUT_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace search {

// `text` in single quotes, its control bytes as \xHH, for a message.
std::string quoted(std::string_view text);

// A JSON string of any bytes: valid UTF-8 as it is, every other byte as
// \u00HH of its value.
std::string json_string(std::string_view bytes);

struct Found {
    std::int32_t lcs;
    double similarity;
    std::string_view file;  // as shown
    std::uint64_t line;
    std::string_view text;
};

// Writes one line of output for `found`.
void print_found(std::FILE* out, const Found& found, bool json);

}  // namespace search

#endif  // SEARCH_OUTPUT_H
