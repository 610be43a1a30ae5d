// Test support: a strict reader of JSON text (RFC 8259), enough to parse the
// output of a program back and look at its values. Text that is not one
// well-formed JSON value, with nothing but white space around it, is
// rejected. Every escape is decoded, \u escapes (surrogate pairs taken
// together) into UTF-8.
#ifndef TESTS_JSON_READER_H
#define TESTS_JSON_READER_H

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

struct Json {
    enum class Type { null, boolean, number, string, array, object };
    Type type = Type::null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    bool is_null() const { return type == Type::null; }
    // The member `key` of an object; throws when there is none.
    const Json& operator[](const std::string& key) const {
        const auto found = members.find(key);
        if (type != Type::object || found == members.end()) {
            throw std::runtime_error("no member " + key);
        }
        return found->second;
    }
};

class JsonReader {
public:
    // Throws std::runtime_error naming the offset of the first fault.
    static Json parse(const std::string& text) {
        JsonReader reader(text);
        Json value = reader.value();
        reader.skip_space();
        if (reader.at_ != text.size()) reader.fail("text after the value");
        return value;
    }

private:
    explicit JsonReader(const std::string& text) : text_(text) {}

    [[noreturn]] void fail(const char* what) const {
        throw std::runtime_error(std::string(what) + " at offset " + std::to_string(at_));
    }
    void skip_space() {
        while (at_ < text_.size() && std::strchr(" \t\r\n", text_[at_]) != nullptr) ++at_;
    }
    bool next_is(char c) {
        skip_space();
        return at_ < text_.size() && text_[at_] == c;
    }
    void expect(char c) {
        if (!next_is(c)) fail("unexpected character");
        ++at_;
    }
    bool take_word(const char* word) {
        const std::size_t length = std::strlen(word);
        if (text_.compare(at_, length, word) != 0) return false;
        at_ += length;
        return true;
    }

    Json value() {
        skip_space();
        Json result;
        if (at_ >= text_.size()) fail("the text ends before a value");
        const char c = text_[at_];
        if (c == '{') {
            result.type = Json::Type::object;
            ++at_;
            if (next_is('}')) return ++at_, result;
            do {
                skip_space();
                const std::string key = string();
                expect(':');
                if (!result.members.emplace(key, value()).second) fail("a repeated key");
            } while (next_is(',') && ++at_);
            expect('}');
        } else if (c == '[') {
            result.type = Json::Type::array;
            ++at_;
            if (next_is(']')) return ++at_, result;
            do {
                result.items.push_back(value());
            } while (next_is(',') && ++at_);
            expect(']');
        } else if (c == '"') {
            result.type = Json::Type::string;
            result.text = string();
        } else if (take_word("true") || take_word("false")) {
            result.type = Json::Type::boolean;
            result.boolean = c == 't';
        } else if (take_word("null")) {
            result.type = Json::Type::null;
        } else {
            result.type = Json::Type::number;
            result.number = number();
        }
        return result;
    }

    // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
    double number() {
        const std::size_t start = at_;
        auto digits = [&] {
            const std::size_t first = at_;
            while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) ++at_;
            if (at_ == first) fail("a number without digits");
        };
        if (text_[at_] == '-') ++at_;
        if (at_ < text_.size() && text_[at_] == '0') {
            ++at_;
        } else {
            digits();
        }
        if (at_ < text_.size() && text_[at_] == '.') ++at_, digits();
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
            digits();
        }
        return std::strtod(text_.substr(start, at_ - start).c_str(), nullptr);
    }

    std::string string() {
        if (at_ >= text_.size() || text_[at_] != '"') fail("a string expected");
        ++at_;
        std::string result;
        for (;;) {
            if (at_ >= text_.size()) fail("an unterminated string");
            const unsigned char c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"') return result;
            if (c < 0x20) fail("a control character in a string");
            if (c >= 0x80) {
                const std::size_t length = utf8_length(at_ - 1);
                result.append(text_, at_ - 1, length);
                at_ += length - 1;
                continue;
            }
            if (c != '\\') {
                result += static_cast<char>(c);
                continue;
            }
            if (at_ >= text_.size()) fail("an unterminated escape");
            const char escape = text_[at_++];
            const char* plain = std::strchr("\"\\/bfnrt", escape);
            if (escape != '\0' && plain != nullptr) {
                result += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
            } else if (escape == 'u') {
                append_utf8(result, code_point());
            } else {
                fail("a bad escape");
            }
        }
    }

    // The length of the UTF-8 sequence at `at`, which is not ASCII: JSON
    // text is UTF-8, so an overlong form, a surrogate, a value beyond
    // U+10FFFF or a stray or missing continuation byte is refused.
    std::size_t utf8_length(std::size_t at) const {
        const auto byte = [&](std::size_t i) {
            return at + i < text_.size() ? static_cast<unsigned char>(text_[at + i]) : 0u;
        };
        const unsigned lead = byte(0);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || lead > 0xF4 || lead < 0xC2) fail("text that is not UTF-8");
        unsigned code = lead & (0x3F >> (length - 1));
        for (std::size_t i = 1; i < length; ++i) {
            if ((byte(i) & 0xC0) != 0x80) fail("text that is not UTF-8");
            code = code << 6 | (byte(i) & 0x3F);
        }
        const unsigned least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            fail("text that is not UTF-8");
        }
        return length;
    }

    // Four hex digits after \u.
    unsigned hex4() {
        if (at_ + 4 > text_.size()) fail("a bad \\u escape");
        const std::string hex = text_.substr(at_, 4);
        if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            fail("a bad \\u escape");
        }
        at_ += 4;
        return static_cast<unsigned>(std::strtoul(hex.c_str(), nullptr, 16));
    }

    // The code point of a \u escape, a surrogate pair taken together; a
    // lone surrogate is refused, since no UTF-8 holds it.
    char32_t code_point() {
        const unsigned first = hex4();
        if (first >= 0xDC00 && first <= 0xDFFF) fail("a lone low surrogate");
        if (first < 0xD800 || first > 0xDBFF) return first;
        if (text_.compare(at_, 2, "\\u") != 0) fail("a high surrogate without its pair");
        at_ += 2;
        const unsigned second = hex4();
        if (second < 0xDC00 || second > 0xDFFF) fail("a high surrogate without its pair");
        return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
    }

    static void append_utf8(std::string& out, char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

// The bytes that a program's JSON text value stands for: a string's UTF-8,
// or the base64 of {"bytes": ...} decoded. Throws for anything else.
inline std::string bytes_of(const Json& value) {
    if (value.type == Json::Type::string) return value.text;
    const std::string& code = value["bytes"].text;
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (code.size() % 4 != 0) throw std::runtime_error("base64 not in groups of four");
    std::string bytes;
    for (std::size_t i = 0; i < code.size(); i += 4) {
        unsigned group = 0;
        int padding = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t digit = kAlphabet.find(code[i + k]);
            const bool pad = code[i + k] == '=' && i + 4 == code.size() && k >= 2;
            if (digit == std::string::npos && !pad) throw std::runtime_error("a bad base64 digit");
            padding += pad ? 1 : 0;
            group = group << 6 | (pad ? 0 : static_cast<unsigned>(digit));
        }
        for (int k = 0; k < 3 - padding; ++k) bytes += static_cast<char>(group >> (16 - 8 * k));
    }
    return bytes;
}

}  // namespace testing_support

#endif  // TESTS_JSON_READER_H
