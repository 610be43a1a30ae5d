// What the programs print; see support/printing.h.
#include "support/printing.h"

#include <cerrno>
#include <cstring>

namespace lcs::support {
namespace {

const char kHexDigits[] = "0123456789abcdef";

void append_hex(std::string& out, const char* prefix, unsigned char byte) {
    out += prefix;
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
}

// A two-byte sequence of U+0080 to U+009F, the C1 controls: valid UTF-8,
// yet a terminal may take U+009B as the start of a control sequence.
bool is_c1_control(std::string_view sequence) {
    return sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xC2 &&
           static_cast<unsigned char>(sequence[1]) < 0xA0;
}

// A character escaped in a JSON string by its short form, or 0.
char json_short_escape(unsigned char byte) {
    switch (byte) {
    case '"': return '"';
    case '\\': return '\\';
    case '\b': return 'b';
    case '\f': return 'f';
    case '\n': return 'n';
    case '\r': return 'r';
    case '\t': return 't';
    default: return 0;
    }
}

// `text`, known to be valid UTF-8, as a JSON string: controls escaped (C0,
// DEL and C1 as \u00XX), every other character as it is.
void append_json_string(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80 ? 1 : utf8_sequence_length(text.substr(i));
        const std::string_view character = text.substr(i, length);
        if (const char escape = json_short_escape(byte)) {
            out += '\\';
            out += escape;
        } else if (byte < 0x20 || byte == 0x7F) {
            append_hex(out, "\\u00", byte);
        } else if (is_c1_control(character)) {
            append_hex(out, "\\u00", static_cast<unsigned char>(character[1]));
        } else {
            out.append(character);
        }
        i += length;
    }
    out += '"';
}

}  // namespace

std::size_t utf8_sequence_length(std::string_view bytes) {
    if (bytes.empty()) return 0;
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // else overlong
        if (lead == 0xED) high = 0x9F;  // else a surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // else overlong
        if (lead == 0xF4) high = 0x8F;  // else above U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (at(i) < 0x80 || at(i) > 0xBF) return 0;
    }
    return length;
}

bool is_utf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = utf8_sequence_length(bytes.substr(i));
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string quoted(std::string_view text) {
    std::string out = "'";
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = utf8_sequence_length(text.substr(i));
        if (byte == '\'' || byte == '\\') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte == '\n' || byte == '\t' || byte == '\r') {
            out += byte == '\n' ? "\\n" : byte == '\t' ? "\\t" : "\\r";
        } else if (length == 0 || byte < 0x20 || byte == 0x7F) {
            append_hex(out, "\\x", byte);
        } else if (is_c1_control(text.substr(i, length))) {
            append_hex(out, "\\x", byte);
            append_hex(out, "\\x", static_cast<unsigned char>(text[i + 1]));
            i += 2;
            continue;
        } else {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        ++i;
    }
    return out + "'";
}

std::string base64(std::string_view bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (left > 1) group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (left > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        out += left > 2 ? kAlphabet[group & 63] : '=';
    }
    return out;
}

void append_json_text(std::string& out, std::string_view bytes) {
    if (is_utf8(bytes)) {
        append_json_string(out, bytes);
    } else {
        out += "{\"bytes\":\"" + base64(bytes) + "\"}";
    }
}

std::string json_text(std::string_view bytes) {
    std::string out;
    append_json_text(out, bytes);
    return out;
}

std::string similarity_text(std::int64_t common, std::int64_t longer, int decimals) {
    if (longer == 0) common = longer = 1;
    // Long division: each remainder is below `longer`, so ten times it fits
    // whatever the lengths, and every digit is exact.
    std::string out(1, static_cast<char>('0' + common / longer));
    std::int64_t remainder = common % longer;
    if (decimals > 0) out += '.';
    for (int digit = 0; digit < decimals; ++digit) {
        remainder *= 10;
        out += static_cast<char>('0' + remainder / longer);
        remainder %= longer;
    }
    return out;
}

std::string version_text(std::string_view program, std::string_view vector_paths) {
    std::string out(program);
    out += " " LCS_VERSION "\nvector paths: ";
    out.append(vector_paths);
    return out + "\n";
}

void write_out(std::FILE* out, std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::ferror(out)) {
        throw WriteError(std::string("cannot write the output: ") + std::strerror(errno));
    }
}

void flush_out(std::FILE* out) {
    if (std::fflush(out) != 0 || std::ferror(out)) {
        throw WriteError(std::string("cannot write the output: ") + std::strerror(errno));
    }
}

}  // namespace lcs::support
