// Test support: a strict reader of JSON text (RFC 8259), enough to parse the
// output of a program back and look at its values. Text that is not one
// well-formed JSON value, with nothing but white space around it, is
// rejected.
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
            if (c != '\\') {
                result += static_cast<char>(c);
                continue;
            }
            if (at_ >= text_.size()) fail("an unterminated escape");
            const char escape = text_[at_++];
            const char* plain = std::strchr("\"\\/bfnrt", escape);
            if (escape != '\0' && plain != nullptr) {
                result += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
            } else if (escape == 'u' && at_ + 4 <= text_.size()) {
                const std::string hex = text_.substr(at_, 4);
                if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                    fail("a bad \\u escape");
                }
                const long code = std::strtol(hex.c_str(), nullptr, 16);
                if (code >= 0x80) fail("a \\u escape beyond ASCII, which these tests never expect");
                result += static_cast<char>(code);
                at_ += 4;
            } else {
                fail("a bad escape");
            }
        }
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

}  // namespace testing_support

#endif  // TESTS_JSON_READER_H
