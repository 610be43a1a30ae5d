// Internal entry of the batch, for tests that force one lane path. Callers
// of the library use lcs::lengths.
#ifndef TOOLKIT_BATCH_H
#define TOOLKIT_BATCH_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "kernel/kernel.h"
#include "lcs/lcs.h"

namespace lcs::detail {

std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::string_view>& choices, unsigned threads,
                                  const kernel::Paths& paths);
std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::u32string_view>& choices, unsigned threads,
                                  const kernel::Paths& paths);

// The same into out[0, count), for a run of a longer list.
void lengths(const Pattern& query, const std::string_view* choices, std::size_t count,
             std::int32_t* out, unsigned threads, const kernel::Paths& paths);
void lengths(const Pattern& query, const std::u32string_view* choices, std::size_t count,
             std::int32_t* out, unsigned threads, const kernel::Paths& paths);

}  // namespace lcs::detail

#endif  // TOOLKIT_BATCH_H
