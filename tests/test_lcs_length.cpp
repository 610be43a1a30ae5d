// lcs::length, lcs::similarity, lcs::Pattern and the kernel beneath them:
// every path forced against the oracle, around the word edges, with bytes 0
// and 255 and symbols up to 0xFFFFFFFF; the final row for divide and
// conquer; a pattern shared by threads; the length limit.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <lcs/lcs.h>
#include "kernel/kernel.h"
#include "reference/oracles.h"
#include "reference/sequences.h"

namespace {

using lcs::kernel::Isa;
using lcs::kernel::Paths;
using lcs::reference::reference_lcs;

// Each instruction set this processor runs, each with the kernel's own
// band choice, the full computation, and a band that must widen.
std::vector<Paths> every_path() {
    std::vector<Paths> all;
    for (const Isa isa : {Isa::plain, Isa::avx2, Isa::avx512}) {
        if (!lcs::kernel::isa_available(isa)) continue;
        for (const std::int32_t band : {0, -1, 3}) all.push_back(Paths{isa, band});
    }
    return all;
}

std::u32string widened(const std::string& text) {
    std::u32string wide;
    for (const char c : text) wide.push_back(static_cast<unsigned char>(c));
    return wide;
}

// Symbols of the byte range and far above it, up to the largest.
std::u32string random_symbols(std::mt19937& rng, std::size_t length) {
    static const char32_t kSymbols[] = {0, 1, 255, 0x10000, 0x10FFFF, 0xFFFFFFFE, 0xFFFFFFFF};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kSymbols) - 1);
    std::u32string text(length, 0);
    for (char32_t& c : text) c = kSymbols[pick(rng)];
    return text;
}

template <typename Text>
void expect_every_path(const Text& a, const Text& b) {
    const auto expected = static_cast<std::size_t>(reference_lcs(Text(a), Text(b)));
    for (const Paths& paths : every_path()) {
        ASSERT_EQ(lcs::kernel::length(a, b, paths), expected)
            << "isa " << static_cast<int>(paths.isa) << ", band " << paths.first_band << ", lengths "
            << a.size() << " and " << b.size();
    }
    const lcs::Pattern query(a);
    ASSERT_EQ(static_cast<std::size_t>(query.length(b)), expected) << a.size() << ", " << b.size();
}

// The word edges of one to four words (short paths), eight (registers) and
// beyond (blocks).
const std::size_t kLengths[] = {0,   1,   2,   63,  64,  65,  127, 128, 129,
                                192, 200, 255, 256, 257, 511, 512, 513, 700};

TEST(LcsLength, BytesAroundWordEdgesOnEveryPath) {
    std::mt19937 rng(12);
    std::string every_byte;
    for (int c = 0; c < 256; ++c) every_byte.push_back(static_cast<char>(c));
    const std::string alphabets[] = {"ab", std::string("\0\xff", 2), "ACGT", every_byte};
    for (const std::size_t n : kLengths) {
        for (const std::size_t m : {std::size_t{1}, std::size_t{64}, n, n + 1, std::size_t{300}}) {
            const std::string& alphabet = alphabets[(n + m) % std::size(alphabets)];
            const std::string a = lcs::reference::random_string(rng, n, alphabet);
            expect_every_path(a, lcs::reference::random_string(rng, m, alphabet));
            expect_every_path(a, lcs::reference::mutated(rng, a, 3, alphabet));
            if (HasFatalFailure()) return;
        }
    }
}

// X of one vector block and a remainder, of the AVX2 chains (16 and 48
// words) and of AVX-512's (32) with what is left after each; Y from fewer
// rows than a block has chains up to as long as X.
TEST(LcsLength, BlocksOfEveryVectorWidthOnEveryPath) {
    std::mt19937 rng(41);
    std::string every_byte;
    for (int c = 0; c < 256; ++c) every_byte.push_back(static_cast<char>(c));
    for (const std::size_t n : {1024, 1090, 2100, 3072, 3500}) {
        for (const std::size_t m : {std::size_t{2}, std::size_t{5}, std::size_t{1000}, n}) {
            const std::string& alphabet = m % 2 == 0 ? every_byte : std::string("ACGT");
            const std::string a = lcs::reference::random_string(rng, n, alphabet);
            const std::string b = lcs::reference::random_string(rng, m, alphabet);
            expect_every_path(a, b);
            if (HasFatalFailure()) return;
            // A prepared X takes the blocks even for a Y of a few rows.
            const lcs::detail::PatternData prepared(a);
            const auto expected = static_cast<std::size_t>(reference_lcs(a, b));
            for (const Paths& paths : every_path()) {
                ASSERT_EQ(lcs::kernel::pattern_length(prepared, b, paths), expected)
                    << "isa " << static_cast<int>(paths.isa) << ", lengths " << n << " and " << m;
            }
        }
        const std::string a = lcs::reference::random_string(rng, n, "ACGT");
        expect_every_path(a, lcs::reference::mutated(rng, a, 40, "ACGT"));
    }
}

TEST(LcsLength, WideSymbolsAroundWordEdgesOnEveryPath) {
    std::mt19937 rng(32);
    for (const std::size_t n : kLengths) {
        for (const std::size_t m : {std::size_t{1}, std::size_t{64}, n + 1, std::size_t{300}}) {
            expect_every_path(random_symbols(rng, n), random_symbols(rng, m));
            if (HasFatalFailure()) return;
        }
    }
}

TEST(LcsLength, AlikeLongStringsTakeTheBand) {
    std::mt19937 rng(5);
    const std::string a = lcs::reference::random_string(rng, 4000, "ACGT");
    for (const int percent : {0, 1, 10}) {
        expect_every_path(a, lcs::reference::mutated(rng, a, percent, "ACGT"));
        expect_every_path(widened(a), widened(lcs::reference::mutated(rng, a, percent, "ACGT")));
    }
}

TEST(LcsLength, PatternMixesBytesAndSymbols) {
    // Byte b is symbol b, whichever of the two the query or the text is.
    std::mt19937 rng(7);
    for (const std::size_t n : {std::size_t{10}, std::size_t{100}, std::size_t{600}}) {
        std::u32string query = widened(lcs::reference::random_string(rng, n, "ab\xff"));
        query[n / 2] = 0x161;  // 'a' + 256: not byte 'a'
        const std::string text = lcs::reference::random_string(rng, n + 7, std::string("ab\xff\x61", 4));
        const auto expected = reference_lcs(std::u32string_view(query), widened(text));
        EXPECT_EQ(lcs::Pattern(query).length(text), expected) << n;
        EXPECT_EQ(lcs::Pattern(text).length(query), expected) << n;
    }
}

TEST(LcsLength, LongQueryOfManyDistinctSymbolsKeepsRowsAsPositions) {
    // 12,000 distinct symbols would take more than 16 MiB of whole rows.
    std::mt19937 rng(3);
    std::u32string query(12000, 0);
    for (std::size_t p = 0; p < query.size(); ++p) query[p] = static_cast<char32_t>(0x20000 + p);
    std::u32string text;
    for (std::size_t r = 0; r < 300; ++r) text.push_back(query[(r * 37 + rng() % 5) % query.size()]);
    const lcs::Pattern prepared(query);
    ASSERT_EQ(prepared.data().match_row(1), nullptr);
    EXPECT_EQ(prepared.length(text), reference_lcs(std::u32string_view(query), text));
}

TEST(LcsLength, FinalRowCountsEveryPrefix) {
    std::mt19937 rng(9);
    for (const std::size_t n : {std::size_t{70}, std::size_t{1100}, std::size_t{2100}}) {
        const std::string x = lcs::reference::random_string(rng, n, "ACGT");
        const std::string y = lcs::reference::random_string(rng, 150, "ACGT");
        const lcs::detail::PatternData data(x);
        for (const Paths& paths : every_path()) {
            std::vector<lcs::kernel::Word> v(data.words());
            lcs::kernel::final_row(data, y, v.data(), paths);
            for (const std::size_t p : {std::size_t{0}, std::size_t{1}, std::size_t{64}, n / 2 + 3, n}) {
                EXPECT_EQ(lcs::kernel::zero_bits_below(v.data(), p),
                          static_cast<std::size_t>(reference_lcs(x.substr(0, p), y)))
                    << n << " " << p;
            }
        }
    }
}

TEST(LcsLength, SimilarityAndPublicEdges) {
    EXPECT_EQ(lcs::length("ABCBDAB", "BDCABA"), 4);
    EXPECT_EQ(lcs::Pattern("kitten").length("sitting"), 4);
    EXPECT_EQ(lcs::similarity("", ""), 1.0);
    EXPECT_EQ(lcs::similarity("abc", ""), 0.0);
    EXPECT_EQ(lcs::similarity(U"abcd", U"abxd"), 0.75);
    lcs::Pattern moved("abc");
    const lcs::Pattern taken(std::move(moved));
    EXPECT_EQ(taken.length("xbc"), 2);
    EXPECT_EQ(taken.size(), 3);
}

TEST(LcsLength, PatternSharedByTwoThreads) {
    std::mt19937 rng(2);
    const std::string query = lcs::reference::random_string(rng, 700, "ACGT");
    const lcs::Pattern prepared(query);
    std::vector<std::string> texts;
    for (int k = 0; k < 8; ++k) texts.push_back(lcs::reference::random_string(rng, 300 + 50 * k, "ACGT"));
    std::vector<std::int32_t> expected;
    for (const std::string& text : texts) expected.push_back(reference_lcs(query, text));
    const auto check = [&](std::vector<std::int32_t>& out) {
        for (const std::string& text : texts) out.push_back(prepared.length(text));
    };
    std::vector<std::int32_t> first, second;
    std::thread other(check, std::ref(first));
    check(second);
    other.join();
    EXPECT_EQ(first, expected);
    EXPECT_EQ(second, expected);
}

TEST(LcsLength, OverLongStringIsRefusedUnread) {
    // Only the size is looked at: the view's bytes past the buffer are never read.
    const char buffer[4] = {'a', 'b', 'c', 'd'};
    const std::size_t too_long = static_cast<std::size_t>(lcs::kMaxLength) + 1;
    const std::string_view huge(buffer, too_long);
    const std::u32string_view huge_symbols(U"abcd", too_long);
    EXPECT_THROW(lcs::length(huge, "ab"), std::length_error);
    EXPECT_THROW(lcs::length(U"ab", huge_symbols), std::length_error);
    EXPECT_THROW(lcs::similarity("ab", huge), std::length_error);
    EXPECT_THROW(lcs::Pattern{huge}, std::length_error);
    EXPECT_THROW(lcs::Pattern("ab").length(huge_symbols), std::length_error);
}

}  // namespace
