// The benchmark's inputs: pairs of strings drawn from fixed seeds, so that
// every run, on every machine and standard library, times the same bytes.
#ifndef BENCH_INPUTS_H
#define BENCH_INPUTS_H

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// A family of pairs: random strings over an alphabet of `letters` bytes, or
// similar pairs in which B is A with a tenth of its positions changed.
struct InputSet {
    const char* name;  // e.g. "random-4", "similar-26"
    int letters;       // 4 (ACGT), 26 (a to z) or 256 (every byte value)
    bool similar;
};

// The sets that the length ladder runs on.
const std::vector<InputSet>& ladder_sets();

// The set of the lopsided pairs (a short A against a long B and the reverse).
const InputSet& lopsided_set();

// The letters of an alphabet of 4, 26 or 256 bytes.
std::string alphabet(int letters);

// One input: the two strings, each as a one-based sequence (position 0 and
// position length + 1 hold the zero byte, the characters lie in between).
struct InputPair {
    std::string a_text, b_text;  // the strings themselves
    std::string a, b;            // their one-based buffers
    std::int32_t lenA() const { return static_cast<std::int32_t>(a_text.size()); }
    std::int32_t lenB() const { return static_cast<std::int32_t>(b_text.size()); }
    // The number of pairs (i, j) with A[i] = B[j].
    double match_pairs() const;
};

// The pair of the set at these lengths. Each (set, lenA, lenB) has its own
// seed, so a pair does not depend on which other pairs were made first. For
// similar pairs lenB is taken equal to lenA.
InputPair make_pair(const InputSet& set, std::size_t lenA, std::size_t lenB);

// The same pair, made once and kept for the rest of the run.
const InputPair& cached_pair(const InputSet& set, std::size_t lenA, std::size_t lenB);

// A string of `length` letters of `letters`, from `seed`.
std::string random_text(std::uint64_t seed, std::size_t length, int letters);

// `count` strings of `letters`, each of a length drawn from [shortest,
// longest], from `seed`.
std::vector<std::string> random_texts(std::uint64_t seed, std::size_t count, std::size_t shortest,
                                      std::size_t longest, int letters);

// `text` with exactly `percent` % of its positions (rounded to nearest)
// replaced by a different letter of the alphabet.
std::string changed_share(std::uint64_t seed, std::string text, int letters, int percent);

// changed_share at 10 %: the similar pairs of the ladder.
std::string changed_tenth(std::uint64_t seed, std::string text, int letters);

}  // namespace bench

#endif  // BENCH_INPUTS_H
