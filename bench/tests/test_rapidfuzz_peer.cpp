// The toolkit benchmark's peer answers the questions we race it on: its
// dense many-string scores are the LCS of each pair, and the pairs it keeps
// are those at or above the threshold, each unordered pair once.
#include <gtest/gtest.h>

#include <random>

#include "inputs.h"
#include "rapidfuzz_peer.h"
#include "reference/oracles.h"

namespace {

namespace peer = bench::rapidfuzz_peer;
using lcs::reference::reference_lcs;

class RapidfuzzPeer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!peer::available()) GTEST_SKIP() << "rapidfuzz-cpp is not built in";
    }
};

TEST_F(RapidfuzzPeer, MatrixIsTheLcsOfEveryPairAtEveryLaneWidth) {
    // Longest strings of each lane width the peer picks, and empty ones.
    for (std::size_t longest : {8, 16, 32, 64}) {
        const std::vector<std::string> queries = bench::random_texts(longest, 7, 0, longest, 4);
        const std::vector<std::string> choices = bench::random_texts(longest + 1, 37, 0, longest, 4);
        const std::vector<std::int32_t> got = peer::matrix(
            std::vector<std::string_view>(queries.begin(), queries.end()),
            std::vector<std::string_view>(choices.begin(), choices.end()));
        ASSERT_EQ(got.size(), queries.size() * choices.size());
        for (std::size_t q = 0; q < queries.size(); ++q) {
            for (std::size_t c = 0; c < choices.size(); ++c) {
                EXPECT_EQ(got[q * choices.size() + c], reference_lcs(queries[q], choices[c]))
                    << "longest " << longest << ", query " << q << ", choice " << c;
            }
        }
    }
    const std::string too_long(65, 'a');
    EXPECT_THROW(peer::matrix({too_long}, {"a"}), std::invalid_argument);
}

TEST_F(RapidfuzzPeer, DensePairsKeepEachPairAtOrAboveTheThresholdOnce) {
    // Alike words, so that many pairs lie near the threshold; "abcd" and
    // "abce" are exactly at 0.75.
    std::vector<std::string> words{"abcd", "abce", "abcd", ""};
    const std::vector<std::string> more = bench::random_texts(3, 60, 3, 8, 4);
    words.insert(words.end(), more.begin(), more.end());
    const std::vector<std::string_view> views(words.begin(), words.end());
    for (double threshold : {0.75, 0.8}) {
        std::vector<peer::Pair> expected;
        for (std::size_t i = 0; i < words.size(); ++i) {
            for (std::size_t j = i + 1; j < words.size(); ++j) {
                const std::int32_t length = reference_lcs(words[i], words[j]);
                const double longer = static_cast<double>(std::max(words[i].size(), words[j].size()));
                if ((longer == 0 ? 1.0 : length / longer) >= threshold)
                    expected.push_back({i, j, length});
            }
        }
        const std::vector<peer::Pair> got = peer::dense_pairs(views, threshold);
        ASSERT_EQ(got.size(), expected.size()) << threshold;
        for (std::size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].query, expected[k].query);
            EXPECT_EQ(got[k].choice, expected[k].choice);
            EXPECT_EQ(got[k].length, expected[k].length);
        }
        EXPECT_EQ(got.front().choice, threshold == 0.75 ? 1u : 2u)
            << "the pair exactly at 0.75 is kept, and dropped at 0.8";
    }
}

}  // namespace
