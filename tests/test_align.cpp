// lcs::align and lcs::common_subsequence held to the alignment checker
// (reference/alignment_check.h) on every path: the traceback alone, the
// Hirschberg splits in the full pass and in the band (a tiny traceback
// budget makes even short strings split), and several threads.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include <lcs/lcs.h>
#include "reference/alignment_check.h"
#include "reference/sequences.h"
#include "toolkit/align.h"

namespace {

using lcs::kernel::Isa;
using lcs::kernel::Paths;
using lcs::reference::alignment_fault;

struct NamedPaths {
    const char* name;
    Paths paths;
};

// Splits down to pieces of one row, in the band or in the full pass, the
// plain blocks forced, and the library's own choice.
const std::vector<NamedPaths>& every_path() {
    static const std::vector<NamedPaths> paths{{"chosen", Paths{}},
                                               {"full splits", Paths{Isa::automatic, -1, 4}},
                                               {"band splits", Paths{Isa::automatic, 1, 4}},
                                               {"plain full splits", Paths{Isa::plain, -1, 4}}};
    return paths;
}

bool same_runs(const lcs::Alignment& x, const lcs::Alignment& y) {
    if (x.length != y.length || x.runs.size() != y.runs.size()) return false;
    for (std::size_t i = 0; i < x.runs.size(); ++i) {
        const lcs::Run &p = x.runs[i], &q = y.runs[i];
        if (p.edit != q.edit || p.a_pos != q.a_pos || p.b_pos != q.b_pos || p.count != q.count)
            return false;
    }
    return true;
}

template <typename Char>
void expect_sound(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    for (const NamedPaths& path : every_path()) {
        const lcs::Alignment alignment = lcs::detail::align_with(a, b, 1, path.paths);
        EXPECT_EQ(alignment_fault(a, b, alignment), "")
            << path.name << ", lengths " << a.size() << " and " << b.size();
    }
}

// Every length 0 to 200 (across the word and block edges at 64, 128 and
// 256 bits of the packed string) against a string of the same length, one
// of the complementary length, and one of a length far off, over alphabets
// that hold the bytes 0 and 255.
TEST(Align, EveryLengthToTwoHundredOnEveryPath) {
    std::mt19937 rng(14);
    const auto& alphabets = lcs::reference::small_alphabets();
    for (std::size_t n = 0; n <= 200; ++n) {
        const std::string& alphabet = alphabets[n % alphabets.size()];
        const std::string a = lcs::reference::random_string(rng, n, alphabet);
        for (const std::size_t m : {n, 200 - n, (n * 7 + 3) % 201}) {
            const std::string b = lcs::reference::random_string(rng, m, alphabet);
            expect_sound<char>(a, b);
            expect_sound<char>(a, lcs::reference::mutated(rng, a, 5, alphabet));
        }
    }
}

// Wide symbols are ranked by a direct table when they are small against the
// texts' length (characters, interned words) and by sorting otherwise: both
// ways, on symbol sets that straddle the table's bound.
TEST(Align, WideSymbolsBeyondTheBasicPlane) {
    const std::u32string symbol_sets[] = {
        {0x10000, 0x10FFFF, 0xFFFFFFFF, 0, 0x61},  // sorted
        {0, 1, 0x61, 0xE9, 0xFFFF},                // a direct table
        {0, 0x61, 0x10000, 0x10400, 0x104AF},      // a table just under its bound at 300 letters
    };
    std::mt19937 rng(32);
    for (const std::u32string& symbols : symbol_sets) {
        std::uniform_int_distribution<std::size_t> pick(0, symbols.size() - 1);
        for (std::size_t n = 0; n <= 300; n += 23) {
            std::u32string a(n, 0), b(300 - n, 0);
            for (char32_t& c : a) c = symbols[pick(rng)];
            for (char32_t& c : b) c = symbols[pick(rng)];
            expect_sound<char32_t>(a, b);
            expect_sound<char32_t>(a, a.substr(n / 3) + b.substr(0, n / 4));
        }
    }
}

// Long enough pairs that the splits run on several threads and the band
// and the two-step first guess are taken: the runs are sound and the same
// for every thread count.
TEST(Threads, AlignAlikeAndUnlikePairsGiveTheSameRunsOnAnyThreadCount) {
    std::mt19937 rng(5);
    const std::string a = lcs::reference::random_string(rng, 4500, "acgt");
    std::string alike = lcs::reference::mutated(rng, a, 1, "acgt");
    alike.erase(1000, 37);
    alike.insert(3000, "ttttgggg");
    const std::vector<std::string> partners{alike, lcs::reference::random_string(rng, 4300, "acgt"),
                                            a.substr(0, 2000) + a.substr(2500)};
    for (const std::string& b : partners) {
        const std::int32_t expected = lcs::reference::reference_lcs(a, b);
        for (const NamedPaths& path : {every_path()[0], NamedPaths{"band", Paths{Isa::automatic, 1, 1 << 15}},
                                       NamedPaths{"full", Paths{Isa::automatic, -1, 1 << 15}}}) {
            const lcs::Alignment one = lcs::detail::align_with(a, b, 1, path.paths);
            EXPECT_EQ(alignment_fault<char>(a, b, one, expected), "") << path.name;
            for (const unsigned threads : {2u, 5u}) {
                EXPECT_TRUE(same_runs(one, lcs::detail::align_with(a, b, threads, path.paths)))
                    << path.name << ", " << threads << " threads";
            }
        }
    }
}

// Pairs long enough for every strategy: a few changes (the difference
// search), more (the band from the length pass's difference) and none in
// common to speak of (the full passes). Whatever the library chooses is
// exact, and so are the bands and the full passes forced on every split.
TEST(Align, DifferenceSearchBandAndFullPassesAreEachExact) {
    std::mt19937 rng(9600);
    const std::string letters = "abcdefghijklmnopqrstuvwxyz";
    const std::string a = lcs::reference::random_string(rng, 9600, letters);
    std::string few = a;
    few[100] = 'x';
    few.erase(9500, 3);
    const std::vector<std::string> partners{few, lcs::reference::mutated(rng, a, 2, letters),
                                            lcs::reference::mutated(rng, a, 30, letters),
                                            lcs::reference::random_string(rng, 9600, letters)};
    for (const std::string& b : partners) {
        const std::int32_t expected = lcs::length(a, b);
        const lcs::Alignment chosen = lcs::detail::align_with(a, b, 1, Paths{});
        EXPECT_EQ(alignment_fault<char>(a, b, chosen, expected), "");
        // Forced full passes and forced bands split at rows of their own
        // (full passes take the rows handed down), so each must be sound.
        const lcs::Alignment full = lcs::detail::align_with(a, b, 1, Paths{Isa::automatic, -1});
        EXPECT_EQ(alignment_fault<char>(a, b, full, expected), "");
        const lcs::Alignment banded = lcs::detail::align_with(a, b, 1, Paths{Isa::automatic, 1});
        EXPECT_EQ(alignment_fault<char>(a, b, banded, expected), "");
    }
}

// Lengths across the edges of the 32-word vector blocks, where the full
// passes run them (the plain blocks are forced by one of the paths).
TEST(Align, AcrossTheVectorBlocks) {
    std::mt19937 rng(2048);
    for (const std::size_t n : {2047u, 2048u, 2049u, 4161u}) {
        const std::string a = lcs::reference::random_string(rng, n, "ab\xff");
        expect_sound<char>(a, lcs::reference::random_string(rng, 2100, "ab\xff"));
        expect_sound<char>(a, lcs::reference::mutated(rng, a, 3, "ab\xff"));
    }
}

// A single row against a string whose row vector passes the traceback
// budget is still solved, not split without end.
TEST(Align, OneSymbolAgainstALongString) {
    std::mt19937 rng(1);
    const std::string text = lcs::reference::random_string(rng, 700, "ab");
    for (const std::string& b : {std::string("b"), std::string("c")}) {
        for (const NamedPaths& path : every_path()) {
            const lcs::Alignment alignment = lcs::detail::align_with(text, b, 1, path.paths);
            EXPECT_EQ(alignment_fault<char>(text, b, alignment), "") << path.name;
        }
    }
}

TEST(Align, CommonSubsequenceIsTheKeptBytes) {
    const struct {
        std::string a, b, common;
    } cases[] = {{"", "", ""}, {"abc", "", ""}, {"ABCBDAB", "BDCABA", "BCBA"},
                 {std::string("\0\xff\0", 3), std::string("\xff\0", 2), std::string("\xff\0", 2)}};
    for (const auto& c : cases) {
        const std::string common = lcs::common_subsequence(c.a, c.b);
        EXPECT_EQ(common.size(), static_cast<std::size_t>(lcs::reference::reference_lcs(c.a, c.b)));
        EXPECT_EQ(lcs::reference::reference_lcs(common, c.a), static_cast<std::int32_t>(common.size()));
        EXPECT_EQ(lcs::reference::reference_lcs(common, c.b), static_cast<std::int32_t>(common.size()));
    }
}

}  // namespace
