// lcs-search end to end through the real program: ranking and its ties,
// --all in input order and streaming, --json read back, the bytes of odd
// lines, similarities cut, every error path with its exit status, a bad file
// among good ones, a closed output, the terminal's progress line; and the
// line reader's chunks and its limit on a line's length, in process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <lcs/lcs.h>

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

// Each line's text comes back exactly: valid UTF-8 as a string, any other
// bytes from base64; both lengths come with the similarity.
TEST(Search, JsonReadsBackExactly) {
    const std::vector<std::string> lines = {"ab", "\x01\t\"\\\x7f", "caf\xc3\xa9", "\xff\xc3",
                                            "\xf0\x9f\x98\x80\xc2\x9b"};
    std::string input;
    for (const std::string& line : lines) input += line + "\n";
    const auto run = search({"--json", "--all", "ab"}, input);
    ASSERT_EQ(run.status, 0) << run.err;
    std::size_t begin = 0;
    for (std::size_t line = 0; line < lines.size(); ++line) {
        const std::size_t end = run.out.find('\n', begin);
        ASSERT_NE(end, std::string::npos);
        const auto json = testing_support::JsonReader::parse(run.out.substr(begin, end - begin));
        begin = end + 1;
        EXPECT_EQ(testing_support::bytes_of(json["text"]), lines[line]) << line;
        EXPECT_EQ(json["text"].type == testing_support::Json::Type::string, line != 3) << line;
        EXPECT_EQ(json["line"].number, line + 1);
        EXPECT_EQ(json["file"].text, "(standard input)");
        EXPECT_EQ(json["lcs"].number, line == 0 ? 2 : line == 2 ? 1 : 0);
        EXPECT_EQ(json["query_length"].number, 2);
        EXPECT_EQ(json["line_length"].number, lines[line].size());
    }
    EXPECT_EQ(begin, run.out.size());
    // The control bytes are escaped, so the line stays one line.
    EXPECT_NE(run.out.find(R"("text":"\u0001\t\"\\\u007f")"), std::string::npos) << run.out;
}

// A similarity is cut to its three decimals, never rounded up: 1.000 is an
// equal line, and --min-similarity 1 keeps exactly the lines that print it.
TEST(Search, SimilarityIsCutNotRounded) {
    const std::string query(2000, 'a');
    const std::string almost = std::string(1999, 'a') + "b";
    const struct {
        std::vector<std::string> options;
        std::string input, out;
    } cases[] = {
        {{"--all"}, almost + "\n", "0.999\t1999\t(standard input):1\t" + almost + "\n"},
        {{"--all"}, query + "\n", "1.000\t2000\t(standard input):1\t" + query + "\n"},
        {{"--all", "-m", "1"}, almost + "\n" + query + "\n",
         "1.000\t2000\t(standard input):2\t" + query + "\n"},
        {{"--all", "--json"}, almost + "\n",
         "{\"similarity\":0.999,\"lcs\":1999,\"query_length\":2000,\"line_length\":2000,"
         "\"file\":\"(standard input)\",\"line\":1,\"text\":\"" + almost + "\"}\n"},
        {{"--all", "--by", "chars"}, "aaa\n", "0.001\t3\t(standard input):1\taaa\n"},
        {{"--all", "--by", "chars"}, "\n", "0.000\t0\t(standard input):1\t\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.options;
        arguments.push_back(query);
        const auto run = search(arguments, c.input);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
    }
}

TEST(Search, TextOutputEscapesControlBytes) {
    const auto run = search({"--all", "a"}, "a\\\tb\x7f\r\r\n");
    EXPECT_EQ(run.out, "0.166\t1\t(standard input):1\ta\\\\\\tb\\x7f\\x0d\n");
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
        {{"-jx", "a"}, 2, "lcs-search: unknown option '-x' (see --help)\n"},
        {{"--all=1", "a"}, 2, "lcs-search: option '--all' takes no value (see --help)\n"},
        {{"--al=", "a"}, 2, "lcs-search: option '--all' takes no value (see --help)\n"},
        {{"--t", "3", "a"}, 2, "lcs-search: option '--t' is ambiguous (see --help)\n"},
        {{"a", "--top"}, 2, "lcs-search: option '--top' needs a value (see --help)\n"},
        {{"a", "-n"}, 2, "lcs-search: option '-n' needs a value (see --help)\n"},
        {{"--top", "0", "a"},
         2,
         "lcs-search: option '--top' needs a whole number from 1 to 4294967296, not '0'\n"},
        {{"--top", "2x", "a"},
         2,
         "lcs-search: option '--top' needs a whole number from 1 to 4294967296, not '2x'\n"},
        {{"-n", " 3", "a"},
         2,
         "lcs-search: option '--top' needs a whole number from 1 to 4294967296, not ' 3'\n"},
        {{"-n", "+3", "a"},
         2,
         "lcs-search: option '--top' needs a whole number from 1 to 4294967296, not '+3'\n"},
        {{"-n", "18446744073709551617", "a"},
         2,
         "lcs-search: option '--top' needs a whole number from 1 to 4294967296, not "
         "'18446744073709551617'\n"},
        {{"-t", "-1", "a"},
         2,
         "lcs-search: option '--threads' needs a whole number from 1 to 1024, not '-1'\n"},
        {{"-m", "nan", "a"},
         2,
         "lcs-search: option '--min-similarity' needs a number from 0 to 1, not 'nan'\n"},
        {{"-m", "1.01", "a"},
         2,
         "lcs-search: option '--min-similarity' needs a number from 0 to 1, not '1.01'\n"},
        {{"-m", "0x0.8", "a"},
         2,
         "lcs-search: option '--min-similarity' needs a number from 0 to 1, not '0x0.8'\n"},
        {{"-m", " 0.5", "a"},
         2,
         "lcs-search: option '--min-similarity' needs a number from 0 to 1, not ' 0.5'\n"},
        {{"-m", "5e-1", "a"},
         2,
         "lcs-search: option '--min-similarity' needs a number from 0 to 1, not '5e-1'\n"},
        {{"--by", "pages", "a"},
         2,
         "lcs-search: option '--by' needs bytes, chars, words or lines, not 'pages'\n"},
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

// As grep: a file that cannot be read, or a line that breaks the unit, is
// reported with its place and ends that file only; every other file is
// searched and ranked, and the status is 2.
TEST(Search, ABadFileIsReportedAndTheOthersSearched) {
    const std::string good = testing_support::temporary_path("good"),
                      broken = testing_support::temporary_path("broken"),
                      missing = testing_support::temporary_path("missing");
    testing_support::write_file(good, "abc\n");
    testing_support::write_file(broken, "abd\nab\xff\nabc\n");
    const std::string cannot_open =
        "lcs-search: cannot open '" + missing + "': No such file or directory\n";
    const struct {
        std::vector<std::string> arguments;
        std::string out, err;
    } cases[] = {
        {{"abc", good, missing}, "1.000\t3\t" + good + ":1\tabc\n", cannot_open},
        {{"abc", missing, good}, "1.000\t3\t" + good + ":1\tabc\n", cannot_open},
        {{"-n", "1", "abc", "/", good},
         "1.000\t3\t" + good + ":1\tabc\n",
         "lcs-search: cannot read '/': Is a directory\n"},
        {{"--all", "abc", missing, good, missing},
         "1.000\t3\t" + good + ":1\tabc\n",
         cannot_open + cannot_open},
        {{"--by", "chars", "abc", broken, good},
         "1.000\t3\t" + good + ":1\tabc\n0.666\t2\t" + broken + ":1\tabd\n",
         "lcs-search: '" + broken + "' line 2 is not UTF-8: a byte that never occurs in UTF-8 at "
                                    "byte 2\n"},
        {{"--all", "--by", "words", "abc", broken, "-"},
         "0.000\t0\t" + broken + ":1\tabd\n1.000\t1\t(standard input):1\tabc\n",
         "lcs-search: '" + broken + "' line 2 is not UTF-8: a byte that never occurs in UTF-8 at "
                                    "byte 2\n"},
    };
    for (const auto& c : cases) {
        const auto run = search(c.arguments, "abc\n");
        EXPECT_EQ(run.status, 2) << c.err;
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
}

TEST(Search, HelpAndVersion) {
    EXPECT_EQ(search({"--version"}).out,
              std::string("lcs-search ") + LCS_VERSION + "\nvector paths: " + lcs::isa() + "\n");
    const auto help = search({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("{\"bytes\":\"B\"}"), std::string::npos);
    EXPECT_NE(help.out.find("cut, not rounded"), std::string::npos);
}

// Runs `script` with /bin/sh and returns its exit status.
int shell(const std::string& script) {
    const int raw = std::system(("/bin/sh -c " + testing_support::shell_quoted(script)).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// With SIGPIPE ignored, a reader that goes away ends the search at its next
// write, with one line and status 2, however much input is still to come.
TEST(Search, AClosedOutputEndsTheRunAtOnce) {
    const std::string err = testing_support::temporary_path("pipe_err"),
                      status = testing_support::temporary_path("pipe_status");
    shell("trap '' PIPE; yes abc 2> /dev/null | { timeout 60 " +
          testing_support::shell_quoted(LCS_SEARCH_EXECUTABLE) + " --all abc 2> " +
          testing_support::shell_quoted(err) + "; echo $? > " +
          testing_support::shell_quoted(status) + "; } | head -n 1 > /dev/null");
    EXPECT_EQ(testing_support::slurp(status), "2\n");
    EXPECT_EQ(testing_support::slurp(err), "lcs-search: cannot write the output: Broken pipe\n");
}

// --all on a pipe that pauses: the line read before the pause is printed
// during it. The writer waits for the reader to see that line (up to 10 s)
// before it writes the next, and says how many tenths it waited.
TEST(Search, AllStreamsALivePipe) {
    const std::string seen = testing_support::temporary_path("seen"),
                      waited = testing_support::temporary_path("waited"),
                      out = testing_support::temporary_path("stream_out");
    ::unlink(seen.c_str());
    const std::string writer = "echo abc; i=0; while [ ! -e " + testing_support::shell_quoted(seen) +
                               " ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done; echo $i > " +
                               testing_support::shell_quoted(waited) + "; echo abd";
    const std::string reader = "IFS= read -r first; touch " + testing_support::shell_quoted(seen) +
                               "; { echo \"$first\"; cat; } > " + testing_support::shell_quoted(out);
    EXPECT_EQ(shell("{ " + writer + "; } | " +
                    testing_support::shell_quoted(LCS_SEARCH_EXECUTABLE) + " --all abc | { " +
                    reader + "; }"),
              0);
    EXPECT_LT(std::stoi(testing_support::slurp(waited)), 100);
    EXPECT_EQ(testing_support::slurp(out),
              "1.000\t3\t(standard input):1\tabc\n0.666\t2\t(standard input):2\tabd\n");
}

// lcs-search --all with standard output and standard error on one terminal
// (a pseudo-terminal): past a million lines read, no progress line is drawn
// among the results.
TEST(Search, NoProgressAmongResultsOnATerminal) {
    const std::string input = testing_support::temporary_path("many_lines");
    std::string lines;
    for (int i = 0; i < 1200000; ++i) lines += i % 100000 == 0 ? "x\n" : "y\n";
    testing_support::write_file(input, lines);
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int slave = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
        const int in = ::open(input.c_str(), O_RDONLY);
        if (slave < 0 || in < 0) ::_exit(127);
        ::dup2(in, STDIN_FILENO);
        ::dup2(slave, STDOUT_FILENO);
        ::dup2(slave, STDERR_FILENO);
        ::execl(LCS_SEARCH_EXECUTABLE, "lcs-search", "--all", "-m", "1", "x",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string shown;
    char buffer[4096];
    for (;;) {  // until the last writer closes the terminal (EIO)
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0) break;
        shown.append(buffer, static_cast<std::size_t>(got));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
    EXPECT_EQ(shown.find("lines read"), std::string::npos) << shown;
    EXPECT_NE(shown.find("(standard input):1100001\tx"), std::string::npos) << shown;
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
    // The lines before a line too long are handed out first.
    const std::string path = testing_support::temporary_path("long_line");
    testing_support::write_file(path, "ab\ncd\nabcde\nx\n");
    search::LineReader reader(path, 4);
    search::Chunk chunk;
    ASSERT_TRUE(reader.next(chunk));
    EXPECT_EQ(chunk.lines, (std::vector<std::string_view>{"ab", "cd"}));
    EXPECT_THROW(reader.next(chunk), search::SearchError);
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
