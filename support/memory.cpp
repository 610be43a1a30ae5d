#include "support/memory.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace lcs::support {
namespace {

// Field `index` of /proc/self/statm (0 = size, 1 = resident), in bytes.
std::int64_t statm_bytes(int index) {
    const int file = ::open("/proc/self/statm", O_RDONLY);
    if (file < 0) return 0;
    char text[128] = {};
    const ssize_t got = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (got <= 0) return 0;
    char* field = text;
    for (int skip = 0; skip < index; ++skip) std::strtoll(field, &field, 10);
    return std::strtoll(field, nullptr, 10) * static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

double physical_memory_bytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page_size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return 0;
    return static_cast<double>(pages) * static_cast<double>(page_size);
}

std::int64_t resident_bytes() { return statm_bytes(1); }

std::int64_t mapped_bytes() { return statm_bytes(0); }

double peak_growth_bytes(const struct rusage& usage, std::int64_t baseline_bytes) {
    // ru_maxrss is in KiB on Linux and the BSDs.
    const double peak = 1024.0 * static_cast<double>(usage.ru_maxrss);
    const double growth = peak - static_cast<double>(baseline_bytes);
    return growth > 0 ? growth : 0.0;
}

}  // namespace lcs::support
