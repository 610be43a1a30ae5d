// lcs_toolkit_bench: the toolkit of <lcs/lcs.h> timed against rapidfuzz-cpp,
// the bit-parallel LCS that users pick today, and against our classic
// Hyyro_Alg, on the same seeded inputs in one run, on every vector path the
// processor has. Each target is printed as a measured figure beside the one
// it must reach, with a verdict, as a Markdown table (a column per path) on
// standard output and, with --out FILE, in FILE.
//
// Each path runs in a child: this program again, with LCS_ISA set to the
// path (the library reads it once, when it first chooses), handing its
// targets back through a scratch file. The races are in races/, the report
// in toolkit_report.*, the timing in race.*, the children in process.*.
//
//     lcs_toolkit_bench [--quick] [--out FILE] [--only FAMILY,...]
//                       [--paths plain,avx2,avx512] [--search PATH] [--pairs PATH]
//                       [--words FILE]
//                       [--against PROGRAM [--against-name NAME] [--against-rounds N]]
//
// --quick runs tiny sizes in a few seconds (verdicts then say little).
// --only runs these families of races: short, batch, search, align, matrix,
// pairs, threads. --paths keeps these of the paths the processor has.
// --search and --pairs name the lcs-search and lcs-pairs programs, --words a
// word list (defaults: beside this program as the build lays it out,
// /usr/share/dict/words).
// --against PROGRAM runs another build of this benchmark (bench/against
// builds one from a commit) alternately with this one, --against-rounds
// times per path (default 3), and adds a table of our times in both.
// Exit status: 0 the table was printed, 1 a failure (an unwritable file, a
// program that failed), 2 bad usage, 3 contestants disagreed.
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include <lcs/lcs.h>

#include "process.h"
#include "races/races.h"
#include "rapidfuzz_peer.h"

namespace {

using namespace bench;

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const char* const kUsage =
    "usage: lcs_toolkit_bench [--quick] [--out FILE] [--only FAMILY,...] "
    "[--paths plain,avx2,avx512] [--search PATH] [--pairs PATH] [--words FILE] "
    "[--against PROGRAM [--against-name NAME] [--against-rounds N]]";

struct Options {
    bool quick = false;
    std::string out, search, pairs, words = "/usr/share/dict/words";
    std::vector<std::string> only, paths;
    std::string against, against_name, child_path, emit;
    int against_rounds = 3;
};

std::vector<std::string> split_commas(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

bool is_family(const std::string& name) {
    for (const Family& family : families()) {
        if (name == family.name) return true;
    }
    return false;
}

Options parse(int argc, char** argv) {
    Options options;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const bool has_value = k + 1 < argc;
        if (arg == "--quick") {
            options.quick = true;
        } else if (has_value && arg == "--out") {
            options.out = argv[++k];
        } else if (has_value && arg == "--search") {
            options.search = argv[++k];
        } else if (has_value && arg == "--pairs") {
            options.pairs = argv[++k];
        } else if (has_value && arg == "--words") {
            options.words = argv[++k];
        } else if (has_value && arg == "--only") {
            options.only = split_commas(argv[++k]);
            for (const std::string& name : options.only) {
                if (!is_family(name)) throw UsageError("no family of races named '" + name + "'");
            }
        } else if (has_value && arg == "--paths") {
            options.paths = split_commas(argv[++k]);
        } else if (has_value && arg == "--against") {
            options.against = argv[++k];
        } else if (has_value && arg == "--against-name") {
            options.against_name = argv[++k];
        } else if (has_value && arg == "--against-rounds") {
            options.against_rounds = std::atoi(argv[++k]);
            if (options.against_rounds < 1) throw UsageError("--against-rounds takes 1 or more");
        } else if (has_value && arg == "--child") {
            options.child_path = argv[++k];
        } else if (has_value && arg == "--emit") {
            options.emit = argv[++k];
        } else {
            throw UsageError("unknown or incomplete option '" + arg + "' (" + kUsage + ")");
        }
    }
    if (options.against_name.empty()) options.against_name = options.against;
    if (options.child_path.empty() != options.emit.empty())
        throw UsageError("--child and --emit go together");
    return options;
}

// --- The processor -------------------------------------------------------------

std::string cpuinfo_field(const std::string& name) {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind(name, 0) == 0 && line.find(':') != std::string::npos)
            return line.substr(line.find(':') + 2);
    }
    return "";
}

// The features that the library's paths and the peer's build use.
std::string features() {
    const std::string flags = " " + cpuinfo_field("flags") + " ";
    std::string present;
    for (const char* feature : {"sse4_2", "popcnt", "bmi2", "avx2", "avx512f", "avx512bw",
                                "avx512vl", "avx512vbmi", "avx512_vbmi2"}) {
        if (flags.find(std::string(" ") + feature + " ") != std::string::npos)
            present += (present.empty() ? "" : " ") + std::string(feature);
    }
    return present.empty() ? "none of the vector features" : present;
}

// The paths this processor can run, as LCS_ISA names them.
std::vector<std::string> machine_paths() {
    std::vector<std::string> paths{"plain"};
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) paths.push_back("avx2");
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
        paths.push_back("avx512");
    return paths;
}

std::vector<std::string> chosen_paths(const Options& options) {
    std::vector<std::string> paths;
    for (const std::string& path : machine_paths()) {
        if (options.paths.empty() ||
            std::find(options.paths.begin(), options.paths.end(), path) != options.paths.end())
            paths.push_back(path);
    }
    for (const std::string& path : options.paths) {
        if (std::find(paths.begin(), paths.end(), path) == paths.end())
            std::cerr << "lcs_toolkit_bench: this processor has no path '" << path << "'\n";
    }
    if (paths.empty()) throw UsageError("none of the paths asked for runs here");
    return paths;
}

// --- A child: one path -------------------------------------------------------------

int run_child(const Options& options) {
    Setting setting;
    setting.sizes = sizes_for(options.quick);
    // By default each build times its own programs, laid out beside it.
    setting.search_program = options.search.empty() ? own_folder() + "../lcs-search" : options.search;
    setting.pairs_program = options.pairs.empty() ? own_folder() + "../lcs-pairs" : options.pairs;
    setting.peak_launcher = own_folder() + "lcs_peak_of";
    setting.words_file = options.words;
    setting.path = options.child_path;
    Report report;
    std::cerr << "lcs_toolkit_bench" << (options.quick ? " --quick" : "") << ", path "
              << options.child_path << '\n';
    for (const Family& family : families()) {
        if (options.only.empty() ||
            std::find(options.only.begin(), options.only.end(), family.name) != options.only.end())
            family.run(report, setting);
    }
    std::ofstream out(options.emit, std::ios::binary);
    write_run(out, {options.child_path, lcs::isa(), report.targets()});
    if (!out.flush()) throw std::runtime_error("cannot write " + options.emit);
    return 0;
}

// --- The parent: a child per path -----------------------------------------------

PathRun run_path(const std::string& program, const Options& options, const std::string& path,
                 ScratchFolder& scratch) {
    const std::string emitted = scratch.file("run-" + path + ".txt");
    std::vector<std::string> argv{program, "--child", path, "--emit", emitted,
                                  "--words", options.words};
    if (!options.search.empty()) argv.insert(argv.end(), {"--search", options.search});
    if (!options.pairs.empty()) argv.insert(argv.end(), {"--pairs", options.pairs});
    if (options.quick) argv.push_back("--quick");
    if (!options.only.empty()) {
        std::string only;
        for (const std::string& name : options.only) only += (only.empty() ? "" : ",") + name;
        argv.insert(argv.end(), {"--only", only});
    }
    const ChildRun child = run_program(argv, "/dev/null", {{"LCS_ISA", path}});
    if (child.exit_status == 3) throw Disagreement("on the " + path + " path (" + program + ")");
    if (child.exit_status != 0) {
        throw std::runtime_error(program + " on the " + path + " path failed (exit status " +
                                 std::to_string(child.exit_status) + ")");
    }
    std::ifstream in(emitted, std::ios::binary);
    return read_run(in);
}

std::string header(const Options& options, const std::vector<PathRun>& runs) {
    const std::time_t now = std::time(nullptr);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    const std::string processor = cpuinfo_field("model name");
    std::ostringstream out;
    out << "# The toolkit against rapidfuzz-cpp\n\n"
        << "`lcs_toolkit_bench" << (options.quick ? " --quick" : "") << "`, " << date << ".\n\n"
        << "Processor: " << (processor.empty() ? "unknown" : processor) << ", "
        << std::thread::hardware_concurrency() << " hardware threads; features: " << features()
        << ".\n\n"
        << "Peer: rapidfuzz-cpp "
        << (rapidfuzz_peer::available() ? std::string("built in, ") + rapidfuzz_peer::build()
                                        : "not built in (configure with LCS_RAPIDFUZZ_DIR)")
        << ".\n\n"
        << "A column per vector path, forced through `LCS_ISA`:";
    for (const PathRun& run : runs) {
        // A library that does not honour LCS_ISA runs its best path in every
        // column: said here, so that no column passes for a path it is not.
        const bool honoured = run.isa.find(run.path) != std::string::npos;
        out << " `" << run.path << "` (`lcs::isa()`: " << run.isa
            << (honoured ? "" : "; this build does not honour `LCS_ISA`") << ")"
            << (&run == &runs.back() ? ".\n" : ";");
    }
    out << (options.quick ? "\nQuick mode: tiny sizes, the verdicts say little.\n" : "")
        << "\nTimes are the best of up to " << sizes_for(options.quick).rounds.most
        << " interleaved runs on the same seeded inputs, every timed result checked against the "
           "first contestant's. A ratio reads as the target does: how many times as fast, or a "
           "time or memory ratio where marked; each cell gives the measure, (the target), the "
           "verdict and the figures. Thread ratios print the machine's own 2-thread scaling, "
           "raced beside them on a loop that shares nothing.\n\n";
    return out.str();
}

int run_parent(const Options& options) {
    // The file is opened first, so that a bad path fails before minutes of timing.
    std::ofstream file;
    if (!options.out.empty()) {
        file.open(options.out, std::ios::binary);
        if (!file) throw std::runtime_error("cannot write " + options.out);
    }
    if (!options.against.empty() && access(options.against.c_str(), X_OK) != 0)
        throw UsageError("no program at " + options.against);
    ScratchFolder scratch;
    std::vector<PathRun> ours, theirs;
    for (const std::string& path : chosen_paths(options)) {
        PathRun best_ours, best_theirs;
        const int rounds = options.against.empty() ? 1 : options.against_rounds;
        for (int round = 0; round < rounds; ++round) {
            keep_fastest(best_ours, run_path(own_path(), options, path, scratch));
            if (!options.against.empty())
                keep_fastest(best_theirs, run_path(options.against, options, path, scratch));
        }
        ours.push_back(best_ours);
        theirs.push_back(best_theirs);
    }
    std::string table = header(options, ours) + markdown(ours);
    if (!options.against.empty()) {
        table += "\n## Against " + options.against_name + "\n\nOur time in each race, this build "
                 "and " + options.against_name + " run alternately, " +
                 std::to_string(options.against_rounds) + " times each per path, the best kept.\n\n" +
                 comparison_markdown(ours, theirs, options.against_name);
    }
    std::cout << table << std::flush;
    if (file.is_open() && (!(file << table) || !file.flush())) {
        throw std::runtime_error("cannot write " + options.out);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parse(argc, argv);
        return options.child_path.empty() ? run_parent(options) : run_child(options);
    } catch (const UsageError& error) {
        std::cerr << "lcs_toolkit_bench: " << error.what() << '\n';
        return 2;
    } catch (const Disagreement& error) {
        std::cerr << "lcs_toolkit_bench: results disagree: " << error.what() << '\n';
        return 3;
    } catch (const std::exception& error) {
        std::cerr << "lcs_toolkit_bench: " << error.what() << '\n';
        return 1;
    }
}
