// Other programs started by the benchmark: the program under test
// (lcs-search), the peak-memory launcher, and the benchmark itself as a child
// per vector path. One home for spawning, waiting and scratch files.
#ifndef BENCH_PROCESS_H
#define BENCH_PROCESS_H

#include <string>
#include <utility>
#include <vector>

namespace bench {

// A folder of scratch files, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The path of a new file in the folder (created by the caller).
    std::string file(const std::string& name);

private:
    std::string path_;
    std::vector<std::string> files_;
};

// Writes `lines`, `copies` times over, one a line.
void write_lines(const std::string& path, const std::vector<std::string>& lines,
                 std::size_t copies);

struct ChildRun {
    int exit_status = 0;            // 128 + the signal where one ended it
    double seconds = 0;             // wall time
    double processor_seconds = 0;  // user and system time of the child
};

// Variables set for a child on top of this process's environment.
using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs `argv` (argv[0] a path) with standard output to `out_path`, standard
// input and error shared, and waits for it. Throws std::runtime_error where it
// cannot start.
ChildRun run_program(const std::vector<std::string>& argv, const std::string& out_path,
                     const Environment& environment = {});

// As run_program, and throws std::runtime_error unless it exits with 0.
ChildRun run_program_checked(const std::vector<std::string>& argv, const std::string& out_path);

// The path of this program, and the folder it lies in (with a final '/').
std::string own_path();
std::string own_folder();

// The peak resident bytes of a run of `argv`, through the launcher program
// `launcher` (lcs_peak_of, see peak_memory.h). `run` receives the launcher's
// run, whose status is the program's. Throws where the program fails.
double program_peak_bytes(const std::string& launcher, const std::vector<std::string>& argv,
                          ScratchFolder& scratch, ChildRun& run);

}  // namespace bench

#endif  // BENCH_PROCESS_H
