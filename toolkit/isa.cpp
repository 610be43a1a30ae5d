// lcs::isa: the vector paths this process runs. Placeholder until the one
// record of the processor's features lands.
#include <lcs/lcs.h>

#include "kernel/kernel.h"

namespace lcs {

std::string isa() {
    if (kernel::isa_available(kernel::Isa::avx512)) return "avx512";
    if (kernel::isa_available(kernel::Isa::avx2)) return "avx2";
    return "plain";
}

}  // namespace lcs
