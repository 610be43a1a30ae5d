// The child runs the routine and writes one ChildMessage; the parent polls
// the pipe, reports progress, kills the child at the time limit, and reaps
// it with wait4. The peak memory is measured as everywhere in the project
// (support/memory.h): the child's resident high-water mark less its resident
// size just before the call, which holds the parent's pages that it shares,
// the sequences included, so that the peak is the routine's own.
//
// Outside sanitizer builds the child's address space is capped at its size
// at the fork plus the machine's physical memory: a table that could never
// be resident then fails its allocation with std::bad_alloc, reported as
// "not enough memory", instead of being granted lazily and ending in the
// kernel's out-of-memory killer, which may pick another process. The cap
// only ever lowers the soft limit: a lower one that the user set stays, and
// the hard limit is never touched. (The sanitizers reserve vast shadow
// mappings and cannot run under such a cap.)
//
// The child ends with the program. A signal that ends the program (TERM,
// INT, HUP, QUIT) first kills and reaps the running child, then ends the
// program with that signal's default action, so that its caller sees the
// usual status; a program killed outright (SIGKILL) takes the child with it
// through the kernel's parent-death signal. The signals stay blocked from
// the fork until the child's id is known to the handler.
#include "compare/runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cstddef>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define COMPARE_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define COMPARE_UNDER_SANITIZER 1
#endif
#endif

namespace compare {

namespace {

enum class ChildResult : std::int32_t { ok, out_of_memory, exception };

// Trivially copyable and smaller than PIPE_BUF. The child sends the baseline
// as soon as it has it, and the rest when the routine returns, so that a
// child that crashes still tells how much of its peak was not its own.
struct ChildMessage {
    std::int64_t baseline_bytes;
    ChildResult result;
    std::int32_t length;
    std::uint64_t score_bits;
    double seconds;
    char what[160];
};
constexpr std::size_t kBaselineSize = sizeof(std::int64_t);
static_assert(offsetof(ChildMessage, baseline_bytes) == 0, "the baseline is sent first");

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void cap_address_space() {
#ifndef COMPARE_UNDER_SANITIZER
    const double physical = lcs::support::physical_memory_bytes();
    if (physical <= 0) return;
    const auto cap = static_cast<rlim_t>(static_cast<double>(lcs::support::mapped_bytes()) + physical);
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) != 0) return;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= cap) return;
    limit.rlim_cur = cap;  // below the old soft limit, so below the hard one
    ::setrlimit(RLIMIT_AS, &limit);
#endif
}

// The signals that end the program and, through the handler, its child.
constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// The child that runs a routine now, 0 when none: what the handler kills.
volatile std::sig_atomic_t g_running_child = 0;

sigset_t ending_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int number : kEndingSignals) sigaddset(&set, number);
    return set;
}

// Async-signal-safe calls only. The disposition is back to the default on
// entry (SA_RESETHAND), so the raise below ends the program as the signal
// would have, at once or as the handler returns; the child is gone by then.
extern "C" void end_with_child(int number) {
    const pid_t child = g_running_child;
    if (child > 0) {
        ::kill(child, SIGKILL);
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    ::raise(number);
}

// Installed once, for each ending signal whose disposition is still the
// default: a signal the program was started with ignored (nohup) stays
// ignored, and a handler that the embedding program set stays its own.
void end_children_with_the_program() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = end_with_child;
        action.sa_mask = ending_signals();
        action.sa_flags = SA_RESETHAND;
        for (const int number : kEndingSignals) {
            struct sigaction current {};
            if (::sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
                ::sigaction(number, &action, nullptr);
            }
        }
        return true;
    }();
    (void)installed;
}

// In the child, first thing: the default action for the ending signals, the
// parent's signal mask again, and death with the parent, which may already
// have ended between the fork and the request (then the child's parent is
// no longer `parent`).
void follow_the_parent(pid_t parent, const sigset_t& parent_mask) {
    for (const int number : kEndingSignals) {
        struct sigaction current {};
        if (::sigaction(number, nullptr, &current) == 0 && current.sa_handler == end_with_child) {
            ::signal(number, SIG_DFL);
        }
    }
    ::sigprocmask(SIG_SETMASK, &parent_mask, nullptr);
#if defined(__linux__)
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    if (::getppid() != parent) ::_exit(1);
}

void write_whole(int fd, const void* data, std::size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = ::write(fd, next, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;
        next += put;
        size -= static_cast<std::size_t>(put);
    }
}

[[noreturn]] void run_child(const Task& task, int out) {
    cap_address_space();
    try {
        if (task.warm_up) task.warm_up();
    } catch (...) {
    }
    ChildMessage message{};
    message.baseline_bytes = lcs::support::resident_bytes();
    write_whole(out, &message.baseline_bytes, kBaselineSize);
    const Clock::time_point start = Clock::now();
    try {
        const double result = task.call();
        if (task.kind == lcs::RoutineKind::lcs_length) {
            message.length = static_cast<std::int32_t>(result);
        } else {
            std::memcpy(&message.score_bits, &result, sizeof result);
        }
        message.result = ChildResult::ok;
    } catch (const std::bad_alloc&) {
        message.result = ChildResult::out_of_memory;
    } catch (const std::exception& error) {
        message.result = ChildResult::exception;
        std::snprintf(message.what, sizeof message.what, "%s", error.what());
    } catch (...) {
        message.result = ChildResult::exception;
        std::snprintf(message.what, sizeof message.what, "an unknown exception");
    }
    message.seconds = seconds_since(start);
    write_whole(out, reinterpret_cast<const char*>(&message) + kBaselineSize,
                sizeof message - kBaselineSize);
    ::_exit(0);  // no atexit handlers, no flush of buffers inherited from the parent
}

// Reads what the child sends until it closes the pipe, the time limit passes
// (returns false) or, between the two, reports progress.
bool collect(int in, ChildMessage& message, std::size_t& received, double timeout_seconds,
             const ProgressReport& progress) {
    const Clock::time_point start = Clock::now();
    char* into = reinterpret_cast<char*>(&message);
    for (;;) {
        int wait_ms = progress ? 200 : -1;
        if (timeout_seconds > 0) {
            const double left_ms = (timeout_seconds - seconds_since(start)) * 1000.0;
            if (left_ms <= 0) return false;
            const int left = static_cast<int>(std::min(left_ms + 1.0, 1e9));
            wait_ms = wait_ms < 0 ? left : std::min(wait_ms, left);
        }
        struct pollfd ready {in, POLLIN, 0};
        const int events = ::poll(&ready, 1, wait_ms);
        if (events < 0 && errno != EINTR) return true;
        if (events > 0) {
            char scratch[sizeof(ChildMessage)];
            const ssize_t got = ::read(in, scratch, sizeof scratch);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return true;
            const std::size_t kept =
                std::min(static_cast<std::size_t>(got), sizeof(ChildMessage) - received);
            std::memcpy(into + received, scratch, kept);
            received += kept;
        }
        if (progress) progress(seconds_since(start));
    }
}

// Waits for the child to end and takes it off the handler's hands while it
// is a zombie, whose id no new process can take, then reaps it. Returns the
// wait status; `usage` is the child's own.
int reap(pid_t child, struct rusage& usage) {
    siginfo_t ended {};
    while (::waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOWAIT) < 0 &&
           errno == EINTR) {
    }
    g_running_child = 0;
    int wait_status = 0;
    while (::wait4(child, &wait_status, 0, &usage) < 0 && errno == EINTR) {
    }
    return wait_status;
}

std::string could_not_start() {
    return std::string("could not start a process: ") + std::strerror(errno);
}

std::string describe_end(int wait_status) {
    if (WIFSIGNALED(wait_status)) {
        const int number = WTERMSIG(wait_status);
        const char* name = ::strsignal(number);
        return "signal " + std::to_string(number) + (name ? std::string(", ") + name : "");
    }
    if (WIFEXITED(wait_status)) return "exit status " + std::to_string(WEXITSTATUS(wait_status));
    return "ended without a result";
}

}  // namespace

Task routine_task(const lcs::RoutineInfo& routine, const OneBased& a, const OneBased& b) {
    Task task;
    task.kind = routine.kind;
    task.call = [&routine, &a, &b] { return routine.run(a.data(), b.data(), a.length(), b.length()); };
    task.warm_up = [&routine, &a, &b] { routine.run(a.data(), b.data(), 0, 0); };
    return task;
}

Outcome run_isolated(const lcs::RoutineInfo& routine, const OneBased& a, const OneBased& b,
                     double timeout_seconds, const ProgressReport& progress) {
    return run_isolated(routine_task(routine, a, b), timeout_seconds, progress);
}

Outcome run_isolated(const Task& task, double timeout_seconds, const ProgressReport& progress) {
    end_children_with_the_program();
    int channel[2];
    if (::pipe(channel) != 0) throw ProcessError(could_not_start());
    std::fflush(nullptr);  // the child must not write out the parent's buffered output again
    const pid_t parent = ::getpid();
    const sigset_t blocked = ending_signals();
    sigset_t parent_mask;
    ::sigprocmask(SIG_BLOCK, &blocked, &parent_mask);
    const Clock::time_point start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        follow_the_parent(parent, parent_mask);
        ::close(channel[0]);
        run_child(task, channel[1]);
    }
    const int fork_error = errno;
    if (child > 0) g_running_child = child;
    ::sigprocmask(SIG_SETMASK, &parent_mask, nullptr);
    ::close(channel[1]);
    if (child < 0) {
        ::close(channel[0]);
        errno = fork_error;
        throw ProcessError(could_not_start());
    }

    ChildMessage message{};
    std::size_t received = 0;
    const bool in_time = collect(channel[0], message, received, timeout_seconds, progress);
    if (!in_time) ::kill(child, SIGKILL);
    ::close(channel[0]);
    struct rusage usage {};
    const int wait_status = reap(child, usage);
    const double elapsed = seconds_since(start);
    Outcome outcome;

    const bool complete = received == sizeof message;
    const std::int64_t baseline = received >= kBaselineSize ? message.baseline_bytes : 0;
    outcome.peak_bytes = lcs::support::peak_growth_bytes(usage, baseline);
    outcome.seconds = complete ? message.seconds : elapsed;
    if (!in_time) {
        outcome.status = Status::timed_out;
        outcome.seconds = timeout_seconds;
    } else if (!complete) {
        outcome.status = Status::crashed;
        outcome.detail = describe_end(wait_status);
    } else if (message.result == ChildResult::out_of_memory) {
        outcome.status = Status::out_of_memory;
    } else if (message.result == ChildResult::exception) {
        outcome.status = Status::crashed;
        message.what[sizeof message.what - 1] = '\0';
        outcome.detail = std::string("exception: ") + message.what;
    } else {
        outcome.status = Status::ok;
        outcome.length = message.length;
        std::memcpy(&outcome.score, &message.score_bits, sizeof outcome.score);
    }
    return outcome;
}

}  // namespace compare
