// lcs::isa: the vector paths this process runs, from the one record of the
// processor's features and LCS_ISA's cap (kernel/features.h).
#include <lcs/lcs.h>

#include "kernel/features.h"

namespace lcs {

std::string isa() { return kernel::describe_paths(); }

}  // namespace lcs
