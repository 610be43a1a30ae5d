// The text units on their own: strict UTF-8 with the offset of every kind
// of fault, words and lines cut at the right places, the interning table
// exact against a plain map, and the byte recoding leaving the LCS as the
// symbols have it.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "reference/oracles.h"
#include "text/recode.h"
#include "text/tokens.h"

namespace {

using lcs::text::Interner;
using lcs::text::Tokens;
using lcs::text::Unit;

std::vector<std::string> token_bytes(std::string_view input, const Tokens& tokens) {
    std::vector<std::string> bytes;
    for (const lcs::text::Span span : tokens.spans) {
        bytes.emplace_back(input.substr(span.begin, span.end - span.begin));
    }
    return bytes;
}

struct BadUtf8 {
    std::string input;
    std::size_t offset;
    std::string fault;
};

TEST(Utf8, RefusesEveryMalformedSequenceAtItsOffset) {
    const std::vector<BadUtf8> cases = {
        {"ab\x80", 2, "stray continuation"},
        {"\xC3\xA9\xBF", 2, "stray continuation"},
        {"\xC3", 0, "truncated"},
        {"a\xE2\x82", 1, "truncated"},
        {"\xE2\x82" "a", 0, "truncated"},
        {"\xF0\x9F\x98", 0, "truncated"},
        {"\xF0\x9F\x98 ", 0, "truncated"},
        {"\xC0\xAF", 0, "overlong"},
        {"\xC1\xBF", 0, "overlong"},
        {"xy\xE0\x80\xAF", 2, "overlong"},
        {"\xE0\x9F\xBF", 0, "overlong"},
        {"\xF0\x8F\xBF\xBF", 0, "overlong"},
        {"\xED\xA0\x80", 0, "surrogate"},
        {"\xED\xBF\xBF", 0, "surrogate"},
        {"\xF4\x90\x80\x80", 0, "above U+10FFFF"},
        {"\xF5\x80\x80\x80", 0, "above U+10FFFF"},
        {"\xF8\x88\x80\x80\x80", 0, "never occurs"},
        {"a\xFF", 1, "never occurs"},
    };
    for (const Unit unit : {Unit::chars, Unit::words}) {
        for (const BadUtf8& bad : cases) {
            Interner interner;
            try {
                lcs::text::tokenize(unit, bad.input, interner);
                ADD_FAILURE() << "accepted " << testing::PrintToString(bad.input);
            } catch (const lcs::text::InvalidUtf8& error) {
                EXPECT_EQ(error.offset(), bad.offset) << testing::PrintToString(bad.input);
                EXPECT_NE(std::string(error.what()).find(bad.fault), std::string::npos)
                    << error.what();
                EXPECT_NE(std::string(error.what()).find("byte " + std::to_string(bad.offset)),
                          std::string::npos)
                    << error.what();
            }
        }
    }
}

TEST(Utf8, DecodesTheBoundaryCodePoints) {
    const std::string input = std::string("\0\x7F", 2) +
                              "\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"
                              "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    Interner interner;
    const Tokens tokens = lcs::text::tokenize(Unit::chars, input, interner);
    EXPECT_EQ(tokens.symbols, (std::u32string{0x0, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xE000,
                                              0xFFFF, 0x10000, 0x10FFFF}));
    EXPECT_EQ(token_bytes(input, tokens),
              (std::vector<std::string>{std::string(1, '\0'), "\x7F", "\xC2\x80", "\xDF\xBF",
                                        "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
                                        "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"}));
}

struct Cut {
    Unit unit;
    std::string input;
    std::vector<std::string> tokens;
};

TEST(Tokenize, CutsWordsAndLinesWhereTheyEnd) {
    const std::vector<Cut> cases = {
        {Unit::words, "", {}},
        {Unit::words, " \t\n\v\f\r", {}},
        {Unit::words, "one", {"one"}},
        {Unit::words, "  one\t\ttwo \r\nthree ", {"one", "two", "three"}},
        {Unit::words, "a\xC2\xA0" "b\xE3\x80\x80" "c\xE2\x80\xA8" "d", {"a", "b", "c", "d"}},
        {Unit::words, "zero\xE2\x80\x8Bwidth caf\xC3\xA9", {"zero\xE2\x80\x8Bwidth", "caf\xC3\xA9"}},
        {Unit::lines, "", {}},
        {Unit::lines, "\n", {"\n"}},
        {Unit::lines, "\n\n", {"\n", "\n"}},
        {Unit::lines, "a\r\nb", {"a\r\n", "b"}},
        {Unit::lines, "a\rb\n\r", {"a\rb\n", "\r"}},
        {Unit::lines, "x\ny\n", {"x\n", "y\n"}},
        {Unit::lines, "\xFF\xFE\n\x80", {"\xFF\xFE\n", "\x80"}},
    };
    for (const Cut& cut : cases) {
        Interner interner;
        const Tokens tokens = lcs::text::tokenize(cut.unit, cut.input, interner);
        EXPECT_EQ(token_bytes(cut.input, tokens), cut.tokens) << testing::PrintToString(cut.input);
        EXPECT_EQ(tokens.symbols.size(), cut.tokens.size());
    }
}

TEST(Tokenize, LinesDifferInTheirEndsAndShareContent) {
    const std::string input = "a\r\na\na\r\na\na";
    Interner interner;
    const Tokens tokens = lcs::text::tokenize(Unit::lines, input, interner);
    EXPECT_EQ(tokens.symbols, (std::u32string{0, 1, 0, 1, 2}));
    for (const std::string& line : token_bytes(input, tokens)) {
        EXPECT_EQ(lcs::text::line_content(line), "a");
    }
    EXPECT_EQ(lcs::text::line_content("a\r"), "a\r");
}

// Against a query's table, a line's unknown words all share one symbol that
// no query word has: the LCS with the query is the one that full interning
// of both gives.
TEST(Tokenize, AgainstAQueryKeepsTheLcsWithIt) {
    std::mt19937 random(13);
    const char* const vocabulary[] = {"a", "bb", "a\xC3\xA9", "to", "be", "or", "not"};
    const auto text = [&](std::size_t words) {
        std::string made;
        for (std::size_t i = 0; i < words; ++i) made += std::string(vocabulary[random() % 7]) + " ";
        return made;
    };
    for (int round = 0; round < 50; ++round) {
        const std::string query = text(random() % 6), line = text(random() % 12);
        for (const Unit unit : {Unit::chars, Unit::words, Unit::lines}) {
            Interner query_table, shared;
            const Tokens q = lcs::text::tokenize(unit, query, query_table);
            const Tokens against = lcs::text::tokenize_against(unit, line, query_table);
            const Tokens q_shared = lcs::text::tokenize(unit, query, shared);
            const Tokens line_shared = lcs::text::tokenize(unit, line, shared);
            EXPECT_EQ(lcs::reference::reference_lcs(q.symbols, against.symbols),
                      lcs::reference::reference_lcs(q_shared.symbols, line_shared.symbols))
                << query << "|" << line;
        }
    }
}

// Tokens that share lengths, prefixes and whole eight-byte words, zero bytes
// and the empty token, many of them landing in the same slots.
TEST(Interner, EqualBytesEqualSymbolsOtherwiseDifferent) {
    std::mt19937 random(15);
    std::vector<std::string> pool = {"", std::string(1, '\0'), std::string(2, '\0'), "a"};
    for (int i = 0; i < 30000; ++i) {
        std::string token(random() % 20, 'x');
        for (char& c : token) c = "ab\0"[random() % 3];
        pool.push_back(token);
    }
    Interner interner;
    std::map<std::string, char32_t> oracle;
    for (const std::string& token : pool) {
        const char32_t symbol = interner.intern(token);
        const auto [place, fresh] = oracle.emplace(token, static_cast<char32_t>(oracle.size()));
        ASSERT_EQ(symbol, place->second) << testing::PrintToString(token) << (fresh ? " new" : "");
        ASSERT_EQ(interner.token(symbol), token);
    }
    EXPECT_EQ(interner.size(), oracle.size());
    for (const auto& [token, symbol] : oracle) ASSERT_EQ(interner.find(token), symbol);
    EXPECT_EQ(interner.find("c"), Interner::kNotInterned);
    EXPECT_EQ(Interner().find(""), Interner::kNotInterned);
}

std::u32string random_symbols(std::mt19937& random, std::size_t size,
                              const std::vector<char32_t>& alphabet) {
    std::u32string symbols(size, 0);
    for (char32_t& symbol : symbols) symbol = alphabet[random() % alphabet.size()];
    return symbols;
}

TEST(Recode, OneBytePerSymbolKeepsTheLcs) {
    std::mt19937 random(256);
    for (const std::size_t distinct : {1u, 2u, 3u, 200u, 256u}) {
        std::vector<char32_t> alphabet;
        for (std::size_t k = 0; k < distinct; ++k) {
            alphabet.push_back(k % 2 ? 0xFFFFFFFFu - k : static_cast<char32_t>(k << 9));
        }
        // Both inputs' symbols together cover the alphabet exactly.
        std::u32string a = random_symbols(random, 150, alphabet);
        std::u32string b = random_symbols(random, 120, alphabet);
        b.append(alphabet.begin(), alphabet.end());
        const auto bytes = lcs::text::recode_to_bytes(a, b);
        ASSERT_TRUE(bytes.has_value()) << distinct;
        ASSERT_EQ(bytes->first.size(), a.size());
        ASSERT_EQ(bytes->second.size(), b.size());
        EXPECT_EQ(lcs::reference::reference_lcs(bytes->first, bytes->second),
                  lcs::reference::reference_lcs(a, b))
            << distinct;
    }
}

TEST(Recode, RefusesMoreThan256DistinctSymbols) {
    std::u32string a, b;
    for (char32_t k = 0; k < 200; ++k) a.push_back(k * 7919);
    for (char32_t k = 200; k < 257; ++k) b.push_back(k * 7919);
    EXPECT_FALSE(lcs::text::recode_to_bytes(a, b).has_value());
    b.pop_back();
    EXPECT_TRUE(lcs::text::recode_to_bytes(a, b).has_value());
    EXPECT_TRUE(lcs::text::recode_to_bytes(U"", U"").has_value());
}

}  // namespace
