#include "toolkit_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <ostream>
#include <sstream>
#include <stdexcept>

namespace bench {

std::string verdict(const Target& t) {
    if (t.skipped) return "skipped";
    if (std::isnan(t.measured)) return "not measured";
    if (std::isnan(t.required)) return "no target on this path";
    switch (t.relation) {
        case Relation::at_least: return t.measured >= t.required ? "met" : "missed";
        case Relation::at_most: return t.measured <= t.required ? "met" : "missed";
        case Relation::under: return t.measured < t.required ? "met" : "missed";
    }
    return "missed";
}

std::string duration(double seconds) {
    char text[32];
    if (std::isnan(seconds)) return "-";
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
    if (std::isnan(bytes)) return "-";
    if (bytes < kMiB)
        std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024);
    else
        std::snprintf(text, sizeof text, "%.2f MiB", bytes / kMiB);
    return text;
}

std::string number(double value, const std::string& unit) {
    if (std::isnan(value)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, unit == "x" ? "%.2f" : "%.1f", value);
    return text + unit;
}

namespace {

std::string required_text(const Target& t) {
    const char* relation = t.relation == Relation::at_least  ? "≥ "
                           : t.relation == Relation::at_most ? "≤ "
                                                             : "< ";
    return relation + number(t.required, t.unit);
}

// --- A run as lines of tab-separated fields ------------------------------------

// Fields hold no tab or newline of their own; any that slipped in become spaces.
std::string field(std::string text) {
    std::replace(text.begin(), text.end(), '\t', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string exact(double value) {
    if (std::isnan(value)) return "nan";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

double parse_number(const std::string& text) {
    return text == "nan" ? kNotMeasured : std::stod(text);
}

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

// The cell of one target on one path.
std::string cell(const Target& t) {
    if (t.skipped) return "skipped: " + t.figures;
    const std::string required = std::isnan(t.required) ? "" : " (" + required_text(t) + ")";
    return "**" + number(t.measured, t.unit) + "**" + required + " " + verdict(t) + "; " + t.figures;
}

}  // namespace

void Report::add_ratio(const std::string& topic, const std::string& what,
                       const std::string& figures, double ratio, Relation relation,
                       double required, double seconds) {
    Target t;
    t.topic = topic;
    t.what = what;
    t.figures = figures;
    t.measured = ratio;
    t.relation = relation;
    t.required = required;
    t.seconds = seconds;
    add(std::move(t));
}

void Report::add_thread_ratio(const std::string& topic, const std::string& what,
                              double one_thread, double two_threads, double machine_scaling,
                              double required, bool scaled, std::size_t items,
                              const std::string& per) {
    const double n = static_cast<double>(items);
    const double target =
        scaled && !std::isnan(machine_scaling) ? std::min(required, 0.9 * machine_scaling) : required;
    add_ratio(topic, what,
              "2 threads " + duration(two_threads / n) + ", 1 thread " + duration(one_thread / n) + per +
                  "; the machine's own 2-thread scaling " + number(machine_scaling, "x") +
                  (scaled && target < required ? " (target: 90 % of it)" : ""),
              one_thread / two_threads, Relation::at_least, target, two_threads);
}

void Report::add_skipped(const std::string& topic, const std::vector<std::string>& whats,
                         const std::string& why) {
    std::cerr << "    skipped: " << why << '\n';
    for (const std::string& what : whats) {
        Target t;
        t.topic = topic;
        t.what = what;
        t.figures = why;
        t.skipped = true;
        add(std::move(t));
    }
}

void write_run(std::ostream& out, const PathRun& run) {
    out << "path\t" << field(run.path) << "\nisa\t" << field(run.isa) << '\n';
    for (const Target& t : run.targets) {
        out << "target\t" << field(t.topic) << '\t' << field(t.what) << '\t' << field(t.figures)
            << '\t' << exact(t.measured) << '\t' << static_cast<int>(t.relation) << '\t'
            << exact(t.required) << '\t' << field(t.unit) << '\t' << exact(t.seconds) << '\t'
            << (t.skipped ? 1 : 0) << '\n';
    }
}

PathRun read_run(std::istream& in) {
    PathRun run;
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> f = split_tabs(line);
        if (f[0] == "path" && f.size() == 2) {
            run.path = f[1];
        } else if (f[0] == "isa" && f.size() == 2) {
            run.isa = f[1];
        } else if (f[0] == "target" && f.size() == 10) {
            Target t;
            t.topic = f[1];
            t.what = f[2];
            t.figures = f[3];
            t.measured = parse_number(f[4]);
            t.relation = static_cast<Relation>(std::stoi(f[5]));
            t.required = parse_number(f[6]);
            t.unit = f[7];
            t.seconds = parse_number(f[8]);
            t.skipped = f[9] == "1";
            run.targets.push_back(std::move(t));
        } else {
            throw std::runtime_error("a child run's results are garbled: '" + line + "'");
        }
    }
    return run;
}

std::string markdown(const std::vector<PathRun>& runs) {
    // Rows in the order the targets first appear; a target missing on a path
    // (its family not run there) leaves its cell empty.
    std::vector<const Target*> rows;
    std::map<std::string, std::size_t> row_of;
    std::vector<std::map<std::string, const Target*>> by_path(runs.size());
    for (std::size_t p = 0; p < runs.size(); ++p) {
        for (const Target& t : runs[p].targets) {
            by_path[p][t.what] = &t;
            if (row_of.emplace(t.what, rows.size()).second) rows.push_back(&t);
        }
    }
    std::ostringstream out;
    out << "| topic | target |";
    for (const PathRun& run : runs) out << ' ' << run.path << " |";
    out << "\n|---|---|";
    for (std::size_t p = 0; p < runs.size(); ++p) out << "---|";
    out << '\n';
    for (const Target* row : rows) {
        out << "| " << row->topic << " | " << row->what << " |";
        for (std::size_t p = 0; p < runs.size(); ++p) {
            const auto found = by_path[p].find(row->what);
            out << ' ' << (found == by_path[p].end() ? "" : cell(*found->second)) << " |";
        }
        out << '\n';
    }
    return out.str();
}

void keep_fastest(PathRun& best, const PathRun& run) {
    if (best.targets.empty()) {
        best = run;
        return;
    }
    for (const Target& t : run.targets) {
        for (Target& kept : best.targets) {
            if (kept.what == t.what && !std::isnan(t.seconds) &&
                (std::isnan(kept.seconds) || t.seconds < kept.seconds)) {
                kept = t;
            }
        }
    }
}

std::string comparison_markdown(const std::vector<PathRun>& ours,
                                const std::vector<PathRun>& theirs,
                                const std::string& their_name) {
    std::ostringstream out;
    out << "| path | target | this build | " << their_name << " | " << their_name
        << " time / this build's | within 5 % |\n|---|---|---|---|---|---|\n";
    for (std::size_t p = 0; p < ours.size() && p < theirs.size(); ++p) {
        for (const Target& mine : ours[p].targets) {
            for (const Target& other : theirs[p].targets) {
                if (other.what != mine.what || std::isnan(mine.seconds) ||
                    std::isnan(other.seconds)) {
                    continue;
                }
                const double ratio = other.seconds / mine.seconds;
                out << "| " << ours[p].path << " | " << mine.what << " | "
                    << duration(mine.seconds) << " | " << duration(other.seconds) << " | "
                    << number(ratio, "x") << " | " << (ratio >= 0.95 ? "yes" : "no") << " |\n";
            }
        }
    }
    return out.str();
}

}  // namespace bench
