// Near-duplicates inside a word list: lcs::pairs at 0.8 against the pairs
// filtered from MultiLCSseq's dense scores over the same words, compared
// pair by pair; on a sample, and (full runs) on the whole list.
#include <unistd.h>

#include <fstream>

#include <lcs/lcs.h>

#include "races/races.h"
#include "rapidfuzz_peer.h"

namespace bench {
namespace {

namespace peer = rapidfuzz_peer;

constexpr double kThreshold = 0.8;
// The peer's many-string scorer takes strings of at most this many bytes.
constexpr std::size_t kPeerLongest = 64;

std::vector<std::string> read_words(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> words;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() <= kPeerLongest) words.push_back(line);
    }
    return words;
}

// `count` words spread evenly over the list, in its order.
std::vector<std::string> evenly_spread(const std::vector<std::string>& words, std::size_t count) {
    if (count >= words.size()) return words;
    std::vector<std::string> sample;
    for (std::size_t k = 0; k < count; ++k) sample.push_back(words[k * words.size() / count]);
    return sample;
}

// The pairs as one list of numbers, for the race's check.
template <typename Pairs>
Lengths flattened(const Pairs& pairs) {
    Lengths out;
    for (const auto& p : pairs) {
        out.push_back(static_cast<std::int32_t>(p.query));
        out.push_back(static_cast<std::int32_t>(p.choice));
        out.push_back(p.length);
    }
    return out;
}

void pairs_of(Report& report, const std::vector<std::string>& words,
              const std::string& which, Rounds rounds) {
    const Views views = views_of(words);
    const std::string what = "`lcs::pairs` of " + which + " (" + std::to_string(words.size()) +
                             " words, as bytes) at " + number(kThreshold, "") +
                             ", 1 thread, vs `MultiLCSseq` dense scores filtered";
    std::size_t found = 0;
    std::vector<Entry> entries{{"lcs::pairs", [&] {
                                    const std::vector<lcs::Pair> kept =
                                        lcs::pairs(views, kThreshold, 1);
                                    found = kept.size();
                                    return flattened(kept);
                                }}};
    if (peer::available()) {
        entries.push_back(
            {"MultiLCSseq dense", [&] { return flattened(peer::dense_pairs(views, kThreshold)); }});
    }
    std::vector<double> t;
    try {
        t = race("pairs of " + which, entries, rounds);
    } catch (const NotBuilt& missing) {
        report.add_skipped("many against many", {what}, missing.what());
        return;
    }
    const double rf = peer_time(t, 1);
    report.add_ratio("many against many", what,
                     "ours " + duration(t[0]) + ", " + peer_figure(rf) + "; " +
                         std::to_string(found) + " pairs, equal",
                     rf / t[0], Relation::at_least, 10.0, t[0]);
}

}  // namespace

void pairs_races(Report& report, const Setting& setting) {
    if (access(setting.words_file.c_str(), R_OK) != 0) {
        report.add_skipped("many against many", {"`lcs::pairs` of a word list at 0.8"},
                           "no word list at " + setting.words_file +
                               " (Debian: apt-get install wamerican)");
        return;
    }
    const std::vector<std::string> words = read_words(setting.words_file);
    pairs_of(report, evenly_spread(words, setting.sizes.words_sample),
             "a sample of " + setting.words_file, setting.sizes.rounds);
    if (!setting.sizes.quick) pairs_of(report, words, setting.words_file, Rounds{1, 0});
}

}  // namespace bench
