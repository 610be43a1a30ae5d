// Test support: running a real executable through the shell, with a given
// standard input, and collecting its exit status and both outputs.
#ifndef TESTS_PROGRAM_RUN_H
#define TESTS_PROGRAM_RUN_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testing_support {

struct ProgramRun {
    int status;  // the exit status, or -1 when the program did not exit normally
    std::string out, err;
};

inline std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A path in the test's temporary directory, distinct for each test process
// so that tests run in parallel do not share files.
inline std::string temporary_path(const std::string& name) {
    return ::testing::TempDir() + "lcs_test_" + std::to_string(::getpid()) + "_" + name;
}

inline void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// `text` as one word of the shell, whatever bytes it holds but a zero byte.
inline std::string shell_quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The sanitizers' allocator, told to return null rather than stop the run,
// still reports each refused allocation on standard error. That line is the
// sanitizer's, not the program's, and is left out of what the tests check.
inline std::string without_sanitizer_notes(const std::string& err) {
    std::string kept;
    std::size_t begin = 0;
    while (begin < err.size()) {
        std::size_t end = err.find('\n', begin);
        end = end == std::string::npos ? err.size() : end + 1;
        const std::string line = err.substr(begin, end - begin);
        if (line.find("Sanitizer failed to allocate") == std::string::npos) kept += line;
        begin = end;
    }
    return kept;
}

// Runs `executable` with `arguments`, standard input read from `input`;
// `tail` is appended to the command line as it is (a redirection, say).
inline ProgramRun run_program(const std::string& executable,
                              const std::vector<std::string>& arguments,
                              const std::string& input = "", const std::string& tail = "") {
    const std::string in = temporary_path("in"), out = temporary_path("out"),
                      err = temporary_path("err");
    write_file(in, input);
    std::string command = shell_quoted(executable);
    for (const std::string& argument : arguments) command += " " + shell_quoted(argument);
    command += " < " + shell_quoted(in) + " > " + shell_quoted(out) + " 2> " + shell_quoted(err) +
               " " + tail;
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), without_sanitizer_notes(slurp(err))};
}

}  // namespace testing_support

#endif  // TESTS_PROGRAM_RUN_H
