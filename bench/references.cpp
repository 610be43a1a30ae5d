// Built with -ffp-contract=off, like the tests that include the same header:
// k c + 1.0 is rounded twice, as in SmithWaterman_Alg.
#include "references.h"

#include "reference/oracles.h"

namespace bench {

std::vector<Reference> straightforward_references() {
    return {
        {"reference_smith_waterman", true,
         [](const std::string& a, const std::string& b) {
             return lcs::reference::reference_smith_waterman(a, b);
         }},
        {"reference_needleman_wunsch", false,
         [](const std::string& a, const std::string& b) {
             return static_cast<double>(lcs::reference::reference_needleman_wunsch(a, b));
         }},
    };
}

}  // namespace bench
