// Working storage of the sequence-comparison routines.
//
// Every routine owns its storage for the length of one call and releases it
// on every path, exceptions included. Storage comes zero-filled from calloc:
// large blocks are fresh pages that the system maps lazily, so the parts of a
// table that a call never writes cost address space but no resident memory.
// A block that cannot be had raises std::bad_alloc; that is the one failure a
// routine can report, and the callers turn it into a "not enough memory"
// message.
#ifndef ROUTINES_STORAGE_H
#define ROUTINES_STORAGE_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace lcs::detail {

// A length as passed to a routine, as a count. Negative lengths lie outside
// every routine's contract; they are taken as 0, so such a call compares
// nothing and returns 0 instead of reading outside a buffer.
inline std::size_t count_of(std::int32_t length) {
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

// A zero-filled array of `count` values of T, owned for its scope.
template <typename T>
class ZeroFilled {
    static_assert(std::is_trivially_copyable<T>::value,
                  "zero fill is a valid value only for plain data");

public:
    explicit ZeroFilled(std::size_t count)
        // calloc checks count * sizeof(T) for overflow itself.
        : data_(static_cast<T*>(std::calloc(count == 0 ? 1 : count, sizeof(T)))) {
        if (data_ == nullptr) throw std::bad_alloc();
    }
    ~ZeroFilled() { std::free(data_); }
    ZeroFilled(const ZeroFilled&) = delete;
    ZeroFilled& operator=(const ZeroFilled&) = delete;

    T* get() const { return data_; }
    T& operator[](std::size_t index) const { return data_[index]; }

private:
    T* data_;
};

// Asks the system to back a block that the caller is about to fill densely
// with large pages where it can: one fault per 2 MB instead of per 4 KB.
// Filling a fresh table of hundreds of megabytes otherwise spends most of its
// time in page faults. A hint only; where it is not available nothing changes.
inline void advise_dense_use(void* block, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kPage = 4096;
    constexpr std::size_t kWorthIt = std::size_t{4} << 20;
    if (bytes < kWorthIt) return;
    const auto first = (reinterpret_cast<std::uintptr_t>(block) + kPage - 1) & ~(kPage - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kPage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

// A working table of `rows` x `columns` values, zero-filled, held in one
// block: row r starts at r * columns. One block instead of a separately
// allocated row each is invisible to callers, keeps rows adjacent in memory,
// and lets the system refuse at once a table that it could never back.
template <typename T>
class ZeroTable {
public:
    ZeroTable(std::size_t rows, std::size_t columns)
        : columns_(columns), cells_(checked_product(rows, columns)) {
        advise_dense_use(cells_.get(), rows * columns * sizeof(T));
    }

    T* row(std::size_t r) const { return cells_.get() + r * columns_; }

private:
    static std::size_t checked_product(std::size_t rows, std::size_t columns) {
        if (columns != 0 && rows > SIZE_MAX / sizeof(T) / columns) throw std::bad_alloc();
        return rows * columns;
    }

    std::size_t columns_;
    ZeroFilled<T> cells_;
};

}  // namespace lcs::detail

#endif  // ROUTINES_STORAGE_H
