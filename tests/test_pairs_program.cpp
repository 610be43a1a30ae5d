// lcs-pairs end to end: one file and two, against the oracle in every unit;
// --top; --json read back; grep's exit statuses; and its input read
// through buffers smaller than its lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "json_reader.h"
#include "pairs/records.h"
#include "program_run.h"
#include "reference/oracles.h"
#include "reference/sequences.h"

namespace {

using testing_support::ProgramRun;
using testing_support::temporary_path;
using testing_support::write_file;

ProgramRun lcs_pairs(const std::vector<std::string>& arguments, const std::string& input = "") {
    return testing_support::run_program(LCS_PAIRS_EXECUTABLE, arguments, input);
}

std::string file_of(const std::string& name, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\n";
    const std::string path = temporary_path(name);
    write_file(path, bytes);
    return path;
}

std::string cut3(std::int64_t common, std::int64_t longer) {
    if (longer == 0) return "1.000";
    const std::int64_t thousandths = common * 1000 / longer;
    char text[16];
    std::snprintf(text, sizeof text, "%d.%03d", int(thousandths / 1000), int(thousandths % 1000));
    return text;
}

// What lcs-pairs prints for bytes, computed by the oracle: self pairs once
// (line < partner), cross pairs every one.
std::string expected_pairs(const std::vector<std::string>& lines,
                           const std::vector<std::string>* others, double min_similarity) {
    const std::vector<std::string>& partners = others ? *others : lines;
    std::string out;
    for (std::size_t a = 0; a < lines.size(); ++a) {
        for (std::size_t b = others ? 0 : a + 1; b < partners.size(); ++b) {
            const std::int32_t common = lcs::reference::reference_lcs(lines[a], partners[b]);
            const std::size_t longer = std::max(lines[a].size(), partners[b].size());
            const double similarity = longer == 0 ? 1.0 : double(common) / double(longer);
            if (similarity < min_similarity) continue;
            out += cut3(common, std::int64_t(longer)) + "\t" + std::to_string(common) + "\t" +
                   std::to_string(a + 1) + "\t" + std::to_string(b + 1) + "\t" + lines[a] + "\t" +
                   partners[b] + "\n";
        }
    }
    return out;
}

std::vector<std::string> alike_lines(std::mt19937& rng, std::size_t count) {
    const std::vector<std::string> seeds{"colour", "flavour", "neighbour", "", "ab"};
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < count; ++i) {
        lines.push_back(lcs::reference::mutated(rng, seeds[rng() % seeds.size()], 20, "abcou"));
    }
    return lines;
}

TEST(PairsProgram, SelfAndCrossEqualTheOracle) {
    std::mt19937 rng(17);
    const auto lines = alike_lines(rng, 300), others = alike_lines(rng, 120);
    const std::string first = file_of("first", lines), second = file_of("second", others);
    struct Case {
        std::vector<std::string> options;
        bool cross;
        double min_similarity;
    };
    const Case cases[] = {
        {{}, false, 0.8},
        {{"-m", "0.6", "-t", "2"}, false, 0.6},
        {{"--min-similarity", "0.75", "--threads", "1"}, true, 0.75},
        {{"-m", "1"}, true, 1.0},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.options;
        arguments.push_back(first);
        if (c.cross) arguments.push_back(second);
        const ProgramRun run = lcs_pairs(arguments);
        const std::string expected = expected_pairs(lines, c.cross ? &others : nullptr, c.min_similarity);
        EXPECT_EQ(run.status, expected.empty() ? 1 : 0) << run.err;
        EXPECT_EQ(run.out, expected) << "case " << (&c - cases);
        EXPECT_EQ(run.err, "");
    }
}

TEST(PairsProgram, TopKeepsTheBestPartnersOfEachLine) {
    const std::string first = file_of("top", {"colour", "color", "colours", "zebra", "colour"});
    const ProgramRun self = lcs_pairs({"--top", "2", first});
    EXPECT_EQ(self.status, 0) << self.err;
    EXPECT_EQ(self.out,
              "1.000\t6\t1\t5\tcolour\tcolour\n"
              "0.857\t6\t1\t3\tcolour\tcolours\n"
              "0.833\t5\t2\t1\tcolor\tcolour\n"
              "0.833\t5\t2\t5\tcolor\tcolour\n"
              "0.857\t6\t3\t1\tcolours\tcolour\n"
              "0.857\t6\t3\t5\tcolours\tcolour\n"
              "0.200\t1\t4\t2\tzebra\tcolor\n"
              "0.166\t1\t4\t1\tzebra\tcolour\n"
              "1.000\t6\t5\t1\tcolour\tcolour\n"
              "0.857\t6\t5\t3\tcolour\tcolours\n");
    const std::string second = file_of("top2", {"zebras", "colr"});
    const ProgramRun cross = lcs_pairs({"-n", "1", "-m", "0.5", first, second});
    EXPECT_EQ(cross.status, 0) << cross.err;
    EXPECT_EQ(cross.out,
              "0.666\t4\t1\t2\tcolour\tcolr\n"
              "0.800\t4\t2\t2\tcolor\tcolr\n"
              "0.571\t4\t3\t2\tcolours\tcolr\n"
              "0.833\t5\t4\t1\tzebra\tzebras\n"
              "0.666\t4\t5\t2\tcolour\tcolr\n");
}

TEST(PairsProgram, JsonReadsBackWithBothLengths) {
    // Characters: "naïve" and "naive" share 4 of 5; as bytes 4 of 6.
    const std::vector<std::string> lines{"na\xC3\xAFve", "naive", "nai\xFFve"};
    const std::string path = file_of("json", lines);
    const ProgramRun run = lcs_pairs({"--json", "-m", "0.6", path});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<testing_support::Json> objects;
    for (std::size_t begin = 0; begin < run.out.size();) {
        const std::size_t end = run.out.find('\n', begin);
        ASSERT_NE(end, std::string::npos);
        objects.push_back(testing_support::JsonReader::parse(run.out.substr(begin, end - begin)));
        begin = end + 1;
    }
    ASSERT_EQ(objects.size(), 3U);
    const testing_support::Json& first = objects[0];
    EXPECT_EQ(first["line"].number, 1);
    EXPECT_EQ(first["other_line"].number, 2);
    EXPECT_EQ(first["lcs"].number, 4);
    EXPECT_EQ(first["length"].number, 6);
    EXPECT_EQ(first["other_length"].number, 5);
    EXPECT_EQ(first["similarity"].number, 0.666);
    EXPECT_EQ(first["text"].text, lines[0]);
    EXPECT_EQ(testing_support::bytes_of(objects[2]["other_text"]), lines[2]);
    EXPECT_EQ(objects[2]["other_text"].type, testing_support::Json::Type::object);

    const ProgramRun chars = lcs_pairs({"--json", "--by", "chars", "-m", "0.8", file_of("chars", {lines[0], lines[1]})});
    ASSERT_EQ(chars.status, 0) << chars.err;
    const auto pair = testing_support::JsonReader::parse(chars.out);
    EXPECT_EQ(pair["length"].number, 5);
    EXPECT_EQ(pair["similarity"].number, 0.8);
}

TEST(PairsProgram, WordsCompareWholeWordsAcrossFiles) {
    const std::string first = file_of("w1", {"the quick brown fox", "lorem ipsum"});
    const std::string second = file_of("w2", {"the quick  red fox", "ipsum lorem"});
    const ProgramRun run = lcs_pairs({"--by", "words", "-m", "0.5", first, second});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "0.750\t3\t1\t1\tthe quick brown fox\tthe quick  red fox\n"
              "0.500\t1\t2\t2\tlorem ipsum\tipsum lorem\n");
}

TEST(PairsProgram, ExitStatusesAsGrep) {
    const std::string path = file_of("status", {"abc", "abd", "xyz"});
    const std::string bad = file_of("bad", {"ok", "caf\xE9"});
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string err;  // a part of standard error
    };
    const Case cases[] = {
        {{path}, 1, ""},
        {{"-m", "0.6", path}, 0, ""},
        {{path, temporary_path("missing")}, 2, "cannot open"},
        {{path, path, path}, 2, "at most two FILEs"},
        {{}, 2, "missing FILE"},
        {{"-", "-"}, 2, "standard input ('-') can stand for only one FILE"},
        {{"--frob", path}, 2, "unknown option '--frob'"},
        {{"-m", "1.5", path}, 2, "--min-similarity"},
        {{"--by", "lines", path}, 2, "bytes, chars or words"},
        {{"--by", "chars", bad}, 2, "line 2 is"},
        {{"--version"}, 0, ""},
        {{"--help"}, 0, ""},
    };
    for (const Case& c : cases) {
        const ProgramRun run = lcs_pairs(c.arguments);
        EXPECT_EQ(run.status, c.status) << "case " << (&c - cases) << ": " << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    EXPECT_NE(lcs_pairs({"-V"}).out.find("vector paths:"), std::string::npos);
    // Standard input as FILE.
    const ProgramRun piped = lcs_pairs({"-m", "0.6", "-"}, "abc\nabd\n");
    EXPECT_EQ(piped.out, "0.666\t2\t1\t2\tabc\tabd\n");
}

TEST(PairsProgram, RecordsReadThroughBuffersSmallerThanTheirLines) {
    const std::string bytes = "first line\r\n\nsecond, longer than the buffer\nlast without LF";
    const std::string path = temporary_path("records");
    write_file(path, bytes);
    for (const std::size_t buffer : {std::size_t{1}, std::size_t{3}, std::size_t{64}}) {
        const pairs::Records records(path, buffer);
        const std::vector<std::string_view> expected{"first line", "", "second, longer than the buffer",
                                                     "last without LF"};
        EXPECT_EQ(records.lines(), expected) << buffer;
    }
}

}  // namespace
