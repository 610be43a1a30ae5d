// Tokenizers for the text units. UTF-8 is decoded by the table of
// well-formed byte sequences of RFC 3629 (section 4): the lead byte fixes
// the length and the range of the second byte, which is where overlong
// forms, surrogates and values above U+10FFFF show; every later byte is a
// plain continuation byte. One pass, a few comparisons a byte, ASCII taken
// one byte at a time without a table. Lines and words are cut in the same
// pass and interned (text/interner.h). Covered by tests/test_text.cpp
// (Utf8.*, Tokenize.*).
#include "text/tokens.h"

#include <algorithm>
#include <string>

namespace lcs::text {
namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

struct Decoded {
    char32_t code_point;
    std::size_t size;
};

// The second byte's range and the sequence length for each lead byte, and
// the fault a second byte outside the range shows.
struct LeadRule {
    std::size_t size;
    unsigned char low, high;
    const char* fault_below;
    const char* fault_above;
};

const char kStray[] = "a stray continuation byte";
const char kTruncated[] = "a truncated sequence";
const char kOverlong[] = "an overlong form";
const char kSurrogate[] = "a surrogate";
const char kTooLarge[] = "a value above U+10FFFF";
const char kNeverUtf8[] = "a byte that never occurs in UTF-8";

LeadRule lead_rule(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF, kTruncated, kTruncated};
    if (lead == 0xE0) return {3, 0xA0, 0xBF, kOverlong, kTruncated};
    if (lead == 0xED) return {3, 0x80, 0x9F, kTruncated, kSurrogate};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF, kTruncated, kTruncated};
    if (lead == 0xF0) return {4, 0x90, 0xBF, kOverlong, kTruncated};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF, kTruncated, kTruncated};
    return {4, 0x80, 0x8F, kTruncated, kTooLarge};  // 0xF4
}

// The code point at `at`, which is not ASCII. Throws InvalidUtf8.
Decoded decode_multibyte(std::string_view input, std::size_t at) {
    const auto lead = static_cast<unsigned char>(input[at]);
    if (is_continuation(lead)) throw InvalidUtf8(at, kStray);
    if (lead == 0xC0 || lead == 0xC1) throw InvalidUtf8(at, kOverlong);
    if (lead >= 0xF5 && lead <= 0xF7) throw InvalidUtf8(at, kTooLarge);
    if (lead >= 0xF8) throw InvalidUtf8(at, kNeverUtf8);
    const LeadRule rule = lead_rule(lead);
    if (at + 1 >= input.size()) throw InvalidUtf8(at, kTruncated);
    const auto second = static_cast<unsigned char>(input[at + 1]);
    if (!is_continuation(second)) throw InvalidUtf8(at, kTruncated);
    if (second < rule.low) throw InvalidUtf8(at, rule.fault_below);
    if (second > rule.high) throw InvalidUtf8(at, rule.fault_above);
    char32_t code_point = lead & (0x7F >> rule.size);
    for (std::size_t k = 1; k < rule.size; ++k) {
        if (at + k >= input.size() || !is_continuation(static_cast<unsigned char>(input[at + k]))) {
            throw InvalidUtf8(at, kTruncated);
        }
        code_point = (code_point << 6) | (static_cast<unsigned char>(input[at + k]) & 0x3F);
    }
    return {code_point, rule.size};
}

Decoded decode(std::string_view input, std::size_t at) {
    const auto byte = static_cast<unsigned char>(input[at]);
    if (byte < 0x80) return {byte, 1};
    return decode_multibyte(input, at);
}

// Unicode's White_Space property (PropList.txt): 25 code points.
bool is_white_space(char32_t c) {
    if (c < 0x80) return c == ' ' || (c >= '\t' && c <= '\r');
    return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

Tokens byte_tokens(std::string_view input) {
    Tokens tokens;
    tokens.symbols.reserve(input.size());
    tokens.spans.reserve(input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        tokens.symbols.push_back(static_cast<unsigned char>(input[i]));
        tokens.spans.push_back({i, i + 1});
    }
    return tokens;
}

Tokens char_tokens(std::string_view input) {
    Tokens tokens;
    tokens.symbols.reserve(input.size());
    tokens.spans.reserve(input.size());
    for (std::size_t i = 0; i < input.size();) {
        const Decoded decoded = decode(input, i);
        tokens.symbols.push_back(decoded.code_point);
        tokens.spans.push_back({i, i + decoded.size});
        i += decoded.size;
    }
    return tokens;
}

template <typename SymbolOf>
Tokens word_tokens(std::string_view input, SymbolOf symbol_of) {
    Tokens tokens;
    std::size_t word_begin = 0;
    bool in_word = false;
    const auto end_word = [&](std::size_t at) {
        if (!in_word) return;
        tokens.symbols.push_back(symbol_of(input.substr(word_begin, at - word_begin)));
        tokens.spans.push_back({word_begin, at});
        in_word = false;
    };
    for (std::size_t i = 0; i < input.size();) {
        const Decoded decoded = decode(input, i);
        if (is_white_space(decoded.code_point)) {
            end_word(i);
        } else if (!in_word) {
            word_begin = i;
            in_word = true;
        }
        i += decoded.size;
    }
    end_word(input.size());
    return tokens;
}

std::size_t line_count_bound(std::string_view input) {
    return static_cast<std::size_t>(std::count(input.begin(), input.end(), '\n')) + 1;
}

template <typename SymbolOf>
Tokens line_tokens(std::string_view input, SymbolOf symbol_of) {
    Tokens tokens;
    tokens.symbols.reserve(line_count_bound(input));
    tokens.spans.reserve(line_count_bound(input));
    for (std::size_t begin = 0; begin < input.size();) {
        const std::size_t newline = input.find('\n', begin);
        const std::size_t end = newline == std::string_view::npos ? input.size() : newline + 1;
        tokens.symbols.push_back(symbol_of(input.substr(begin, end - begin)));
        tokens.spans.push_back({begin, end});
        begin = end;
    }
    return tokens;
}

template <typename SymbolOf>
Tokens tokens_of(Unit unit, std::string_view input, SymbolOf symbol_of) {
    switch (unit) {
        case Unit::bytes: return byte_tokens(input);
        case Unit::chars: return char_tokens(input);
        case Unit::words: return word_tokens(input, symbol_of);
        case Unit::lines: return line_tokens(input, symbol_of);
    }
    return byte_tokens(input);
}

std::string offset_message(std::size_t offset, const char* fault) {
    return std::string("not UTF-8: ") + fault + " at byte " + std::to_string(offset);
}

}  // namespace

InvalidUtf8::InvalidUtf8(std::size_t offset, const char* fault)
    : std::runtime_error(offset_message(offset, fault)), offset_(offset) {}

std::optional<Unit> parse_unit(std::string_view name) {
    for (const Unit unit : {Unit::bytes, Unit::chars, Unit::words, Unit::lines}) {
        if (name == unit_name(unit)) return unit;
    }
    return std::nullopt;
}

const char* unit_name(Unit unit) {
    switch (unit) {
        case Unit::bytes: return "bytes";
        case Unit::chars: return "chars";
        case Unit::words: return "words";
        case Unit::lines: return "lines";
    }
    return "bytes";
}

Tokens tokenize(Unit unit, std::string_view input, Interner& interner) {
    if (unit == Unit::lines) interner.reserve(interner.size() + line_count_bound(input));
    return tokens_of(unit, input, [&interner](std::string_view token) { return interner.intern(token); });
}

Tokens tokenize_against(Unit unit, std::string_view input, const Interner& interner) {
    return tokens_of(unit, input, [&interner](std::string_view token) { return interner.find(token); });
}

std::string_view line_content(std::string_view line) {
    if (line.empty() || line.back() != '\n') return line;
    line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace lcs::text
