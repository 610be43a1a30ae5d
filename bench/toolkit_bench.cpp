// lcs_toolkit_bench: the toolkit of <lcs/lcs.h> timed against rapidfuzz-cpp,
// the bit-parallel LCS that users pick today, and against our own classic
// Hyyro_Alg, on the same seeded inputs in one run. Each target is printed as
// a measured ratio beside the ratio it must reach, with a verdict (met,
// missed, or not measured where the peer or lcs-search is absent), as a
// Markdown table on standard output and, with --out FILE, in FILE.
//
// Times are the best of several runs with the contestants interleaved, so
// that the other work of a shared machine slows each of them alike and the
// least disturbed run counts. Every timed result is checked: all contestants
// of a race must give the same lengths, and a disagreement stops the run.
// The peak memory of a call is the exact count of bytes held from the
// allocator (allocation_count.cpp), taken in a child process; that of the
// lcs-search program is its peak resident memory (getrusage).
//
//     lcs_toolkit_bench [--quick] [--out FILE] [--search PATH]
//
// --quick runs tiny sizes in a few seconds (verdicts then say little);
// --peak-of RESULT PROGRAM ARGS... is the program's own launcher for
// measuring another program's peak memory (see launch_for_peak);
// --search names the lcs-search program (default: beside this program's
// folder, as the build lays it out). Exit status: 0 the table was printed,
// 1 a failure (an unwritable file, a program that failed), 2 bad usage,
// 3 contestants disagreed.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <lcs/lcs.h>
#include <lcs/routines.h>

#include "inputs.h"
#include "peak_memory.h"
#include "rapidfuzz_peer.h"
#include "reference/sequences.h"

extern char** environ;

namespace {

namespace peer = bench::rapidfuzz_peer;
using Lengths = std::vector<std::int32_t>;
using Views = std::vector<std::string_view>;
constexpr double kMiB = 1024.0 * 1024.0;
const double kNotMeasured = std::numeric_limits<double>::quiet_NaN();

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct Disagreement : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The sizes of a run: the targets' own, or tiny ones for --quick.
struct Sizes {
    bool quick = false;
    int rounds = 0;           // best of this many runs, at most
    double round_budget = 0;  // seconds a race may take before it stops adding rounds
    std::size_t pairs = 0, choices = 0, alike = 0, search_lines = 0, all_lines = 0;
    std::vector<std::size_t> long_lengths, editops_lengths;
    std::size_t align_length = 0, huge_length = 0;
};

Sizes sizes_for(bool quick) {
    Sizes s;
    s.quick = quick;
    s.rounds = quick ? 3 : 7;
    s.round_budget = quick ? 0.2 : 6.0;
    s.pairs = s.choices = quick ? 2000 : 200000;
    s.alike = quick ? 1000 : 10000;
    s.search_lines = quick ? 10000 : 1000000;
    s.all_lines = 10 * s.search_lines;
    s.long_lengths =
        quick ? std::vector<std::size_t>{2000, 5000} : std::vector<std::size_t>{20000, 100000};
    s.editops_lengths =
        quick ? std::vector<std::size_t>{1000, 2000} : std::vector<std::size_t>{10000, 20000};
    s.align_length = quick ? 5000 : 100000;
    s.huge_length = quick ? 20000 : 1000000;
    return s;
}

// --- Inputs: seeded, the same on every run ------------------------------

const std::string kLetters26 = bench::alphabet(26);

std::string random_text(std::uint32_t seed, std::size_t length, int letters) {
    std::mt19937 rng(seed);
    return lcs::reference::random_string(rng, length, bench::alphabet(letters));
}

// `text` with 1 % of its positions drawn anew from the alphabet.
std::string alike_text(std::uint32_t seed, const std::string& text, int letters) {
    std::mt19937 rng(seed);
    return lcs::reference::mutated(rng, text, 1, bench::alphabet(letters));
}

// `count` strings over 26 letters of lengths drawn from [low, high].
std::vector<std::string> random_texts(std::uint32_t seed, std::size_t count, std::size_t low,
                                      std::size_t high) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::size_t> length(low, high);
    std::vector<std::string> texts(count);
    for (std::string& text : texts)
        text = lcs::reference::random_string(rng, length(rng), kLetters26);
    return texts;
}

// Choices of length L ± 25 %.
std::vector<std::string> choices_around(std::uint32_t seed, std::size_t count, std::size_t L) {
    return random_texts(seed, count, L - L / 4, L + L / 4);
}

Views views_of(const std::vector<std::string>& texts) { return Views(texts.begin(), texts.end()); }

// --- Timing -----------------------------------------------------------------

double seconds_of(const std::function<void()>& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Entry {
    std::string name;
    std::function<Lengths()> run;
};

// Runs the entries in turn, round after round, and returns each one's best
// time. Every run's lengths must equal the first entry's first lengths.
std::vector<double> race(const Sizes& sizes, const std::string& what,
                         const std::vector<Entry>& entries, int rounds = 0) {
    if (rounds == 0) rounds = sizes.rounds;
    std::cerr << "  " << what << '\n';
    std::vector<double> best(entries.size(), HUGE_VAL);
    Lengths expected;
    double spent = 0;
    for (int round = 0; round < rounds && (round == 0 || spent < sizes.round_budget); ++round) {
        for (std::size_t k = 0; k < entries.size(); ++k) {
            Lengths got;
            const double seconds = seconds_of([&] { got = entries[k].run(); });
            spent += seconds;
            best[k] = std::min(best[k], seconds);
            if (round == 0 && k == 0) expected = got;
            if (got != expected) {
                throw Disagreement(what + ": " + entries[k].name + " disagrees with " +
                                   entries[0].name);
            }
        }
    }
    return best;
}

// The exact peak of bytes held from the allocator during `call`.
double peak_bytes(const std::function<void()>& call) {
    const bench::PeakMemory peak = bench::measure_peak_memory(call);
    return peak.allocated_measured ? static_cast<double>(peak.allocated_bytes) : kNotMeasured;
}

std::string duration(double seconds) {
    char text[32];
    if (seconds < 1e-6)
        std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
    else if (seconds < 1e-3)
        std::snprintf(text, sizeof text, "%.1f µs", seconds * 1e6);
    else if (seconds < 1)
        std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
    else
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

std::string mebibytes(double bytes) {
    char text[32];
    if (bytes < kMiB)
        std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024);
    else
        std::snprintf(text, sizeof text, "%.2f MiB", bytes / kMiB);
    return text;
}

// --- Targets --------------------------------------------------------------

enum class Relation { at_least, at_most, under };

struct Target {
    std::string topic, what, figures;
    double measured;  // NaN: not measured
    Relation relation;
    double required;
    std::string unit;  // "x" or " MiB"
};

const char* verdict(const Target& t) {
    if (std::isnan(t.measured)) return "not measured";
    switch (t.relation) {
        case Relation::at_least:
            return t.measured >= t.required ? "met" : "missed";
        case Relation::at_most:
            return t.measured <= t.required ? "met" : "missed";
        case Relation::under:
            return t.measured < t.required ? "met" : "missed";
    }
    return "missed";
}

std::string number(double value, const std::string& unit) {
    if (std::isnan(value)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, unit == "x" ? "%.2f" : "%.1f", value);
    return text + unit;
}

std::string required_text(const Target& t) {
    const char* relation = t.relation == Relation::at_least  ? "≥ "
                           : t.relation == Relation::at_most ? "≤ "
                                                             : "< ";
    return relation + number(t.required, t.unit);
}

class Report {
public:
    explicit Report(const Sizes& sizes) : sizes_(sizes) {}

    void add(Target target) { targets_.push_back(std::move(target)); }

    // A ratio of two times, "slower / faster" as the target reads it.
    void add_ratio(const std::string& topic, const std::string& what, const std::string& figures,
                   double ratio, Relation relation, double required) {
        add({topic, what, figures, ratio, relation, required, "x"});
    }

    std::string markdown() const {
        std::ostringstream out;
        out << "| topic | target | figures | measured | required | verdict |\n"
            << "|---|---|---|---|---|---|\n";
        for (const Target& t : targets_) {
            out << "| " << t.topic << " | " << t.what << " | " << t.figures << " | "
                << number(t.measured, t.unit) << " | " << required_text(t) << " | " << verdict(t)
                << " |\n";
        }
        return out.str();
    }

    const Sizes& sizes() const { return sizes_; }

private:
    const Sizes& sizes_;
    std::vector<Target> targets_;
};

std::string peer_figure(double seconds, double per) {
    return std::isnan(seconds) ? "peer not built in" : "peer " + duration(seconds / per);
}

// The peer's time, or NaN where it is not built in.
double peer_time(const std::vector<double>& times, std::size_t index) {
    return index < times.size() ? times[index] : kNotMeasured;
}

// --- Short strings: one pair, one query against many ----------------------------

void one_pair(Report& report, std::size_t L) {
    const std::size_t count = report.sizes().pairs;
    const std::vector<std::string> a = random_texts(1200 + L, count, L, L);
    const std::vector<std::string> b = random_texts(1300 + L, count, L, L);
    const Views av = views_of(a), bv = views_of(b);
    std::vector<lcs::reference::Sequence> a1, b1;
    for (std::size_t k = 0; k < count; ++k) {
        a1.emplace_back(a[k]);
        b1.emplace_back(b[k]);
    }
    std::vector<Entry> entries{{"lcs::length",
                                [&] {
                                    Lengths out(count);
                                    for (std::size_t k = 0; k < count; ++k)
                                        out[k] = lcs::length(av[k], bv[k]);
                                    return out;
                                }},
                               {"Hyyro_Alg", [&] {
                                    Lengths out(count);
                                    for (std::size_t k = 0; k < count; ++k) {
                                        out[k] = Hyyro_Alg(a1[k].data(), b1[k].data(),
                                                           a1[k].length(), b1[k].length());
                                    }
                                    return out;
                                }}};
    if (peer::available())
        entries.push_back({"lcs_seq_similarity", [&] { return peer::similarities(av, bv); }});
    const auto t = race(report.sizes(), "one pair, L = " + std::to_string(L), entries);
    const double rf = peer_time(t, 2), n = static_cast<double>(count);
    const std::string what = "one pair, L = " + std::to_string(L) + ", 26 letters (" +
                             std::to_string(count) + " pairs): ";
    report.add_ratio("short strings", what + "`lcs::length` vs `lcs_seq_similarity`",
                     "ours " + duration(t[0] / n) + ", " + peer_figure(rf, n) + " per pair",
                     rf / t[0], Relation::at_least, 1.5);
    report.add_ratio("short strings", what + "`Hyyro_Alg` vs `lcs_seq_similarity`",
                     "Hyyro_Alg " + duration(t[1] / n) + ", " + peer_figure(rf, n) + " per pair",
                     rf / t[1], Relation::at_least, 1.0);
}

double batch_required(std::size_t L) { return L <= 32 ? 3.0 : L == 64 ? 2.0 : 1.2; }

void one_against_many(Report& report, std::size_t L) {
    const std::size_t count = report.sizes().choices;
    const std::string query = random_text(1400 + L, L, 26);
    const std::vector<std::string> choices = choices_around(1500 + L, count, L);
    const Views views = views_of(choices);
    const lcs::Pattern pattern(query);
    const bool two_threads = L == 32;
    std::vector<Entry> entries{
        {"Pattern::length",
         [&] {
             Lengths out(count);
             for (std::size_t k = 0; k < count; ++k) out[k] = pattern.length(views[k]);
             return out;
         }},
        {"lcs::lengths, 1 thread", [&] { return lcs::lengths(pattern, views, 1); }}};
    if (two_threads)
        entries.push_back(
            {"lcs::lengths, 2 threads", [&] { return lcs::lengths(pattern, views, 2); }});
    if (peer::available()) {
        entries.push_back(
            {"CachedLCSseq", [&] { return peer::cached_similarities(query, views); }});
    }
    const auto t = race(report.sizes(), "one against many, L = " + std::to_string(L), entries);
    const double rf = peer_time(t, two_threads ? 3 : 2), n = static_cast<double>(count);
    const std::string what = "query L = " + std::to_string(L) + " against " +
                             std::to_string(count) + " choices of L ± 25 %: ";
    report.add_ratio("short strings, one against many",
                     what + "`Pattern::length` loop vs `CachedLCSseq` loop",
                     "ours " + duration(t[0] / n) + ", " + peer_figure(rf, n) + " per choice",
                     rf / t[0], Relation::at_least, 1.0);
    report.add_ratio("one against many", what + "`lcs::lengths` (1 thread) vs `CachedLCSseq` loop",
                     "ours " + duration(t[1] / n) + ", " + peer_figure(rf, n) + " per choice",
                     rf / t[1], Relation::at_least, batch_required(L));
    if (two_threads) {
        report.add_ratio(
            "one against many", what + "`lcs::lengths` 2 threads vs 1 thread",
            "2 threads " + duration(t[2] / n) + ", 1 thread " + duration(t[1] / n) + " per choice",
            t[1] / t[2], Relation::at_least, 1.7);
    }
}

void alike_pair(Report& report) {
    const std::size_t n = report.sizes().alike;
    const std::string a = random_text(1600, n, 26), b = alike_text(1601, a, 26);
    const std::int32_t truth = lcs::length(a, b);
    std::vector<Entry> entries{{"lcs::length", [&] { return Lengths{lcs::length(a, b)}; }}};
    if (peer::available()) {
        entries.push_back(
            {"lcs_seq_similarity with the LCS as cutoff",
             [&] { return Lengths{peer::similarity(a, b, static_cast<std::size_t>(truth))}; }});
    }
    const auto t = race(report.sizes(), "alike pair", entries, 20 * report.sizes().rounds);
    const double rf = peer_time(t, 1);
    report.add_ratio("short strings",
                     "alike pair, " + std::to_string(n) +
                         " letters of 26, 1 % redrawn: `lcs::length` vs "
                         "`lcs_seq_similarity` given the true LCS as `score_cutoff`",
                     "ours " + duration(t[0]) + ", " + peer_figure(rf, 1), rf / t[0],
                     Relation::at_least, 1.0);
}

void long_pairs(Report& report) {
    for (int letters : {4, 26}) {
        for (std::size_t n : report.sizes().long_lengths) {
            const std::string a = random_text(1700 + letters + n, n, letters);
            const std::string b = random_text(1800 + letters + n, n, letters);
            const lcs::reference::Sequence a1(a), b1(b);
            const auto t = race(
                report.sizes(), "long pair " + std::to_string(n),
                {{"lcs::length", [&] { return Lengths{lcs::length(a, b)}; }},
                 {"Hyyro_Alg", [&] {
                      return Lengths{Hyyro_Alg(a1.data(), b1.data(), a1.length(), b1.length())};
                  }}});
            report.add_ratio(
                "short strings",
                "random pair, " + std::to_string(n) + " letters of " + std::to_string(letters) +
                    ": `lcs::length` within 5 % of `Hyyro_Alg` (Hyyro_Alg time / ours)",
                "ours " + duration(t[0]) + ", Hyyro_Alg " + duration(t[1]), t[1] / t[0],
                Relation::at_least, 0.95);
        }
    }
}

// --- One against many: lcs-search, the program itself ----------------------

// A folder of scratch files, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                              "/lcs_toolkit_bench.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a scratch folder");
        path_ = pattern;
    }
    ~ScratchFolder() {
        for (const std::string& file : files_) std::remove(file.c_str());
        rmdir(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(const std::string& name) {
        files_.push_back(path_ + "/" + name);
        return files_.back();
    }

private:
    std::string path_;
    std::vector<std::string> files_;
};

void write_lines(const std::string& path, const std::vector<std::string>& lines,
                 std::size_t copies) {
    std::ofstream out(path, std::ios::binary);
    for (std::size_t copy = 0; copy < copies; ++copy) {
        for (const std::string& line : lines) out << line << '\n';
    }
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

struct ChildRun {
    double seconds;
    double processor_seconds;  // user and system time of the child
};

// Runs `argv` with standard output to `out_path`, and fails unless it exits
// with status 0.
ChildRun run_program(const std::vector<std::string>& argv, const std::string& out_path) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t child = 0;
    int status = 0;
    rusage usage{};
    const auto start = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0 || wait4(child, &status, 0, &usage) != child) {
        throw std::runtime_error("cannot run " + argv[0]);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(argv[0] + " failed (wait status " + std::to_string(status) + ")");
    }
    const double processor_seconds =
        static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return {seconds, processor_seconds};
}

std::string own_path() {
    std::vector<char> self(4096);
    const ssize_t size = readlink("/proc/self/exe", self.data(), self.size() - 1);
    return size > 0 ? std::string(self.data(), static_cast<std::size_t>(size)) : "";
}

// The launcher side of --peak-of: runs argv[0] with argv as a child of this
// small process and writes the child's peak resident bytes (getrusage) to
// `result_path`. A child started straight from the benchmark would not do:
// a spawned child (vfork) reports the benchmark's own high-water mark, and a
// forked one counts the benchmark's pages that it shares. Returns the child's
// exit status.
int launch_for_peak(const char* result_path, char** argv) {
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return 1;
    std::ofstream(result_path) << static_cast<long long>(usage.ru_maxrss) * 1024 << '\n';
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// The peak resident memory of a run of `argv`, through this program as the
// launcher (--peak-of).
double peak_resident_bytes(const std::vector<std::string>& argv, ScratchFolder& scratch,
                           ChildRun& run) {
    const std::string result = scratch.file("peak.txt");
    std::vector<std::string> launcher{own_path(), "--peak-of", result};
    launcher.insert(launcher.end(), argv.begin(), argv.end());
    run = run_program(launcher, "/dev/null");
    std::ifstream in(result);
    double bytes = 0;
    if (!(in >> bytes)) throw std::runtime_error("no peak memory from " + argv[0]);
    return bytes;
}

// The LCS length on the first line of lcs-search's output ("similarity LCS
// file:line line"): that of its best match.
std::int32_t best_length_printed(const std::string& path) {
    std::ifstream in(path);
    double similarity = 0;
    long best = -1;
    if (!(in >> similarity >> best)) throw std::runtime_error("lcs-search printed no match line");
    return static_cast<std::int32_t>(best);
}

// The LCS of the best match as lcs-search ranks them: the highest similarity
// (LCS / longer length), the first in input order among equals.
std::int32_t best_match_length(const std::string& query, const Views& lines,
                               const Lengths& lengths) {
    double best = -1;
    std::int32_t best_length = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const double longer = static_cast<double>(std::max(query.size(), lines[k].size()));
        const double similarity = longer == 0 ? 1.0 : lengths[k] / longer;
        if (similarity > best) {
            best = similarity;
            best_length = lengths[k];
        }
    }
    return best_length;
}

void search_program(Report& report, const std::string& search) {
    const Sizes& sizes = report.sizes();
    const std::string lines_text = std::to_string(sizes.search_lines) + " lines";
    if (access(search.c_str(), X_OK) != 0) {
        const std::string why = "no program at " + search;
        report.add({"one against many", "`lcs-search` over " + lines_text + " vs `lcs::lengths`",
                    why, kNotMeasured, Relation::at_least, 0.5, "x"});
        report.add({"one against many", "`lcs-search --all` max resident memory", why, kNotMeasured,
                    Relation::under, 64, " MiB"});
        return;
    }
    ScratchFolder scratch;
    const std::string query = random_text(1900, 32, 26);
    const std::vector<std::string> lines = choices_around(1901, sizes.search_lines, 32);
    const std::string file = scratch.file("lines.txt"), printed = scratch.file("printed.txt");
    write_lines(file, lines, 1);
    const Views views = views_of(lines);
    const lcs::Pattern pattern(query);
    const std::vector<std::string> argv{search, "--threads", "1", "--top", "1", query, file};
    double least_processor_seconds = HUGE_VAL;
    const auto t = race(
        sizes, "lcs-search over " + lines_text,
        {{"lcs::lengths, 1 thread",
          [&] {
              return Lengths{best_match_length(query, views, lcs::lengths(pattern, views, 1))};
          }},
         {"lcs-search --threads 1", [&] {
              const ChildRun child = run_program(argv, printed);
              least_processor_seconds = std::min(least_processor_seconds, child.processor_seconds);
              return Lengths{best_length_printed(printed)};
          }}});
    const double n = static_cast<double>(sizes.search_lines);
    report.add_ratio("one against many",
                     "`lcs-search --threads 1` over " + lines_text +
                         " of L = 32 ± 25 %: throughput vs "
                         "`lcs::lengths` (1 thread) on the same lines in memory",
                     "lcs-search " + duration(t[1] / n) + " (processor time " +
                         duration(least_processor_seconds / n) + "), lcs::lengths " +
                         duration(t[0] / n) + " per line",
                     t[0] / t[1], Relation::at_least, 0.5);

    const std::size_t copies = sizes.all_lines / sizes.search_lines;
    const std::string big = scratch.file("many-lines.txt");
    write_lines(big, lines, copies);
    std::cerr << "  lcs-search --all over " << copies * sizes.search_lines << " lines\n";
    ChildRun all{};
    const double peak = peak_resident_bytes({search, "--all", query, big}, scratch, all);
    report.add({"one against many",
                "`lcs-search --all` over " + std::to_string(copies * sizes.search_lines) +
                    " lines: max resident memory (getrusage of the child)",
                "in " + duration(all.seconds) + " on every core", peak / kMiB, Relation::under, 64,
                " MiB"});
}

// --- The alignment ---------------------------------------------------------------

// `result_bytes`, where given, receives the bytes that the result's runs hold.
Entry align_entry(const std::string& a, const std::string& b, unsigned threads,
                  std::size_t* result_bytes = nullptr) {
    return {"lcs::align, " + std::to_string(threads) + " thread(s)",
            [&a, &b, threads, result_bytes] {
                const lcs::Alignment alignment = lcs::align(a, b, threads);
                if (result_bytes != nullptr)
                    *result_bytes = alignment.runs.capacity() * sizeof(lcs::Run);
                return Lengths{alignment.length};
            }};
}

Entry length_entry(const std::string& a, const std::string& b) {
    return {"lcs::length", [&a, &b] { return Lengths{lcs::length(a, b)}; }};
}

// One thread of `align` takes at most 3 times as long as `lcs::length`.
void add_align_against_length(Report& report, const std::string& what, double length_seconds,
                              double align_seconds) {
    report.add_ratio("alignment", what + "1 thread vs `lcs::length` (time ratio)",
                     "align " + duration(align_seconds) + ", length " + duration(length_seconds),
                     align_seconds / length_seconds, Relation::at_most, 3.0);
}

void align_random(Report& report) {
    const std::size_t n = report.sizes().align_length;
    for (int letters : {4, 26}) {
        const std::string a = random_text(2000 + letters, n, letters),
                          b = random_text(2100 + letters, n, letters);
        const auto t = race(report.sizes(), "align, random " + std::to_string(n),
                            {length_entry(a, b), align_entry(a, b, 1), align_entry(a, b, 2)});
        const std::string what = "`align`, random pair " + std::to_string(n) + ", " +
                                 std::to_string(letters) + " letters: ";
        add_align_against_length(report, what, t[0], t[1]);
        report.add_ratio("alignment", what + "2 threads vs 1 thread",
                         "2 threads " + duration(t[2]) + ", 1 thread " + duration(t[1]),
                         t[1] / t[2], Relation::at_least, 1.6);
    }
}

void align_huge(Report& report) {
    const Sizes& sizes = report.sizes();
    const std::size_t n = sizes.huge_length;
    const std::string a = random_text(2200, n, 4), b = random_text(2201, n, 4),
                      alike = alike_text(2202, a, 4);
    const int rounds = sizes.quick ? sizes.rounds : 2;
    std::size_t result_bytes = 0;
    const auto t = race(sizes, "align, random " + std::to_string(n),
                        {length_entry(a, b), align_entry(a, b, 1, &result_bytes)}, rounds);
    const auto t_alike =
        race(sizes, "align, alike " + std::to_string(n), {align_entry(a, alike, 1)});
    std::cerr << "  align, random " << n << ": peak memory\n";
    const double peak = peak_bytes([&] { lcs::align(a, b, 1); });
    const std::string what = "`align`, " + std::to_string(n) + " letters of 4";
    report.add({"alignment",
                what + ", random: peak working memory beyond the inputs and the result",
                "peak " + mebibytes(peak) + ", of which the result " +
                    mebibytes(static_cast<double>(result_bytes)),
                (peak - static_cast<double>(result_bytes)) / kMiB, Relation::under, 64, " MiB"});
    add_align_against_length(report, what + ", random: ", t[0], t[1]);
    report.add_ratio("alignment", what + ": alike (1 % redrawn) vs random, 1 thread",
                     "alike " + duration(t_alike[0]) + ", random " + duration(t[1]),
                     t[1] / t_alike[0], Relation::at_least, 10.0);
}

void align_against_editops(Report& report) {
    for (std::size_t n : report.sizes().editops_lengths) {
        const std::string a = random_text(2300 + n, n, 26), b = random_text(2400 + n, n, 26);
        std::vector<Entry> entries{align_entry(a, b, 1)};
        if (peer::available()) {
            entries.push_back(
                {"lcs_seq_editops", [&] { return Lengths{peer::editops_length(a, b)}; }});
        }
        const auto t = race(report.sizes(), "align vs editops " + std::to_string(n), entries);
        const double ours = peak_bytes([&] { lcs::align(a, b, 1); });
        const double rf =
            peer::available() ? peak_bytes([&] { peer::editops_length(a, b); }) : kNotMeasured;
        const std::string what =
            "`align` vs `lcs_seq_editops`, random pair " + std::to_string(n) + ", 26 letters: ";
        report.add_ratio("alignment", what + "time",
                         "ours " + duration(t[0]) + ", " + peer_figure(peer_time(t, 1), 1),
                         peer_time(t, 1) / t[0], Relation::at_least, 2.0);
        report.add_ratio("alignment", what + "peak memory",
                         "ours " + mebibytes(ours) + ", peer " +
                             (std::isnan(rf) ? "not built in" : mebibytes(rf)),
                         rf / ours, Relation::at_least, 50.0);
    }
}

// --- The run ------------------------------------------------------------------

struct Options {
    bool quick = false;
    std::string out, search;
};

std::string default_search_path() {
    const std::string path = own_path();
    const std::string folder = path.substr(0, path.find_last_of('/') + 1);
    return folder + "../lcs-search";
}

Options parse(int argc, char** argv) {
    Options options;
    options.search = default_search_path();
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const bool has_value = k + 1 < argc;
        if (arg == "--quick")
            options.quick = true;
        else if (arg == "--out" && has_value)
            options.out = argv[++k];
        else if (arg == "--search" && has_value)
            options.search = argv[++k];
        else
            throw UsageError("unknown or incomplete option '" + arg +
                             "' (usage: lcs_toolkit_bench [--quick] [--out FILE] [--search PATH])");
    }
    return options;
}

std::string processor_name() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    }
    return "unknown processor";
}

std::string header(const Options& options) {
    const std::time_t now = std::time(nullptr);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    std::ostringstream out;
    out << "# The toolkit against rapidfuzz-cpp\n\n"
        << "`lcs_toolkit_bench" << (options.quick ? " --quick" : "") << "`, " << date << ", "
        << processor_name() << ", " << std::thread::hardware_concurrency()
        << " hardware threads; peer rapidfuzz-cpp "
        << (peer::available() ? "built in" : "not built in (configure with LCS_RAPIDFUZZ_DIR)")
        << ".\n"
        << (options.quick ? "Quick mode: tiny sizes, the verdicts say little.\n" : "")
        << "Times are the best of up to " << sizes_for(options.quick).rounds
        << " interleaved runs on the same seeded inputs; every timed result agreed. "
        << "A ratio reads as the target does: how many times as fast, or a time or memory ratio "
           "where marked.\n\n";
    return out.str();
}

int run(const Options& options) {
    // The file is opened first, so that a bad path fails before minutes of timing.
    std::ofstream file;
    if (!options.out.empty()) {
        file.open(options.out, std::ios::binary);
        if (!file) throw std::runtime_error("cannot write " + options.out);
    }
    const Sizes sizes = sizes_for(options.quick);
    Report report(sizes);
    std::cerr << "lcs_toolkit_bench" << (options.quick ? " --quick" : "") << '\n';
    for (std::size_t L : {8, 16, 32, 64}) one_pair(report, L);
    for (std::size_t L : {8, 16, 32, 64, 128, 512}) one_against_many(report, L);
    alike_pair(report);
    long_pairs(report);
    search_program(report, options.search);
    align_random(report);
    align_huge(report);
    align_against_editops(report);
    const std::string table = header(options) + report.markdown();
    std::cout << table << std::flush;
    if (file.is_open() && (!(file << table) || !file.flush())) {
        throw std::runtime_error("cannot write " + options.out);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--peak-of") return launch_for_peak(argv[2], argv + 3);
    try {
        return run(parse(argc, argv));
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
