// Interim Pattern over the oracle, until the prepared kernel lands.
#include <stdexcept>

#include "lcs/lcs.h"
#include "reference/oracles.h"

namespace lcs {
namespace detail {
struct PatternData {
    std::u32string symbols;
    std::string bytes;
    bool is_bytes = false;
};
const std::u32string& interim_symbols(const Pattern& p) { return p.data().symbols; }
const std::string* interim_bytes(const Pattern& p) {
    return p.data().is_bytes ? &p.data().bytes : nullptr;
}
}  // namespace detail

Pattern::Pattern(std::string_view query) : data_(std::make_unique<detail::PatternData>()) {
    for (const char c : query) data_->symbols.push_back(static_cast<unsigned char>(c));
    data_->bytes = std::string(query);
    data_->is_bytes = true;
}
Pattern::Pattern(std::u32string_view query)
    : data_(std::make_unique<detail::PatternData>(detail::PatternData{std::u32string(query), {}, false})) {}
Pattern::~Pattern() = default;
Pattern::Pattern(Pattern&&) noexcept = default;
Pattern& Pattern::operator=(Pattern&&) noexcept = default;
std::int32_t Pattern::size() const { return static_cast<std::int32_t>(data_->symbols.size()); }
std::int32_t Pattern::length(std::u32string_view text) const {
    return reference::reference_lcs(std::u32string_view(data_->symbols), text);
}
std::int32_t Pattern::length(std::string_view text) const {
    std::u32string symbols;
    for (const char c : text) symbols.push_back(static_cast<unsigned char>(c));
    return length(std::u32string_view(symbols));
}
}  // namespace lcs
