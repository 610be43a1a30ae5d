// The C++ side of bench/python_bench.py: the library's own time for the
// work that the Python benchmark times through the module, on the same
// strings, so that the ratio is the binding's cost.
//
//   lcs_python_timing lengths FILE THREADS ROUNDS          first line: the query; the rest: choices
//   lcs_python_timing extract FILE THREADS ROUNDS          the same, the 10 best (lcs::extract)
//   lcs_python_timing matrix FILE QUERIES THREADS ROUNDS   first QUERIES lines: queries; the rest: choices
//   lcs_python_timing scaling ROUNDS                       the machine's own 2-thread scaling
//
// prints the best time of ROUNDS runs of the library's call alone, in
// seconds, and a checksum of its results (the sum of the lengths; of the
// best ten's for extract), which the benchmark compares with the module's;
// `scaling` prints the time of 2 threads' work on 1 thread over
// that on 2 threads, for a loop that shares nothing.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <numeric>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <lcs/lcs.h>

namespace {

std::vector<std::string> read_lines(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string_view> views(const std::vector<std::string>& lines, std::size_t first,
                                    std::size_t last) {
    return {lines.begin() + static_cast<std::ptrdiff_t>(first),
            lines.begin() + static_cast<std::ptrdiff_t>(last)};
}

// The best of `rounds` runs of work, which returns its result; the
// checksum of the last result is taken outside the timed part, as the
// module's caller would take it after the call.
template <class Work, class Checksum>
void report(int rounds, Work work, Checksum checksum) {
    double best = 1e300;
    std::int64_t last = 0;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        last = checksum(result);
    }
    std::cout << best << ' ' << last << '\n';
}

std::int64_t sum(const std::vector<std::int32_t>& values) {
    return std::accumulate(values.begin(), values.end(), std::int64_t{0});
}

// A loop of arithmetic in registers: what two cores give when they share
// nothing (no memory, no cache lines), the ceiling for any 2-thread ratio.
std::uint64_t spin(std::uint64_t steps) {
    std::uint64_t x = 88172645463325252ULL;
    for (std::uint64_t i = 0; i < steps; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
    }
    return x;
}

double scaling(int rounds) {
    constexpr std::uint64_t kSteps = 200'000'000;
    const auto best_of = [&](const std::function<void()>& work) {
        double best = 1e300;
        for (int r = 0; r < rounds; ++r) {
            const auto start = std::chrono::steady_clock::now();
            work();
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            best = std::min(best, took.count());
        }
        return best;
    };
    volatile std::uint64_t sink = 0;
    const double one = best_of([&] { sink = spin(2 * kSteps); });
    const double two = best_of([&] {
        std::uint64_t other = 0;
        std::thread helper([&] { other = spin(kSteps); });
        sink = spin(kSteps);
        helper.join();
        sink = sink + other;
    });
    return one / two;
}

int run(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if ((mode == "lengths" || mode == "extract") && argc == 5) {
        const std::vector<std::string> lines = read_lines(argv[2]);
        if (lines.empty()) throw std::runtime_error("no query");
        const lcs::Pattern query(lines[0]);
        const auto choices = views(lines, 1, lines.size());
        const auto threads = static_cast<unsigned>(std::stoul(argv[3]));
        if (mode == "lengths") {
            report(std::stoi(argv[4]), [&] { return lcs::lengths(query, choices, threads); }, sum);
        } else {
            report(
                std::stoi(argv[4]), [&] { return lcs::extract(query, choices, 10, 0.0, threads); },
                [](const std::vector<lcs::Match>& best) {
                    std::int64_t total = 0;
                    for (const lcs::Match& m : best) total += m.length;
                    return total;
                });
        }
        return 0;
    }
    if (mode == "matrix" && argc == 6) {
        const std::vector<std::string> lines = read_lines(argv[2]);
        const std::size_t queries = std::min<std::size_t>(std::stoul(argv[3]), lines.size());
        const auto rows = views(lines, 0, queries), columns = views(lines, queries, lines.size());
        const auto threads = static_cast<unsigned>(std::stoul(argv[4]));
        report(std::stoi(argv[5]), [&] { return lcs::matrix(rows, columns, threads); }, sum);
        return 0;
    }
    if (mode == "scaling" && argc == 3) {
        std::cout << scaling(std::stoi(argv[2])) << '\n';
        return 0;
    }
    std::cerr << "usage: lcs_python_timing lengths|extract FILE THREADS ROUNDS | matrix FILE QUERIES "
                 "THREADS ROUNDS | scaling ROUNDS\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "lcs_python_timing: " << e.what() << '\n';
        return 1;
    }
}
