// lcs-compare --show through the real executable: the plain markers and the
// escapes of bytes that do not print, the colours of --color=always, and the
// --json members read back and held to the alignment checker, in every
// unit.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "json_reader.h"
#include "program_run.h"
#include "reference/alignment_check.h"

namespace {

using testing_support::Json;
using testing_support::JsonReader;
using testing_support::ProgramRun;

// Runs lcs-compare on the two inputs, given as files so that any byte goes.
ProgramRun run_on(const std::string& a, const std::string& b, std::vector<std::string> options) {
    const std::string path_a = testing_support::temporary_path("show_a"),
                      path_b = testing_support::temporary_path("show_b");
    testing_support::write_file(path_a, a);
    testing_support::write_file(path_b, b);
    options.insert(options.end(), {"-m", "Hyyro_Alg", "--files", path_a, path_b});
    return testing_support::run_program(LCS_COMPARE_EXECUTABLE, options);
}

// The text after the table: the common subsequence and the diff.
std::string shown_part(const std::string& out) {
    const std::size_t at = out.find("\ncommon subsequence: ");
    return at == std::string::npos ? "" : out.substr(at + 1);
}

TEST(CompareShow, CommonSubsequenceAndDiffAfterTheTable) {
    const std::string red = "\033[31m", green = "\033[32m", plain = "\033[0m";
    const struct {
        std::string a, b, color, shown;
    } cases[] = {
        {"kitten", "sitting", "never",
         "common subsequence: ittn\ndiff of A into B:   [-k-]{+s+}itt[-e-]{+i+}n{+g+}\n"},
        {"kitten", "sitting", "always",
         "common subsequence: ittn\ndiff of A into B:   " + red + "k" + plain + green + "s" + plain +
             "itt" + red + "e" + plain + green + "i" + plain + "n" + green + "g" + plain + "\n"},
        {std::string("\0ab\\", 4), "ab\xff\\", "auto",
         "common subsequence: ab\\x5c\ndiff of A into B:   [-\\x00-]ab{+\\xff+}\\x5c\n"},
        {"", "xy", "never", "common subsequence: \ndiff of A into B:   {+xy+}\n"},
        // A space has no colour of its own: it shows on a background.
        {"a b", "ab", "always",
         "common subsequence: ab\ndiff of A into B:   a" + red + "\033[41m \033[49m" + plain +
             "b\n"},
        {"ab", "a\t b", "always",
         "common subsequence: ab\ndiff of A into B:   a" + green + "\\x09\033[42m \033[49m" +
             plain + "b\n"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = run_on(c.a, c.b, {"--show", "--color=" + c.color});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(shown_part(run.out), c.shown) << c.a << " into " << c.b;
    }
    const ProgramRun without = run_on("kitten", "sitting", {});
    EXPECT_EQ(shown_part(without.out), "");
    const ProgramRun bad = run_on("a", "b", {"--show", "--color=sometimes"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "lcs-compare: option '--color' needs auto, always or never, not 'sometimes'\n");
}

// Every byte value in the inputs: the JSON parses, its runs pass the
// checker, and its common subsequence, which is not UTF-8, comes back byte
// for byte from base64 as that of the runs.
TEST(CompareShow, JsonMembersReadBack) {
    std::string a, b;
    for (int i = 0; i < 256; ++i) a += static_cast<char>(i);
    for (int i = 0; i < 256; ++i) {
        if (i % 3 == 0 || i == '"' || i == '\\') b += static_cast<char>(i);
    }
    b.insert(b.begin() + 40, '\xfe');
    const ProgramRun run = run_on(a, b, {"--show", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Json report = JsonReader::parse(run.out);
    lcs::Alignment alignment{static_cast<std::int32_t>(report["lcs_length"].number), {}};
    std::string common;
    for (const Json& run_item : report["alignment"].items) {
        const std::string edit = run_item["edit"].text;
        const lcs::Run r{edit == "keep" ? lcs::Edit::keep
                                        : edit == "remove" ? lcs::Edit::remove : lcs::Edit::insert,
                         static_cast<std::int32_t>(run_item["a_pos"].number),
                         static_cast<std::int32_t>(run_item["b_pos"].number),
                         static_cast<std::int32_t>(run_item["count"].number)};
        alignment.runs.push_back(r);
        if (r.edit == lcs::Edit::keep) common += a.substr(static_cast<std::size_t>(r.a_pos),
                                                          static_cast<std::size_t>(r.count));
    }
    EXPECT_EQ(lcs::reference::alignment_fault<char>(a, b, alignment), "");
    EXPECT_EQ(report["common_subsequence"]["bytes"].type, Json::Type::string);
    EXPECT_EQ(testing_support::bytes_of(report["common_subsequence"]), common);
}

// The runs of the JSON member "alignment" over the inputs' bytes, the
// length the sum of the keeps. The member "common_subsequence" is read as
// null, so that the runs are read whatever its bytes.
lcs::Alignment byte_runs_of(const std::string& out) {
    std::string kept_lines;
    std::size_t begin = 0;
    while (begin < out.size()) {
        const std::size_t end = std::min(out.find('\n', begin), out.size() - 1) + 1;
        const std::string line = out.substr(begin, end - begin);
        const bool common = line.rfind("  \"common_subsequence\": ", 0) == 0;
        const bool more = line.size() > 1 && line[line.size() - 2] == ',';
        kept_lines += common ? std::string("  \"common_subsequence\": null") + (more ? ",\n" : "\n")
                             : line;
        begin = end;
    }
    const Json report = JsonReader::parse(kept_lines);
    lcs::Alignment alignment{0, {}};
    for (const Json& item : report["alignment"].items) {
        const std::string edit = item["edit"].text;
        const lcs::Run run{edit == "keep" ? lcs::Edit::keep
                                          : edit == "remove" ? lcs::Edit::remove : lcs::Edit::insert,
                           static_cast<std::int32_t>(item["a_pos"].number),
                           static_cast<std::int32_t>(item["b_pos"].number),
                           static_cast<std::int32_t>(item["count"].number)};
        if (run.edit == lcs::Edit::keep) alignment.length += run.count;
        alignment.runs.push_back(run);
    }
    return alignment;
}

// Text of random pieces: letters, words that repeat, every kind of white
// space in runs of any length, line ends of both kinds, a character of two
// bytes; valid UTF-8, so that every unit takes it.
std::string random_text(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "a", "b", "x", "y", "ab", " ", "  ", "   ", "\t", "\n", "\r\n", "\xC3\xA9", "\xC2\xA0", "\v"};
    std::uniform_int_distribution<std::size_t> count(0, 14), pick(0, pieces.size() - 1);
    std::string text;
    for (std::size_t n = count(rng); n > 0; --n) text += pieces[pick(rng)];
    return text;
}

// In every unit the runs rebuild A from its keeps and removes and B from
// its keeps and inserts, byte for byte, and every keep holds the same bytes
// of A and of B: fixed pairs whose white space differs between kept words,
// then random pairs.
TEST(CompareShow, RunsRebuildBothInputsInEveryUnit) {
    std::vector<std::pair<std::string, std::string>> pairs = {
        {"x y", "x   y"}, {"  ", "x"}, {"x ", "  "}, {" x\ty ", "x y\n"}, {"a b c", "a\tc  b"}};
    std::mt19937 rng(2027);
    for (int i = 0; i < 24; ++i) {
        std::string a = random_text(rng);
        pairs.emplace_back(a, random_text(rng));
    }
    for (const char* unit : {"bytes", "chars", "words", "lines"}) {
        for (const auto& pair : pairs) {
            const ProgramRun run = run_on(pair.first, pair.second, {"--show", "--json", "--by", unit});
            ASSERT_EQ(run.status, 0) << unit << ": " << run.err;
            const lcs::Alignment runs = byte_runs_of(run.out);
            EXPECT_EQ(lcs::reference::alignment_fault<char>(pair.first, pair.second, runs,
                                                            runs.length),
                      "")
                << unit << ": " << testing_support::shell_quoted(pair.first) << " into "
                << testing_support::shell_quoted(pair.second) << "\n" << run.out;
        }
    }
}

}  // namespace
