// The unified diff writer: the exact text diff -u prints on small cases
// (hunk ranges, merged and separate hunks, the missing final newline), and
// on generated file pairs a diff that patch applies to A to give B byte for
// byte, with as many changed lines as diff --minimal finds; and Myers'
// difference search giving valid alignments of exactly the oracle's length.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "program_run.h"
#include "reference/alignment_check.h"
#include "text/differences.h"
#include "text/tokens.h"
#include "text/unified_diff.h"

namespace {

using lcs::text::Unit;
using testing_support::slurp;
using testing_support::temporary_path;
using testing_support::write_file;

lcs::Alignment exact_alignment(const std::u32string& a, const std::u32string& b) {
    const std::optional<lcs::Alignment> alignment =
        lcs::text::align_by_differences(a, b, UINT64_MAX);
    EXPECT_TRUE(alignment.has_value());
    EXPECT_EQ(lcs::reference::alignment_fault<char32_t>(a, b, *alignment), "");
    return *alignment;
}

std::string line_diff(const std::string& a, const std::string& b, std::int64_t context) {
    lcs::text::Interner interner;
    const lcs::text::Tokens ta = lcs::text::tokenize(Unit::lines, a, interner);
    const lcs::text::Tokens tb = lcs::text::tokenize(Unit::lines, b, interner);
    return lcs::text::unified_diff({"A", a, ta.spans}, {"B", b, tb.spans},
                                   exact_alignment(ta.symbols, tb.symbols), context);
}

struct Expected {
    std::string a, b;
    std::int64_t context;
    std::string diff;
};

TEST(UnifiedDiff, PrintsWhatDiffPrints) {
    const std::string twelve = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n";
    const std::vector<Expected> cases = {
        {"a\nb\n", "a\nb\n", 3, ""},
        {"", "", 3, ""},
        {"", "x\ny\n", 3, "--- A\n+++ B\n@@ -0,0 +1,2 @@\n+x\n+y\n"},
        {"x\ny\n", "", 3, "--- A\n+++ B\n@@ -1,2 +0,0 @@\n-x\n-y\n"},
        {"x\ny\n", "x\ny", 3,
         "--- A\n+++ B\n@@ -1,2 +1,2 @@\n x\n-y\n+y\n\\ No newline at end of file\n"},
        {"x\ny", "x\ny", 3, ""},
        {"x\ny", "w\nx\ny", 3,
         "--- A\n+++ B\n@@ -1,2 +1,3 @@\n+w\n x\n y\n\\ No newline at end of file\n"},
        {"a\r\nb\n", "a\nb\n", 3, "--- A\n+++ B\n@@ -1,2 +1,2 @@\n-a\r\n+a\n b\n"},
        {"a\nb\nc\nd\ne\nf\ng\nh\ni\n", "a\nb\nc\nd\nX\nf\ng\nh\ni\n", 0,
         "--- A\n+++ B\n@@ -5 +5 @@\n-e\n+X\n"},
        {"a\nb\nc\n", "a\nc\n", 0, "--- A\n+++ B\n@@ -2 +1,0 @@\n-b\n"},
        // Six kept lines between two changes: one hunk at context 3.
        {twelve, "0\n2\n3\n4\n5\n6\n7\n0\n9\n10\n11\n12\n", 3,
         "--- A\n+++ B\n@@ -1,11 +1,11 @@\n-1\n+0\n 2\n 3\n 4\n 5\n 6\n 7\n-8\n+0\n 9\n 10\n"
         " 11\n"},
        // Seven: two hunks.
        {twelve, "0\n2\n3\n4\n5\n6\n7\n8\n0\n10\n11\n12\n", 3,
         "--- A\n+++ B\n@@ -1,4 +1,4 @@\n-1\n+0\n 2\n 3\n 4\n@@ -6,7 +6,7 @@\n 6\n 7\n 8\n-9\n"
         "+0\n 10\n 11\n 12\n"},
    };
    for (const Expected& expected : cases) {
        EXPECT_EQ(line_diff(expected.a, expected.b, expected.context), expected.diff)
            << testing::PrintToString(expected.a) << " -> " << testing::PrintToString(expected.b);
    }
}

TEST(UnifiedDiff, QuotesLabelsThatWouldBreakTheHeader) {
    const std::vector<lcs::text::Span> one = {{0, 2}};
    const std::string diff = lcs::text::unified_diff(
        {"a\nb", "x\n", one}, {"say \"hi\"\x01", "", {}}, {0, {{lcs::Edit::remove, 0, 0, 1}}});
    EXPECT_EQ(diff, "--- \"a\\nb\"\n+++ \"say \\\"hi\\\"\\001\"\n@@ -1 +0,0 @@\n-x\n");
}

// Lines from a small stock, so that many repeat, some with CR LF, and the
// last line sometimes without its LF.
std::string random_file(std::mt19937& random, std::size_t lines) {
    static const char* const stock[] = {"{", "}", "", "return 0;", "x += 1;", "x += 1;\r",
                                        "int x = 0;", "// note"};
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) text += std::string(stock[random() % 8]) + "\n";
    if (!text.empty() && random() % 3 == 0) text.pop_back();
    return text;
}

std::string edited(std::mt19937& random, const std::string& text) {
    std::string result;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = std::min(text.find('\n', begin), text.size() - 1) + 1;
        const unsigned roll = random() % 10;
        if (roll != 0) result += text.substr(begin, end - begin);  // 0: the line goes
        if (roll == 1) result += random_file(random, 1 + random() % 3);
        begin = end;
    }
    return result;
}

bool have(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::size_t changed_lines(const std::string& diff) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < diff.size(); at = diff.find('\n', at) + 1) {
        if ((diff[at] == '-' || diff[at] == '+') && diff.compare(at, 4, "--- ") != 0 &&
            diff.compare(at, 4, "+++ ") != 0) {
            ++count;
        }
    }
    return count;
}

TEST(UnifiedDiff, PatchRebuildsBAndDiffMinimalCountsTheSame) {
    if (!have("patch") || !have("diff")) GTEST_SKIP() << "patch or diff is not installed";
    const std::string path_a = temporary_path("a"), path_b = temporary_path("b"),
                      path_diff = temporary_path("diff"), path_out = temporary_path("patched"),
                      path_count = temporary_path("count");
    std::mt19937 random(1976);
    for (int pair = 0; pair < 12; ++pair) {
        const std::string a = random_file(random, random() % 60), b = edited(random, a);
        const std::int64_t context = pair % 4;
        const std::string diff = line_diff(a, b, context);
        write_file(path_a, a);
        write_file(path_b, b);
        write_file(path_diff, diff);
        const std::string patch = "patch -s -o " + path_out + " " + path_a + " < " + path_diff;
        if (diff.empty()) write_file(path_out, a);
        else ASSERT_EQ(std::system(patch.c_str()), 0) << diff;
        EXPECT_EQ(slurp(path_out), b) << diff;
        const std::string count = "diff --minimal " + path_a + " " + path_b +
                                  " | grep -c '^[<>]' > " + path_count;
        ASSERT_NE(std::system(count.c_str()), -1);
        EXPECT_EQ(std::to_string(changed_lines(diff)) + "\n", slurp(path_count)) << diff;
    }
}

std::u32string random_symbols(std::mt19937& random, std::size_t size, char32_t letters) {
    std::u32string symbols(size, 0);
    for (char32_t& symbol : symbols) symbol = 0xFFFFFFF0u + random() % letters;
    return symbols;
}

// Random pairs (unlike) and a string against its own edited copy (alike),
// every length from 0 to 40 and a few longer, 2 to 16 letters.
TEST(Differences, AlignsExactlyOnAlikeAndUnlikePairs) {
    std::mt19937 random(1986);
    for (std::size_t n = 0; n <= 300; n += n < 40 ? 1 : 37) {
        const char32_t letters = 2 + random() % 15;
        const std::u32string a = random_symbols(random, n, letters);
        exact_alignment(a, random_symbols(random, random() % (n + 5), letters));
        std::u32string b = a;
        for (std::size_t edits = random() % 6; edits > 0 && !b.empty(); --edits) {
            const std::size_t at = random() % b.size();
            if (random() % 2) b.erase(at, 1 + random() % 3);
            else b.insert(at, random_symbols(random, 1 + random() % 3, letters));
        }
        exact_alignment(a, b);
    }
}

TEST(Differences, GivesUpWhenTheBudgetRunsOut) {
    std::mt19937 random(7);
    const std::u32string a = random_symbols(random, 400, 4), b = random_symbols(random, 400, 4);
    EXPECT_FALSE(lcs::text::align_by_differences(a, b, 1000).has_value());
    EXPECT_TRUE(lcs::text::align_by_differences(a, a, 1000).has_value());
}

}  // namespace
