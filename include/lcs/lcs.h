// Exact longest common subsequence (LCS) of strings, at word-parallel speed.
//
// Strings are zero-based views: bytes (std::string_view, each byte a symbol
// 0 to 255) or 32-bit symbols (std::u32string_view, any values, compared for
// equality only). Every result is exact: the LCS length is that of the
// prefix recurrence L(i, j) = L(i-1, j-1) + 1 if a[i] = b[j], else
// max(L(i-1, j), L(i, j-1)), whatever path, vector width or thread count
// computes it.
//
// A string longer than lcs::kMaxLength gets std::length_error; running out of
// memory gets std::bad_alloc. Every function may run on several threads at
// once; a Pattern may be used from several threads at once.
//
//     #include <lcs/lcs.h>
//     lcs::length("ABCBDAB", "BDCABA");              // 4
//     const lcs::Pattern query("kitten");             // prepared once
//     query.length("sitting");                        // 4
#ifndef LCS_LCS_H
#define LCS_LCS_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <lcs/routines.h>

namespace lcs {

// The LCS length of a and b.
std::int32_t length(std::string_view a, std::string_view b);
std::int32_t length(std::u32string_view a, std::u32string_view b);

// LCS / max(|a|, |b|), from 0 to 1; 1.0 for two empty strings.
double similarity(std::string_view a, std::string_view b);
double similarity(std::u32string_view a, std::u32string_view b);

namespace detail {
struct PatternData;
}

// A query prepared once: its match vectors, for many comparisons.
class Pattern {
public:
    explicit Pattern(std::string_view query);
    explicit Pattern(std::u32string_view query);
    ~Pattern();
    Pattern(Pattern&&) noexcept;
    Pattern& operator=(Pattern&&) noexcept;
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    // The LCS of the query and text. Bytes and symbols mix: byte b is
    // symbol b.
    std::int32_t length(std::string_view text) const;
    std::int32_t length(std::u32string_view text) const;

    // The query's length in symbols.
    std::int32_t size() const;

    // The library's own view of the prepared query.
    const detail::PatternData& data() const { return *data_; }

private:
    std::unique_ptr<detail::PatternData> data_;
};

// The LCS of the query with each choice, in the choices' order.
// threads = 0: every hardware thread.
std::vector<std::int32_t> lengths(const Pattern& query, const std::vector<std::string_view>& choices,
                                  unsigned threads = 1);
std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::u32string_view>& choices,
                                  unsigned threads = 1);

// An alignment of A with B as runs of edits.
enum class Edit : unsigned char { keep, remove, insert };

struct Run {
    Edit edit;
    std::int32_t a_pos;  // first position of the run in A (an insert: the position in A before which it goes)
    std::int32_t b_pos;  // first position of the run in B (a remove: the position in B where it happens)
    std::int32_t count;  // symbols in the run, at least 1
};

struct Alignment {
    std::int32_t length;    // the LCS length, the sum of the keep runs' counts
    std::vector<Run> runs;  // in order along A and B; no two neighbours have the same edit;
                            // between two keep runs at most one remove, then at most one insert
};

// A longest common subsequence of a and b as an edit script, in memory
// linear in |a| + |b|. The runs do not depend on `threads` (0: every
// hardware thread).
Alignment align(std::string_view a, std::string_view b, unsigned threads = 1);
Alignment align(std::u32string_view a, std::u32string_view b, unsigned threads = 1);

// The bytes of one longest common subsequence of a and b (the keeps of align).
std::string common_subsequence(std::string_view a, std::string_view b);

}  // namespace lcs

#endif  // LCS_LCS_H
