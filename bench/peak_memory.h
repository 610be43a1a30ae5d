// Peak memory of one call, measured in a child process, and of a whole
// program, measured by the launcher lcs_peak_of (peak_of.cpp): the one
// measure of a program's peak that bench/report and the toolkit benchmark use.
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

// The launcher's side of a program's peak: runs argv[0] (a path) with argv
// as a child of the calling process, its standard streams shared, and returns
// its exit status (128 + the signal that ended it, 127 where it could not
// start) and its peak resident bytes (ru_maxrss of wait4; 0 where the system
// keeps none). The caller must be a small process: Linux keeps across exec
// the high-water mark of the process that the child was forked from, so a
// program forked from the benchmark itself, or from bench/report's Python,
// would report its parent's mark. Hence a launcher of its own.
struct ProgramPeak {
    int exit_status = 0;
    long long peak_bytes = 0;
};
ProgramPeak run_for_peak(char** argv);

}  // namespace bench

#endif  // BENCH_PEAK_MEMORY_H
