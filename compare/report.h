// What lcs-compare prints: the aligned table and summary for people, one
// JSON object for scripts, and the list of methods.
#ifndef COMPARE_REPORT_H
#define COMPARE_REPORT_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "compare/comparison.h"
#include "support/printing.h"

namespace compare {

// Text in the JSON output, as every program writes it.
using lcs::support::json_text;

struct Report {
    std::int64_t length_a = 0;
    std::int64_t length_b = 0;
    double physical_bytes = 0.0;  // the memory that the skip rule compared with
    double timeout_seconds = 0.0;
    std::string unit = "bytes";  // what the lengths count: bytes, characters, words or lines
    std::vector<Row> rows;
    Summary summary;
};

// The rows and the figures below them.
void write_table(std::FILE* out, const Report& report);
// After --show, when no method returned an LCS length: the figures of the
// alignment's (nothing otherwise, the table's figures stand).
void write_alignment_figures(std::FILE* out, const Report& report);
// more_members: further members of the object, each led by ",\n  ".
void write_json(std::FILE* out, const Report& report, const std::string& more_members = "");

// Every routine of the collection with its method, source and costs.
void write_list(std::FILE* out, bool json);

// 1.5 us, 12.3 ms, 4.56 s, 2.5 min, 3.1 h, 12.0 days, 4.2e+03 years.
std::string human_seconds(double seconds);
// 0 B, 512 B, 12.0 KiB, 3.4 MiB, 40.0 GiB.
std::string human_bytes(double bytes);

}  // namespace compare

#endif  // COMPARE_REPORT_H
