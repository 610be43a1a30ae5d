#include "peak_memory.h"

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "support/memory.h"

namespace bench {
namespace {

void (*start_count)() = nullptr;
std::size_t (*stop_count)() = nullptr;

// What the child sends back: its resident size before the call and the
// allocator's peak during it.
struct ChildReport {
    std::int64_t baseline_bytes;
    std::uint64_t allocated_bytes;
};

// The child's side: measure, send the report down the pipe, never return.
[[noreturn]] void measure_in_child(const std::function<void()>& call, int out) {
    // Blocks of a page or more come from fresh mappings, so each counts the
    // pages the call writes; smaller ones may reuse resident heap memory.
    mallopt(M_MMAP_THRESHOLD, 4096);
    ChildReport report{};
    report.baseline_bytes = lcs::support::resident_bytes();
    if (start_count != nullptr) start_count();
    call();
    if (stop_count != nullptr) report.allocated_bytes = stop_count();
    const bool sent = write(out, &report, sizeof report) == static_cast<ssize_t>(sizeof report);
    _exit(sent ? 0 : 1);
}

}  // namespace

void set_allocation_counter(void (*start)(), std::size_t (*stop)()) {
    start_count = start;
    stop_count = stop;
}

PeakMemory measure_peak_memory(const std::function<void()>& call) {
    PeakMemory peak;
    int channel[2];
    if (pipe(channel) != 0) return peak;
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        measure_in_child(call, channel[1]);
    }
    close(channel[1]);
    ChildReport report{};
    const bool received =
        child > 0 && read(channel[0], &report, sizeof report) == static_cast<ssize_t>(sizeof report);
    close(channel[0]);
    int status = 0;
    struct rusage usage {};
    if (child > 0) {
        while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
        }
    }
    if (received && WIFEXITED(status) && WEXITSTATUS(status) == 0 && usage.ru_maxrss > 0) {
        peak.measured = true;
        peak.working_bytes =
            static_cast<std::size_t>(lcs::support::peak_growth_bytes(usage, report.baseline_bytes));
        peak.allocated_bytes = static_cast<std::size_t>(report.allocated_bytes);
        peak.allocated_measured = stop_count != nullptr;
    }
    return peak;
}

ProgramPeak run_for_peak(char** argv) {
    ProgramPeak result;
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv);
        _exit(127);
    }
    if (child < 0) {
        result.exit_status = 127;
        return result;
    }
    int status = 0;
    struct rusage usage {};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.peak_bytes = static_cast<long long>(usage.ru_maxrss) * 1024;
    return result;
}

}  // namespace bench
