// lcs-pairs' command line.
#ifndef PAIRS_OPTIONS_H
#define PAIRS_OPTIONS_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "text/tokens.h"

namespace pairs {

struct Options {
    std::vector<std::string> files;  // one or two; "-" is standard input
    std::optional<double> min_similarity;
    std::size_t top = 0;  // 0: every pair at or above the threshold
    lcs::text::Unit unit = lcs::text::Unit::bytes;
    unsigned threads = 0;  // 0: every hardware thread
    bool json = false;
    bool help = false;
    bool version = false;

    // 0.8 when listing pairs, 0 with --top, unless given.
    double threshold() const { return min_similarity.value_or(top == 0 ? 0.8 : 0.0); }
};

// Throws lcs::support::OptionError for an unknown option, a missing or
// malformed value, or a count of FILEs other than one or two.
Options parse_options(int argc, char** argv);

extern const char kUsage[];

}  // namespace pairs

#endif  // PAIRS_OPTIONS_H
