#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace bench {

ScratchFolder::ScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/lcs_bench.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    for (const std::string& file : files_) std::remove(file.c_str());
    rmdir(path_.c_str());
}

std::string ScratchFolder::file(const std::string& name) {
    files_.push_back(path_ + "/" + name);
    return files_.back();
}

void write_lines(const std::string& path, const std::vector<std::string>& lines,
                 std::size_t copies) {
    std::ofstream out(path, std::ios::binary);
    for (std::size_t copy = 0; copy < copies; ++copy) {
        for (const std::string& line : lines) out << line << '\n';
    }
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

namespace {

// This process's environment with `overrides` replacing variables of the
// same names.
std::vector<std::string> environment_with(const Environment& overrides) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        bool replaced = false;
        for (const auto& [name, value] : overrides) {
            replaced = replaced || variable.compare(0, name.size() + 1, name + "=") == 0;
        }
        if (!replaced) variables.push_back(variable);
    }
    for (const auto& [name, value] : overrides) variables.push_back(name + "=" + value);
    return variables;
}

std::vector<char*> pointers_to(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

double seconds_of(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

}  // namespace

ChildRun run_program(const std::vector<std::string>& argv, const std::string& out_path,
                     const Environment& environment) {
    std::vector<std::string> args = argv, variables = environment_with(environment);
    std::vector<char*> arg_pointers = pointers_to(args), variable_pointers = pointers_to(variables);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::fflush(nullptr);
    pid_t child = 0;
    const auto start = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&child, arg_pointers[0], &actions, nullptr, arg_pointers.data(),
                                    variable_pointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot run " + argv[0] + ": " + std::strerror(spawned));
    int status = 0;
    rusage usage{};
    pid_t waited = 0;
    do {
        waited = wait4(child, &status, 0, &usage);
    } while (waited < 0 && errno == EINTR);
    if (waited != child) throw std::runtime_error("lost the child " + argv[0]);
    ChildRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.processor_seconds = seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime);
    run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

ChildRun run_program_checked(const std::vector<std::string>& argv, const std::string& out_path) {
    const ChildRun run = run_program(argv, out_path);
    if (run.exit_status != 0) {
        throw std::runtime_error(argv[0] + " failed (exit status " + std::to_string(run.exit_status) +
                                 ")");
    }
    return run;
}

std::string own_path() {
    std::vector<char> self(4096);
    const ssize_t size = readlink("/proc/self/exe", self.data(), self.size() - 1);
    return size > 0 ? std::string(self.data(), static_cast<std::size_t>(size)) : "";
}

std::string own_folder() {
    const std::string path = own_path();
    return path.substr(0, path.find_last_of('/') + 1);
}

double program_peak_bytes(const std::string& launcher, const std::vector<std::string>& argv,
                          ScratchFolder& scratch, ChildRun& run) {
    const std::string result = scratch.file("peak.txt");
    std::vector<std::string> command{launcher, result};
    command.insert(command.end(), argv.begin(), argv.end());
    run = run_program_checked(command, "/dev/null");
    std::ifstream in(result);
    double bytes = 0;
    if (!(in >> bytes)) throw std::runtime_error("no peak memory from " + launcher);
    return bytes;
}

}  // namespace bench
