// The lcs-search program itself: its throughput against lcs::lengths on the
// same lines in memory, and its peak resident memory over many lines.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>

#include <lcs/lcs.h>

#include "inputs.h"
#include "process.h"
#include "races/races.h"

namespace bench {
namespace {

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

}  // namespace

void search_races(Report& report, const Setting& setting) {
    const Sizes& sizes = setting.sizes;
    const std::string lines_text = std::to_string(sizes.search_lines) + " lines";
    const std::size_t copies = sizes.all_lines / sizes.search_lines;
    const std::string throughput = "`lcs-search --threads 1` over " + lines_text +
                                   " of L = 32 ± 25 %: throughput vs `lcs::lengths` (1 thread) "
                                   "on the same lines in memory";
    const std::string memory = "`lcs-search --all` over " +
                               std::to_string(copies * sizes.search_lines) +
                               " lines: max resident memory (getrusage of the child)";
    if (access(setting.search_program.c_str(), X_OK) != 0) {
        const std::string why = "no program at " + setting.search_program;
        report.add({"one against many", throughput, why, kNotMeasured, Relation::at_least, 0.5});
        report.add({"one against many", memory, why, kNotMeasured, Relation::under, 64, " MiB"});
        return;
    }
    ScratchFolder scratch;
    const std::string query = random_text(1900, 32, 26);
    const std::vector<std::string> lines = random_texts(1901, sizes.search_lines, 24, 40, 26);
    const std::string file = scratch.file("lines.txt"), printed = scratch.file("printed.txt");
    write_lines(file, lines, 1);
    const Views views = views_of(lines);
    const lcs::Pattern pattern(query);
    const std::vector<std::string> argv{setting.search_program, "--threads", "1", "--top", "1",
                                        query, file};
    double least_processor_seconds = HUGE_VAL;
    const auto t = race(
        "lcs-search over " + lines_text,
        {{"lcs::lengths, 1 thread",
          [&] {
              return Lengths{best_match_length(query, views, lcs::lengths(pattern, views, 1))};
          }},
         {"lcs-search --threads 1",
          [&] {
              const ChildRun child = run_program_checked(argv, printed);
              least_processor_seconds = std::min(least_processor_seconds, child.processor_seconds);
              return Lengths{best_length_printed(printed)};
          }}},
        sizes.rounds);
    report.add_ratio("one against many", throughput,
                     "lcs-search " + per_item(t[1], sizes.search_lines) + " (processor time " +
                         per_item(least_processor_seconds, sizes.search_lines) +
                         "), lcs::lengths " + per_item(t[0], sizes.search_lines) + " per line",
                     t[0] / t[1], Relation::at_least, 0.5, t[1]);

    const std::string big = scratch.file("many-lines.txt");
    write_lines(big, lines, copies);
    std::cerr << "  lcs-search --all over " << copies * sizes.search_lines << " lines\n";
    ChildRun all;
    const double peak = program_peak_bytes(setting.peak_launcher,
                                           {setting.search_program, "--all", query, big}, scratch, all);
    report.add({"one against many", memory, "in " + duration(all.seconds) + " on every core",
                peak / kMiB, Relation::under, 64, " MiB"});
}

}  // namespace bench
