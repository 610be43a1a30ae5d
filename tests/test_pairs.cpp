// lcs::matrix, lcs::pairs and lcs::extract against the oracle: mixed
// lengths 0 to 150 across lane and block edges, every vector path forced,
// thread counts that must not change a result; the threshold's edge; the
// bounds that prune pairs never dropping one that qualifies; streaming in
// order and stopping on request.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "kernel/multi_lanes.h"
#include "lcs/lcs.h"
#include "reference/oracles.h"
#include "reference/sequences.h"
#include "toolkit/many.h"

namespace {

using lcs::kernel::Isa;

std::vector<Isa> available_paths() {
    std::vector<Isa> paths;
    for (const Isa path : {Isa::plain, Isa::avx2, Isa::avx512}) {
        if (lcs::kernel::isa_available(path)) paths.push_back(path);
    }
    return paths;
}

std::vector<std::string> random_strings(std::mt19937& rng, std::size_t count, std::size_t shortest,
                                        std::size_t longest, const std::string& alphabet) {
    std::uniform_int_distribution<std::size_t> length(shortest, longest);
    std::vector<std::string> strings;
    for (std::size_t i = 0; i < count; ++i) {
        strings.push_back(lcs::reference::random_string(rng, length(rng), alphabet));
    }
    return strings;
}

// Variants of a few seeds: many pairs near any threshold.
std::vector<std::string> alike_strings(std::mt19937& rng, std::size_t count, std::size_t longest,
                                       const std::string& alphabet) {
    const std::vector<std::string> seeds = random_strings(rng, 4, 0, longest, alphabet);
    std::uniform_int_distribution<std::size_t> pick(0, seeds.size() - 1), edits(0, 3);
    std::uniform_int_distribution<std::size_t> symbol(0, alphabet.size() - 1);
    std::vector<std::string> strings;
    for (std::size_t i = 0; i < count; ++i) {
        std::string s = seeds[pick(rng)];
        for (std::size_t e = edits(rng); e > 0; --e) {
            const std::size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
            if (rng() % 2 == 0 || s.empty()) s.insert(at, 1, alphabet[symbol(rng)]);
            else s.erase(std::min(at, s.size() - 1), 1);
        }
        strings.push_back(s);
    }
    return strings;
}

std::vector<std::string_view> views(const std::vector<std::string>& strings) {
    return {strings.begin(), strings.end()};
}

std::vector<std::u32string> widened(const std::vector<std::string>& strings) {
    std::vector<std::u32string> out;
    for (const std::string& s : strings) {
        std::u32string w;
        for (const char c : s) w.push_back(0x10000 + static_cast<unsigned char>(c));
        out.push_back(w);
    }
    return out;
}

std::vector<std::int32_t> oracle_matrix(const std::vector<std::string>& queries,
                                        const std::vector<std::string>& choices) {
    std::vector<std::int32_t> out;
    for (const std::string& q : queries) {
        for (const std::string& c : choices) out.push_back(lcs::reference::reference_lcs(q, c));
    }
    return out;
}

bool qualifies(std::int32_t length, std::size_t a, std::size_t b, double min_similarity) {
    const std::size_t longer = std::max(a, b);
    const double similarity = longer == 0 ? 1.0 : double(length) / double(longer);
    return similarity >= min_similarity;
}

struct Expected {
    std::size_t query, choice;
    std::int32_t length;
    bool operator==(const lcs::Pair& p) const {
        return p.query == query && p.choice == choice && p.length == length;
    }
};

std::vector<Expected> oracle_pairs(const std::vector<std::string>& queries,
                                   const std::vector<std::string>* choices, double min_similarity) {
    const std::vector<std::string>& others = choices ? *choices : queries;
    std::vector<Expected> out;
    for (std::size_t q = 0; q < queries.size(); ++q) {
        for (std::size_t c = choices ? 0 : q + 1; c < others.size(); ++c) {
            const std::int32_t length = lcs::reference::reference_lcs(queries[q], others[c]);
            if (qualifies(length, queries[q].size(), others[c].size(), min_similarity)) {
                out.push_back({q, c, length});
            }
        }
    }
    return out;
}

void expect_same_pairs(const std::vector<Expected>& expected, const std::vector<lcs::Pair>& got) {
    ASSERT_EQ(expected.size(), got.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_TRUE(expected[i] == got[i]) << "pair " << i << ": expected (" << expected[i].query
                                           << ", " << expected[i].choice << ", "
                                           << expected[i].length << "), got (" << got[i].query
                                           << ", " << got[i].choice << ", " << got[i].length
                                           << ")";
    }
}

template <class Text>
std::vector<lcs::Pair> streamed(const std::vector<Text>& queries, const std::vector<Text>* choices,
                                double min_similarity, unsigned threads, Isa isa) {
    std::vector<lcs::Pair> all;
    lcs::detail::pairs(
        queries, choices, min_similarity,
        [&all](const lcs::Pair* p, std::size_t n) { all.insert(all.end(), p, p + n); }, threads,
        nullptr, isa);
    return all;
}

const std::vector<std::string_view>* const kNoChoices = nullptr;

struct Shape {
    std::size_t queries, choices, shortest, longest;
    std::string alphabet;
};

// Lane widths 8 to 64 and the long strings past them, block edges (64
// choices) and blocks with a few long strings among short ones.
const Shape kShapes[] = {
    {1, 1, 0, 0, "ab"},
    {7, 65, 0, 8, "ab"},
    {70, 129, 0, 16, "abcd"},
    {33, 64, 9, 32, "acgt"},
    {20, 130, 33, 64, "abcdefghijklmnopqrstuvwxyz"},
    {65, 70, 0, 150, "abc"},
    {9, 200, 60, 150, "ab"},
    {130, 3, 0, 70, std::string("\0\xff\x01", 3)},
    // Rows of whole lines of cells, which go out by streaming stores.
    {40, 128, 0, 8, "abc"},
    {12, 256, 5, 16, "abcdefgh"},
};

TEST(Matrix, EqualsTheOracleOnEveryPathAndThreadCount) {
    std::mt19937 rng(20240611);
    for (const Shape& shape : kShapes) {
        const std::string& alphabet = shape.alphabet;
        const auto queries = random_strings(rng, shape.queries, shape.shortest, shape.longest, alphabet);
        const auto choices = random_strings(rng, shape.choices, shape.shortest, shape.longest, alphabet);
        const std::vector<std::int32_t> expected = oracle_matrix(queries, choices);
        for (const Isa isa : available_paths()) {
            for (const unsigned threads : {1U, 2U, 7U}) {
                SCOPED_TRACE("shape " + std::to_string(&shape - kShapes) + " isa " +
                             std::to_string(int(isa)) + " threads " + std::to_string(threads));
                EXPECT_EQ(lcs::detail::matrix(views(queries), views(choices), threads, nullptr, isa),
                          expected);
            }
        }
        // Into a caller's buffer starting anywhere in a line of 64 bytes
        // (whole lines are streamed, part lines stored): every cell
        // written, nothing before or past them.
        for (const std::size_t phase : {0, 1, 4, 15}) {
            constexpr std::size_t kLineCells = 16;
            std::vector<std::int32_t> buffer(expected.size() + 2 * kLineCells + 1, -7);
            const std::size_t at_line = reinterpret_cast<std::uintptr_t>(buffer.data()) / 4 % kLineCells;
            const std::size_t start = 1 + (phase + 2 * kLineCells - at_line - 1) % kLineCells;
            lcs::matrix_into(views(queries), views(choices), buffer.data() + start,
                             expected.size(), 2);
            EXPECT_EQ(std::vector<std::int32_t>(buffer.begin() + static_cast<std::ptrdiff_t>(start),
                                                buffer.begin() + static_cast<std::ptrdiff_t>(start + expected.size())),
                      expected);
            EXPECT_EQ(std::count(buffer.begin(), buffer.end(), -7),
                      static_cast<std::ptrdiff_t>(buffer.size() - expected.size()));
        }
        const auto wide_queries = widened(queries), wide_choices = widened(choices);
        EXPECT_EQ(lcs::matrix(std::vector<std::u32string_view>(wide_queries.begin(), wide_queries.end()),
                              std::vector<std::u32string_view>(wide_choices.begin(), wide_choices.end()), 2),
                  expected);
    }
}

TEST(Matrix, EmptyListsGiveAnEmptyMatrix) {
    const std::vector<std::string_view> none, some{"a", "b"};
    EXPECT_TRUE(lcs::matrix(none, some).empty());
    EXPECT_TRUE(lcs::matrix(some, none).empty());
    lcs::matrix_into(none, some, nullptr, 0);
}

TEST(Matrix, IntoABufferTooSmallIsRefusedUntouched) {
    const std::vector<std::string_view> some{"ab", "b"};
    std::vector<std::int32_t> buffer(3, -7);
    EXPECT_THROW(lcs::matrix_into(some, some, buffer.data(), buffer.size()), std::invalid_argument);
    EXPECT_EQ(buffer, std::vector<std::int32_t>(3, -7));
}

TEST(Pairs, EqualOracleOnMixedAndAlikeStrings) {
    std::mt19937 rng(7);
    struct Case {
        bool alike;
        std::size_t count, longest;
        std::string alphabet;
        double min_similarity;
    };
    const Case cases[] = {
        {false, 90, 150, "ab", 0.6},     {true, 120, 20, "abcdefghij", 0.8},
        {true, 80, 70, "ab", 0.9},       {true, 60, 150, "abcdefgh", 0.75},
        {false, 50, 10, "abc", 0.0},     {true, 40, 5, "ab", 1.0},
        {true, 70, 300, "acgt", 0.85},
    };
    for (const Case& c : cases) {
        const auto strings = c.alike ? alike_strings(rng, c.count, c.longest, c.alphabet)
                                     : random_strings(rng, c.count, 0, c.longest, c.alphabet);
        const auto others = alike_strings(rng, c.count / 2, c.longest, c.alphabet);
        const auto self_expected = oracle_pairs(strings, nullptr, c.min_similarity);
        const auto cross_expected = oracle_pairs(strings, &others, c.min_similarity);
        const auto v = views(strings), o = views(others);
        for (const Isa isa : available_paths()) {
            for (const unsigned threads : {1U, 2U, 7U}) {
                SCOPED_TRACE("case " + std::to_string(&c - cases) + " isa " +
                             std::to_string(int(isa)) + " threads " + std::to_string(threads));
                expect_same_pairs(self_expected, streamed(v, kNoChoices, c.min_similarity, threads, isa));
                expect_same_pairs(cross_expected, streamed(v, &o, c.min_similarity, threads, isa));
            }
        }
        const auto wide = widened(strings);
        const std::vector<std::u32string_view> wide_views(wide.begin(), wide.end());
        expect_same_pairs(self_expected, lcs::pairs(wide_views, c.min_similarity, 2));
    }
}

TEST(Pairs, ThePairAtTheThresholdIsKeptTheOneJustBelowDropped) {
    // LCS 4 of 5: similarity 0.8 exactly as a double.
    const std::vector<std::string_view> strings{"abcde", "abcdx", "abxyz"};
    const double at = 4.0 / 5.0;
    const std::vector<lcs::Pair> kept = lcs::pairs(strings, at);
    ASSERT_EQ(kept.size(), 1U);
    EXPECT_EQ(kept[0].query, 0U);
    EXPECT_EQ(kept[0].choice, 1U);
    EXPECT_EQ(kept[0].length, 4);
    EXPECT_TRUE(lcs::pairs(strings, std::nextafter(at, 1.0)).empty());
    // Two empty strings are alike (1.0); an empty one and another are not.
    const std::vector<std::string_view> empties{"", "", "a"};
    const std::vector<lcs::Pair> both = lcs::pairs(empties, 1.0);
    ASSERT_EQ(both.size(), 1U);
    EXPECT_EQ(both[0].choice, 1U);
    EXPECT_TRUE(lcs::pairs(strings, 1.5).empty());
}

// The count bound and its 64-bucket screen, run on strings whose symbols
// fold into the same buckets (bytes 64 apart) and on strings whose counts
// just reach the threshold: every qualifying pair is still found.
TEST(Pairs, TheCountBoundNeverDropsAQualifyingPair) {
    std::mt19937 rng(99);
    const std::string folding{'a', static_cast<char>('a' + 64), 'b', static_cast<char>('b' + 64), 'c'};
    for (const double t : {0.5, 0.7, 0.8, 0.95}) {
        const auto strings = alike_strings(rng, 150, 40, folding);
        expect_same_pairs(oracle_pairs(strings, nullptr, t), lcs::pairs(views(strings), t, 2));
    }
    // Anagrams: the counts allow every pair, the order does not.
    std::vector<std::string> anagrams;
    std::string base = "abcdefghij";
    for (int i = 0; i < 60; ++i) {
        std::shuffle(base.begin(), base.end(), rng);
        anagrams.push_back(base);
    }
    expect_same_pairs(oracle_pairs(anagrams, nullptr, 0.6), lcs::pairs(views(anagrams), 0.6));
}

TEST(Pairs, StreamsBlocksInOrderAndStopsOnRequest) {
    std::mt19937 rng(3);
    const auto strings = alike_strings(rng, 3000, 12, "abcdef");
    const auto v = views(strings);
    std::size_t calls = 0;
    std::vector<lcs::Pair> all;
    lcs::pairs(v, 0.8, [&](const lcs::Pair* p, std::size_t n) {
        ++calls;
        all.insert(all.end(), p, p + n);
    }, 2);
    EXPECT_GT(calls, 1U);
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](const lcs::Pair& x, const lcs::Pair& y) {
        return x.query != y.query ? x.query < y.query : x.choice < y.choice;
    }));
    EXPECT_EQ(all.size(), lcs::pairs(v, 0.8, 1).size());

    for (const unsigned threads : {1U, 2U}) {
        lcs::Stop stop;
        std::size_t seen = 0;
        EXPECT_THROW(lcs::pairs(v, 0.8, [&](const lcs::Pair*, std::size_t) {
            if (++seen == 2) stop.request();
        }, threads, &stop), lcs::Stopped);
        stop.set_deadline(std::chrono::steady_clock::now());
        EXPECT_THROW(lcs::matrix(v, v, threads, &stop), lcs::Stopped);
    }
    // A sink that throws ends the run with its exception.
    EXPECT_THROW(lcs::pairs(v, 0.8, [](const lcs::Pair*, std::size_t) { throw std::runtime_error("full"); }, 2),
                 std::runtime_error);
}

TEST(Extract, BestFirstTiesInInputOrder) {
    const std::vector<std::string_view> choices{"kitten", "sitting", "kitten", "", "mitten", "k"};
    const lcs::Pattern query("kitten");
    const std::vector<lcs::Match> best = lcs::extract(query, choices, 3);
    ASSERT_EQ(best.size(), 3U);
    EXPECT_EQ(best[0].index, 0U);
    EXPECT_EQ(best[1].index, 2U);
    EXPECT_EQ(best[2].index, 4U);
    EXPECT_EQ(best[2].length, 5);
    EXPECT_DOUBLE_EQ(best[2].similarity, 5.0 / 6.0);
    EXPECT_EQ(lcs::extract(query, choices, 10, 0.9).size(), 2U);
    EXPECT_EQ(lcs::extract(query, choices, 10).size(), choices.size());
    EXPECT_TRUE(lcs::extract(query, choices, 0).empty());
    // The empty query ranks the empty choice first (1.0).
    const std::vector<lcs::Match> empty = lcs::extract(lcs::Pattern(""), choices, 1);
    ASSERT_EQ(empty.size(), 1U);
    EXPECT_EQ(empty[0].index, 3U);
}

TEST(Extract, AgreesWithSortingEveryScore) {
    std::mt19937 rng(5);
    // Three runs of the lanes, cut into parts for up to three threads.
    const auto choices = random_strings(rng, 140000, 0, 20, "abcd");
    const std::string query = "abcdabcdab";
    std::vector<std::size_t> order(choices.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    const auto similarity = [&](std::size_t i) {
        const std::size_t longer = std::max(query.size(), choices[i].size());
        return double(lcs::reference::reference_lcs(query, choices[i])) / double(longer);
    };
    std::vector<double> sims(choices.size());
    for (std::size_t i = 0; i < sims.size(); ++i) sims[i] = similarity(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return sims[x] > sims[y]; });
    for (const unsigned threads : {1U, 2U, 3U}) {
        const auto best = lcs::extract(lcs::Pattern(query), views(choices), 25, 0.0, threads);
        ASSERT_EQ(best.size(), 25U);
        for (std::size_t i = 0; i < best.size(); ++i) {
            EXPECT_EQ(best[i].index, order[i]) << i << ", " << threads << " threads";
        }
    }
    // The same choices given in runs (an empty one among them), the bar
    // carried from run to run, give the same best.
    const std::vector<std::string_view> all = views(choices);
    for (const std::vector<std::size_t>& runs :
         {std::vector<std::size_t>{1, 69999, 0, 70000}, std::vector<std::size_t>{33333, 106667}}) {
        lcs::Extraction extraction(25);
        std::size_t from = 0;
        for (const std::size_t size : runs) {
            extraction.add(lcs::Pattern(query),
                           std::vector<std::string_view>(all.begin() + std::ptrdiff_t(from),
                                                         all.begin() + std::ptrdiff_t(from + size)),
                           2);
            from += size;
        }
        const auto best = extraction.best();
        ASSERT_EQ(best.size(), 25U);
        for (std::size_t i = 0; i < best.size(); ++i) EXPECT_EQ(best[i].index, order[i]) << i;
    }
}

}  // namespace
