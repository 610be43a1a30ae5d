// The two steps behind Diff_Alg (routines/hunt_mcilroy.cpp), open to the
// tests that check them on their own.
#ifndef ROUTINES_HUNT_MCILROY_H
#define ROUTINES_HUNT_MCILROY_H

#include <cstdint>

namespace lcs::detail {

// One entry of the threshold array: the B position of a match, which is the
// threshold, and the A position of the match that last set the entry.
struct Candidate {
    std::int32_t b_position;
    std::int32_t a_position;
};

// Enters the match (b, a) into thresholds[1..length], a strictly increasing
// array of B positions, and returns the new length: the first live entry at
// or above b takes it, or it is appended when every entry lies below b.
std::int32_t HMAlg(Candidate* thresholds, std::int32_t b, std::int32_t a, std::int32_t length);

// Given thresholds[1] <= b <= thresholds[length], replaces the first entry
// above b with (b, a), or changes nothing when an entry equals b.
void binSearch(Candidate* thresholds, std::int32_t b, std::int32_t a, std::int32_t length);

}  // namespace lcs::detail

#endif  // ROUTINES_HUNT_MCILROY_H
