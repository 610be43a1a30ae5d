// lcs::Pattern (<lcs/lcs.h>): a query prepared once for the bit-parallel
// kernel (kernel/pattern.h); its data is immutable, so any number of threads
// may compare against it at once. Covered by tests/test_kernel.cpp and
// fuzz/fuzz_length.cpp.
#include <lcs/lcs.h>
#include "kernel/kernel.h"
#include "kernel/pattern.h"
#include "toolkit/length_check.h"

namespace lcs {

namespace {

template <typename Text>
std::unique_ptr<detail::PatternData> prepared(Text query) {
    detail::check_length(query.size());
    return std::make_unique<detail::PatternData>(query);
}

}  // namespace

Pattern::Pattern(std::string_view query) : data_(prepared(query)) {}
Pattern::Pattern(std::u32string_view query) : data_(prepared(query)) {}
Pattern::~Pattern() = default;
Pattern::Pattern(Pattern&&) noexcept = default;
Pattern& Pattern::operator=(Pattern&&) noexcept = default;

// A moved-from Pattern holds no data and compares as the empty query.
std::int32_t Pattern::length(std::string_view text) const {
    detail::check_length(text.size());
    return data_ ? static_cast<std::int32_t>(kernel::pattern_length(*data_, text)) : 0;
}
std::int32_t Pattern::length(std::u32string_view text) const {
    detail::check_length(text.size());
    return data_ ? static_cast<std::int32_t>(kernel::pattern_length(*data_, text)) : 0;
}

std::int32_t Pattern::size() const { return data_ ? static_cast<std::int32_t>(data_->size()) : 0; }

}  // namespace lcs
