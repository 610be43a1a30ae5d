// Work cut into parts run on threads: every started thread is joined on
// every path, a thread that cannot start leaves its part to the calling
// thread, and the first failure is rethrown once all have ended.
#ifndef LCS_TOOLKIT_PARALLEL_H
#define LCS_TOOLKIT_PARALLEL_H

#include <algorithm>
#include <cstddef>
#include <exception>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace lcs::detail {

// The thread count asked for (0: every hardware thread), at most `parts`.
inline unsigned thread_count(unsigned asked, std::size_t parts) {
    if (asked == 0) asked = std::max(1U, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(asked, std::max<std::size_t>(parts, 1)));
}

// Calls run(part) for part < parts, on up to `parts` threads.
template <class Run>
void run_parts(unsigned parts, const Run& run) {
    std::vector<std::exception_ptr> failures(parts);
    const auto guarded = [&](unsigned part) {
        try {
            run(part);
        } catch (...) {
            failures[part] = std::current_exception();
        }
    };
    std::vector<unsigned> left;  // parts whose thread did not start
    left.reserve(parts);
    std::vector<std::thread> workers;
    {
        struct Joiner {
            std::vector<std::thread>& threads;
            ~Joiner() {
                for (std::thread& thread : threads) thread.join();
            }
        } joiner{workers};
        try {
            workers.reserve(parts);
        } catch (const std::bad_alloc&) {
            for (unsigned part = 1; part < parts; ++part) left.push_back(part);
        }
        for (unsigned part = 1; part < parts && left.empty(); ++part) {
            try {
                workers.emplace_back(guarded, part);
            } catch (const std::system_error&) {
                for (unsigned rest = part; rest < parts; ++rest) left.push_back(rest);
            }
        }
        guarded(0);
        for (unsigned part : left) guarded(part);
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
}

}  // namespace lcs::detail

#endif  // LCS_TOOLKIT_PARALLEL_H
