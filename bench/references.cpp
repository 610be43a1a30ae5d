// Built with -ffp-contract=off, like the tests that include the same header:
// k c + 1.0 is rounded twice, as in SmithWaterman_Alg.
#include "references.h"

#if __has_include("reference_scores.h")
#include "reference_scores.h"
#define LCS_HAVE_REFERENCE_SCORES 1
#endif

namespace bench {

std::vector<Reference> straightforward_references() {
#ifdef LCS_HAVE_REFERENCE_SCORES
    return {
        {"reference_smith_waterman", true,
         [](const std::string& a, const std::string& b) {
             return testing_support::reference_smith_waterman(a, b);
         }},
        {"reference_needleman_wunsch", false,
         [](const std::string& a, const std::string& b) {
             return static_cast<double>(testing_support::reference_needleman_wunsch(a, b));
         }},
    };
#else
    return {};
#endif
}

}  // namespace bench
