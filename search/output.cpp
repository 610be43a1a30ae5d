// lcs-search's output. Text lines are tab-separated with the line's control
// bytes escaped, so that a line of output is always one line; JSON strings
// stay valid whatever bytes the input holds.
#include "search/output.h"

namespace search {

namespace {

void append_hex_escape(std::string& out, const char* prefix, unsigned char byte) {
    static const char kDigits[] = "0123456789abcdef";
    out += prefix;
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
}

bool is_control(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

// The text form of a line: backslash, tab and control bytes escaped.
void append_line_text(std::string& out, std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (is_control(byte)) {
            append_hex_escape(out, "\\x", byte);
        } else {
            out += c;
        }
    }
}

// The length of the well-formed UTF-8 sequence at the front of `bytes`
// (RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF), or
// 0 when it does not start with one.
std::size_t utf8_sequence(std::string_view bytes) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (at(i) < 0x80 || at(i) > 0xBF) return 0;
    }
    return length;
}

void append_json_string(std::string& out, std::string_view bytes) {
    out += '"';
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte < 0x20) {
            append_hex_escape(out, "\\u00", byte);
        } else if (byte >= 0x80) {
            const std::size_t length = utf8_sequence(bytes.substr(i));
            if (length == 0) {
                append_hex_escape(out, "\\u00", byte);
                ++i;
                continue;
            }
            out.append(bytes.substr(i, length));
            i += length;
            continue;
        } else {
            out += static_cast<char>(byte);
        }
        ++i;
    }
    out += '"';
}

}  // namespace

std::string quoted(std::string_view text) {
    std::string out = "'";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (is_control(byte)) {
            append_hex_escape(out, "\\x", byte);
        } else {
            out += c;
        }
    }
    return out + "'";
}

std::string json_string(std::string_view bytes) {
    std::string out;
    append_json_string(out, bytes);
    return out;
}

void print_found(std::FILE* out, const Found& found, bool json) {
    // One buffer per thread of output, reused: lines of any length, no
    // allocation once it has grown.
    thread_local std::string line;
    line.clear();
    char numbers[64];
    if (json) {
        std::snprintf(numbers, sizeof numbers,
                      "{\"similarity\":%.3f,\"lcs\":%d,\"file\":", found.similarity, found.lcs);
        line += numbers;
        append_json_string(line, found.file);
        line += ",\"line\":" + std::to_string(found.line) + ",\"text\":";
        append_json_string(line, found.text);
        line += "}\n";
    } else {
        std::snprintf(numbers, sizeof numbers, "%.3f\t%d\t", found.similarity, found.lcs);
        line += numbers;
        append_line_text(line, found.file);
        line += ':' + std::to_string(found.line) + '\t';
        append_line_text(line, found.text);
        line += '\n';
    }
    std::fwrite(line.data(), 1, line.size(), out);
}

}  // namespace search
