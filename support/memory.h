// The machine's memory and a process's peak memory, measured one way for
// every tool of the project (lcs-compare and the benchmark).
//
// Peak working memory of a call is measured in a child process of its own:
// the kernel's resident high-water mark of the child, as wait4 returns it in
// ru_maxrss, less the child's resident size just before the call. The mark
// survives a child that crashes or is killed, and at the fork it starts at
// the child's resident size, so the difference is what the call added.
// Linux and the BSDs keep the mark; elsewhere it reads 0 and the growth 0.
// Tests: PeakMemory.* (bench/tests/test_bench_support.cpp) and the runner's
// peak of a known table (tests/test_compare_runner.cpp).
#ifndef LCS_SUPPORT_MEMORY_H
#define LCS_SUPPORT_MEMORY_H

#include <sys/resource.h>

#include <cstdint>

namespace lcs::support {

// The machine's physical memory in bytes (0 when the system does not say).
double physical_memory_bytes();

// This process's resident size and its whole mapped size in bytes, from
// /proc/self/statm (0 where there is none). Both read without stdio or the
// heap, so that a forked child may call them before and around a measured
// call without adding to what it measures.
std::int64_t resident_bytes();
std::int64_t mapped_bytes();

// What a child's call added to its resident memory at the peak: the child's
// high-water mark from wait4 (`usage`), less `baseline_bytes`, the resident
// size that the child read just before the call; never below 0.
double peak_growth_bytes(const struct rusage& usage, std::int64_t baseline_bytes);

}  // namespace lcs::support

#endif  // LCS_SUPPORT_MEMORY_H
