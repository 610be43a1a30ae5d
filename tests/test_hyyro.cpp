// Hyyro_Alg: the edges of its words and blocks, both kernels, the choice of
// the packed sequence, bands started narrow and wide (the band's own cases
// are in tests/test_kernel.cpp).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "routines/detail/hyyro.h"
#include <lcs/routines.h>
#include "reference/oracles.h"
#include "reference/sequences.h"

namespace {

using lcs::detail::hyyro_lcs;
using lcs::kernel::Isa;
using lcs::kernel::Paths;
using lcs::reference::reference_lcs;
using lcs::reference::Sequence;

struct NamedPaths {
    const char* name;
    Paths paths;
};

// Every way through the routine: each kernel, full or banded, the band
// starting as narrow as it can so that it must widen, or wide enough that
// the first band alone must give the result (a half-width of 90 fits the
// four-word window, 110 does not).
std::vector<NamedPaths> every_path() {
    std::vector<NamedPaths> all;
    for (const Isa isa : {Isa::plain, Isa::avx512}) {
        if (!lcs::kernel::isa_available(isa)) continue;
        const char* kernel = isa == Isa::avx512 ? "vector" : "plain";
        for (const std::int32_t band : {0, -1, 1, 16, 90, 110}) all.push_back({kernel, {isa, band}});
    }
    return all;
}

void expect_reference_on_every_path(const std::string& a, const std::string& b) {
    const Sequence sa(a, 'z'), sb(b, 'z');
    const std::int32_t expected = reference_lcs(a, b);
    for (const NamedPaths& path : every_path()) {
        ASSERT_EQ(hyyro_lcs(sa.data(), sb.data(), sa.length(), sb.length(), path.paths), expected)
            << path.name << " kernel, first band " << path.paths.first_band << ", lenA "
            << a.size() << ", lenB " << b.size();
    }
}

// Word edges (63 to 65, 127 to 129), the blocks of 8 words and the narrower
// blocks that finish a vector of 7 or 15 words.
const std::size_t kEdgeLengths[] = {1,   2,   63,  64,  65,  127, 128, 129, 255, 256, 257,
                                    448, 449, 511, 512, 513, 960, 961, 1023, 1024, 1025};

TEST(Hyyro, WordAndBlockEdgesOnEveryPath) {
    std::mt19937 rng(8);
    for (const std::size_t lenA : kEdgeLengths) {
        for (const std::size_t lenB : {std::size_t{1}, std::size_t{64}, lenA, lenA + 1}) {
            const std::string alphabet = lenA % 2 ? "ab" : "ACGT";
            const std::string a = lcs::reference::random_string(rng, lenA, alphabet);
            expect_reference_on_every_path(a, lcs::reference::random_string(rng, lenB, alphabet));
            expect_reference_on_every_path(a, lcs::reference::mutated(rng, a, 5, alphabet));
            if (HasFatalFailure()) return;
        }
    }
}

TEST(Hyyro, CarriesThatRunThroughWholeWordsAndBlocks) {
    // A run of one letter makes V a long run of ones that the next match
    // turns over in one carry from its lowest bit to its top.
    for (const std::size_t length : {std::size_t{64}, std::size_t{512}, std::size_t{1025}}) {
        const std::string run(length, 'a');
        expect_reference_on_every_path(run, run);
        expect_reference_on_every_path(run, "b" + run.substr(1) + "a");
        expect_reference_on_every_path("b" + run, run + "b");
        expect_reference_on_every_path(run + "b", "b" + std::string(length / 2, 'a'));
    }
}

TEST(Hyyro, PacksEitherSequence) {
    // Short against long packs the long one when that costs fewer words;
    // the result must not depend on which.
    std::mt19937 rng(81);
    for (const std::size_t shortLength : {std::size_t{1}, std::size_t{3}, std::size_t{70}}) {
        const std::string shortText = lcs::reference::random_string(rng, shortLength, "ACGT");
        const std::string longText = lcs::reference::random_string(rng, 3000, "ACGT");
        expect_reference_on_every_path(shortText, longText);
        expect_reference_on_every_path(longText, shortText);
    }
}

TEST(Hyyro, EveryByteValueOfThePackedSequence) {
    // 256 distinct bytes plus the code of the absent ones: 257 match rows.
    std::string all(256, '\0');
    for (int c = 0; c < 256; ++c) all[static_cast<std::size_t>(c)] = static_cast<char>(c);
    std::mt19937 rng(256);
    const std::string bytes = lcs::reference::random_string(rng, 700, all);
    expect_reference_on_every_path(all + bytes, bytes);
    expect_reference_on_every_path(bytes.substr(0, 300), all + all);
}

TEST(Hyyro, NegativeAndZeroLengths) {
    const Sequence a("abc"), b("abc");
    for (const NamedPaths& path : every_path()) {
        EXPECT_EQ(hyyro_lcs(a.data(), b.data(), -1, 3, path.paths), 0);
        EXPECT_EQ(hyyro_lcs(a.data(), b.data(), 3, 0, path.paths), 0);
        EXPECT_EQ(hyyro_lcs(a.data(), b.data(), 3, 3, path.paths), 3);
    }
}

}  // namespace
