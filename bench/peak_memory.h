// Peak memory of one call, measured in a child process.
#ifndef BENCH_PEAK_MEMORY_H
#define BENCH_PEAK_MEMORY_H

#include <cstddef>
#include <functional>

namespace bench {

struct PeakMemory {
    bool measured = false;
    // Resident memory that the call added at its peak, measured as
    // lcs-compare measures it (support/memory.h): its working storage as far
    // as it touched it, to the page. The kernel updates its resident counts
    // in batches, so this is a rough figure; the allocation count is the
    // exact one.
    std::size_t working_bytes = 0;
    // The most bytes that the call held from the allocator at one time,
    // exactly, where an allocation counter is installed.
    bool allocated_measured = false;
    std::size_t allocated_bytes = 0;
};

// Installs the allocation counter: `start` begins a count, `stop` ends it and
// returns the peak of bytes held. The benchmark program installs one.
void set_allocation_counter(void (*start)(), std::size_t (*stop)());

// Runs `call` once in a forked child and returns what it added. Blocks of a
// page or more come straight from mmap in the child, so freed memory of the
// parent's heap cannot hide a call's storage. Not measured where the child
// fails.
PeakMemory measure_peak_memory(const std::function<void()>& call);

}  // namespace bench

#endif  // BENCH_PEAK_MEMORY_H
