// The query and the lines in a unit. Only the query's tokens are interned:
// a line's word (or line) that the query lacks gets the one symbol no query
// token has, which leaves the LCS with the query exact and keeps memory
// bounded by the query and a chunk, however many distinct words the input
// holds. The symbols of a chunk go to lcs::lengths as one batch. Lines come
// without their line end, so by lines the query's lines are compared
// without theirs too, and each input line is one token, empty or not.
// Tests: tests/test_text_compare.cpp (SearchByUnit.*).
#include "search/units.h"

#include "search/options.h"
#include "support/printing.h"

namespace search {
namespace {

lcs::text::Tokens query_tokens(lcs::text::Unit unit, const std::string& query,
                               lcs::text::Interner& table) {
    try {
        return lcs::text::tokenize(unit, query, table);
    } catch (const lcs::text::InvalidUtf8& error) {
        throw SearchError(std::string("QUERY is ") + error.what());
    }
}

// By lines, the query's lines are interned again without their line ends,
// the form in which the input's lines come.
std::u32string query_line_symbols(const std::string& query, const lcs::text::Tokens& lines,
                                  lcs::text::Interner& contents) {
    std::u32string symbols;
    for (const lcs::text::Span span : lines.spans) {
        const std::string_view line(query.data() + span.begin, span.end - span.begin);
        symbols.push_back(contents.intern(lcs::text::line_content(line)));
    }
    return symbols;
}

}  // namespace

Matcher::Matcher(lcs::text::Unit unit, const std::string& query)
    : unit_(unit), query_(query), pattern_(std::string_view(query)) {
    if (unit_ == lcs::text::Unit::bytes) {
        query_length_ = query_.size();
        return;
    }
    if (unit_ == lcs::text::Unit::lines) {
        lcs::text::Interner with_ends;
        query_symbols_ = query_line_symbols(query_, lcs::text::tokenize(unit_, query_, with_ends),
                                            query_table_);
    } else {
        query_symbols_ = query_tokens(unit_, query_, query_table_).symbols;
    }
    query_length_ = query_symbols_.size();
    pattern_ = lcs::Pattern(std::u32string_view(query_symbols_));
}

std::optional<SearchError> Matcher::symbols_of(const Chunk& chunk, const std::string& file) {
    line_symbols_.resize(chunk.lines.size());
    std::optional<SearchError> fault;
    for (std::size_t i = 0; i < chunk.lines.size(); ++i) {
        if (unit_ == lcs::text::Unit::lines) {
            line_symbols_[i].assign(1, query_table_.find(chunk.lines[i]));
            continue;
        }
        try {
            line_symbols_[i] = lcs::text::tokenize_against(unit_, chunk.lines[i], query_table_).symbols;
        } catch (const lcs::text::InvalidUtf8& error) {
            fault = SearchError(lcs::support::quoted(display_name(file)) + " line " +
                                std::to_string(chunk.first_line + i) + " is " + error.what());
            line_symbols_.resize(i);
            break;
        }
    }
    line_views_.assign(line_symbols_.begin(), line_symbols_.end());
    return fault;
}

template <class Compute>
std::optional<SearchError> Matcher::in_unit(const Chunk& chunk, const std::string& file,
                                            std::vector<std::size_t>& lengths,
                                            const Compute& compute) {
    if (unit_ == lcs::text::Unit::bytes) {
        compute(chunk.lines);
        lengths.resize(chunk.lines.size());
        for (std::size_t i = 0; i < chunk.lines.size(); ++i) lengths[i] = chunk.lines[i].size();
        return std::nullopt;
    }
    std::optional<SearchError> fault = symbols_of(chunk, file);
    compute(line_views_);
    lengths.resize(line_symbols_.size());
    for (std::size_t i = 0; i < line_symbols_.size(); ++i) lengths[i] = line_symbols_[i].size();
    return fault;
}

std::optional<SearchError> Matcher::match(const Chunk& chunk, const std::string& file,
                                          unsigned threads, std::vector<std::int32_t>& lcs,
                                          std::vector<std::size_t>& lengths) {
    return in_unit(chunk, file, lengths,
                   [&](const auto& lines) { lcs = lcs::lengths(pattern_, lines, threads); });
}

std::optional<SearchError> Matcher::best(const Chunk& chunk, const std::string& file,
                                         unsigned threads, std::size_t limit,
                                         double min_similarity, std::vector<lcs::Match>& best,
                                         std::vector<std::size_t>& lengths) {
    return in_unit(chunk, file, lengths, [&](const auto& lines) {
        best = lcs::extract(pattern_, lines, limit, min_similarity, threads);
    });
}

}  // namespace search
