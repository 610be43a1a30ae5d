#include "races/races.h"

#include <cmath>

#include "peak_memory.h"

namespace bench {

Sizes sizes_for(bool quick) {
    Sizes s;
    s.quick = quick;
    s.rounds = quick ? Rounds{3, 0.2} : Rounds{7, 6.0};
    s.pairs = s.choices = quick ? 1000 : 200000;
    s.alike = quick ? 1000 : 10000;
    s.search_lines = quick ? 5000 : 1000000;
    s.all_lines = 10 * s.search_lines;
    s.long_lengths = quick ? std::vector<std::size_t>{1000, 5000}
                           : std::vector<std::size_t>{1000, 10000, 20000, 100000, 300000};
    s.editops_lengths = quick ? std::vector<std::size_t>{1000, 2000}
                              : std::vector<std::size_t>{10000, 20000, 100000};
    s.align_length = quick ? 5000 : 100000;
    s.huge_length = quick ? 20000 : 1000000;
    s.matrix_shapes = quick ? std::vector<Sizes::MatrixShape>{{8, 40, 400}, {16, 40, 400},
                                                               {32, 20, 400}, {64, 10, 400}}
                            : std::vector<Sizes::MatrixShape>{{8, 2000, 20000},
                                                               {16, 2000, 20000},
                                                               {32, 1000, 20000},
                                                               {64, 500, 20000},
                                                               // rows that start at every
                                                               // place in a line
                                                               {8, 2000, 20001}};
    s.words_sample = quick ? 1000 : 30000;
    s.striped_lengths = quick ? std::vector<std::size_t>{10000} : std::vector<std::size_t>{1000000};
    s.striped_short = quick ? 2000 : 20000;
    s.scaling_seconds = quick ? 0.002 : 0.05;
    return s;
}

double vector_target(const Setting& setting, double avx512, double avx2) {
    if (setting.path == "avx512") return avx512;
    if (setting.path == "avx2") return avx2;
    return kNotMeasured;
}

Views views_of(const std::vector<std::string>& texts) { return Views(texts.begin(), texts.end()); }

std::string per_item(double seconds, std::size_t items) {
    return duration(seconds / static_cast<double>(items));
}

double peak_bytes(const std::function<void()>& call) {
    const PeakMemory peak = measure_peak_memory(call);
    return peak.allocated_measured ? static_cast<double>(peak.allocated_bytes) : kNotMeasured;
}

std::string peer_figure(double seconds) {
    return std::isnan(seconds) ? "peer not built in" : "peer " + duration(seconds);
}

double peer_time(const std::vector<double>& times, std::size_t index) {
    return index < times.size() ? times[index] : kNotMeasured;
}

const std::vector<Family>& families() {
    static const std::vector<Family> all{
        {"short", short_races},   {"batch", batch_races},   {"search", search_races},
        {"align", align_races},   {"matrix", matrix_races}, {"pairs", pairs_races},
        {"threads", threads_races},
    };
    return all;
}

}  // namespace bench
