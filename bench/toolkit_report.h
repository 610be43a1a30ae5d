// The toolkit benchmark's report: each target as a measured figure beside
// the figure it must reach, with a verdict; the targets of one run on one
// vector path, passed from a child run to the parent as lines of text; and
// the Markdown table with a column per path.
#ifndef BENCH_TOOLKIT_REPORT_H
#define BENCH_TOOLKIT_REPORT_H

#include <iosfwd>
#include <limits>
#include <string>
#include <vector>

namespace bench {

inline const double kNotMeasured = std::numeric_limits<double>::quiet_NaN();
constexpr double kMiB = 1024.0 * 1024.0;

enum class Relation { at_least, at_most, under };

struct Target {
    std::string topic, what, figures;
    double measured = kNotMeasured;  // NaN: not measured
    Relation relation = Relation::at_least;
    double required = 0;
    std::string unit = "x";          // "x" or " MiB"
    double seconds = kNotMeasured;   // our contestant's time, for runs compared across builds
    bool skipped = false;            // a call not built yet: `figures` says which
};

// "met", "missed", "not measured" or "skipped".
std::string verdict(const Target& target);

// Figures as the table prints them.
std::string duration(double seconds);
std::string mebibytes(double bytes);
std::string number(double value, const std::string& unit);

class Report {
public:
    void add(Target target) { targets_.push_back(std::move(target)); }

    // A ratio of two times, "slower / faster" as the target reads it;
    // `seconds` is our contestant's time.
    void add_ratio(const std::string& topic, const std::string& what, const std::string& figures,
                   double ratio, Relation relation, double required, double seconds);

    // A thread ratio (1 thread's time over 2 threads'), printed beside the
    // machine's own 2-thread scaling measured in the same race. Where
    // `scaled` the target is `required` or 90 % of the machine's scaling,
    // whichever is lower.
    void add_thread_ratio(const std::string& topic, const std::string& what, double one_thread,
                          double two_threads, double machine_scaling, double required, bool scaled,
                          std::size_t items = 1, const std::string& per = "");

    // Targets whose race could not run: a call not built yet.
    void add_skipped(const std::string& topic, const std::vector<std::string>& whats,
                     const std::string& why);

    const std::vector<Target>& targets() const { return targets_; }

private:
    std::vector<Target> targets_;
};

// One run's targets on one path, as a child hands them to its parent.
struct PathRun {
    std::string path;  // as LCS_ISA names it
    std::string isa;   // lcs::isa() in that run
    std::vector<Target> targets;
};
void write_run(std::ostream& out, const PathRun& run);
PathRun read_run(std::istream& in);

// The table: a row per target, a column per path.
std::string markdown(const std::vector<PathRun>& runs);

// Our time of each target in two builds run alternately (`ours`, `theirs`:
// one PathRun per path, in the same order), as their ratio.
std::string comparison_markdown(const std::vector<PathRun>& ours,
                                const std::vector<PathRun>& theirs, const std::string& their_name);

// Keeps in `best` each target's least time (and its figures) from `run`.
void keep_fastest(PathRun& best, const PathRun& run);

}  // namespace bench

#endif  // BENCH_TOOLKIT_REPORT_H
