// lcs-search end to end through the real program: ranking and its ties,
// --all in input order, --json read back, the bytes of odd lines, every
// error path with its exit status; and the line reader's chunks and its
// limit on a line's length, in process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_run.h"
#include "json_reader.h"
#include "search/lines.h"
#include "search/options.h"

namespace {

using testing_support::run_program;

testing_support::ProgramRun search(const std::vector<std::string>& arguments,
                                   const std::string& input = "") {
    return run_program(LCS_SEARCH_EXECUTABLE, arguments, input);
}

// "recieve" 6/7, "receiver" 7/8, "receive" 7/7, "deceive" 6/7, "" 0.
const std::string kWords = "recieve\nreceiver\r\nreceive\n\ndeceive";

TEST(Search, RanksBestFirstAndTiesKeepInputOrder) {
    const struct {
        std::vector<std::string> arguments;
        std::string out;
    } cases[] = {
        {{"receive"},
         "1.000\t7\t(standard input):3\treceive\n0.875\t7\t(standard input):2\treceiver\n"
         "0.857\t6\t(standard input):1\trecieve\n0.857\t6\t(standard input):5\tdeceive\n"
         "0.000\t0\t(standard input):4\t\n"},
        {{"--top", "3", "receive", "-"},
         "1.000\t7\t(standard input):3\treceive\n0.875\t7\t(standard input):2\treceiver\n"
         "0.857\t6\t(standard input):1\trecieve\n"},
        {{"-n", "1", "--min-similarity", "0.86", "receive"},
         "1.000\t7\t(standard input):3\treceive\n"},
        {{"--all", "-m", "0.8", "receive"},
         "0.857\t6\t(standard input):1\trecieve\n0.875\t7\t(standard input):2\treceiver\n"
         "1.000\t7\t(standard input):3\treceive\n0.857\t6\t(standard input):5\tdeceive\n"},
        {{"--threads", "3", "--all", "", "-"},
         "0.000\t0\t(standard input):1\trecieve\n0.000\t0\t(standard input):2\treceiver\n"
         "0.000\t0\t(standard input):3\treceive\n1.000\t0\t(standard input):4\t\n"
         "0.000\t0\t(standard input):5\tdeceive\n"},
    };
    for (const auto& c : cases) {
        const auto run = search(c.arguments, kWords);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
    }
}

TEST(Search, FilesAreNumberedApartAndRankedTogether) {
    const std::string first = testing_support::temporary_path("first"),
                      second = testing_support::temporary_path("second");
    testing_support::write_file(first, "abc\nxbc\n");
    testing_support::write_file(second, "abc\n");
    const auto run = search({"-n", "2", "abc", second, first});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "1.000\t3\t" + second + ":1\tabc\n1.000\t3\t" + first + ":1\tabc\n");
}

TEST(Search, JsonReadsBackAndKeepsAnyBytesValid) {
    const auto run = search({"--json", "--all", "ab"}, "ab\n\x01\t\"\\\n\xc3\xa9\n\xff\xc3\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> expected_text = {"\"ab\"", "\"\\u0001\\u0009\\\"\\\\\"",
                                                    "\"\xc3\xa9\"", "\"\\u00ff\\u00c3\""};
    std::size_t begin = 0;
    for (std::size_t line = 0; line < expected_text.size(); ++line) {
        const std::size_t end = run.out.find('\n', begin);
        ASSERT_NE(end, std::string::npos);
        const std::string object = run.out.substr(begin, end - begin);
        begin = end + 1;
        EXPECT_NE(object.find("\"text\":" + expected_text[line] + "}"), std::string::npos)
            << object;
        if (line == 3) continue;  // the reader takes no \u escape beyond ASCII
        const auto json = testing_support::JsonReader::parse(object);
        EXPECT_EQ(json["line"].number, line + 1);
        EXPECT_EQ(json["file"].text, "(standard input)");
        EXPECT_EQ(json["lcs"].number, line == 0 ? 2 : 0);
        EXPECT_EQ(json["similarity"].number, line == 0 ? 1.0 : 0.0);
    }
    EXPECT_EQ(begin, run.out.size());
}

TEST(Search, TextOutputEscapesControlBytes) {
    const auto run = search({"--all", "a"}, "a\\\tb\x7f\r\r\n");
    EXPECT_EQ(run.out, "0.167\t1\t(standard input):1\ta\\\\\\tb\\x7f\\x0d\n");
}

TEST(Search, FailuresAndNoMatchHaveTheirStatus) {
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string err;
    } cases[] = {
        {{"-m", "0.01", "zzz"}, 1, ""},
        {{"-m", "1", "recieved"}, 1, ""},
        {{}, 2, "lcs-search: missing QUERY (see --help)\n"},
        {{"--frob", "a"}, 2, "lcs-search: unknown option '--frob' (see --help)\n"},
        {{"a", "--top"}, 2, "lcs-search: option '--top' needs a value (see --help)\n"},
        {{"--top", "0", "a"},
         2,
         "lcs-search: option '--top' needs a whole number from 1 to 4294967296, not '0'\n"},
        {{"--top", "2x", "a"},
         2,
         "lcs-search: option '--top' needs a whole number from 1 to 4294967296, not '2x'\n"},
        {{"-t", "-1", "a"},
         2,
         "lcs-search: option '--threads' needs a whole number from 1 to 1024, not '-1'\n"},
        {{"-m", "nan", "a"},
         2,
         "lcs-search: option '--min-similarity' needs a number from 0 to 1, not 'nan'\n"},
        {{"-m", "1.01", "a"},
         2,
         "lcs-search: option '--min-similarity' needs a number from 0 to 1, not '1.01'\n"},
        {{"a", "/nonexistent/\x1b"},
         2,
         "lcs-search: cannot open '/nonexistent/\\x1b': No such file or directory\n"},
        {{"a", "/"}, 2, "lcs-search: cannot read '/': Is a directory\n"},
    };
    for (const auto& c : cases) {
        const auto run = search(c.arguments, kWords);
        EXPECT_EQ(run.status, c.status) << c.err;
        EXPECT_EQ(run.err, c.err);
        if (c.status == 2) {
            EXPECT_EQ(run.out, "");
        }
    }
}

TEST(Search, HelpAndVersion) {
    EXPECT_EQ(search({"--version"}).out, std::string("lcs-search ") + LCS_VERSION + "\n");
    const auto help = search({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("\\u00HH"), std::string::npos);
}

std::vector<std::string> all_lines(const std::string& bytes, std::size_t longest,
                                   std::size_t buffer_bytes = search::LineReader::kBufferBytes) {
    const std::string path = testing_support::temporary_path("lines");
    testing_support::write_file(path, bytes);
    search::LineReader reader(path, longest, buffer_bytes);
    search::Chunk chunk;
    std::vector<std::string> lines;
    while (reader.next(chunk)) {
        EXPECT_EQ(chunk.first_line, lines.size() + 1);
        lines.insert(lines.end(), chunk.lines.begin(), chunk.lines.end());
    }
    return lines;
}

TEST(SearchLines, LineEndsChunksAndTheLongestLine) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(all_lines("", 4), Lines{});
    EXPECT_EQ(all_lines("\n", 4), Lines{""});
    EXPECT_EQ(all_lines("abcd\r\nab\r\r\n\rx", 4), (Lines{"abcd", "ab\r", "\rx"}));
    EXPECT_THROW(all_lines("abcd\nabcde\n", 4), search::SearchError);
    EXPECT_THROW(all_lines("abcd\nabcd\r\r\n", 4), search::SearchError);
    EXPECT_THROW(all_lines("abcde", 4), search::SearchError);
    // Past one chunk of lines: every line once, in order.
    std::string many;
    Lines expected;
    for (std::size_t i = 0; i < search::LineReader::kChunkLines + 3; ++i) {
        expected.push_back(std::to_string(i));
        many += expected.back() + "\n";
    }
    EXPECT_EQ(all_lines(many, 10), expected);
}

// A buffer far smaller than the lines: lines and CR LF pairs cut by reads,
// the unfinished line moved or the buffer grown, nothing lost or joined.
TEST(SearchLines, LinesAcrossSmallBuffers) {
    std::string bytes;
    std::vector<std::string> expected;
    for (std::size_t length : {0, 1, 63, 64, 65, 130, 7, 300, 2}) {
        expected.push_back(std::string(length, static_cast<char>('a' + length % 26)));
        bytes += expected.back() + (length % 2 == 0 ? "\r\n" : "\n");
    }
    for (std::size_t buffer : {1, 64, 100, 4096}) {
        EXPECT_EQ(all_lines(bytes, 300, buffer), expected) << buffer;
        EXPECT_EQ(all_lines(bytes + "tail", 300, buffer).back(), "tail") << buffer;
    }
    EXPECT_THROW(all_lines(bytes, 299, 64), search::SearchError);
}

}  // namespace
