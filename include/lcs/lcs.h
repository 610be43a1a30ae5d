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

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <lcs/limits.h>

namespace lcs {

// A request to stop long work early: from another thread (request()) or at a
// deadline. A computation given one polls it every so many rows and, once it
// is requested, frees what it holds and throws lcs::Stopped. One Stop may
// serve several computations at once.
class Stop {
public:
    Stop() noexcept = default;
    Stop(const Stop&) = delete;
    Stop& operator=(const Stop&) = delete;

    void request() noexcept { requested_.store(true, std::memory_order_relaxed); }
    void set_deadline(std::chrono::steady_clock::time_point when) noexcept {
        deadline_.store(when.time_since_epoch().count(), std::memory_order_relaxed);
    }
    // True once requested or once the deadline has passed.
    bool requested() const noexcept {
        if (requested_.load(std::memory_order_relaxed)) return true;
        const auto deadline = deadline_.load(std::memory_order_relaxed);
        return deadline != kNever &&
               std::chrono::steady_clock::now().time_since_epoch().count() >= deadline;
    }

private:
    using Ticks = std::chrono::steady_clock::rep;
    static constexpr Ticks kNever = std::chrono::steady_clock::time_point::max().time_since_epoch().count();
    std::atomic<bool> requested_{false};
    std::atomic<Ticks> deadline_{kNever};
};

// What a computation throws when its Stop was requested.
class Stopped : public std::runtime_error {
public:
    Stopped() : std::runtime_error("lcs: stopped on request") {}
};

// The vector paths this process runs: one name when every component runs
// the same ("plain"), else per component, as "blocks avx512, lanes avx2,
// smith-waterman avx" (Smith-Waterman's one vector path is AVX). Chosen
// once, at the first call that chooses, from the processor and the
// environment variable LCS_ISA=plain|avx2|avx512, which caps every path; an
// unknown value, or one the processor lacks, leaves the best it has.
std::string isa();

// The LCS length of a and b. threads = 0: every hardware thread; a pair too
// short to pay for threads runs on one.
std::int32_t length(std::string_view a, std::string_view b, unsigned threads = 1,
                    const Stop* stop = nullptr);
std::int32_t length(std::u32string_view a, std::u32string_view b, unsigned threads = 1,
                    const Stop* stop = nullptr);

// LCS / max(|a|, |b|), from 0 to 1; 1.0 for two empty strings.
double similarity(std::string_view a, std::string_view b);
double similarity(std::u32string_view a, std::u32string_view b);

namespace detail {
struct PatternData;
struct PatternAccess;
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

private:
    friend struct detail::PatternAccess;  // the library's own view of the prepared query
    std::unique_ptr<detail::PatternData> data_;
};

// The LCS of the query with each choice, in the choices' order.
// threads = 0: every hardware thread.
std::vector<std::int32_t> lengths(const Pattern& query, const std::vector<std::string_view>& choices,
                                  unsigned threads = 1, const Stop* stop = nullptr);
std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::u32string_view>& choices,
                                  unsigned threads = 1, const Stop* stop = nullptr);

// The `limit` best choices for the query: highest similarity first, ties in
// the choices' order, only those at or above min_similarity.
struct Match {
    std::size_t index;    // position in choices
    std::int32_t length;  // the LCS length
    double similarity;    // length / max(query size, choice size); 1.0 for two empty strings
};
std::vector<Match> extract(const Pattern& query, const std::vector<std::string_view>& choices,
                           std::size_t limit, double min_similarity = 0.0, unsigned threads = 1,
                           const Stop* stop = nullptr);
std::vector<Match> extract(const Pattern& query, const std::vector<std::u32string_view>& choices,
                           std::size_t limit, double min_similarity = 0.0, unsigned threads = 1,
                           const Stop* stop = nullptr);

// extract over choices that come a run at a time, as a program or a binding
// reads a long list: each add() numbers its choices on from the last run's,
// and best() is then what extract gives over all the runs at once. Every
// add() takes the same query. A stopped add() leaves the runs before it.
class Extraction {
public:
    explicit Extraction(std::size_t limit, double min_similarity = 0.0);
    ~Extraction();
    Extraction(Extraction&&) noexcept;
    Extraction& operator=(Extraction&&) noexcept;

    void add(const Pattern& query, const std::vector<std::string_view>& choices,
             unsigned threads = 1, const Stop* stop = nullptr);
    void add(const Pattern& query, const std::vector<std::u32string_view>& choices,
             unsigned threads = 1, const Stop* stop = nullptr);
    std::vector<Match> best() const;

private:
    struct Kept;
    template <class Text>
    void add_run(const Pattern& query, const std::vector<Text>& choices, unsigned threads,
                 const Stop* stop);
    std::unique_ptr<Kept> kept_;
};

// The LCS of every query with every choice, row-major: element
// q * choices.size() + c.
std::vector<std::int32_t> matrix(const std::vector<std::string_view>& queries,
                                 const std::vector<std::string_view>& choices,
                                 unsigned threads = 1, const Stop* stop = nullptr);
std::vector<std::int32_t> matrix(const std::vector<std::u32string_view>& queries,
                                 const std::vector<std::u32string_view>& choices,
                                 unsigned threads = 1, const Stop* stop = nullptr);
// The same written into `out`, which holds `out_size` cells, at least
// queries x choices (std::invalid_argument if fewer): nothing is allocated
// and nothing is written twice, so a caller can reuse one buffer, or hand
// over an array's storage, untouched until the threads write their parts.
void matrix_into(const std::vector<std::string_view>& queries,
                 const std::vector<std::string_view>& choices, std::int32_t* out,
                 std::size_t out_size, unsigned threads = 1, const Stop* stop = nullptr);
void matrix_into(const std::vector<std::u32string_view>& queries,
                 const std::vector<std::u32string_view>& choices, std::int32_t* out,
                 std::size_t out_size, unsigned threads = 1, const Stop* stop = nullptr);

// Every pair whose similarity, length / max of the two sizes, is at least
// min_similarity, ordered by query, then by choice, whatever `threads`.
// Against one list: each unordered pair once (query < choice), never a
// string with itself. Memory: the result and a bounded working set.
struct Pair {
    std::size_t query;
    std::size_t choice;
    std::int32_t length;
};
std::vector<Pair> pairs(const std::vector<std::string_view>& queries,
                        const std::vector<std::string_view>& choices, double min_similarity,
                        unsigned threads = 1, const Stop* stop = nullptr);
std::vector<Pair> pairs(const std::vector<std::u32string_view>& queries,
                        const std::vector<std::u32string_view>& choices, double min_similarity,
                        unsigned threads = 1, const Stop* stop = nullptr);
std::vector<Pair> pairs(const std::vector<std::string_view>& strings, double min_similarity,
                        unsigned threads = 1, const Stop* stop = nullptr);
std::vector<Pair> pairs(const std::vector<std::u32string_view>& strings, double min_similarity,
                        unsigned threads = 1, const Stop* stop = nullptr);

// The same pairs streamed: the sink receives them in blocks, in the order
// above, on the calling thread, while later blocks are computed; memory
// stays bounded whatever the number of pairs.
using PairSink = std::function<void(const Pair* pairs, std::size_t count)>;
void pairs(const std::vector<std::string_view>& queries,
           const std::vector<std::string_view>& choices, double min_similarity,
           const PairSink& sink, unsigned threads = 1, const Stop* stop = nullptr);
void pairs(const std::vector<std::u32string_view>& queries,
           const std::vector<std::u32string_view>& choices, double min_similarity,
           const PairSink& sink, unsigned threads = 1, const Stop* stop = nullptr);
void pairs(const std::vector<std::string_view>& strings, double min_similarity,
           const PairSink& sink, unsigned threads = 1, const Stop* stop = nullptr);
void pairs(const std::vector<std::u32string_view>& strings, double min_similarity,
           const PairSink& sink, unsigned threads = 1, const Stop* stop = nullptr);

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
Alignment align(std::string_view a, std::string_view b, unsigned threads = 1,
                const Stop* stop = nullptr);
Alignment align(std::u32string_view a, std::u32string_view b, unsigned threads = 1,
                const Stop* stop = nullptr);

// One longest common subsequence of a and b (the keeps of align).
std::string common_subsequence(std::string_view a, std::string_view b);
std::u32string common_subsequence(std::u32string_view a, std::u32string_view b);

}  // namespace lcs

#endif  // LCS_LCS_H
