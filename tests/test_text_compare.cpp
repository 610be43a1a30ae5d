// lcs-compare and lcs-search --by chars|words|lines end to end: lengths and
// LCS counted in the unit, the classic routines agreeing on the recoded
// tokens or saying they cannot take them, the unified diff that patch
// applies, and one error line with status 2 for input that is not UTF-8 and
// for bad values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "json_reader.h"
#include "program_run.h"

namespace {

using testing_support::Json;
using testing_support::JsonReader;
using testing_support::ProgramRun;
using testing_support::slurp;
using testing_support::temporary_path;
using testing_support::write_file;

ProgramRun run_compare(const std::vector<std::string>& arguments) {
    return testing_support::run_program(LCS_COMPARE_EXECUTABLE, arguments);
}

struct UnitCase {
    std::string unit, a, b;
    double length_a, length_b, lcs;
    const char* unit_noun;
};

// "éè" against "èé" share two bytes by bytes (C3 A9 C3 A8 and C3 A8 C3 A9:
// the lead bytes, halves of characters) and one character by characters.
TEST(CompareByUnit, CountsAndAgreesInTheUnit) {
    const std::vector<UnitCase> cases = {
        {"chars", "na\xC3\xAFve caf\xC3\xA9", "naive cafe", 10, 10, 8, "characters"},
        {"chars", "\xC3\xA9\xC3\xA8", "\xC3\xA8\xC3\xA9", 2, 2, 1, "characters"},
        {"bytes", "\xC3\xA9\xC3\xA8", "\xC3\xA8\xC3\xA9", 4, 4, 2, nullptr},
        {"words", "the quick  brown\tfox", "the\nquick red fox", 4, 4, 3, "words"},
        {"lines", "a\nb\r\nc", "a\nb\nc\n", 3, 3, 1, "lines"},
    };
    for (const UnitCase& c : cases) {
        const ProgramRun run = run_compare({"--json", "--by", c.unit, c.a, c.b});
        ASSERT_EQ(run.status, 0) << c.unit << ": " << run.err;
        const Json report = JsonReader::parse(run.out);
        EXPECT_EQ(report["length_a"].number, c.length_a) << c.unit;
        EXPECT_EQ(report["length_b"].number, c.length_b) << c.unit;
        EXPECT_EQ(report["lcs_length"].number, c.lcs) << c.unit << " " << c.a;
        EXPECT_TRUE(report["agreement"].boolean);
        if (c.unit_noun == nullptr) {
            EXPECT_EQ(report.members.count("unit"), 0u);
        } else {
            EXPECT_EQ(report["unit"].text, c.unit_noun);
            EXPECT_EQ(report["methods"].items.at(0)["name"].text, "lcs::length");
        }
        for (const Json& method : report["methods"].items) {
            EXPECT_EQ(method["status"].text, "ok") << method["name"].text;
        }
    }
}

TEST(CompareByUnit, ThreadsLeaveTheRowAndTheShowAsTheyAre) {
    const std::string a = "na\xC3\xAFve caf\xC3\xA9 au lait", b = "naive cafe, lait";
    const Json one = JsonReader::parse(
        run_compare({"--json", "--show", "--by", "chars", "--threads", "1", a, b}).out);
    for (const char* threads : {"2", "7"}) {
        const Json many = JsonReader::parse(
            run_compare({"--json", "--show", "--by", "chars", "--threads", threads, a, b}).out);
        EXPECT_EQ(many["lcs_length"].number, one["lcs_length"].number) << threads;
        EXPECT_EQ(many["common_subsequence"].text, one["common_subsequence"].text) << threads;
        EXPECT_EQ(many["alignment"].items.size(), one["alignment"].items.size()) << threads;
    }
}

TEST(CompareByUnit, ClassicRoutinesTakeAtMost256DistinctTokens) {
    std::string a, b;
    for (int i = 0; i < 300; ++i) (i % 2 ? a : b) += "w" + std::to_string(i) + " ";
    a += "same";
    b += "same";
    const ProgramRun run = run_compare({"--json", "--by", "words", a, b});
    ASSERT_EQ(run.status, 0) << run.err;
    const Json report = JsonReader::parse(run.out);
    EXPECT_EQ(report["lcs_length"].number, 1);
    const std::vector<Json>& methods = report["methods"].items;
    EXPECT_EQ(methods.at(0)["status"].text, "ok");
    for (std::size_t i = 1; i < methods.size(); ++i) {
        EXPECT_EQ(methods[i]["skip_reason"].text, "too_many_tokens") << methods[i]["name"].text;
    }
    EXPECT_NE(run_compare({"--by", "words", a, b}).out.find("takes at most 256 distinct tokens"),
              std::string::npos);
}

struct Refusal {
    std::vector<std::string> arguments;
    std::string message;
    std::string input = "";  // standard input
};

TEST(CompareByUnit, RefusesWithOneLineAndStatus2) {
    // An input is named as the user gave it: A or B for a string, the path
    // for a file, standard input for '-'.
    const std::string stray = testing_support::temporary_path("stray byte.txt");
    testing_support::write_file(stray, "ab\x80");
    const std::string whole_number = "option '--unified' needs a whole number of 0 or more, not ";
    const std::vector<Refusal> cases = {
        {{"--by", "chars", "abc", "ab\xC3"}, "B is not UTF-8: a truncated sequence at byte 2"},
        {{"--by", "words", "\xED\xA0\x80", "x"}, "A is not UTF-8: a surrogate at byte 0"},
        {{"--by", "chars", "--files", stray, "-"},
         "'" + stray + "' is not UTF-8: a stray continuation byte at byte 2"},
        {{"--by", "words", "--files", "-", stray},
         "'" + stray + "' is not UTF-8: a stray continuation byte at byte 2"},
        {{"--by", "chars", "a", "-"},
         "standard input is not UTF-8: a stray continuation byte at byte 2",
         "ab\x80"},
        {{"--by", "pages", "a", "b"}, "option '--by' needs bytes, chars, words or lines, not 'pages'"},
        {{"--by", "lines", "-U", "x", "a", "b"}, whole_number + "'x'"},
        {{"--by", "lines", "-U", "-2", "a", "b"}, whole_number + "'-2'"},
        {{"--by", "lines", "-U", " 3", "a", "b"}, whole_number + "' 3'"},
        {{"--by", "lines", "-U", "+3", "a", "b"}, whole_number + "'+3'"},
    };
    for (const Refusal& refusal : cases) {
        const ProgramRun run =
            testing_support::run_program(LCS_COMPARE_EXECUTABLE, refusal.arguments, refusal.input);
        EXPECT_EQ(run.status, 2) << refusal.message;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.find("lcs-compare: " + refusal.message), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

TEST(CompareByUnit, ShowByLinesIsADiffThatPatchApplies) {
    if (std::system("command -v patch >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "patch is not installed";
    }
    std::string a, b;
    for (int i = 0; i < 400; ++i) {
        const std::string line = "line " + std::to_string(i % 150) + (i % 7 ? "\n" : "\r\n");
        if (i % 37 != 5) a += line;
        if (i % 41 != 9) b += i % 53 == 0 ? "new " + line : line;
    }
    b.pop_back();
    const std::string path_a = temporary_path("by_lines_a"), path_b = temporary_path("by_lines_b"),
                      path_out = temporary_path("by_lines_patched");
    write_file(path_a, a);
    write_file(path_b, b);
    for (const char* context : {"0", "3", "10"}) {
        const ProgramRun run =
            run_compare({"--by", "lines", "--show", "-U", context, "--files", path_a, path_b});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("--- " + path_a + "\n+++ " + path_b + "\n@@ -"), std::string::npos);
        const std::string diff = temporary_path("by_lines_diff");
        write_file(diff, run.out);
        const std::string patch = "patch -s -o " + path_out + " " + path_a + " < " + diff;
        ASSERT_EQ(std::system(patch.c_str()), 0) << run.out;
        EXPECT_EQ(slurp(path_out), b) << "context " << context;
    }
}

struct Search {
    std::string unit, query, lines, out;
};

// Lines ranked in the unit; a word, line or character the query lacks
// matches nothing, and by lines the CR LF of the input is no part of a line.
TEST(SearchByUnit, RanksInTheUnit) {
    const std::vector<Search> cases = {
        {"words", "quick brown fox", "the quick brown fox\nbrown fox quick\nfoxes\n",
         "0.750\t3\t(standard input):1\tthe quick brown fox\n"
         "0.666\t2\t(standard input):2\tbrown fox quick\n"
         "0.000\t0\t(standard input):3\tfoxes\n"},
        {"chars", "caf\xC3\xA9", "cafe\ncaf\xC3\xA9s\n",
         "0.800\t4\t(standard input):2\tcaf\xC3\xA9s\n0.750\t3\t(standard input):1\tcafe\n"},
        {"lines", "zzz\nsecond\n", "first\r\nsecond\r\n\n",
         "0.500\t1\t(standard input):2\tsecond\n0.000\t0\t(standard input):1\tfirst\n"
         "0.000\t0\t(standard input):3\t\n"},
    };
    for (const Search& search : cases) {
        const ProgramRun run = testing_support::run_program(
            LCS_SEARCH_EXECUTABLE, {"--by", search.unit, search.query}, search.lines);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, search.out) << search.unit;
    }
}

TEST(SearchByUnit, RefusesTextThatIsNotUtf8) {
    const ProgramRun line = testing_support::run_program(LCS_SEARCH_EXECUTABLE,
                                                         {"--by", "words", "x"}, "ok\nbad \xC0\xAF\n");
    EXPECT_EQ(line.status, 2);
    EXPECT_EQ(line.err, "lcs-search: '(standard input)' line 2 is not UTF-8: an overlong form at "
                        "byte 4\n");
    const ProgramRun query = testing_support::run_program(LCS_SEARCH_EXECUTABLE,
                                                          {"--by", "chars", "\xE2\x82"}, "x\n");
    EXPECT_EQ(query.status, 2);
    EXPECT_EQ(query.err, "lcs-search: QUERY is not UTF-8: a truncated sequence at byte 0\n");
}

}  // namespace
