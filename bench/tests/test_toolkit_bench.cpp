// The toolkit benchmark's engine: its races' checks, the thread-ratio rule,
// the runs that children hand back, the table with a column per path, the
// comparison of two builds, the programs it starts and the one launcher
// that measures a program's peak memory; and the shared inputs it draws.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "inputs.h"
#include "process.h"
#include "race.h"
#include "toolkit_report.h"

namespace {

using bench::Entry;
using bench::Lengths;
using bench::PathRun;
using bench::Relation;
using bench::Target;

const bench::Rounds kTwoRounds{2, 10.0};

TEST(Race, EveryCheckedResultMustEqualTheFirst) {
    int calls = 0;
    const std::vector<Entry> agreeing{{"a", [] { return Lengths{1, 2}; }},
                                      {"b", [] { return Lengths{1, 2}; }},
                                      {"loop", [] { return Lengths{}; }, false}};
    EXPECT_EQ(bench::race("agree", agreeing, kTwoRounds).size(), 3u);
    // A contestant that goes wrong only in a later round is caught too.
    const std::vector<Entry> drifting{{"a", [] { return Lengths{1}; }},
                                      {"b", [&calls] { return Lengths{++calls < 2 ? 1 : 2}; }}};
    EXPECT_THROW(bench::race("drift", drifting, kTwoRounds), bench::Disagreement);
}

TEST(Race, ACallNotBuiltYetSkipsInsteadOfFailing) {
    const std::vector<Entry> entries{
        {"lcs::matrix", []() -> Lengths { throw std::logic_error("not built yet"); }}};
    try {
        bench::race("placeholder", entries, kTwoRounds);
        FAIL() << "no NotBuilt";
    } catch (const bench::NotBuilt& error) {
        EXPECT_NE(std::string(error.what()).find("lcs::matrix: not built yet"), std::string::npos);
    }
    // Other failures are not taken for a missing call.
    const std::vector<Entry> failing{
        {"broken", []() -> Lengths { throw std::runtime_error("broken"); }}};
    EXPECT_THROW(bench::race("broken", failing, kTwoRounds), std::runtime_error);
}

TEST(Race, SharedNothingLoopTakesAboutItsTime) {
    const std::vector<Entry> loops = bench::shared_nothing_entries(0.01);
    ASSERT_EQ(loops.size(), 2u);
    const std::vector<double> t = bench::race("loop", loops, {3, 10.0});
    // A loop optimised away would take nanoseconds.
    EXPECT_GT(t[0], 0.001) << "the loop must not be optimised away";
    EXPECT_LT(t[0], 0.5);
    EXPECT_GT(t[1], 0.0002) << "nor its 2-thread form";
}

Target target(const std::string& what, double measured, double required, double seconds = NAN) {
    Target t;
    t.topic = "topic";
    t.what = what;
    t.figures = "ours 1 ms";
    t.measured = measured;
    t.required = required;
    t.seconds = seconds;
    return t;
}

TEST(ToolkitReport, Verdicts) {
    struct Case {
        Relation relation;
        double measured, required;
        bool skipped;
        const char* verdict;
    };
    const Case cases[] = {
        {Relation::at_least, 3.0, 3.0, false, "met"},
        {Relation::at_least, 2.99, 3.0, false, "missed"},
        {Relation::at_most, 3.0, 3.0, false, "met"},
        {Relation::under, 64.0, 64.0, false, "missed"},
        {Relation::at_least, NAN, 3.0, false, "not measured"},
        {Relation::at_least, 2.0, NAN, false, "no target on this path"},
        {Relation::at_least, NAN, 3.0, true, "skipped"},
    };
    for (const Case& c : cases) {
        Target t = target("x", c.measured, c.required);
        t.relation = c.relation;
        t.skipped = c.skipped;
        EXPECT_EQ(bench::verdict(t), c.verdict) << c.measured << " vs " << c.required;
    }
}

TEST(ToolkitReport, ThreadRatioTargetIsNinetyPercentOfTheMachinesScalingWhereLower) {
    struct Case {
        double scaling, required;
        bool scaled;
        double target;
    };
    const Case cases[] = {{2.0, 1.7, true, 1.7}, {1.5, 1.7, true, 1.35}, {1.5, 0.95, false, 0.95},
                          {NAN, 1.7, true, 1.7}};
    for (const Case& c : cases) {
        bench::Report report;
        report.add_thread_ratio("t", "w", 2.0, 1.0, c.scaling, c.required, c.scaled);
        const Target& t = report.targets().front();
        EXPECT_DOUBLE_EQ(t.measured, 2.0);
        EXPECT_DOUBLE_EQ(t.required, c.target) << c.scaling;
        EXPECT_NE(t.figures.find("2-thread scaling"), std::string::npos) << t.figures;
    }
}

TEST(ToolkitReport, RunsSurviveTheTripFromChildToParent) {
    PathRun run{"avx2", "avx2", {target("a | b", 2.5, 3.0, 0.001), target("no time", NAN, NAN)}};
    run.targets[0].figures = "tab\there, newline\nthere";
    run.targets[1].skipped = true;
    run.targets[1].unit = " MiB";
    run.targets[1].relation = Relation::under;
    std::stringstream channel;
    bench::write_run(channel, run);
    const PathRun back = bench::read_run(channel);
    EXPECT_EQ(back.path, "avx2");
    ASSERT_EQ(back.targets.size(), 2u);
    EXPECT_EQ(back.targets[0].what, "a | b");
    EXPECT_EQ(back.targets[0].figures, "tab here, newline there");
    EXPECT_DOUBLE_EQ(back.targets[0].measured, 2.5);
    EXPECT_DOUBLE_EQ(back.targets[0].seconds, 0.001);
    EXPECT_TRUE(std::isnan(back.targets[1].measured));
    EXPECT_TRUE(back.targets[1].skipped);
    EXPECT_EQ(back.targets[1].unit, " MiB");
    EXPECT_EQ(back.targets[1].relation, Relation::under);

    std::stringstream garbled("target\tonly three\tfields\n");
    EXPECT_THROW(bench::read_run(garbled), std::runtime_error);
}

TEST(ToolkitReport, TableHasAColumnPerPathAndARowPerTarget) {
    const std::vector<PathRun> runs{
        {"plain", "plain", {target("first", 1.0, NAN), target("second", 2.0, 1.5)}},
        {"avx2", "avx2", {target("first", 3.5, 3.0)}}};
    const std::string table = bench::markdown(runs);
    EXPECT_NE(table.find("| topic | target | plain | avx2 |"), std::string::npos) << table;
    EXPECT_NE(table.find("| topic | first | **1.00x** no target on this path; ours 1 ms | "
                         "**3.50x** (≥ 3.00x) met; ours 1 ms |"),
              std::string::npos)
        << table;
    // A target not run on a path leaves its cell empty.
    EXPECT_NE(table.find("| topic | second | **2.00x** (≥ 1.50x) met; ours 1 ms |  |"),
              std::string::npos)
        << table;
}

TEST(ToolkitReport, BuildsComparedOnTheirBestTimes) {
    PathRun best;
    bench::keep_fastest(best, {"avx512", "avx512", {target("align", 2.0, 2.0, 0.010)}});
    bench::keep_fastest(best, {"avx512", "avx512", {target("align", 2.1, 2.0, 0.008)}});
    bench::keep_fastest(best, {"avx512", "avx512", {target("align", 1.9, 2.0, 0.012)}});
    ASSERT_EQ(best.targets.size(), 1u);
    EXPECT_DOUBLE_EQ(best.targets[0].seconds, 0.008);
    const PathRun theirs{"avx512", "avx512", {target("align", 1.0, 2.0, 0.0082)}};
    const std::string table = bench::comparison_markdown({best}, {theirs}, "abc123");
    EXPECT_NE(table.find("| avx512 | align | 8.0 ms | 8.2 ms | 1.03x | yes |"), std::string::npos)
        << table;
    const PathRun slower{"avx512", "avx512", {target("align", 1.0, 2.0, 0.0070)}};
    EXPECT_NE(bench::comparison_markdown({best}, {slower}, "abc123").find("| 0.88x | no |"),
              std::string::npos);
}

TEST(Process, ExitStatusAndEnvironmentReachTheChild) {
    bench::ScratchFolder scratch;
    const std::string out = scratch.file("out.txt");
    const bench::ChildRun run = bench::run_program(
        {"/bin/sh", "-c", "echo \"$LCS_ISA\"; exit 3"}, out, {{"LCS_ISA", "avx2"}});
    EXPECT_EQ(run.exit_status, 3);
    std::ifstream printed(out);
    std::string line;
    std::getline(printed, line);
    EXPECT_EQ(line, "avx2");
    EXPECT_THROW(bench::run_program_checked({"/bin/sh", "-c", "exit 1"}, out), std::runtime_error);
    EXPECT_THROW(bench::run_program({"/no/such/program"}, out), std::runtime_error);
}

TEST(Process, LauncherMeasuresAProgramsOwnPeakNotItsParents) {
    if (access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "no python3 to allocate with";
    bench::ScratchFolder scratch;
    struct Case {
        const char* what;
        const char* script;
        double least_mib, most_mib;
    };
    const Case cases[] = {{"idle", "pass", 1, 40},
                          {"96 MiB written", "b = bytearray(96 << 20)\nb[::4096] = b'x' * len(b[::4096])", 96, 150}};
    for (const Case& c : cases) {
        bench::ChildRun run;
        const double peak = bench::program_peak_bytes(LCS_PEAK_OF, {"/usr/bin/python3", "-c", c.script},
                                                      scratch, run);
        if (peak == 0) GTEST_SKIP() << "no resident high-water mark on this system";
        EXPECT_GE(peak / bench::kMiB, c.least_mib) << c.what;
        EXPECT_LE(peak / bench::kMiB, c.most_mib) << c.what;
    }
    bench::ChildRun failed;
    EXPECT_THROW(bench::program_peak_bytes(LCS_PEAK_OF, {"/bin/sh", "-c", "exit 4"}, scratch, failed),
                 std::runtime_error);
}

TEST(BenchInputs, RandomTextsStayInTheirLengthsAndAlphabet) {
    const std::vector<std::string> texts = bench::random_texts(9, 2000, 6, 10, 26);
    ASSERT_EQ(texts, bench::random_texts(9, 2000, 6, 10, 26));
    std::size_t seen[11] = {};
    for (const std::string& text : texts) {
        ASSERT_GE(text.size(), 6u);
        ASSERT_LE(text.size(), 10u);
        ++seen[text.size()];
        for (char c : text) ASSERT_TRUE(c >= 'a' && c <= 'z');
    }
    for (std::size_t length = 6; length <= 10; ++length) EXPECT_GT(seen[length], 300u) << length;
    // Pinned: a change here changes every published figure of the toolkit.
    EXPECT_EQ(bench::random_texts(7, 2, 3, 5, 4), (std::vector<std::string>{"CAT", "AACAG"}));
    EXPECT_THROW(bench::random_texts(1, 1, 5, 4, 26), std::invalid_argument);
}

TEST(BenchInputs, ChangedShareChangesExactlyThatShare) {
    struct Case {
        std::size_t length;
        int percent;
        std::size_t changed;
    };
    const Case cases[] = {{0, 1, 0}, {49, 1, 0}, {50, 1, 1}, {1000, 1, 10}, {1000, 0, 0},
                          {1000, 100, 1000}, {15, 10, 2}};
    for (const Case& c : cases) {
        const std::string text = bench::random_text(3, c.length, 4);
        const std::string changed = bench::changed_share(4, text, 4, c.percent);
        std::size_t differences = 0;
        for (std::size_t k = 0; k < text.size(); ++k) differences += text[k] != changed[k];
        EXPECT_EQ(differences, c.changed) << c.length << " at " << c.percent << " %";
    }
    EXPECT_EQ(bench::changed_share(5, "ACGTACGTAC", 4, 10), bench::changed_tenth(5, "ACGTACGTAC", 4));
    EXPECT_THROW(bench::changed_share(5, "ACGT", 4, 101), std::invalid_argument);
}

}  // namespace
