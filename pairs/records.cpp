// lcs-pairs' input, read through lcs-search's line reader (search/lines.h)
// and cut into units by text/tokens.h.
#include "pairs/records.h"

#include <lcs/lcs.h>

#include "search/lines.h"
#include "search/options.h"
#include "support/printing.h"

namespace pairs {

namespace {

// Views of consecutive pieces of `all`, each ending where `ends` says.
template <class View, class Whole>
std::vector<View> pieces(const Whole& all, const std::vector<std::size_t>& ends) {
    std::vector<View> views;
    views.reserve(ends.size());
    std::size_t begin = 0;
    for (const std::size_t end : ends) {
        views.emplace_back(all.data() + begin, end - begin);
        begin = end;
    }
    return views;
}

}  // namespace

Records::Records(const std::string& path, std::size_t buffer_bytes) : path_(path) {
    search::LineReader reader(path, static_cast<std::size_t>(lcs::kMaxLength), buffer_bytes);
    search::Chunk chunk;
    std::vector<std::size_t> ends;
    while (reader.next(chunk)) {
        for (const std::string_view line : chunk.lines) {
            bytes_.append(line);
            ends.push_back(bytes_.size());
        }
    }
    lines_ = pieces<std::string_view>(bytes_, ends);
}

Symbols::Symbols(const Records& records, lcs::text::Unit unit, lcs::text::Interner& interner) {
    std::vector<std::size_t> ends;
    ends.reserve(records.lines().size());
    for (std::size_t i = 0; i < records.lines().size(); ++i) {
        try {
            symbols_ += lcs::text::tokenize(unit, records.lines()[i], interner).symbols;
        } catch (const lcs::text::InvalidUtf8& error) {
            throw search::SearchError(lcs::support::quoted(search::display_name(records.path())) +
                                      " line " + std::to_string(i + 1) + " is " + error.what());
        }
        ends.push_back(symbols_.size());
    }
    lines_ = pieces<std::u32string_view>(symbols_, ends);
}

}  // namespace pairs
