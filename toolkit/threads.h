// The toolkit's worker threads: the one place that starts them, so that a
// thread that cannot start (std::thread throws std::system_error when the
// system refuses one) never ends the process. The work of a thread that did
// not start runs on the calling thread instead; the results do not depend
// on how many threads ran.
#ifndef LCS_TOOLKIT_THREADS_H
#define LCS_TOOLKIT_THREADS_H

#include <functional>
#include <thread>

namespace lcs::detail {

// Starts a thread that runs `work`, or throws std::system_error.
using ThreadStarter = std::thread (*)(std::function<void()> work);

// Replaces the starter for every later start (tests make it refuse);
// null restores std::thread's own. Returns the starter it replaced.
ThreadStarter set_thread_starter(ThreadStarter starter);

// Runs part(0) to part(count - 1), each on a thread of its own where one
// starts and part 0 on the calling thread; the parts whose threads did not
// start run on the calling thread after it. Returns once every part has
// ended, then rethrows the first failure of a part, if any.
void run_parts(unsigned count, const std::function<void(unsigned)>& part);

// Runs `beside` on a thread of its own, if one starts, while `here` runs on
// the calling thread; otherwise one after the other. Returns once both have
// ended, then rethrows the first failure, if any.
void run_beside(const std::function<void()>& beside, const std::function<void()>& here);

}  // namespace lcs::detail

#endif  // LCS_TOOLKIT_THREADS_H
