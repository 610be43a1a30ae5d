// The real `lcs-compare` and the processes it starts: a signal that ends the
// program ends the method's child with it, and the program's status is the
// signal's; a process that cannot be had is the program's own failure.
#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "program_run.h"
#include "reference/sequences.h"

namespace {

using Clock = std::chrono::steady_clock;

// The state letter and the parent of process `pid` from /proc ('\0' when
// it is gone); the name, in parentheses, may hold any byte.
char state_of(pid_t pid, pid_t* parent = nullptr) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return '\0';
    const std::size_t after_name = line.rfind(')');
    char state = 0;
    int ppid = 0;
    if (after_name == std::string::npos ||
        std::sscanf(line.c_str() + after_name + 1, " %c %d", &state, &ppid) != 2) {
        return '\0';
    }
    if (parent != nullptr) *parent = ppid;
    return state;
}

// The first child of `parent` found in /proc, or 0.
pid_t child_of(pid_t parent) {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return 0;
    pid_t found = 0;
    while (const struct dirent* entry = ::readdir(proc)) {
        const pid_t pid = std::atoi(entry->d_name);
        pid_t ppid = 0;
        if (pid > 0 && state_of(pid, &ppid) != '\0' && ppid == parent) {
            found = pid;
            break;
        }
    }
    ::closedir(proc);
    return found;
}

// Alive: neither gone nor a zombie.
bool still_runs(pid_t pid) {
    const char state = state_of(pid);
    return state != '\0' && state != 'Z';
}

// Starts lcs-compare on a method that runs for many seconds, with the
// signals' default actions (a background shell ignores INT and QUIT) and no
// core file, its output thrown away.
pid_t start_long_comparison(const std::string& path_a, const std::string& path_b) {
    const pid_t program = ::fork();
    if (program != 0) return program;
    for (const int number : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) ::signal(number, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const struct rlimit no_core {0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::execl(LCS_COMPARE_EXECUTABLE, "lcs-compare", "--all", "-m", "Hirschberg_AlgB", "--files",
            path_a.c_str(), path_b.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
}

template <typename Condition>
bool within_seconds(double seconds, Condition condition) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST(CompareProcess, TheMethodsChildEndsWithTheProgramWhateverTheSignal) {
    std::mt19937 rng(1616);
    const std::string path_a = testing_support::temporary_path("signal_a.txt");
    const std::string path_b = testing_support::temporary_path("signal_b.txt");
    testing_support::write_file(path_a, lcs::reference::random_string(rng, 100000, "abcdefgh"));
    testing_support::write_file(path_b, lcs::reference::random_string(rng, 100000, "abcdefgh"));
    for (const int number : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGKILL}) {
        const std::string name = ::strsignal(number);
        const pid_t program = start_long_comparison(path_a, path_b);
        ASSERT_GT(program, 0);
        pid_t method = 0;
        const bool started = within_seconds(10.0, [&] { return (method = child_of(program)) > 0; });
        ::kill(program, number);
        int status = 0;
        ASSERT_EQ(::waitpid(program, &status, 0), program);
        ASSERT_TRUE(started) << name << ": the method's child never appeared";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == number)
            << name << ": ended with status " << status;
        const bool ended = within_seconds(3.0, [&] { return !still_runs(method); });
        EXPECT_TRUE(ended) << name << ": the method's child " << method << " outlived the program";
        if (!ended) ::kill(method, SIGKILL);
    }
    ::unlink(path_a.c_str());
    ::unlink(path_b.c_str());
}

// One descriptor free beside the standard three (descriptor 3, which the
// test's own runner may have left open, is closed): enough to load the
// program, one short of a pipe, so that no method can be started. The
// program says so, and the status is that of its own failure.
TEST(CompareProcess, NoProcessToStartIsTheProgramsFailure) {
#ifdef LCS_TESTS_UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizers probe memory through a pipe of their own, which fails too "
                    "when no descriptor is left, and then report a fault that is not there";
#endif
    const testing_support::ProgramRun run = testing_support::run_program(
        "/bin/sh", {"-c", "exec 3>&- && ulimit -n 4 && exec \"$0\" ABCBDAB BDCABA", LCS_COMPARE_EXECUTABLE});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err, "lcs-compare: could not start a process: Too many open files\n");
    EXPECT_EQ(run.out, "");
}

}  // namespace
