// lcs-search's output. Text lines are tab-separated with the line's control
// bytes escaped, so that a line of output is always one line; JSON follows
// the one text policy of support/printing.h. The similarity is cut to three
// decimals in both, so that 1.000 means an equal line.
#include "search/output.h"

#include <algorithm>
#include <string>

#include "support/printing.h"

namespace search {

namespace {

bool is_control(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

}  // namespace

void append_line_text(std::string& out, std::string_view text) {
    static const char kDigits[] = "0123456789abcdef";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (is_control(byte)) {
            out += "\\x";
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xF];
        } else {
            out += c;
        }
    }
}

void print_found(std::FILE* out, const Found& found, bool json) {
    // One buffer per thread of output, reused: lines of any length, no
    // allocation once it has grown.
    thread_local std::string line;
    line.clear();
    const std::uint64_t longer = std::max(found.query_length, found.line_length);
    const std::string similarity = lcs::support::similarity_text(
        found.lcs, static_cast<std::int64_t>(longer));
    if (json) {
        line += "{\"similarity\":";
        line += similarity;
        line += ",\"lcs\":";
        line += std::to_string(found.lcs);
        line += ",\"query_length\":";
        line += std::to_string(found.query_length);
        line += ",\"line_length\":";
        line += std::to_string(found.line_length);
        line += ",\"file\":";
        lcs::support::append_json_text(line, found.file);
        line += ",\"line\":";
        line += std::to_string(found.line);
        line += ",\"text\":";
        lcs::support::append_json_text(line, found.text);
        line += "}\n";
    } else {
        line += similarity;
        line += '\t';
        line += std::to_string(found.lcs);
        line += '\t';
        append_line_text(line, found.file);
        line += ':';
        line += std::to_string(found.line);
        line += '\t';
        append_line_text(line, found.text);
        line += '\n';
    }
    lcs::support::write_out(out, line);
}

}  // namespace search
