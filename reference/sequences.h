// One-based sequences in buffers of exactly length + 2 bytes, so that the
// sanitizers see any read outside them, and seeded random strings: what the
// tests, benchmarks and fuzzers feed the routines and the oracles alike.
#ifndef LCS_REFERENCE_SEQUENCES_H
#define LCS_REFERENCE_SEQUENCES_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace lcs::reference {

// A one-based copy of `text`. Positions 0 and length + 1 hold `guard`: a
// routine that reads them sees a byte other than the zero a one-based
// sequence normally has there, which makes such reads change results.
class Sequence {
public:
    explicit Sequence(const std::string& text, char guard = '\0')
        : length_(static_cast<std::int32_t>(text.size())), bytes_(new char[text.size() + 2]) {
        bytes_[0] = guard;
        if (!text.empty()) std::memcpy(bytes_.get() + 1, text.data(), text.size());
        bytes_[text.size() + 1] = guard;
    }
    const char* data() const { return bytes_.get(); }
    std::int32_t length() const { return length_; }

private:
    std::int32_t length_;
    std::unique_ptr<char[]> bytes_;
};

// One row of a routine's table of named cases: two strings and the LCS length
// that the routine must return for them.
struct LcsCase {
    const char* why;
    std::string a, b;
    std::int32_t expected;
};

// `lcs` run on exact one-based copies of a and b with `guard` around them.
template <typename Routine>
std::int32_t lcs_of(Routine lcs, const std::string& a, const std::string& b, char guard = '\0') {
    const Sequence sa(a, guard), sb(b, guard);
    return lcs(sa.data(), sb.data(), sa.length(), sb.length());
}

// A string of `length` bytes drawn uniformly from `alphabet`.
inline std::string random_string(std::mt19937& rng, std::size_t length,
                                 const std::string& alphabet) {
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text(length, '\0');
    for (char& c : text) c = alphabet[pick(rng)];
    return text;
}

// `text` with about `percent` of its positions replaced from `alphabet`.
inline std::string mutated(std::mt19937& rng, std::string text, int percent,
                           const std::string& alphabet) {
    std::uniform_int_distribution<int> roll(0, 99);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (char& c : text) {
        if (roll(rng) < percent) c = alphabet[pick(rng)];
    }
    return text;
}

// Every string over {a, b} of each length up to `max_length`.
inline std::vector<std::string> all_binary_strings(std::size_t max_length) {
    std::vector<std::string> strings{""};
    for (std::size_t begin = 0; strings.back().size() < max_length;) {
        const std::size_t end = strings.size();
        for (std::size_t k = begin; k < end; ++k) {
            strings.push_back(strings[k] + 'a');
            strings.push_back(strings[k] + 'b');
        }
        begin = end;
    }
    return strings;
}

// Alphabets of 1 to 4 letters that include the bytes 0 and 255.
inline const std::vector<std::string>& small_alphabets() {
    static const std::vector<std::string> alphabets{
        std::string("a"), std::string(1, '\0'), std::string("ab"),
        std::string("\0\xff", 2), std::string("a\0\xff", 3), std::string("ab\0\xff", 4)};
    return alphabets;
}

// Bytes as 32-bit symbols: ASCII stays itself and each other byte b becomes
// b * 0x01010101, so that symbols above 0xFFFF (up to 0xFFFFFFFF) meet the
// paths, while equal bytes stay equal symbols and the LCS is unchanged.
inline std::u32string widened_symbols(std::string_view text) {
    std::u32string symbols;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        symbols.push_back(b < 128 ? b : static_cast<char32_t>(b) * 0x01010101u);
    }
    return symbols;
}

}  // namespace lcs::reference

#endif  // LCS_REFERENCE_SEQUENCES_H
