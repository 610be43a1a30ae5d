// A counting layer over the C library's allocator, linked into the benchmark
// program only: malloc, calloc, realloc, the aligned forms and free are
// defined here, forward to glibc's own entry points and, while a count runs,
// keep the bytes held and their peak (by malloc_usable_size, so each block
// counts what the allocator really set aside for it). operator new and the
// peer library allocate through these too. Sanitizer builds, which bring
// their own allocator, do not build the benchmark.
#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

#include "peak_memory.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<bool> counting{false};
std::atomic<long long> held{0};
std::atomic<long long> peak{0};

void note_taken(void* block) {
    if (block == nullptr || !counting.load(std::memory_order_relaxed)) return;
    const long long now = held += static_cast<long long>(malloc_usable_size(block));
    long long seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}

void note_given_back(void* block) {
    if (block == nullptr || !counting.load(std::memory_order_relaxed)) return;
    held -= static_cast<long long>(malloc_usable_size(block));
}

void start_count() {
    held = 0;
    peak = 0;
    counting = true;
}

std::size_t stop_count() {
    counting = false;
    return static_cast<std::size_t>(peak.load());
}

const bool registered = (bench::set_allocation_counter(start_count, stop_count), true);

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
    void* block = __libc_malloc(size);
    note_taken(block);
    return block;
}

void* calloc(std::size_t count, std::size_t size) {
    void* block = __libc_calloc(count, size);
    note_taken(block);
    return block;
}

void* realloc(void* block, std::size_t size) {
    note_given_back(block);
    void* moved = __libc_realloc(block, size);
    // A failed realloc keeps the old block.
    note_taken(moved != nullptr || size == 0 ? moved : block);
    return moved;
}

void free(void* block) {
    note_given_back(block);
    __libc_free(block);
}

void* memalign(std::size_t alignment, std::size_t size) {
    void* block = __libc_memalign(alignment, size);
    note_taken(block);
    return block;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* block = memalign(alignment, size);
    if (block == nullptr) return ENOMEM;
    *out = block;
    return 0;
}

}  // extern "C"
