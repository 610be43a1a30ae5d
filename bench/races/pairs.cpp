// Near-duplicates inside a word list: lcs::pairs at 0.8 against the pairs
// filtered from MultiLCSseq's dense scores over the same words, compared
// pair by pair; on a sample, and (full runs) on the whole list.
#include <unistd.h>

#include <fstream>

#include <lcs/lcs.h>

#include "process.h"
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

// The lines that a run of lcs-pairs printed: one a pair.
std::size_t lines_in(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines;
}

// lcs-pairs over the whole list on 1 thread: its throughput against
// lcs::pairs on the same words in memory (it must print as many pairs), and
// its peak memory beyond the list's own size.
void pairs_program(Report& report, const Setting& setting, const std::vector<std::string>& words) {
    const std::string throughput = "`lcs-pairs --threads 1` over " + std::to_string(words.size()) +
                                   " words of " + setting.words_file + " at " + number(kThreshold, "") +
                                   ": throughput vs `lcs::pairs` (1 thread) in memory";
    const std::string memory = "`lcs-pairs` over " + std::to_string(words.size()) + " words of " +
                               setting.words_file +
                               ": peak resident memory beyond the list's size";
    if (access(setting.pairs_program.c_str(), X_OK) != 0) {
        const std::string why = "no program at " + setting.pairs_program;
        report.add({"many against many", throughput, why, kNotMeasured, Relation::at_least, 0.5});
        report.add({"many against many", memory, why, kNotMeasured, Relation::under, 64, " MiB"});
        return;
    }
    ScratchFolder scratch;
    const std::string list = scratch.file("words.txt"), printed = scratch.file("printed.txt");
    write_lines(list, words, 1);
    const Views views = views_of(words);
    const std::vector<std::string> argv{setting.pairs_program, "--threads", "1", "-m",
                                        number(kThreshold, ""), list};
    std::vector<double> t;
    try {
        t = race("lcs-pairs over " + setting.words_file,
                 {{"lcs::pairs",
                   [&] { return Lengths{static_cast<std::int32_t>(lcs::pairs(views, kThreshold, 1).size())}; }},
                  {"lcs-pairs --threads 1",
                   [&] {
                       const ChildRun child = run_program(argv, printed);
                       // grep's statuses: 0 some pair printed, 1 none.
                       if (child.exit_status > 1) {
                           throw std::runtime_error("lcs-pairs failed (exit status " +
                                                    std::to_string(child.exit_status) + ")");
                       }
                       return Lengths{static_cast<std::int32_t>(lines_in(printed))};
                   }}},
                 Rounds{2, 0});
    } catch (const NotBuilt& missing) {
        report.add_skipped("many against many", {throughput, memory}, missing.what());
        return;
    }
    report.add_ratio("many against many", throughput,
                     "lcs-pairs " + duration(t[1]) + ", lcs::pairs " + duration(t[0]), t[0] / t[1],
                     Relation::at_least, 0.5, t[1]);
    ChildRun run;
    const double peak = program_peak_bytes(setting.peak_launcher, argv, scratch, run);
    double list_bytes = 0;
    for (const std::string& word : words) list_bytes += static_cast<double>(word.size() + 1);
    report.add({"many against many", memory,
                "peak " + mebibytes(peak) + ", the list " + mebibytes(list_bytes),
                (peak - list_bytes) / kMiB, Relation::under, 64, " MiB"});
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
    const std::vector<std::string> sample = evenly_spread(words, setting.sizes.words_sample);
    pairs_of(report, sample, "a sample of " + setting.words_file, setting.sizes.rounds);
    if (!setting.sizes.quick) pairs_of(report, words, setting.words_file, Rounds{1, 0});
    // Quick runs time the program on the sample alone.
    pairs_program(report, setting, setting.sizes.quick ? sample : words);
}

}  // namespace bench
