// Internal entry of lcs::align, for tests and measurements that must force
// one of its paths. Callers use lcs::align.
#ifndef LCS_TOOLKIT_ALIGN_H
#define LCS_TOOLKIT_ALIGN_H

#include <cstdint>
#include <string_view>

#include <lcs/lcs.h>

#include "kernel/kernel.h"

namespace lcs::detail {

Alignment align_with(std::string_view a, std::string_view b, unsigned threads,
                     const kernel::Paths& paths);
Alignment align_with(std::u32string_view a, std::u32string_view b, unsigned threads,
                     const kernel::Paths& paths);

}  // namespace lcs::detail

#endif  // LCS_TOOLKIT_ALIGN_H
