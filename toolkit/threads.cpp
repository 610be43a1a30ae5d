// Worker threads that may fail to start (toolkit/threads.h). Covered by
// tests/test_batch.cpp (a starter that refuses, under the batch and
// lcs::align).
#include "toolkit/threads.h"

#include <atomic>
#include <exception>
#include <utility>
#include <vector>

namespace lcs::detail {

namespace {

std::thread start_std_thread(std::function<void()> work) { return std::thread(std::move(work)); }

std::atomic<ThreadStarter> starter{start_std_thread};

// A thread that runs `work`, or none (not joinable) when it cannot start:
// the system refused one (std::system_error) or there was no memory for
// it; either way its work runs on the calling thread instead.
std::thread try_start(std::function<void()> work) {
    try {
        return starter.load()(std::move(work));
    } catch (...) {
        return std::thread();
    }
}

}  // namespace

ThreadStarter set_thread_starter(ThreadStarter replacement) {
    return starter.exchange(replacement != nullptr ? replacement : start_std_thread);
}

void run_parts(unsigned count, const std::function<void(unsigned)>& part) {
    if (count <= 1) {
        if (count == 1) part(0);
        return;
    }
    std::vector<std::exception_ptr> failures(count);
    std::atomic<bool> failed{false};
    const auto guarded = [&](unsigned t) {
        try {
            part(t);
        } catch (...) {
            failures[t] = std::current_exception();
            failed.store(true);
        }
    };
    std::vector<std::thread> workers(count);
    for (unsigned t = 1; t < count; ++t) workers[t] = try_start([&guarded, t] { guarded(t); });
    guarded(0);
    for (unsigned t = 1; t < count; ++t) {
        if (workers[t].joinable()) {
            workers[t].join();
        } else if (!failed.load()) {  // after a failure the result is lost anyway
            guarded(t);
        }
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
}

void run_beside(const std::function<void()>& beside, const std::function<void()>& here) {
    run_parts(2, [&](unsigned t) { t == 1 ? beside() : here(); });
}

}  // namespace lcs::detail
