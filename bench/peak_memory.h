// Peak resident memory of one call, measured in a child process.
#ifndef BENCH_PEAK_MEMORY_H
#define BENCH_PEAK_MEMORY_H

#include <cstddef>
#include <functional>

namespace bench {

struct PeakMemory {
    bool measured = false;
    // Resident memory that the call added at its peak: its working storage as
    // far as it touched it, to the page.
    std::size_t working_bytes = 0;
};

// Runs `call` once in a forked child and returns what it made resident. The
// child resets the kernel's high-water mark of resident memory just before
// the call (/proc/self/clear_refs), so the mark afterwards is the call's peak;
// large blocks come straight from mmap there, so freed memory of the parent's
// heap cannot hide a call's storage. Not measured where the system offers no
// such mark or the child fails.
PeakMemory measure_peak_memory(const std::function<void()>& call);

}  // namespace bench

#endif  // BENCH_PEAK_MEMORY_H
