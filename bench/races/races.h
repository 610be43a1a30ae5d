// The toolkit benchmark's races, a file per family: each times the calls of
// <lcs/lcs.h> against rapidfuzz-cpp (or against our classic Hyyro_Alg, or
// another configuration of ours) on seeded inputs, checks that they agree,
// and adds its targets to the report.
#ifndef BENCH_RACES_RACES_H
#define BENCH_RACES_RACES_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "race.h"
#include "toolkit_report.h"

namespace bench {

// The sizes of a run: the targets' own, or tiny ones for --quick.
struct Sizes {
    bool quick = false;
    Rounds rounds;
    std::size_t pairs = 0, choices = 0, alike = 0, search_lines = 0, all_lines = 0;
    std::vector<std::size_t> long_lengths, editops_lengths;
    std::size_t align_length = 0, huge_length = 0;
    struct MatrixShape {
        std::size_t L, queries, choices;
    };
    std::vector<MatrixShape> matrix_shapes;
    std::size_t words_sample = 0;                 // words of the list raced against the peer
    std::vector<std::size_t> striped_lengths;     // one pair on 2 threads, target 1.7x
    std::size_t striped_short = 0;                // one pair too short to gain: no loss
    double scaling_seconds = 0;                   // one thread's share of the shared-nothing loop
};
Sizes sizes_for(bool quick);

// What every race may need beyond the sizes.
struct Setting {
    Sizes sizes;
    std::string search_program;  // lcs-search
    std::string pairs_program;   // lcs-pairs
    std::string peak_launcher;   // lcs_peak_of
    std::string words_file;      // a word list, one word a line
    std::string path;            // the vector path forced (LCS_ISA): plain, avx2 or avx512
};

// A target against the peer's vector build: `avx512` on that path, `avx2` on
// the AVX2 path, none (NaN) on the plain path.
double vector_target(const Setting& setting, double avx512, double avx2);

using Views = std::vector<std::string_view>;
Views views_of(const std::vector<std::string>& texts);

// A time per item, as the figures print it.
std::string per_item(double seconds, std::size_t items);

// The exact peak of bytes held from the allocator during `call` (in a forked
// child), or NaN where no counter is installed.
double peak_bytes(const std::function<void()>& call);

// "peer 56.6 ns" or "peer not built in".
std::string peer_figure(double seconds);

// The peer's time from a race, or NaN where it did not run.
double peer_time(const std::vector<double>& times, std::size_t index);

// The families, in the order a run takes them.
struct Family {
    const char* name;
    void (*run)(Report&, const Setting&);
};
const std::vector<Family>& families();

void short_races(Report&, const Setting&);     // one pair, alike pair, long pairs
void batch_races(Report&, const Setting&);     // one query against many choices
void search_races(Report&, const Setting&);    // the lcs-search program
void align_races(Report&, const Setting&);     // lcs::align
void matrix_races(Report&, const Setting&);    // lcs::matrix
void pairs_races(Report&, const Setting&);     // lcs::pairs of a word list
void threads_races(Report&, const Setting&);   // lcs::length of one pair on 2 threads

}  // namespace bench

#endif  // BENCH_RACES_RACES_H
