// The watched run of long work; see compute.h.
#include "python/compute.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace lcs::python {

namespace {

// The GIL released for this object's life, and taken back for a moment by
// handlers_raised(); taken back on every path out.
class Released {
public:
    Released() : state_(PyEval_SaveThread()) {}
    ~Released() { PyEval_RestoreThread(state_); }
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;

    // True when a signal handler raised.
    bool handlers_raised() {
        PyEval_RestoreThread(state_);
        const bool raised = PyErr_CheckSignals() != 0;
        state_ = PyEval_SaveThread();
        return raised;
    }

private:
    PyThreadState* state_;
};

}  // namespace

bool run_watched(const std::function<void(const Stop*)>& work) {
    Stop stop;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::thread worker([&] {
        work(&stop);  // catches all it throws
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ended.notify_one();
    });
    bool interrupted = false;
    {
        Released released;
        std::unique_lock<std::mutex> lock(mutex);
        while (!ended.wait_for(lock, kWatchSlice, [&] { return done; })) {
            if (interrupted) continue;  // waiting for the worker to stop
            lock.unlock();
            interrupted = released.handlers_raised();
            if (interrupted) stop.request();
            lock.lock();
        }
    }
    worker.join();
    return interrupted;
}

}  // namespace lcs::python
