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
// kernel's out-of-memory killer, which may pick another process. (The
// sanitizers reserve vast shadow mappings and cannot run under such a cap.)
#include "compare/runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cerrno>
#include <chrono>
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
    const double cap = static_cast<double>(lcs::support::mapped_bytes()) + physical;
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(cap);
    ::setrlimit(RLIMIT_AS, &limit);
#endif
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

// The routine once on empty sequences: its code, and the allocator's, are
// mapped from the executable only when first run, and those pages would
// otherwise count as working memory of the real call.
void warm_up(const lcs::RoutineInfo& routine, const OneBased& a, const OneBased& b) {
    try {
        routine.run(a.data(), b.data(), 0, 0);
    } catch (...) {
    }
}

[[noreturn]] void run_child(const lcs::RoutineInfo& routine, const OneBased& a, const OneBased& b,
                            int out) {
    cap_address_space();
    warm_up(routine, a, b);
    ChildMessage message{};
    message.baseline_bytes = lcs::support::resident_bytes();
    write_whole(out, &message.baseline_bytes, kBaselineSize);
    const Clock::time_point start = Clock::now();
    try {
        if (routine.kind == lcs::RoutineKind::lcs_length) {
            message.length = routine.lcs(a.data(), b.data(), a.length(), b.length());
        } else {
            const double score = routine.score(a.data(), b.data(), a.length(), b.length());
            std::memcpy(&message.score_bits, &score, sizeof score);
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

Outcome run_isolated(const lcs::RoutineInfo& routine, const OneBased& a, const OneBased& b,
                     double timeout_seconds, const ProgressReport& progress) {
    Outcome outcome;
    int channel[2];
    if (::pipe(channel) != 0) {
        outcome.status = Status::crashed;
        outcome.detail = std::string("cannot make a pipe: ") + std::strerror(errno);
        return outcome;
    }
    std::fflush(nullptr);  // the child must not write out the parent's buffered output again
    const Clock::time_point start = Clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        outcome.status = Status::crashed;
        outcome.detail = std::string("cannot start a process: ") + std::strerror(errno);
        ::close(channel[0]);
        ::close(channel[1]);
        return outcome;
    }
    if (child == 0) {
        ::close(channel[0]);
        run_child(routine, a, b, channel[1]);
    }
    ::close(channel[1]);

    ChildMessage message{};
    std::size_t received = 0;
    const bool in_time = collect(channel[0], message, received, timeout_seconds, progress);
    if (!in_time) ::kill(child, SIGKILL);
    ::close(channel[0]);
    int wait_status = 0;
    struct rusage usage {};
    while (::wait4(child, &wait_status, 0, &usage) < 0 && errno == EINTR) {
    }
    const double elapsed = seconds_since(start);

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
