// lcs-search's command line.
#ifndef SEARCH_OPTIONS_H
#define SEARCH_OPTIONS_H

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace search {

struct Options {
    std::string query;
    std::vector<std::string> files;  // "-" is standard input; none: standard input
    std::size_t top = 10;
    double min_similarity = 0.0;
    bool all = false;
    unsigned threads = 0;  // 0: every hardware thread
    bool json = false;
    bool help = false;
    bool version = false;
};

// A fault of the command line or of the input: one line for standard
// error, exit status 2.
class SearchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws SearchError for an unknown option, a missing or malformed value or
// a missing QUERY.
Options parse_options(int argc, char** argv);

extern const char kUsage[];

}  // namespace search

#endif  // SEARCH_OPTIONS_H
