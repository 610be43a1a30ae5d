// lcs-compare's limits through the real executable: the skip rule and
// --timeout on every row, the toolkit's row of --by among them; --show
// after the table, within --timeout and within memory, with a status of its
// own when it does not finish; and the alignment's LCS length standing in
// when no method returned one.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "json_reader.h"
#include "program_run.h"
#include "reference/sequences.h"

namespace {

using testing_support::Json;
using testing_support::JsonReader;
using testing_support::ProgramRun;
using testing_support::temporary_path;

constexpr int kNothingComputed = 5;
constexpr int kAlignmentUnfinished = 6;

// How long a run with a time limit of about a second may take in all: the
// inputs are read and cut into tokens first. The sanitizers make every
// step several times slower, the difference search's among them, which the
// time limit allows a number of steps.
#ifdef LCS_TESTS_UNDER_SANITIZER
constexpr double kLimitedRunSeconds = 150.0;
#else
constexpr double kLimitedRunSeconds = 15.0;
#endif

// Lines drawn from `words`, one word a line.
std::string random_lines(std::mt19937& rng, std::size_t count, const std::vector<std::string>& words) {
    std::uniform_int_distribution<std::size_t> pick(0, words.size() - 1);
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += words[pick(rng)] + "\n";
    return text;
}

std::vector<std::string> vocabulary(const std::string& stem, int size) {
    std::vector<std::string> words;
    for (int i = 0; i < size; ++i) words.push_back(stem + std::to_string(i));
    return words;
}

// The files of the cases below, written once for the whole suite.
class CompareLimits : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::mt19937 rng(8128);
        // Unlike letters, so many that a row on them is estimated beyond the
        // skip rule's 5 seconds.
        write("random_a", lcs::reference::random_string(rng, 600000, "abcdefghijklmnop"));
        write("random_b", lcs::reference::random_string(rng, 600000, "abcdefghijklmnop"));
        // A million letters and ten changes: the band of Hyyro_Alg and of
        // the toolkit takes milliseconds where the full table would take
        // half a minute.
        std::string alike = lcs::reference::random_string(rng, 1000000, "abcdefghijklmnop");
        write("alike_a", alike);
        for (std::size_t i = 50000; i < alike.size(); i += 100000) alike[i] = 'z';
        write("alike_b", alike);
        // Equal bytes: one row is skipped, the alignment takes no time.
        write("same", std::string(200000, 'a'));
        // Lines and bytes with no symbol in common: Hunt-Szymanski, which
        // visits only matching pairs, returns at once, while the alignment
        // searches long.
        write("lines_a", random_lines(rng, 600000, vocabulary("a", 100)));
        write("lines_b", random_lines(rng, 600000, vocabulary("b", 100)));
        // One symbol in common: the table's Hunt-Szymanski row finds its
        // few matches at once, while the alignment runs every pass (with
        // nothing in common it would need none).
        std::string b = lcs::reference::random_string(rng, 800000, "ijklmnop");
        b[400000] = 'a';
        write("bytes_a", lcs::reference::random_string(rng, 800000, "abcdefgh"));
        write("bytes_b", b);
        // Words of control characters, which --show writes as \xNN, four
        // bytes for one: what it prints needs several times the memory that
        // the comparison needs.
        std::string controls;
        for (char c = 1; c < 32; ++c) {
            if (c < '\t' || c > '\r') controls += c;
        }
        std::string words = lcs::reference::random_string(rng, 8 << 20, controls);
        for (std::size_t i = 100; i < words.size(); i += 101) words[i] = ' ';
        write("control_words", words);
    }
    static void write(const std::string& name, const std::string& bytes) {
        testing_support::write_file(path(name), bytes);
    }
    static std::string path(const std::string& name) { return temporary_path("limits_" + name); }
};

struct Timed {
    ProgramRun run;
    double seconds;
};

Timed run_compare(const std::vector<std::string>& arguments, const std::string& tail = "") {
    const auto start = std::chrono::steady_clock::now();
    ProgramRun run = testing_support::run_program(LCS_COMPARE_EXECUTABLE, arguments, "", tail);
    return {run, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

// The row of `name` in the JSON report.
const Json& row_of(const Json& report, const std::string& name) {
    for (const Json& row : report["methods"].items) {
        if (row["name"].text == name) return row;
    }
    throw std::runtime_error("no row " + name);
}

struct JsonCase {
    const char* why;
    std::vector<std::string> arguments;  // after --json; names of files as path(name)
    int status;
    std::vector<std::pair<std::string, std::string>> rows;  // a row's name and status
    std::string alignment;    // "alignment_status", "" without --show
    double lcs_length;        // -1: null
};

TEST_F(CompareLimits, EveryRowAndTheAlignmentKeepTheLimits) {
    const std::string ra = path("random_a"), rb = path("random_b"), same = path("same");
    const std::string la = path("lines_a"), lb = path("lines_b");
    const std::vector<JsonCase> cases = {
        {"the toolkit's row keeps the skip rule",
         {"--by", "chars", "-m", "Hyyro_Alg", "--files", ra, rb}, kNothingComputed,
         {{"lcs::length", "skipped"}, {"Hyyro_Alg", "skipped"}}, "", -1},
        {"and, run with --all, the time limit",
         {"--all", "-t", "0.5", "--by", "chars", "-m", "Hyyro_Alg", "--files", ra, rb},
         kNothingComputed, {{"lcs::length", "timed_out"}}, "", -1},
        {"alike inputs: the band's estimate, the row runs",
         {"--by", "chars", "-m", "Hyyro_Alg", "--files", path("alike_a"), path("alike_b")}, 0,
         {{"lcs::length", "ok"}, {"Hyyro_Alg", "ok"}}, "", 999990},
        {"every method skipped: the alignment gives the LCS",
         {"--show", "-m", "HuntSzymanski_Alg", "--files", same, same}, 0,
         {{"HuntSzymanski_Alg", "skipped"}}, "ok", 200000},
        {"the alignment stopped at the time limit, the table complete",
         {"--all", "--show", "-t", "1", "--by", "lines", "-m", "HuntSzymanski_Alg", "--files", la, lb},
         kAlignmentUnfinished, {{"lcs::length", "timed_out"}, {"HuntSzymanski_Alg", "ok"}},
         "timed_out", 0},
        {"the alignment stopped, no method returned",
         {"--show", "-t", "0.5", "--by", "lines", "-m", "HuntSzymanski_Alg", "--files", la, lb},
         kNothingComputed, {{"lcs::length", "skipped"}}, "timed_out", -1},
    };
    for (const JsonCase& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.begin(), "--json");
        const Timed timed = run_compare(arguments);
        EXPECT_EQ(timed.run.status, c.status) << c.why << ": " << timed.run.err;
        EXPECT_LT(timed.seconds, kLimitedRunSeconds) << c.why;
        Json report;
        try {
            report = JsonReader::parse(timed.run.out);
        } catch (const std::exception& error) {
            ADD_FAILURE() << c.why << ": not JSON (" << error.what() << ")\n" << timed.run.out;
            continue;
        }
        for (const auto& row : c.rows) {
            EXPECT_EQ(row_of(report, row.first)["status"].text, row.second) << c.why;
        }
        if (c.alignment.empty()) {
            EXPECT_EQ(report.members.count("alignment"), 0u) << c.why;
        } else {
            EXPECT_EQ(report["alignment_status"].text, c.alignment) << c.why;
            const bool finished = c.alignment == "ok";
            EXPECT_EQ(report["alignment"].is_null(), !finished) << c.why;
            EXPECT_EQ(report["common_subsequence"].is_null(), !finished) << c.why;
        }
        if (c.lcs_length < 0) {
            EXPECT_TRUE(report["lcs_length"].is_null()) << c.why;
        } else {
            EXPECT_EQ(report["lcs_length"].number, c.lcs_length) << c.why;
        }
    }
}

struct TextCase {
    const char* why;
    std::vector<std::string> arguments;
    int status;
    std::vector<std::string> shown;  // in this order on standard output
    std::string error;               // standard error
};

void expect_text_run(const TextCase& c, const std::string& tail = "") {
    const Timed timed = run_compare(c.arguments, tail);
    EXPECT_EQ(timed.run.status, c.status) << c.why << ": " << timed.run.err;
    EXPECT_EQ(timed.run.err, c.error) << c.why;
    EXPECT_LT(timed.seconds, kLimitedRunSeconds) << c.why;
    std::size_t at = 0;
    for (const std::string& text : c.shown) {
        const std::size_t found = timed.run.out.find(text, at);
        EXPECT_NE(found, std::string::npos) << c.why << ": no " << text << " after offset " << at
                                            << " in\n" << timed.run.out.substr(0, 2000);
        if (found != std::string::npos) at = found + text.size();
    }
}

TEST_F(CompareLimits, TheTableComesBeforeTheAlignmentAndStandsWhenItDoesNotFinish) {
    const std::string same = path("same"), la = path("lines_a"), lb = path("lines_b");
    const std::vector<TextCase> cases = {
        {"every method skipped",
         {"--show", "-m", "HuntSzymanski_Alg", "--files", same, same},
         0,
         {"skipped, too slow", "LCS length:  not computed", "common subsequence: aaa",
          "LCS length:              200000  (of the alignment)\nsimilarity:              1.000000"},
         ""},
        {"timed out by lines",
         {"--all", "--show", "-t", "1", "--by", "lines", "-m", "HuntSzymanski_Alg", "--files", la, lb},
         kAlignmentUnfinished,
         {"HuntSzymanski_Alg  0 ", "LCS length:              0\n", "\nalignment: timed out (> 1.00 s)\n"},
         "lcs-compare: the alignment did not finish: timed out\n"},
    };
    for (const TextCase& c : cases) expect_text_run(c);
}

// The same, by bytes, where the alignment is the toolkit's lcs::align: it
// stops at the time limit as the difference search does.
TEST_F(CompareLimits, TheByteAlignmentStopsAtTheTimeLimit) {
    const std::string da = path("bytes_a"), db = path("bytes_b");
    expect_text_run({"by bytes",
                     {"--all", "--show", "-t", "1", "-m", "HuntSzymanski_Alg", "--files", da, db},
                     kAlignmentUnfinished,
                     {"HuntSzymanski_Alg  1 ", "\nalignment: timed out (> 1.00 s)\n"},
                     "lcs-compare: the alignment did not finish: timed out\n"});
}

// Under a limit on the address space that holds the inputs, their tokens
// and the rows, but not what the alignment makes: the table stands, the
// alignment says that it ran out of memory, and the status is its own. The
// limit is found by bisection: the least (to 8 MiB) under which the
// comparison alone succeeds, and 16 MiB more; what --show writes of these
// inputs takes some 50 MiB more.
TEST_F(CompareLimits, AnAlignmentOutOfMemoryKeepsTheTable) {
#ifdef LCS_TESTS_UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizers' shadow mappings cannot run under an address-space limit";
#endif
    const std::string words = path("control_words");
    const std::vector<std::string> compare = {"--by", "words", "--files", words, words};
    auto run_under = [&](int kib, std::vector<std::string> arguments) {
        std::string command = "ulimit -v " + std::to_string(kib) + " && exec \"$0\"";
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            command += " \"${" + std::to_string(i + 1) + "}\"";
        }
        arguments.insert(arguments.begin(), {"-c", command, LCS_COMPARE_EXECUTABLE});
        return testing_support::run_program("/bin/sh", arguments);
    };
    int fails = 16 * 1024, holds = 512 * 1024;
    ASSERT_EQ(run_under(holds, compare).status, 0) << "the comparison needs more than 512 MiB";
    while (holds - fails > 8 * 1024) {
        const int middle = (fails + holds) / 2;
        (run_under(middle, compare).status == 0 ? holds : fails) = middle;
    }
    const int limit = holds + 16 * 1024;
    std::vector<std::string> shown = compare;
    shown.insert(shown.begin(), "--show");
    const ProgramRun text = run_under(limit, shown);
    shown.insert(shown.begin(), "--json");
    const ProgramRun json = run_under(limit, shown);

    EXPECT_EQ(text.status, kAlignmentUnfinished) << limit << " KiB: " << text.err;
    EXPECT_EQ(text.err, "lcs-compare: the alignment did not finish: not enough memory\n");
    const std::size_t table = text.out.find("LCS length:");
    EXPECT_NE(table, std::string::npos) << text.out.substr(0, 2000);
    EXPECT_NE(text.out.find("\nalignment: not enough memory\n", table), std::string::npos)
        << text.out.substr(0, 2000);
    EXPECT_EQ(json.status, kAlignmentUnfinished) << json.err;
    const Json report = JsonReader::parse(json.out);
    EXPECT_EQ(report["alignment_status"].text, "out_of_memory");
    EXPECT_TRUE(report["alignment"].is_null());
    EXPECT_FALSE(report["lcs_length"].is_null());
}

TEST(CompareHelp, NamesTheStatusOfAnUnfinishedAlignment) {
    const ProgramRun help = testing_support::run_program(LCS_COMPARE_EXECUTABLE, {"--help"});
    EXPECT_NE(help.out.find("\n  6  the table is complete, the alignment (--show) did not finish:"),
              std::string::npos)
        << help.out;
}

}  // namespace
