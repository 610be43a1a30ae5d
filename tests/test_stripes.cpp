// One pair on several threads (kernel/stripes.cpp): stripes, batches and
// block paths forced, against the oracle and against the one-thread blocks,
// with lengths around the words, the blocks and the batches; lcs::length and
// lcs::align on 1, 2, 3 and 7 threads; the stop request in every layout
// (tests/test_kernel.cpp stops lcs::length and lcs::align in stripes from
// another thread). Run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <lcs/lcs.h>
#include "kernel/blocks.h"
#include "kernel/kernel.h"
#include "kernel/pattern.h"
#include "kernel/stripes.h"
#include "reference/alignment_check.h"
#include "reference/oracles.h"
#include "reference/sequences.h"

namespace {

using lcs::kernel::Coded;
using lcs::kernel::Isa;
using lcs::kernel::StripeLayout;
using lcs::kernel::Word;
using lcs::reference::mutated;
using lcs::reference::random_string;
using lcs::reference::reference_lcs;

// X prepared and Y coded under X's codes, as the kernel runs them.
class CodedPair {
public:
    CodedPair(const std::string& x, const std::string& y) : x_(x) {
        for (const char symbol : y) y_codes_.push_back(x_.code(static_cast<unsigned char>(symbol)));
    }
    Coded coded() const {
        return {x_.codes(), x_.size(), x_.distinct(), y_codes_.data(), y_codes_.size(),
                x_.match_row(0)};
    }
    std::size_t words() const { return x_.words(); }

private:
    lcs::detail::PatternData x_;
    std::vector<lcs::kernel::Code> y_codes_;
};

// The widest block of each block path this processor runs.
std::vector<std::size_t> every_widest_block(const Coded& c) {
    std::vector<std::size_t> widest;
    for (const Isa isa : {Isa::plain, Isa::avx2, Isa::avx512}) {
        if (!lcs::kernel::isa_available(isa)) continue;
        const lcs::kernel::BlockRun run(c, isa);
        if (std::find(widest.begin(), widest.end(), run.widest_block()) == widest.end()) {
            widest.push_back(run.widest_block());
        }
    }
    return widest;
}

lcs::kernel::Isa isa_of_widest(std::size_t widest) {
    if (widest == lcs::kernel::kVectorBlock) return Isa::avx512;
    return widest == lcs::kernel::kAvx2Block ? Isa::avx2 : Isa::plain;
}

// The striped pass in every layout given, on every block path, gives the
// oracle's length and the one-thread blocks' final row.
void expect_every_layout(const std::string& x, const std::string& y,
                         const std::vector<StripeLayout>& layouts) {
    const CodedPair pair(x, y);
    const Coded c = pair.coded();
    const auto expected = static_cast<std::size_t>(reference_lcs(x, y));
    // Rows kept on the way, around the batches' edges: each must be the
    // final row of the rows above it.
    lcs::kernel::Snapshots kept;
    for (const std::size_t row : {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{65},
                                  y.size() / 2, y.size() - 1}) {
        if (row >= 1 && row < y.size() && (kept.rows.empty() || row > kept.rows.back())) {
            kept.rows.push_back(row);
        }
    }
    for (const std::size_t widest : every_widest_block(c)) {
        lcs::kernel::BlockRun one(c, isa_of_widest(widest));
        std::vector<Word> one_row(pair.words());
        lcs::kernel::Snapshots one_kept = kept;
        ASSERT_EQ(one.full(one_row.data(), &one_kept), expected);
        for (std::size_t k = 0; k < kept.rows.size(); ++k) {
            const CodedPair above(x, y.substr(0, kept.rows[k]));
            const Coded upper = above.coded();
            std::vector<Word> final_row(pair.words());
            lcs::kernel::BlockRun(upper, isa_of_widest(widest)).full(final_row.data());
            ASSERT_EQ(one_kept.vectors[k], final_row)
                << "widest " << widest << ", row " << kept.rows[k];
        }
        for (const StripeLayout& layout : layouts) {
            std::vector<Word> row(pair.words());
            lcs::kernel::Snapshots striped_kept = kept;
            striped_kept.vectors.assign(kept.rows.size(), std::vector<Word>(pair.words(), ~Word{0}));
            ASSERT_EQ(lcs::kernel::striped_full(c, widest, layout, nullptr, row.data(), &striped_kept),
                      expected)
                << "widest " << widest << ", stripes " << layout.stripes << ", batch "
                << layout.batch_rows << ", lengths " << x.size() << " and " << y.size();
            ASSERT_EQ(row, one_row) << "widest " << widest << ", stripes " << layout.stripes;
            ASSERT_EQ(striped_kept.vectors, one_kept.vectors)
                << "widest " << widest << ", stripes " << layout.stripes << ", batch "
                << layout.batch_rows;
        }
    }
}

std::vector<StripeLayout> layouts_of(std::initializer_list<std::size_t> batches) {
    std::vector<StripeLayout> layouts;
    for (const unsigned stripes : {1U, 2U, 3U, 7U}) {
        for (const std::size_t batch : batches) layouts.push_back({stripes, batch});
    }
    return layouts;
}

// X across the plain blocks' and the vector blocks' edges (8 and 32 words),
// Y across batches of 64 rows.
TEST(Stripes, RandomAlikeAndEqualPairsInEveryLayout) {
    std::mt19937 rng(24);
    const auto layouts = layouts_of({1, 63, 64, 4096});
    const std::size_t x_lengths[] = {64 * 8 * 7 - 1, 64 * 8 * 7 + 1, 2048 * 3, 2048 * 7 + 65};
    const std::size_t y_lengths[] = {1, 63, 64, 65, 64 * 5 + 1};
    for (const std::size_t n : x_lengths) {
        for (const std::size_t m : y_lengths) {
            const std::string alphabet = (n + m) % 2 == 0 ? "ACGT" : "abcdefghijklmnopqrstuvwxyz";
            const std::string x = random_string(rng, n, alphabet);
            expect_every_layout(x, random_string(rng, m, alphabet), layouts);
            expect_every_layout(x, mutated(rng, x.substr(0, m), 10, alphabet), layouts);
            expect_every_layout(x.substr(0, m), x.substr(0, m), layouts);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(Stripes, LongYOverManyBatches) {
    std::mt19937 rng(7);
    const std::string x = random_string(rng, 2048 * 4, "ACGT");
    const std::string y = random_string(rng, 3000, "ACGT");
    expect_every_layout(x, y, layouts_of({64, 100, 512, 2999, 3000}));
    expect_every_layout(x, mutated(rng, x.substr(1000, 3000), 5, "ACGT"), layouts_of({64, 100}));
}

std::u32string widened(const std::string& text) {
    std::u32string wide;
    for (const char c : text) wide.push_back(static_cast<unsigned char>(c) + 0x10000);
    return wide;
}

// Long enough that two or more threads pay, so that the public entry runs
// the stripes on any machine with two hardware threads.
TEST(Stripes, LengthGivesOneThreadsResultOnAnyThreadCount) {
    std::mt19937 rng(3);
    const std::string a = random_string(rng, 25000, "ACGT");
    const std::string random_b = random_string(rng, 25000, "ACGT");
    const std::string alike_b = mutated(rng, a, 30, "ACGT");
    for (const std::string* b : {&random_b, &alike_b}) {
        const std::int32_t expected = lcs::length(a, *b, 1);
        for (const unsigned threads : {0U, 2U, 3U, 7U}) {
            EXPECT_EQ(lcs::length(a, *b, threads), expected) << threads;
            EXPECT_EQ(lcs::length(widened(a), widened(*b), threads), expected) << threads;
        }
    }
}

// Pieces long enough that a pass runs in stripes where two hardware threads
// are left to each of the two passes of a split.
TEST(Stripes, AlignGivesOneThreadsRunsOnAnyThreadCount) {
    std::mt19937 rng(17);
    const std::string a = random_string(rng, 34000, "ACGT");
    const std::string b = random_string(rng, 34000, "ACGT");
    const lcs::Alignment one = lcs::align(a, b, 1);
    EXPECT_EQ(lcs::reference::alignment_fault<char>(a, b, one, lcs::length(a, b)), "");
    for (const unsigned threads : {0U, 4U, 7U}) {
        const lcs::Alignment many = lcs::align(a, b, threads);
        EXPECT_EQ(many.length, one.length) << threads;
        EXPECT_TRUE(std::equal(many.runs.begin(), many.runs.end(), one.runs.begin(),
                               one.runs.end(), [](const lcs::Run& x, const lcs::Run& y) {
                                   return x.edit == y.edit && x.a_pos == y.a_pos &&
                                          x.b_pos == y.b_pos && x.count == y.count;
                               }))
            << threads;
    }
}

TEST(Stripes, LayoutIsOneStripeWhereThreadsDoNotPay) {
    std::mt19937 rng(5);
    const std::string x = random_string(rng, 64 * 64, "ACGT");
    const CodedPair short_pair(x, random_string(rng, 100, "ACGT"));
    const CodedPair long_pair(x, random_string(rng, 1 << 20, "ACGT"));
    const std::size_t widest = lcs::kernel::kWideBlock;
    EXPECT_EQ(lcs::kernel::stripe_layout(short_pair.coded(), widest, 2).stripes, 1U);
    EXPECT_EQ(lcs::kernel::stripe_layout(long_pair.coded(), widest, 1).stripes, 1U);
    const StripeLayout every = lcs::kernel::stripe_layout(long_pair.coded(), widest, 0);
    EXPECT_EQ(every.stripes, std::min(8U, std::max(1U, std::thread::hardware_concurrency())));
    EXPECT_GE(every.batch_rows, 256U);
    EXPECT_LE(every.batch_rows, 16384U);
}

TEST(Stripes, StopRequestedEndsTheRun) {
    std::mt19937 rng(11);
    const std::string x = random_string(rng, 2048 * 4, "ACGT");
    const CodedPair pair(x, random_string(rng, 5000, "ACGT"));
    const Coded c = pair.coded();
    for (const unsigned stripes : {1U, 2U, 3U}) {
        lcs::Stop stop;
        stop.request();
        EXPECT_THROW(lcs::kernel::striped_full(c, lcs::kernel::kWideBlock, {stripes, 64}, &stop),
                     lcs::Stopped);
        lcs::Stop past;
        past.set_deadline(std::chrono::steady_clock::now());
        EXPECT_THROW(lcs::kernel::striped_full(c, lcs::kernel::kWideBlock, {stripes, 64}, &past),
                     lcs::Stopped);
        const lcs::Stop never;
        EXPECT_EQ(lcs::kernel::striped_full(c, lcs::kernel::kWideBlock, {stripes, 64}, &never),
                  lcs::kernel::BlockRun(c, lcs::kernel::Isa::plain).full());
    }
}

}  // namespace
