// lcs-search's command line.
#ifndef SEARCH_OPTIONS_H
#define SEARCH_OPTIONS_H

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/tokens.h"

namespace search {

struct Options {
    std::string query;
    std::vector<std::string> files;  // "-" is standard input; none: standard input
    std::size_t top = 10;
    double min_similarity = 0.0;
    bool all = false;
    unsigned threads = 0;  // 0: every hardware thread
    bool json = false;
    lcs::text::Unit unit = lcs::text::Unit::bytes;
    bool help = false;
    bool version = false;
};

// A fault of one input: a file that cannot be read, a line too long or not
// UTF-8 in the unit, or a QUERY not UTF-8. One line for standard error.
class SearchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws lcs::support::OptionError for an unknown option, a missing or
// malformed value or a missing QUERY.
Options parse_options(int argc, char** argv);

extern const char kUsage[];

}  // namespace search

#endif  // SEARCH_OPTIONS_H
