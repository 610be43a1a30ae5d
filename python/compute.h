// Running the library's work from Python: without the GIL, and stoppable by
// Ctrl-C.
//
// Python runs its signal handlers on the main thread, between bytecodes; a
// C++ call that runs for seconds would hold Ctrl-C back until it returns. So
// long work runs on a thread of its own with an lcs::Stop, while the calling
// thread waits in slices of kWatchSlice without the GIL and, between slices,
// takes the GIL and runs the handlers (PyErr_CheckSignals). When a handler
// raises (KeyboardInterrupt), the Stop is requested, the worker ends at the
// kernel's next poll with lcs::Stopped, and the handler's exception is
// raised; no thread is killed and nothing is left running.
//
// Short work does not pay for a thread: below kReleaseCells cells (|a| |b|
// and the like) it runs with the GIL held, since releasing and taking it back
// costs more than the work and, with other Python threads waiting, can cost a
// switch interval; below kWatchCells it runs on the calling thread without the
// GIL, short enough that Ctrl-C waits for it unnoticed.
// Tests: python/tests/test_lcs.py (Interrupt).
#ifndef LCS_PYTHON_COMPUTE_H
#define LCS_PYTHON_COMPUTE_H

#include <pybind11/pybind11.h>

#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <utility>

#include <lcs/lcs.h>

namespace lcs::python {

namespace py = pybind11;

constexpr double kReleaseCells = 1 << 16;
constexpr double kWatchCells = 1 << 26;
constexpr std::chrono::milliseconds kWatchSlice{20};

// Runs `work` on a thread of its own and returns once it has ended. True
// when a signal handler raised meanwhile: the Python error is then set, the
// Stop was requested, and whatever the work ended with is to be dropped.
// Called with the GIL held; holds it again on return.
bool run_watched(const std::function<void(const Stop*)>& work);

// The result of work(stop), computed as the header comment says for work of
// about `cells` cells. Exceptions of the work reach the caller unchanged
// (pybind11 translates them); Ctrl-C raises KeyboardInterrupt.
template <class Work>
auto compute(double cells, Work&& work) -> decltype(work(static_cast<const Stop*>(nullptr))) {
    using Result = decltype(work(static_cast<const Stop*>(nullptr)));
    if (cells < kReleaseCells) return work(nullptr);
    if (cells < kWatchCells) {
        const py::gil_scoped_release release;
        return work(nullptr);
    }
    std::optional<Result> result;
    std::exception_ptr failure;
    const bool interrupted = run_watched([&](const Stop* stop) {
        try {
            result.emplace(work(stop));
        } catch (...) {
            failure = std::current_exception();
        }
    });
    if (interrupted) throw py::error_already_set();
    if (failure) std::rethrow_exception(failure);
    return std::move(*result);
}

}  // namespace lcs::python

#endif  // LCS_PYTHON_COMPUTE_H
