#include "peak_memory.h"

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace bench {
namespace {

void (*start_count)() = nullptr;
std::size_t (*stop_count)() = nullptr;

// A field of /proc/self/status in bytes ("VmHWM:   1234 kB"), or 0.
std::size_t status_bytes(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return 0;
    char line[256];
    std::size_t kib = 0;
    const std::size_t field_length = std::strlen(field);
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, field, field_length) == 0 && line[field_length] == ':') {
            std::sscanf(line + field_length + 1, "%zu", &kib);
            break;
        }
    }
    std::fclose(status);
    return kib * 1024;
}

bool reset_high_water_mark() {
    std::FILE* clear = std::fopen("/proc/self/clear_refs", "w");
    if (clear == nullptr) return false;
    const bool written = std::fputs("5", clear) >= 0;
    return std::fclose(clear) == 0 && written;
}

// The child's side: measure, send two sizes down the pipe, never return.
[[noreturn]] void measure_in_child(const std::function<void()>& call, int out) {
    // Blocks of a page or more come from fresh mappings, so each counts the
    // pages the call writes; smaller ones may reuse resident heap memory.
    mallopt(M_MMAP_THRESHOLD, 4096);
    std::size_t result[3] = {0, 0, 0};
    if (reset_high_water_mark()) {
        // The child maps the parent's code pages afresh as it first runs
        // them; those file pages are not the call's storage.
        const std::size_t before = status_bytes("VmRSS");
        const std::size_t files_before = status_bytes("RssFile");
        if (start_count != nullptr) start_count();
        call();
        if (stop_count != nullptr) result[2] = stop_count();
        const std::size_t peak = status_bytes("VmHWM");
        const std::size_t files_after = status_bytes("RssFile");
        const std::size_t code = files_after > files_before ? files_after - files_before : 0;
        result[0] = peak > before + code ? peak - before - code : 0;
        result[1] = peak;
    }
    const bool sent = write(out, result, sizeof result) == static_cast<ssize_t>(sizeof result);
    _exit(sent && result[1] != 0 ? 0 : 1);
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
    std::size_t result[3] = {0, 0, 0};
    const bool received =
        child > 0 && read(channel[0], result, sizeof result) == static_cast<ssize_t>(sizeof result);
    close(channel[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    if (received && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        peak.measured = true;
        peak.working_bytes = result[0];
        peak.allocated_bytes = result[2];
        peak.allocated_measured = stop_count != nullptr;
    }
    return peak;
}

}  // namespace bench
