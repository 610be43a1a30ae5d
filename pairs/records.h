// lcs-pairs' input: every line of a file held in one buffer, and the lines
// as symbols of a unit.
#ifndef PAIRS_RECORDS_H
#define PAIRS_RECORDS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "search/lines.h"
#include "text/interner.h"
#include "text/tokens.h"

namespace pairs {

class Records {
public:
    // Every line of `path` ("-": standard input), read through a buffer of
    // at least buffer_bytes. Throws search::SearchError when it cannot be
    // read.
    explicit Records(const std::string& path,
                     std::size_t buffer_bytes = search::LineReader::kBufferBytes);
    Records(const Records&) = delete;
    Records& operator=(const Records&) = delete;

    const std::string& path() const { return path_; }
    const std::vector<std::string_view>& lines() const { return lines_; }

private:
    std::string path_;
    std::string bytes_;
    std::vector<std::string_view> lines_;
};

// The lines of records in a unit other than bytes, each line a view into
// one block of symbols. Words share `interner` with the other file's lines,
// so equal words are equal symbols on both sides; it keeps views of the
// records, which must outlive it. Throws search::SearchError, naming the
// file and the line, for a line that is not UTF-8.
class Symbols {
public:
    Symbols(const Records& records, lcs::text::Unit unit, lcs::text::Interner& interner);

    const std::vector<std::u32string_view>& lines() const { return lines_; }

private:
    std::u32string symbols_;
    std::vector<std::u32string_view> lines_;
};

}  // namespace pairs

#endif  // PAIRS_RECORDS_H
