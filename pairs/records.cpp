// lcs-pairs' input, read through lcs-search's line reader (search/lines.h)
// and cut into units by text/tokens.h.
#include "pairs/records.h"

#include <lcs/lcs.h>

#include "search/lines.h"
#include "search/options.h"
#include "support/printing.h"

namespace pairs {

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
    lines_.reserve(ends.size());
    std::size_t begin = 0;
    for (const std::size_t end : ends) {
        lines_.emplace_back(bytes_.data() + begin, end - begin);
        begin = end;
    }
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
    lines_.reserve(ends.size());
    std::size_t begin = 0;
    for (const std::size_t end : ends) {
        lines_.emplace_back(symbols_.data() + begin, end - begin);
        begin = end;
    }
}

}  // namespace pairs
