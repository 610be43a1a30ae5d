// The real `lcs` executable, driven through its standard input: the exact
// dialogue on well-formed input, and one clear error line, status 1 and no
// result line on every kind of bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "program_run.h"

namespace {

using testing_support::ProgramRun;

ProgramRun run_lcs(const std::string& input) {
    return testing_support::run_program(LCS_EXECUTABLE, {}, input);
}

const std::string kPrompts = "Input the length of string A: Input the length of string B: ";

TEST(Console, WellFormedDialogues) {
    struct Case {
        const char* why;
        std::string input;
        int expected;
    };
    const Case cases[] = {
        {"all four items on one line", "7 6 ABCBDAB BDCABA", 4},
        {"one item per line", "7\n6\nABCBDAB\nBDCABA\n", 4},
        {"tabs and blank lines between items", "\t4\n\n3  bcab\tabc\n", 2},
        {"no letter in common", "3 3 abc def", 0},
        {"repeated letters", "4 2 aaaa aa", 2},
        {"short words leave zero bytes that match", "3 3 ab ab", 3},
        {"zero bytes of unequal padding", "3 4 ab ab", 3},
        {"the first word is A even when B is declared longer", "3 5 abc ab", 2},
        {"bytes above 127 and a zero byte inside a word", std::string("3 2 \xe9\0\xff \xff\xe9", 10), 1},
        {"input after the second word is ignored", "1 1 a a trailing words", 1},
    };
    // Standard input is a pipe here, not a terminal: the run ends with the
    // result line and waits for no key.
    for (const Case& c : cases) {
        const ProgramRun run = run_lcs(c.input);
        EXPECT_EQ(run.status, 0) << c.why;
        EXPECT_EQ(run.out, kPrompts + "HuntSzymanski_Alg LCS : " + std::to_string(c.expected) + "\n")
            << c.why;
        EXPECT_EQ(run.err, "") << c.why;
    }
}

TEST(Console, BadInputGetsOneErrorLineAndStatusOne) {
    const std::string huge_word(1000000, 'a');
    struct Case {
        std::string input;
        std::string message;
    };
    const std::string a_range = "the length of string A must be a whole number from 0 to 2147483645";
    const std::string b_range = "the length of string B must be a whole number from 0 to 2147483645";
    const Case cases[] = {
        {"", "the input ended before the length of string A"},
        {"  \n", "the input ended before the length of string A"},
        {"seven 6 a b", a_range},
        {"-1 6 a b", a_range},
        {"7x 6 a b", a_range},
        {"2147483646 1 a b", a_range},
        {"99999999999999999999 1 a b", a_range},
        {"3", "the input ended before the length of string B"},
        {"3 +4 a b", b_range},
        {"3 3", "the input ended before string A"},
        {"3 3 abc", "the input ended before string B"},
        {"3 3 abcd abc", "string A has 4 characters, more than its declared length 3"},
        {"3 2 abc abc", "string B has 3 characters, more than its declared length 2"},
        {"0 0 a b", "string A has 1 character, more than its declared length 0"},
        {"5 5 " + huge_word + " b", "string A has 1000000 characters, more than its declared length 5"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = run_lcs(c.input);
        const std::string shown = c.input.substr(0, 40);
        EXPECT_EQ(run.status, 1) << shown;
        EXPECT_EQ(run.err.rfind("lcs: ", 0), 0u) << shown << " -> " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << shown << " -> " << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        EXPECT_EQ(run.out.find("LCS"), std::string::npos) << shown;
    }
}

// The program with its memory capped near `megabytes`: its address space
// outside the sanitizers, each single allocation under them (whose shadow
// mappings need far more address space than any such cap).
ProgramRun run_lcs_within(int megabytes, const std::string& input) {
#ifdef LCS_TESTS_UNDER_SANITIZER
    const std::string cap = "ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=" +
                            std::to_string(megabytes) + " exec \"$0\"";
#else
    const std::string cap = "ulimit -v " + std::to_string(megabytes * 1024) + " && exec \"$0\"";
#endif
    return testing_support::run_program("/bin/sh", {"-c", cap, LCS_EXECUTABLE}, input);
}

// Hunt-Szymanski keeps match lists for the bytes of A only, so the storage
// follows what the strings hold, not 256 lists as long as B.
TEST(Console, MemoryFollowsWhatTheStringsHold) {
    struct Case {
        const char* why;
        std::string input;
        std::string out_end, err;
        int status;
    };
    const Case cases[] = {
        {"three bytes in A, a million in B", "3 1000000 abc b", "LCS : 1\n", "", 0},
        {"one byte in A, twenty million in B", "1 20000000 a b", "LCS : 0\n", "", 0},
        {"strings that cannot be held", "2147483645 2147483645 a b", kPrompts,
         "lcs: not enough memory to compare strings of these lengths\n", 1},
    };
    for (const Case& c : cases) {
        const ProgramRun run = run_lcs_within(500, c.input);
        EXPECT_EQ(run.status, c.status) << c.why << ": " << run.err;
        EXPECT_EQ(run.err, c.err) << c.why;
        const std::size_t end = run.out.size() - std::min(run.out.size(), c.out_end.size());
        EXPECT_EQ(run.out.substr(end), c.out_end) << c.why;
    }
}

TEST(Console, AnUnreadableStandardInputIsSaidWithItsReason) {
    struct Case {
        std::string redirection;
        std::string reason;
    };
    const Case cases[] = {
        {"0<&-", "Bad file descriptor"},
        {"< " + testing_support::shell_quoted(::testing::TempDir()), "Is a directory"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = testing_support::run_program(LCS_EXECUTABLE, {}, "", c.redirection);
        EXPECT_EQ(run.status, 1) << c.redirection;
        EXPECT_EQ(run.err, "lcs: standard input could not be read: " + c.reason + "\n");
        EXPECT_EQ(run.out, "Input the length of string A: ") << c.redirection;
    }
}

TEST(Console, AFailedWriteOfTheResultIsAnError) {
    const std::string command = "printf '1 1 a a' | '" LCS_EXECUTABLE "' > /dev/full 2> /dev/null";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
}

}  // namespace
