// lcs-search --by: the query and each line compared in a unit, bytes
// (each line as it is) or the characters, words or lines of text/tokens.h.
#ifndef SEARCH_UNITS_H
#define SEARCH_UNITS_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <lcs/lcs.h>
#include "search/lines.h"
#include "search/options.h"
#include "text/tokens.h"

namespace search {

class Matcher {
public:
    // Throws SearchError when chars or words meet a query that is not UTF-8.
    Matcher(lcs::text::Unit unit, const std::string& query);
    Matcher(const Matcher&) = delete;
    Matcher& operator=(const Matcher&) = delete;

    // The query's length in the unit.
    std::size_t query_length() const { return query_length_; }

    // The LCS of the query with each line of the chunk, and each line's
    // length, in the unit, up to the first line that is not UTF-8 (chars
    // and words): lcs and lengths then end before that line, and the fault,
    // naming the file, the line and the byte offset, is returned, for the
    // caller to throw once it has used the lines before it.
    std::optional<SearchError> match(const Chunk& chunk, const std::string& file, unsigned threads,
                                     std::vector<std::int32_t>& lcs,
                                     std::vector<std::size_t>& lengths);

    // The `limit` lines of the chunk most similar to the query, at or above
    // min_similarity, best first, ties in line order (lcs::extract), with
    // each line's length in the unit; lines end at the first that is not
    // UTF-8, whose fault is returned as match() does.
    std::optional<SearchError> best(const Chunk& chunk, const std::string& file, unsigned threads,
                                    std::size_t limit, double min_similarity,
                                    std::vector<lcs::Match>& best,
                                    std::vector<std::size_t>& lengths);

private:
    std::optional<SearchError> symbols_of(const Chunk& chunk, const std::string& file);
    // Calls compute(lines) on the chunk's lines in the unit, bytes or
    // symbols, and sets each line's length.
    template <class Compute>
    std::optional<SearchError> in_unit(const Chunk& chunk, const std::string& file,
                                       std::vector<std::size_t>& lengths, const Compute& compute);

    lcs::text::Unit unit_;
    std::string query_;               // the interner keeps views of it
    lcs::text::Interner query_table_;  // the query's words or lines
    std::u32string query_symbols_;
    std::size_t query_length_ = 0;
    lcs::Pattern pattern_;
    std::vector<std::u32string> line_symbols_;  // kept from chunk to chunk
    std::vector<std::u32string_view> line_views_;
};

}  // namespace search

#endif  // SEARCH_UNITS_H
