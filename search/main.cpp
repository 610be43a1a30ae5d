// lcs-search: ranks the lines of files by their LCS similarity to a query,
// as one step of a pipeline: lines stream through in chunks (search/lines.h)
// and either every line of a chunk is printed as one lcs::lengths batch
// computes it on every core (--all), or lcs::extract gives the chunk's best K
// and a heap keeps the best K of all chunks (search/ranking.h). Memory stays
// bounded by a chunk and K lines. As grep
// does, a file that fails is reported and the others are searched; a bad
// option or output that cannot be written ends the run at once.
// Tests: tests/test_search.cpp.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <lcs/lcs.h>
#include "search/lines.h"
#include "search/options.h"
#include "search/output.h"
#include "search/ranking.h"
#include "search/units.h"
#include "support/grep_program.h"
#include "support/printing.h"
#include "support/status_line.h"

namespace {

using lcs::support::kFailed;
using lcs::support::kNonePrinted;
using lcs::support::kSomePrinted;

// On a terminal, once the input is large, standard error shows how many
// lines have been read; the line is cleared at the end. It is not drawn
// while results stream to a terminal, where it would land inside them.
class Progress {
public:
    static constexpr std::uint64_t kLargeInput = 1000000;

    explicit Progress(bool results_streamed_to_terminal) : line_(!results_streamed_to_terminal) {}
    void lines_read(std::uint64_t lines) {
        if (lines < kLargeInput) return;
        line_.show("lcs-search: %llu lines read", static_cast<unsigned long long>(lines));
    }
    void clear() { line_.clear(); }

private:
    lcs::support::StatusLine line_;
};

// One thread matches a buffer of lines while it stays in cache; several
// get a larger one, so that each has enough lines to repay starting it.
std::size_t buffer_bytes(unsigned threads) {
    constexpr unsigned kMostThreads = 64;
    const unsigned workers =
        threads != 0 ? threads : std::max(1U, std::thread::hardware_concurrency());
    if (workers == 1) return search::LineReader::kBufferBytes;
    return 4 * search::LineReader::kBufferBytes * std::min(workers, kMostThreads);
}

void complain(const char* what) { lcs::support::complain("lcs-search", what); }

// The search over every file: one query, one ranking, one count of lines.
class Search {
public:
    Search(const search::Options& options, bool results_on_terminal)
        : options_(options),
          query_(options.unit, options.query),
          top_(options.all ? 0 : options.top),
          progress_(options.all && results_on_terminal) {}

    // Searches files[file]. Throws SearchError when it cannot be read or a
    // line of it fails; the lines before that one count.
    void file(std::size_t file);
    // Prints the ranking (not with --all); whether any line was printed.
    bool finish();
    // The fault of a file on standard error, after the results so far.
    void report(const search::SearchError& fault);

private:
    void print(const search::Found& found) {
        search::print_found(stdout, found, options_.json);
        printed_ = true;
    }

    const search::Options& options_;
    search::Matcher query_;
    search::TopLines top_;
    Progress progress_;
    search::Chunk chunk_;
    std::vector<std::int32_t> lcs_;
    std::vector<lcs::Match> best_;
    std::vector<std::size_t> lengths_;
    std::uint64_t order_ = 0;
    bool printed_ = false;
};

void Search::file(std::size_t file) {
    const std::string& path = options_.files[file];
    search::LineReader reader(path, static_cast<std::size_t>(lcs::kMaxLength),
                              buffer_bytes(options_.threads));
    if (options_.all) reader.stream([] { lcs::support::flush_out(stdout); });
    const std::string name = search::display_name(path);
    // Locals, not members, in the loop over every line: the compiler need
    // not load them again after each call it cannot see into.
    const bool filtered = options_.min_similarity > 0.0, all = options_.all;
    const double min_similarity = options_.min_similarity;
    const std::size_t query_length = query_.query_length();
    while (reader.next(chunk_)) {
        const std::optional<search::SearchError> fault =
            all ? query_.match(chunk_, path, options_.threads, lcs_, lengths_)
                : query_.best(chunk_, path, options_.threads, options_.top, min_similarity, best_,
                              lengths_);
        const std::size_t* const sizes = lengths_.data();
        if (all) {
            const std::int32_t* const lcs = lcs_.data();
            for (std::size_t i = 0; i < lcs_.size(); ++i) {
                const search::Score score = search::score_of(lcs[i], query_length, sizes[i]);
                if (filtered && score.similarity() < min_similarity) continue;
                print({score.lcs, query_length, sizes[i], name, chunk_.first_line + i,
                       chunk_.lines[i]});
            }
        } else {
            // The chunk's best, best first, join the best of the chunks
            // before it.
            for (const lcs::Match& match : best_) {
                const std::size_t i = match.index;
                const search::Score score = search::score_of(match.length, query_length, sizes[i]);
                if (!top_.wanted(score)) break;
                top_.offer(score, order_ + i, file, chunk_.first_line + i, sizes[i],
                           chunk_.lines[i]);
            }
        }
        order_ += lengths_.size();
        progress_.lines_read(order_);
        if (fault) throw *fault;
    }
}

void Search::report(const search::SearchError& fault) {
    progress_.clear();
    lcs::support::flush_out(stdout);
    complain(fault.what());
}

bool Search::finish() {
    progress_.clear();
    for (const search::Ranked& line : top_.take_sorted()) {
        const std::string name = search::display_name(options_.files[line.file]);
        print({line.score.lcs, query_.query_length(), line.length, name, line.line, line.text});
    }
    lcs::support::flush_out(stdout);
    return printed_;
}

int search_lines(const search::Options& options) {
    // Full buffers for a pipe or a file; a terminal keeps its line buffer,
    // so that each result shows whole as it comes.
    const bool results_on_terminal = ::isatty(STDOUT_FILENO) == 1;
    static char output_buffer[1 << 16];
    if (!results_on_terminal) std::setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer);
    Search search(options, results_on_terminal);
    bool failed = false;
    for (std::size_t file = 0; file < options.files.size(); ++file) {
        try {
            search.file(file);
        } catch (const search::SearchError& fault) {
            search.report(fault);
            failed = true;
        }
    }
    const bool printed = search.finish();
    if (failed) return kFailed;
    return printed ? kSomePrinted : kNonePrinted;
}

}  // namespace

int main(int argc, char** argv) {
    return lcs::support::grep_main("lcs-search", search::kUsage, argc, argv, search::parse_options,
                                   search_lines);
}
