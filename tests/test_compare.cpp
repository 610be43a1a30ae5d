// The real `lcs-compare` executable: results on known strings and on files
// of any bytes, its JSON read back, the skip, --all and --timeout rules, and
// one error line with status 2 for every kind of bad argument or input.
// Nothing here names the methods of the collection: each test takes them
// from the routine table, so that a routine added there is covered too.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "json_reader.h"
#include "program_run.h"
#include <lcs/lcs.h>
#include <lcs/routines.h>
#include "reference/oracles.h"
#include "reference/sequences.h"
#include "support/memory.h"

namespace {

using testing_support::Json;
using testing_support::JsonReader;
using testing_support::ProgramRun;
using testing_support::temporary_path;
using testing_support::write_file;

ProgramRun run_compare(const std::vector<std::string>& arguments, const std::string& input = "",
                       const std::string& tail = "") {
    return testing_support::run_program(LCS_COMPARE_EXECUTABLE, arguments, input, tail);
}

// Runs with --json and reads the output back; a test fails if it is not JSON.
Json run_json(std::vector<std::string> arguments, const std::string& input = "",
              int expected_status = 0) {
    arguments.insert(arguments.begin(), "--json");
    const ProgramRun run = run_compare(arguments, input);
    EXPECT_EQ(run.status, expected_status) << run.err;
    if (expected_status == 0) {
        EXPECT_EQ(run.err, "");
    }
    try {
        return JsonReader::parse(run.out);
    } catch (const std::exception& error) {
        ADD_FAILURE() << "not JSON (" << error.what() << "):\n" << run.out;
        return Json{};
    }
}

std::vector<std::string> table_names() {
    std::vector<std::string> names;
    for (const lcs::RoutineInfo& routine : lcs::routine_table()) names.push_back(routine.name);
    return names;
}

// Every row of the report, in order, names a routine of the table; every LCS
// method returned `lcs` and agrees, and the summary says so.
void expect_agreement_on(const Json& report, std::int32_t lcs, std::size_t lenA,
                         std::size_t lenB, const std::string& why) {
    ASSERT_EQ(report.type, Json::Type::object) << why;
    EXPECT_EQ(report["length_a"].number, lenA) << why;
    EXPECT_EQ(report["length_b"].number, lenB) << why;
    for (const Json& row : report["methods"].items) {
        const std::string name = row["name"].text;
        if (row["kind"].text != "lcs_length") continue;
        EXPECT_EQ(row["status"].text, "ok") << why << ": " << name;
        EXPECT_EQ(row["result"].number, lcs) << why << ": " << name;
        EXPECT_TRUE(row["agrees"].boolean) << why << ": " << name;
    }
    EXPECT_TRUE(report["agreement"].boolean) << why;
    EXPECT_EQ(report["lcs_length"].number, lcs) << why;
}

TEST(Compare, KnownStringsEveryMethodAgrees) {
    const double unchecked = NAN;
    struct Case {
        const char* a;
        const char* b;
        std::int32_t lcs;
        double similarity;
        std::int64_t distance;  // insert-delete
        double score;           // the Smith-Waterman score
    };
    const Case cases[] = {
        {"ABCBDAB", "BDCABA", 4, 4.0 / 7, 5, unchecked},
        {"", "", 0, 1.0, 0, 0.0},
        {"abc", "", 0, 0.0, 3, 0.0},
        {"", "abc", 0, 0.0, 3, 0.0},
        {"abc", "abc", 3, 1.0, 0, 3.0},
        {"abc", "def", 0, 0.0, 6, 0.0},
        {"abc", "aXc", 2, 2.0 / 3, 2, 1.6666666666666667},
        {"abcdefgh", "abcdXXefgh", 8, 0.8, 2, 6.333333333333334},
        {"aaaa", "aa", 2, 0.5, 2, 2.0},
        {"xxabcxx", "yyabcyy", 3, 3.0 / 7, 8, 3.0},
    };
    for (const Case& c : cases) {
        const std::string why = std::string(c.a) + " / " + c.b;
        const Json report = run_json({c.a, c.b});
        if (report.is_null()) continue;
        expect_agreement_on(report, c.lcs, std::strlen(c.a), std::strlen(c.b), why);
        EXPECT_DOUBLE_EQ(report["similarity"].number, c.similarity) << why;
        EXPECT_EQ(report["insert_delete_distance"].number, c.distance) << why;
        std::vector<std::string> names;
        for (const Json& row : report["methods"].items) names.push_back(row["name"].text);
        EXPECT_EQ(names, table_names()) << why << ": every method runs, in the table's order";
        const Json& score = report["smith_waterman_score"];
        if (!score.is_null() && !std::isnan(c.score)) {
            EXPECT_EQ(score.number, c.score) << why;
        }
    }
}

TEST(Compare, TableShowsARowPerMethodAndTheSummary) {
    const ProgramRun run = run_compare({"ABCBDAB", "BDCABA"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "") << "no progress line when standard error is not a terminal";
    EXPECT_EQ(run.out.rfind("A: 7 bytes, B: 6 bytes\n\nmethod ", 0), 0u) << run.out;
    for (const lcs::RoutineInfo& routine : lcs::routine_table()) {
        const std::size_t row = run.out.find(std::string("\n") + routine.name + " ");
        ASSERT_NE(row, std::string::npos) << routine.name << "\n" << run.out;
        const std::string line = run.out.substr(row + 1, run.out.find('\n', row + 1) - row - 1);
        if (routine.kind == lcs::RoutineKind::lcs_length) {
            EXPECT_NE(line.find(" 4 "), std::string::npos) << line;
            EXPECT_EQ(line.substr(line.size() - 3), "yes") << line;
        }
    }
    for (const char* figure : {"\nLCS length:              4\n", "\nsimilarity:              0.571428",
                               "\ninsert-delete distance:  5 "}) {
        EXPECT_NE(run.out.find(figure), std::string::npos) << figure << "\n" << run.out;
    }
}

TEST(Compare, FilesAndStandardInputOfAnyBytes) {
    std::mt19937 rng(20240607);
    const std::string alphabet("\0\x01\x7f\x80\xff" "a\n\r", 8);
    struct Case {
        std::size_t lenA, lenB;
    };
    for (const Case& c : {Case{0, 40}, Case{1, 1}, Case{300, 200}, Case{600, 400}}) {
        const std::string a = lcs::reference::random_string(rng, c.lenA, alphabet);
        const std::string b = lcs::reference::random_string(rng, c.lenB, alphabet);
        const std::string path_a = temporary_path("a.bin"), path_b = temporary_path("b.bin");
        write_file(path_a, a);
        write_file(path_b, b);
        const std::int32_t lcs = lcs::reference::reference_lcs(a, b);
        const std::string why = std::to_string(c.lenA) + " x " + std::to_string(c.lenB);
        expect_agreement_on(run_json({"--files", path_a, path_b}), lcs, c.lenA, c.lenB, why);
        expect_agreement_on(run_json({"--files", "-", path_b}, a), lcs, c.lenA, c.lenB,
                            why + ", A from standard input");
        expect_agreement_on(run_json({"--", "xyz", "-"}, b),
                            lcs::reference::reference_lcs("xyz", b), 3, c.lenB,
                            why + ", B from standard input beside a string");
    }
}

TEST(Compare, MethodOptionRunsTheNamedOnesOnceInTheGivenOrder) {
    const std::vector<std::string> names = table_names();
    const std::string first = names.front(), last = names.back();
    const Json report = run_json({"-m", last, "--method", first, "--method=" + last, "ab", "ba"});
    if (report.is_null()) return;
    std::vector<std::string> ran;
    for (const Json& row : report["methods"].items) ran.push_back(row["name"].text);
    const std::vector<std::string> expected =
        first == last ? std::vector<std::string>{first} : std::vector<std::string>{last, first};
    EXPECT_EQ(ran, expected);
}

TEST(Compare, ListNamesEveryMethodWithItsSourceAndCosts) {
    const ProgramRun run = run_compare({"--list"});
    EXPECT_EQ(run.status, 0);
    for (const lcs::RoutineInfo& routine : lcs::routine_table()) {
        for (const char* field : {routine.name, routine.source, routine.time_cost,
                                  routine.space_cost}) {
            EXPECT_NE(run.out.find(field), std::string::npos) << field;
        }
    }
    EXPECT_EQ(run_json({"--list"}).items.size(), lcs::routine_table().count);
}

// Strings of one repeated letter are the worst case of the match-list
// methods: every pair of positions matches.
TEST(Compare, SlowMethodsAreSkippedWithTheirEstimateOrStoppedAtTheTimeLimit) {
    const lcs::RoutineInfo* routine = lcs::find_routine("HuntSzymanski_Alg");
    ASSERT_NE(routine, nullptr);
    const std::size_t length = 200000;
    ASSERT_GT(routine->estimated_seconds(length, length), 5.0) << "the test needs a slow case";
    const std::string path = temporary_path("same.txt");
    write_file(path, std::string(length, 'a'));

    const Json skipped = run_json({"--files", "-m", routine->name, path, path}, "", 5);
    if (skipped.is_null()) return;
    const Json& row = skipped["methods"].items.at(0);
    EXPECT_EQ(row["status"].text, "skipped");
    EXPECT_EQ(row["skip_reason"].text, "too_slow");
    EXPECT_DOUBLE_EQ(row["estimated_seconds"].number, routine->estimated_seconds(length, length));
    EXPECT_TRUE(skipped["lcs_length"].is_null());

    const auto start = std::chrono::steady_clock::now();
    const Json stopped = run_json({"--all", "--timeout", "0.3", "--files", "-m", routine->name,
                                   path, path}, "", 5);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (stopped.is_null()) return;
    EXPECT_EQ(stopped["methods"].items.at(0)["status"].text, "timed_out");
    EXPECT_LT(seconds, 10.0);

    const ProgramRun table =
        run_compare({"--all", "-t", "0.3", "--files", "-m", routine->name, path, path});
    EXPECT_NE(table.out.find("timed out"), std::string::npos) << table.out;
}

// A whole-table method on two strings whose table is beyond the machine's
// memory: skipped by its estimate, and when forced, refused its allocation
// at once under the child's address-space cap.
TEST(Compare, ATableBeyondTheMachinesMemoryIsSkippedOrFailsCleanly) {
    const lcs::RoutineInfo* routine = lcs::find_routine("Hirschberg_AlgA");
    ASSERT_NE(routine, nullptr);
    const double physical = lcs::support::physical_memory_bytes();
    const auto length = static_cast<std::size_t>(std::sqrt(physical / 4.0 * 1.2));
    ASSERT_GT(routine->working_bytes(double(length), double(length)), physical);
    const std::string path = temporary_path("square.txt");
    write_file(path, std::string(length, 'b'));

    const Json skipped = run_json({"--files", "-m", routine->name, path, path}, "", 5);
    if (skipped.is_null()) return;
    EXPECT_EQ(skipped["methods"].items.at(0)["status"].text, "skipped");
    EXPECT_EQ(skipped["methods"].items.at(0)["skip_reason"].text, "too_big");
#ifdef LCS_TESTS_UNDER_SANITIZER
    GTEST_SKIP() << "no cap on the child's address space under the sanitizers: the system may "
                    "grant the lazily mapped table, and the method would run for minutes";
#endif
    const Json forced = run_json({"--all", "--files", "-m", routine->name, path, path}, "", 5);
    if (forced.is_null()) return;
    EXPECT_EQ(forced["methods"].items.at(0)["status"].text, "out_of_memory");
    ::unlink(path.c_str());
}

// The status says whether anything was computed; a ratio that is not 0
// never prints as 0.
TEST(Compare, NothingComputedHasItsStatusAndSmallSimilaritiesShowTheirDigits) {
    const std::string tiny = "0." + std::string(330, '0') + "49";  // below every double
    const std::string long_b = temporary_path("long_b.txt");
    write_file(long_b, "a" + std::string(3000000, 'b'));
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string shown;
    };
    const Case cases[] = {
        {{"--timeout", tiny, "ABCBDAB", "BDCABA"}, 5, "not computed (no LCS method returned)"},
        {{"-t", "30", "ABCBDAB", "BDCABA"}, 0, " 0.571428  (LCS"},
        {{"-m", "HuntSzymanski_Alg", "--files", "-", long_b}, 0, " 0.000000333333  (LCS"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = run_compare(c.arguments, "a");
        EXPECT_EQ(run.status, c.status) << c.arguments[1] << ": " << run.err;
        EXPECT_NE(run.out.find(c.shown), std::string::npos) << c.shown << "\n" << run.out;
        if (c.status == 5) {
            EXPECT_EQ(run.err, "lcs-compare: no method returned a result: see the rows\n");
        }
    }
    ::unlink(long_b.c_str());
}

TEST(Compare, BadArgumentsAndInputsGetOneErrorLineAndStatusTwo) {
    const std::string missing = temporary_path("no such file");
    const std::string directory = ::testing::TempDir();
    // A sparse file one byte beyond the longest input: refused before reading.
    const std::string oversized = temporary_path("oversized");
    write_file(oversized, "");
    ASSERT_EQ(::truncate(oversized.c_str(), 2147483646), 0);
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{}, "expected two strings"},
        {{"abc"}, "expected two strings"},
        {{"a", "b", "c"}, "expected two strings"},
        {{"--files", "only-one"}, "--files needs two paths"},
        {{"--files", missing, "-"}, "cannot read '" + missing + "': No such file or directory"},
        {{"--files", directory, "-"}, "Is a directory"},
        {{"--files", "-", oversized}, "is longer than 2147483645 bytes"},
        {{"-", "-"}, "standard input ('-') can stand for only one"},
        {{"--bogus", "a", "b"}, "unknown option '--bogus'"},
        {{"--all=yes", "a", "b"}, "option '--all' takes no value"},
        {{"-x", "a", "b"}, "unknown option '-x'"},
        {{"a", "b", "--timeout"}, "option '--timeout' needs a value"},
        {{"--timeout", "0", "a", "b"},
         "option '--timeout' needs a plain decimal number of seconds above 0, not '0'"},
        {{"--timeout", "0.000", "a", "b"}, "not '0.000'"},
        {{"--timeout", "-1", "a", "b"}, "not '-1'"},
        {{"--timeout", "2s", "a", "b"}, "not '2s'"},
        {{"--timeout", "inf", "a", "b"}, "not 'inf'"},
        {{"--timeout", "nan", "a", "b"}, "not 'nan'"},
        {{"--timeout", "1e999", "a", "b"}, "not '1e999'"},
        {{"--timeout", "4.9e-324", "a", "b"}, "not '4.9e-324'"},
        {{"--timeout", "0x10", "a", "b"}, "not '0x10'"},
        {{"--timeout", " 5", "a", "b"}, "not ' 5'"},
        {{"--timeout", "1.2.3", "a", "b"}, "not '1.2.3'"},
        {{"--timeout", ".", "a", "b"}, "not '.'"},
        {{"--timeout", "1" + std::string(400, '0'), "a", "b"}, "is too large"},
        {{"--threads", "0", "a", "b"},
         "option '--threads' needs a whole number from 1 to 1024, not '0'"},
        {{"--threads", "1025", "a", "b"}, "not '1025'"},
        {{"--threads", "-2", "a", "b"}, "not '-2'"},
        {{"--threads", "+2", "a", "b"}, "not '+2'"},
        {{"--threads", "2x", "a", "b"}, "not '2x'"},
        {{"--threads", "99999999999999999999", "a", "b"}, "not '99999999999999999999'"},
        {{"-T", "2", "a", "b"}, "unknown option '-T'"},
        {{"--method", "NoSuch_Alg", "a", "b"}, "no method is named 'NoSuch_Alg' (see --list)"},
        {{"--method", "x\nlcs-compare: fake", "a", "b"},
         "no method is named 'x\\nlcs-compare: fake' (see"},
        {{"-m", "\x1b[2J\x7f'\\", "a", "b"}, "no method is named '\\x1b[2J\\x7f\\'\\\\' (see"},
        {{"--files", missing + "\t", "-"}, "cannot read '" + missing + "\\t'"},
        {{"--bogus\r", "a", "b"}, "unknown option '--bogus\\r'"},
        {{"--al=1", "a", "b"}, "option '--all' takes no value"},
        {{"-jx", "a", "b"}, "unknown option '-x'"},
        {{"--method", "caf\xc3\xa9\xff", "a", "b"}, "no method is named 'caf\xc3\xa9\\xff'"},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments) shown += argument + " ";
        const ProgramRun run = run_compare(c.arguments);
        EXPECT_EQ(run.status, 2) << shown;
        EXPECT_EQ(run.err.rfind("lcs-compare: ", 0), 0u) << shown << "-> " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << shown << "-> " << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        EXPECT_EQ(run.out, "") << shown;
    }
    ::unlink(oversized.c_str());
}

TEST(Compare, HelpVersionAndAnOutputThatCannotBeWritten) {
    const ProgramRun help = run_compare({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: lcs-compare ", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--timeout SECONDS"), std::string::npos);
    EXPECT_NE(help.out.find("--threads N"), std::string::npos);
    const ProgramRun version = run_compare({"-V"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "lcs-compare " LCS_VERSION "\nvector paths: " + lcs::isa() + "\n");

    const ProgramRun full = run_compare({"ab", "ba"}, "", "> /dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("lcs-compare: cannot write the output"), std::string::npos) << full.err;
}

}  // namespace
