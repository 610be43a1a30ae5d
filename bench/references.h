// The straightforward Smith-Waterman score and Needleman-Wunsch summation
// that the tests use as their bit-exact references, as benchmark contestants:
// the optimised routines are measured against them.
#ifndef BENCH_REFERENCES_H
#define BENCH_REFERENCES_H

#include <functional>
#include <string>
#include <vector>

namespace bench {

struct Reference {
    const char* name;
    bool local_score;  // a Smith-Waterman score, else an LCS length
    std::function<double(const std::string&, const std::string&)> run;
};

// The oracles of reference/, timed as contestants.
std::vector<Reference> straightforward_references();

}  // namespace bench

#endif  // BENCH_REFERENCES_H
