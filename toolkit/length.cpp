// lcs::length and lcs::similarity (<lcs/lcs.h>): the bit-parallel kernel
// (kernel/kernel.h) behind the library's length limit; a long pair on
// several threads in stripes (kernel/stripes.h). Covered by
// tests/test_kernel.cpp, tests/test_stripes.cpp and fuzz/fuzz_length.cpp.
#include <algorithm>
#include <stdexcept>

#include <lcs/lcs.h>
#include "kernel/kernel.h"
#include "kernel/stop.h"
#include "toolkit/length_check.h"

namespace lcs {

namespace {

template <typename Text>
std::int32_t checked_length(Text a, Text b, unsigned threads = 1, const Stop* stop = nullptr) {
    detail::check_length(a.size());
    detail::check_length(b.size());
    kernel::poll(stop);  // a past deadline stops before any preparation
    kernel::Paths paths;
    paths.threads = threads;
    paths.stop = stop;
    return static_cast<std::int32_t>(kernel::length(a, b, paths));
}

template <typename Text>
double checked_similarity(Text a, Text b) {
    const std::int32_t common = checked_length(a, b);
    const std::size_t longer = std::max(a.size(), b.size());
    return longer == 0 ? 1.0 : static_cast<double>(common) / static_cast<double>(longer);
}

}  // namespace

std::int32_t length(std::string_view a, std::string_view b, unsigned threads, const Stop* stop) {
    return checked_length(a, b, threads, stop);
}
std::int32_t length(std::u32string_view a, std::u32string_view b, unsigned threads,
                    const Stop* stop) {
    return checked_length(a, b, threads, stop);
}

double similarity(std::string_view a, std::string_view b) { return checked_similarity(a, b); }
double similarity(std::u32string_view a, std::u32string_view b) {
    return checked_similarity(a, b);
}

}  // namespace lcs
