// The benchmark's counting layer over the allocator: the peak of bytes held
// at one time during a call, whichever entry point the bytes came through.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "peak_memory.h"

namespace {

constexpr std::size_t kKiB = 1024;

// Allocations that the compiler must keep: their pointers leave through here.
void* volatile escape;

std::size_t allocated_by(const std::function<void()>& call) {
    const bench::PeakMemory peak = bench::measure_peak_memory(call);
    EXPECT_TRUE(peak.measured && peak.allocated_measured);
    return peak.allocated_bytes;
}

TEST(AllocationCount, PeakOfBytesHeldAtOnce) {
    struct Case {
        const char* what;
        std::function<void()> call;
        std::size_t at_least, at_most;
    };
    const Case cases[] = {
        {"nothing", [] {}, 0, 0},
        {"malloc then free, twice: the peak is one block",
         [] {
             for (int k = 0; k < 2; ++k) {
                 escape = std::malloc(100 * kKiB);
                 std::free(escape);
             }
         },
         100 * kKiB, 104 * kKiB},
        {"two blocks held together",
         [] {
             void* first = escape = std::calloc(100, kKiB);
             void* second = escape = std::calloc(50, kKiB);
             std::free(first);
             std::free(second);
         },
         150 * kKiB, 154 * kKiB},
        {"realloc counts the new size, not both",
         [] {
             void* block = escape = std::malloc(10 * kKiB);
             escape = block = std::realloc(block, 300 * kKiB);
             std::free(block);
         },
         300 * kKiB, 312 * kKiB},
        {"aligned and C++ allocations",
         [] {
             void* aligned = nullptr;
             if (posix_memalign(&aligned, 64, 20 * kKiB) != 0) return;
             escape = aligned;
             auto vector = std::make_unique<std::vector<char>>(30 * kKiB);
             escape = vector->data();
             std::free(aligned);
         },
         50 * kKiB, 54 * kKiB},
    };
    for (const Case& c : cases) {
        const std::size_t bytes = allocated_by(c.call);
        EXPECT_GE(bytes, c.at_least) << c.what;
        EXPECT_LE(bytes, c.at_most) << c.what;
    }
}

TEST(AllocationCount, BlocksFromBeforeTheCallDoNotCount) {
    void* earlier = std::malloc(500 * kKiB);
    escape = earlier;
    const std::size_t bytes = allocated_by([earlier] {
        std::free(earlier);
        escape = std::malloc(10 * kKiB);
        std::free(escape);
    });
    EXPECT_LE(bytes, 12 * kKiB);
}

}  // namespace
