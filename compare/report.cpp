#include "compare/report.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace compare {

namespace {

using Cells = std::vector<std::vector<std::string>>;

std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// All 17 significant digits: the shortest form that always reads back as the
// same double.
std::string exact(double value) { return formatted("%.17g", value); }

// Six decimals, or as many more as a small ratio needs to show six
// significant digits: a similarity that is not 0 never reads as 0.000000.
// Cut, not rounded, so that only equal inputs read 1.000000.
std::string similarity_text(const Report& report) {
    const Summary& summary = report.summary;
    int decimals = 6;
    if (summary.similarity > 0) {
        const int exponent = static_cast<int>(std::floor(std::log10(summary.similarity)));
        decimals = std::max(decimals, 5 - exponent);
    }
    return lcs::support::similarity_text(summary.lcs, std::max(report.length_a, report.length_b),
                                         decimals);
}

// Columns padded to their widest cell and two spaces apart; the last column
// is not padded, so no line ends in spaces.
void write_aligned(std::FILE* out, const Cells& lines) {
    std::vector<std::size_t> widths;
    for (const auto& line : lines) {
        if (widths.size() < line.size()) widths.resize(line.size(), 0);
        for (std::size_t c = 0; c < line.size(); ++c) {
            widths[c] = std::max(widths[c], line[c].size());
        }
    }
    for (const auto& line : lines) {
        for (std::size_t c = 0; c < line.size(); ++c) {
            const bool last = c + 1 == line.size();
            std::fprintf(out, "%-*s%s", last ? 0 : static_cast<int>(widths[c]), line[c].c_str(),
                         last ? "\n" : "  ");
        }
    }
}

const char* skip_words(SkipReason reason) {
    switch (reason) {
    case SkipReason::too_big: return "skipped, too big";
    case SkipReason::too_many_tokens: return "skipped, takes at most 256 distinct tokens";
    default: return "skipped, too slow";
    }
}

const char* skip_name(SkipReason reason) {
    switch (reason) {
    case SkipReason::too_big: return "too_big";
    case SkipReason::too_many_tokens: return "too_many_tokens";
    default: return "too_slow";
    }
}

std::vector<std::string> table_line(const Row& row, double timeout_seconds) {
    const Outcome& outcome = row.outcome;
    const bool is_lcs = row.method.kind == lcs::RoutineKind::lcs_length;
    std::string result, time = human_seconds(outcome.seconds),
                        memory = human_bytes(outcome.peak_bytes), agrees = "-";
    switch (outcome.status) {
    case Status::ok:
        result = is_lcs ? std::to_string(outcome.length) : exact(outcome.score);
        if (is_lcs) agrees = row.agrees ? "yes" : "NO";
        break;
    case Status::skipped:
        result = skip_words(row.skip);
        time = "~" + human_seconds(row.method.estimated_seconds);
        memory = "~" + human_bytes(row.method.estimated_bytes);
        if (row.skip == SkipReason::too_many_tokens) time = memory = "-";
        break;
    case Status::timed_out:
        result = "timed out";
        time = "> " + human_seconds(timeout_seconds);
        break;
    case Status::out_of_memory:
        result = "not enough memory";
        break;
    case Status::crashed:
        result = "crashed (" + outcome.detail + ")";
        break;
    }
    return {row.method.name, result, time, memory, agrees};
}

const Row* first_score_row(const Report& report) {
    for (const Row& row : report.rows) {
        if (row.method.kind == lcs::RoutineKind::local_alignment_score) return &row;
    }
    return nullptr;
}

// "4 (A_Alg, B_Alg); 5 (C_Alg)": each value returned and who returned it.
std::string who_said_what(const Report& report) {
    std::vector<std::pair<std::int32_t, std::string>> values;
    for (const Row& row : report.rows) {
        if (row.method.kind != lcs::RoutineKind::lcs_length || row.outcome.status != Status::ok) {
            continue;
        }
        auto same = std::find_if(values.begin(), values.end(),
                                 [&](const auto& v) { return v.first == row.outcome.length; });
        if (same == values.end()) {
            values.emplace_back(row.outcome.length, row.method.name);
        } else {
            same->second += ", " + row.method.name;
        }
    }
    std::string text;
    for (const auto& value : values) {
        if (!text.empty()) text += "; ";
        text += std::to_string(value.first) + " (" + value.second + ")";
    }
    return text;
}

std::string json_number(double value) { return std::isfinite(value) ? exact(value) : "null"; }

const char* status_name(Status status) {
    switch (status) {
    case Status::ok: return "ok";
    case Status::skipped: return "skipped";
    case Status::timed_out: return "timed_out";
    case Status::out_of_memory: return "out_of_memory";
    case Status::crashed: return "crashed";
    }
    return "crashed";
}

const char* kind_name(lcs::RoutineKind kind) {
    return kind == lcs::RoutineKind::lcs_length ? "lcs_length" : "local_alignment_score";
}

std::string json_row(const Row& row) {
    const Outcome& outcome = row.outcome;
    const bool ok = outcome.status == Status::ok;
    const bool is_lcs = row.method.kind == lcs::RoutineKind::lcs_length;
    std::string result = "null";
    if (ok) result = is_lcs ? std::to_string(outcome.length) : json_number(outcome.score);
    std::string text = "{\"name\": " + json_text(row.method.name) +
                       ", \"kind\": " + json_text(kind_name(row.method.kind)) +
                       ", \"status\": " + json_text(status_name(outcome.status)) +
                       ", \"result\": " + result;
    if (outcome.status == Status::skipped) {
        text += ", \"skip_reason\": " +
                json_text(skip_name(row.skip));
    } else {
        text += ", \"seconds\": " + json_number(outcome.seconds) +
                ", \"peak_bytes\": " + json_number(outcome.peak_bytes);
    }
    if (outcome.status == Status::crashed) text += ", \"detail\": " + json_text(outcome.detail);
    text += ", \"agrees\": ";
    text += is_lcs && ok ? (row.agrees ? "true" : "false") : "null";
    text += ", \"estimated_seconds\": " + json_number(row.method.estimated_seconds) +
            ", \"estimated_bytes\": " + json_number(row.method.estimated_bytes) + "}";
    return text;
}

}  // namespace

std::string human_seconds(double seconds) {
    if (!std::isfinite(seconds)) return "forever";
    if (seconds < 1e-3) return formatted("%.1f us", seconds * 1e6);
    if (seconds < 1.0) return formatted("%.1f ms", seconds * 1e3);
    if (seconds < 60.0) return formatted("%.2f s", seconds);
    if (seconds < 3600.0) return formatted("%.1f min", seconds / 60.0);
    if (seconds < 86400.0) return formatted("%.1f h", seconds / 3600.0);
    if (seconds < 365.0 * 86400.0) return formatted("%.1f days", seconds / 86400.0);
    return formatted("%.2g years", seconds / (365.0 * 86400.0));
}

std::string human_bytes(double bytes) {
    if (!std::isfinite(bytes)) return "unbounded";
    if (bytes < 1024.0) return formatted("%.0f B", bytes);
    const char* units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double scaled = bytes / 1024.0;
    std::size_t unit = 0;
    while (scaled >= 1024.0 && unit + 1 < std::size(units)) {
        scaled /= 1024.0;
        ++unit;
    }
    return formatted("%.1f ", scaled) + units[unit];
}

namespace {

// "1 byte", "7 bytes", "3 words": `unit` is the plural.
std::string unit_count(std::int64_t count, const std::string& unit) {
    return std::to_string(count) + " " + (count == 1 ? unit.substr(0, unit.size() - 1) : unit);
}

// The unit the figures count, after their formula, when it is not bytes.
std::string in_unit(const Report& report) {
    return report.unit == "bytes" ? "" : ", in " + report.unit;
}

// The LCS length and the figures that follow from it; `source` after the
// length says where it comes from.
void add_lcs_figures(Cells& figures, const Report& report, const std::string& source) {
    const Summary& summary = report.summary;
    figures.push_back({"LCS length:", std::to_string(summary.lcs) + source});
    figures.push_back({"similarity:", similarity_text(report) +
                                          "  (LCS / max(lenA, lenB)" + in_unit(report) + ")"});
    figures.push_back({"insert-delete distance:",
                       std::to_string(summary.distance) + "  (lenA + lenB - 2 LCS" +
                           in_unit(report) + ")"});
}

bool skipped_by_estimate(const Report& report) {
    for (const Row& row : report.rows) {
        if (row.skip == SkipReason::too_slow || row.skip == SkipReason::too_big) return true;
    }
    return false;
}

}  // namespace

void write_table(std::FILE* out, const Report& report) {
    std::fprintf(out, "A: %s, B: %s\n\n", unit_count(report.length_a, report.unit).c_str(),
                 unit_count(report.length_b, report.unit).c_str());
    Cells lines = {{"method", "result", "time", "peak memory", "agrees"}};
    for (const Row& row : report.rows) lines.push_back(table_line(row, report.timeout_seconds));
    write_aligned(out, lines);

    if (skipped_by_estimate(report)) {
        std::fprintf(out,
                     "\nskipped: estimated beyond %s, or beyond the machine's memory (%s); "
                     "--all runs them\n",
                     human_seconds(kSkipAboveSeconds).c_str(),
                     human_bytes(report.physical_bytes).c_str());
    }
    const Summary& summary = report.summary;
    Cells figures;
    if (summary.disagreement) {
        figures.push_back({"LCS length:", "THE METHODS DISAGREE: " + who_said_what(report)});
    } else if (!summary.have_lcs || summary.lcs_from_alignment) {
        figures.push_back({"LCS length:", "not computed (no LCS method returned)"});
    } else {
        add_lcs_figures(figures, report, "");
    }
    if (const Row* score = first_score_row(report)) {
        figures.push_back({"Smith-Waterman score:",
                           summary.have_score
                               ? exact(summary.score)
                               : "not computed (" + table_line(*score, report.timeout_seconds)[1] +
                                     ")"});
    }
    std::fputc('\n', out);
    write_aligned(out, figures);
}

void write_alignment_figures(std::FILE* out, const Report& report) {
    if (!report.summary.lcs_from_alignment) return;
    Cells figures;
    add_lcs_figures(figures, report, "  (of the alignment)");
    std::fputc('\n', out);
    write_aligned(out, figures);
}

void write_json(std::FILE* out, const Report& report, const std::string& more_members) {
    const Summary& summary = report.summary;
    const bool known = summary.have_lcs && !summary.disagreement;
    std::fputs("{\n", out);
    if (report.unit != "bytes") std::fprintf(out, "  \"unit\": %s,\n", json_text(report.unit).c_str());
    std::fprintf(out, "  \"length_a\": %lld,\n  \"length_b\": %lld,\n  \"methods\": [",
                 static_cast<long long>(report.length_a), static_cast<long long>(report.length_b));
    for (std::size_t i = 0; i < report.rows.size(); ++i) {
        std::fprintf(out, "%s\n    %s", i == 0 ? "" : ",", json_row(report.rows[i]).c_str());
    }
    std::fprintf(out, "\n  ],\n  \"agreement\": %s,\n", summary.disagreement ? "false" : "true");
    std::fprintf(out, "  \"lcs_length\": %s,\n",
                 known ? std::to_string(summary.lcs).c_str() : "null");
    std::fprintf(out, "  \"similarity\": %s,\n",
                 known ? json_number(summary.similarity).c_str() : "null");
    std::fprintf(out, "  \"insert_delete_distance\": %s,\n",
                 known ? std::to_string(summary.distance).c_str() : "null");
    std::fprintf(out, "  \"smith_waterman_score\": %s%s\n}\n",
                 summary.have_score ? json_number(summary.score).c_str() : "null",
                 more_members.c_str());
}

void write_list(std::FILE* out, bool json) {
    if (json) {
        std::fputs("[", out);
        bool first = true;
        for (const lcs::RoutineInfo& routine : lcs::routine_table()) {
            std::fprintf(out,
                         "%s\n  {\"name\": %s, \"kind\": %s, \"method\": %s, \"source\": %s, "
                         "\"time_cost\": %s, \"space_cost\": %s}",
                         first ? "" : ",", json_text(routine.name).c_str(),
                         json_text(kind_name(routine.kind)).c_str(),
                         json_text(routine.method).c_str(), json_text(routine.source).c_str(),
                         json_text(routine.time_cost).c_str(),
                         json_text(routine.space_cost).c_str());
            first = false;
        }
        std::fputs("\n]\n", out);
        return;
    }
    Cells lines = {{"method", "time", "space", "source"}};
    for (const lcs::RoutineInfo& routine : lcs::routine_table()) {
        lines.push_back({routine.name, routine.time_cost, routine.space_cost, routine.source});
    }
    write_aligned(out, lines);
}

}  // namespace compare
