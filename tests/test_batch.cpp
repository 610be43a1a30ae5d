// lcs::lengths, one query against many choices, against the oracle: lane
// widths and word edges of the query, choices of mixed length across group
// boundaries, bytes and 32-bit symbols in every mix, every lane path, and
// thread counts that must not change a result.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <random>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <string>
#include <vector>

#include "lcs/lcs.h"
#include "reference/oracles.h"
#include "reference/sequences.h"
#include "kernel/lanes.h"
#include "toolkit/batch.h"
#include "toolkit/threads.h"

namespace {

using lcs::kernel::Isa;
using lcs::kernel::Paths;

std::vector<Isa> available_paths() {
    std::vector<Isa> paths;
    for (const Isa path : {Isa::plain, Isa::avx2, Isa::avx512}) {
        if (lcs::kernel::lane_isa_available(path)) paths.push_back(path);
    }
    return paths;
}

std::u32string widened(std::string_view bytes) {
    std::u32string symbols;
    for (const char c : bytes) symbols.push_back(static_cast<unsigned char>(c));
    return symbols;
}

std::string all_bytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

std::vector<std::string> random_choices(std::mt19937& rng, std::size_t count, std::size_t longest,
                                        const std::string& alphabet) {
    std::uniform_int_distribution<std::size_t> length(0, longest);
    std::vector<std::string> choices;
    for (std::size_t i = 0; i < count; ++i) {
        choices.push_back(lcs::reference::random_string(rng, length(rng), alphabet));
    }
    return choices;
}

struct Batch {
    std::size_t query_length;
    std::size_t choices;
    std::size_t longest_choice;
    std::string alphabet;
};

// Query lengths at each lane width's edge (16, 32, 64) and past one word;
// counts below, at and past a group of lanes; choice lengths up to 150.
const Batch kBatches[] = {
    {0, 9, 20, "ab"},
    {1, 1, 3, "ab"},
    {5, 0, 10, "abc"},
    {8, 33, 12, "acgt"},
    {15, 31, 40, "ab"},
    {16, 65, 150, "abcdefghijklmnopqrstuvwxyz"},
    {17, 17, 40, "acgt"},
    {31, 100, 70, "ab"},
    {32, 47, 150, "abcdefghijklmnopqrstuvwxyz"},
    {33, 9, 90, "acgt"},
    {63, 70, 150, "ab"},
    {64, 41, 150, "abcdefghijklmnopqrstuvwxyz"},
    {64, 20, 80, all_bytes()},
    {40, 30, 60, all_bytes()},
    {65, 12, 150, "acgt"},
    {150, 10, 150, "abcdefghijklmnopqrstuvwxyz"},
};

TEST(Batch, BytesOnEveryPathMatchTheOracle) {
    std::mt19937 rng(12);
    for (const Batch& batch : kBatches) {
        const std::string query =
            lcs::reference::random_string(rng, batch.query_length, batch.alphabet);
        const auto choices =
            random_choices(rng, batch.choices, batch.longest_choice, batch.alphabet);
        const std::vector<std::string_view> views(choices.begin(), choices.end());
        std::vector<std::int32_t> expected;
        for (const std::string& choice : choices)
            expected.push_back(lcs::reference::reference_lcs(query, choice));
        const lcs::Pattern pattern(query);
        for (const Isa path : available_paths()) {
            EXPECT_EQ(lcs::detail::lengths(pattern, views, 1, Paths{path}), expected)
                << "query " << batch.query_length << ", path " << static_cast<int>(path);
        }
    }
}

struct LengthBand {
    std::size_t query_length;
    std::size_t shortest, longest;  // of the choices
    std::size_t choices;
    std::string alphabet;
};

// The lanes read a group's choices by its shortest: under four bytes, under
// sixteen, and sixteen or more, whole or not, in reads of 32. Query lengths
// at the edges of one, two, four, eight and sixteen limbs of 8 bits and
// past them; choices of one band of lengths, so that a group's shortest
// choice is what the band says.
const LengthBand kLengthBands[] = {
    {8, 0, 5, 40, "ab"},
    {9, 3, 9, 70, "abc"},
    {16, 4, 17, 65, all_bytes()},
    {17, 15, 33, 64, "acgt"},
    {32, 16, 16, 33, all_bytes()},
    {33, 16, 48, 100, "abcdefghijklmnopqrstuvwxyz"},
    {48, 31, 33, 40, "ab"},
    {64, 32, 100, 64, all_bytes()},
    {65, 0, 40, 70, "acgt"},
    {100, 16, 140, 50, all_bytes()},
    {128, 60, 130, 33, "ab"},
    {129, 100, 140, 9, "abcdefghijklmnopqrstuvwxyz"},
    {512, 400, 600, 5, "acgt"},
};

TEST(Batch, ChoicesOfOneBandOfLengthsOnEveryPath) {
    std::mt19937 rng(15);
    for (const LengthBand& band : kLengthBands) {
        const std::string query =
            lcs::reference::random_string(rng, band.query_length, band.alphabet);
        std::uniform_int_distribution<std::size_t> length(band.shortest, band.longest);
        std::vector<std::string> choices;
        std::vector<std::int32_t> expected;
        for (std::size_t i = 0; i < band.choices; ++i) {
            choices.push_back(lcs::reference::random_string(rng, length(rng), band.alphabet));
            expected.push_back(lcs::reference::reference_lcs(query, choices.back()));
        }
        const std::vector<std::string_view> views(choices.begin(), choices.end());
        const lcs::Pattern pattern(query);
        for (const Isa path : available_paths()) {
            EXPECT_EQ(lcs::detail::lengths(pattern, views, 1, Paths{path}), expected)
                << "query " << band.query_length << ", choices of " << band.shortest << " to "
                << band.longest << ", path " << static_cast<int>(path);
        }
    }
}

// Queries and choices of one symbol with a rare other: V keeps long runs
// of ones, so a match low in a limb carries out of its top bit and on
// through the next limbs, whether or not the top bit matches, across every
// limb a query of this length takes.
TEST(Batch, CarriesThroughEveryLimbOnEveryPath) {
    std::mt19937 rng(16);
    for (const std::size_t query_length : {8, 9, 16, 24, 32, 40, 57, 64, 65, 128}) {
        const std::string query = lcs::reference::random_string(rng, query_length, "aaaaaaab");
        std::uniform_int_distribution<std::size_t> length(0, 2 * query_length);
        std::vector<std::string> choices;
        std::vector<std::int32_t> expected;
        for (std::size_t i = 0; i < 70; ++i) {
            choices.push_back(lcs::reference::random_string(rng, length(rng), "aaaaaaaaab"));
            expected.push_back(lcs::reference::reference_lcs(query, choices.back()));
        }
        const std::vector<std::string_view> views(choices.begin(), choices.end());
        const lcs::Pattern pattern(query);
        for (const Isa path : available_paths()) {
            EXPECT_EQ(lcs::detail::lengths(pattern, views, 1, Paths{path}), expected)
                << "query " << query_length << ", path " << static_cast<int>(path);
        }
    }
}

// Symbols above a byte, up to the largest, beside bytes; a byte query or a
// byte choice reads byte b as symbol b.
TEST(Batch, SymbolsAndMixedWidthsOnEveryPathMatchTheOracle) {
    const std::u32string alphabet = {U'a', 0, 255, 256, 0x10FFFF, 0xFFFFFFFF, 0x12345678};
    std::mt19937 rng(13);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), length(0, 90);
    const auto symbols = [&](std::size_t count) {
        std::u32string text;
        while (text.size() < count) text.push_back(alphabet[pick(rng)]);
        return text;
    };
    for (const std::size_t query_length : {3, 16, 29, 64, 70}) {
        const std::u32string query = symbols(query_length);
        const std::string byte_query = lcs::reference::random_string(rng, query_length, "a\xff");
        std::vector<std::u32string> choices;
        std::vector<std::string> byte_choices;
        for (int i = 0; i < 40; ++i) {
            choices.push_back(symbols(length(rng)));
            byte_choices.push_back(
                lcs::reference::random_string(rng, length(rng), std::string("a\0\xff", 3)));
        }
        const std::vector<std::u32string_view> views(choices.begin(), choices.end());
        const std::vector<std::string_view> byte_views(byte_choices.begin(), byte_choices.end());
        std::vector<std::int32_t> symbol_expected, byte_choice_expected, byte_query_expected;
        for (std::size_t i = 0; i < choices.size(); ++i) {
            symbol_expected.push_back(lcs::reference::reference_lcs(query, choices[i]));
            byte_choice_expected.push_back(
                lcs::reference::reference_lcs(query, widened(byte_choices[i])));
            byte_query_expected.push_back(
                lcs::reference::reference_lcs(widened(byte_query), choices[i]));
        }
        const lcs::Pattern pattern(query), byte_pattern(byte_query);
        for (const Isa path : available_paths()) {
            SCOPED_TRACE("query " + std::to_string(query_length) + ", path " +
                         std::to_string(static_cast<int>(path)));
            EXPECT_EQ(lcs::detail::lengths(pattern, views, 1, Paths{path}), symbol_expected);
            EXPECT_EQ(lcs::detail::lengths(pattern, byte_views, 1, Paths{path}), byte_choice_expected);
            EXPECT_EQ(lcs::detail::lengths(byte_pattern, views, 1, Paths{path}), byte_query_expected);
        }
    }
}

// In the Threads suite, which CI also runs under ThreadSanitizer.
TEST(Threads, BatchGivesTheSameResultInOrderOnAnyThreadCount) {
    std::mt19937 rng(14);
    for (const std::size_t query_length : {12, 100}) {
        const std::string query = lcs::reference::random_string(rng, query_length, "abcd");
        const auto choices = random_choices(rng, query_length < 64 ? 30011 : 3001, 40, "abcd");
        const std::vector<std::string_view> views(choices.begin(), choices.end());
        const lcs::Pattern pattern(query);
        const std::vector<std::int32_t> one = lcs::lengths(pattern, views, 1);
        for (std::size_t i = 0; i < choices.size(); i += 997) {
            EXPECT_EQ(one[i], lcs::reference::reference_lcs(query, choices[i]));
        }
        for (const unsigned threads : {2U, 7U, 0U})
            EXPECT_EQ(lcs::lengths(pattern, views, threads), one);
    }
}

// The threads take the choices in chunks and check each chunk's lengths
// before they read it: an over-long choice far into the list is refused
// on any thread count, and its bytes (past a buffer of four) are never read.
TEST(Threads, OverLongChoiceInALaterChunkIsRefusedUnread) {
    std::mt19937 rng(17);
    const auto choices = random_choices(rng, 40000, 40, "abcd");
    std::vector<std::string_view> views(choices.begin(), choices.end());
    const char buffer[4] = {'a', 'b', 'c', 'd'};
    views[35000] = std::string_view(buffer, static_cast<std::size_t>(lcs::kMaxLength) + 1);
    const lcs::Pattern pattern("abcdabcdabcd");
    for (const unsigned threads : {1U, 2U, 7U}) {
        EXPECT_THROW(lcs::lengths(pattern, views, threads), std::length_error) << threads;
    }
}

// Starters of worker threads that the system refuses: none at all, or
// every one after the first.
std::atomic<int> starts_allowed{0};

std::thread start_while_allowed(std::function<void()> work) {
    if (starts_allowed.fetch_sub(1) > 0) return std::thread(std::move(work));
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

// The starter replaced for one scope.
class RefusedThreads {
public:
    explicit RefusedThreads(int allowed) {
        starts_allowed = allowed;
        previous_ = lcs::detail::set_thread_starter(start_while_allowed);
    }
    ~RefusedThreads() { lcs::detail::set_thread_starter(previous_); }
    RefusedThreads(const RefusedThreads&) = delete;
    RefusedThreads& operator=(const RefusedThreads&) = delete;

private:
    lcs::detail::ThreadStarter previous_;
};

// Threads that cannot start never end the process: the batch and the
// alignment finish on the threads that did, with the same results.
TEST(Threads, WorkersThatCannotStartLeaveTheWorkToTheOthers) {
    std::mt19937 rng(20);
    const std::string query = lcs::reference::random_string(rng, 20, "abcd");
    const auto choices = random_choices(rng, 20000, 40, "abcd");
    const std::vector<std::string_view> views(choices.begin(), choices.end());
    const lcs::Pattern pattern(query);
    const std::vector<std::int32_t> lengths = lcs::lengths(pattern, views, 1);
    const std::string a = lcs::reference::random_string(rng, 6000, "acgt");
    const std::string b = lcs::reference::random_string(rng, 6000, "acgt");
    const lcs::Alignment alignment = lcs::align(a, b, 1);
    for (const int allowed : {0, 1}) {
        const RefusedThreads refused(allowed);
        EXPECT_EQ(lcs::lengths(pattern, views, 8), lengths) << allowed << " threads allowed";
        const lcs::Alignment threaded = lcs::align(a, b, 4);
        EXPECT_EQ(threaded.length, alignment.length) << allowed << " threads allowed";
        EXPECT_EQ(threaded.runs.size(), alignment.runs.size()) << allowed << " threads allowed";
        EXPECT_LT(starts_allowed.load(), 0) << "no start was refused";
    }
}

}  // namespace
