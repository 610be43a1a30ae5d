// lcs-search: ranks the lines of files by their LCS similarity to a query,
// as one step of a pipeline: lines stream through in chunks (search/lines.h),
// each chunk is one lcs::lengths batch on every core, and either every line
// is printed as it is computed (--all) or a heap keeps the best K
// (search/ranking.h). Memory stays bounded by a chunk and K lines.
// Tests: tests/test_search.cpp.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <lcs/lcs.h>
#include "support/status_line.h"
#include "search/lines.h"
#include "search/options.h"
#include "search/output.h"
#include "search/ranking.h"
#include "search/units.h"

namespace {

constexpr int kSomePrinted = 0, kNonePrinted = 1, kFailed = 2;

// On a terminal, once the input is large, standard error shows how many
// lines have been read; the line is cleared at the end.
class Progress {
public:
    static constexpr std::uint64_t kLargeInput = 1000000;

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

int search_lines(const search::Options& options) {
    static char output_buffer[1 << 16];
    std::setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer);
    search::Matcher query(options.unit, options.query);
    std::vector<std::int32_t> lengths;
    std::vector<std::size_t> line_lengths;
    search::TopLines top(options.all ? 0 : options.top);
    search::Chunk chunk;
    Progress progress;
    std::uint64_t order = 0;
    bool printed = false;
    // Locals, not the options, in the loop over every line: the compiler
    // need not load them again after each call it cannot see into.
    const bool filtered = options.min_similarity > 0.0, all = options.all;
    const double min_similarity = options.min_similarity;
    const std::size_t query_length = query.query_length();
    for (std::size_t file = 0; file < options.files.size(); ++file) {
        search::LineReader reader(options.files[file], static_cast<std::size_t>(lcs::kMaxLength),
                                  buffer_bytes(options.threads));
        const std::string name = search::display_name(options.files[file]);
        while (reader.next(chunk)) {
            query.match(chunk, options.files[file], options.threads, lengths, line_lengths);
            const std::int32_t* const lcs = lengths.data();
            const std::size_t* const sizes = line_lengths.data();
            for (std::size_t i = 0; i < chunk.lines.size(); ++i) {
                const search::Score score = search::score_of(lcs[i], query_length, sizes[i]);
                if (filtered && score.similarity() < min_similarity) continue;
                if (all) {
                    search::print_found(
                        stdout,
                        {score.lcs, score.similarity(), name, chunk.first_line + i, chunk.lines[i]},
                        options.json);
                    printed = true;
                } else if (top.wanted(score)) {
                    top.offer(score, order + i, file, chunk.first_line + i, chunk.lines[i]);
                }
            }
            order += chunk.lines.size();
            progress.lines_read(order);
        }
    }
    progress.clear();
    for (const search::Ranked& line : top.take_sorted()) {
        const std::string name = search::display_name(options.files[line.file]);
        search::print_found(stdout,
                            {line.score.lcs, line.score.similarity(), name, line.line, line.text},
                            options.json);
        printed = true;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        throw search::SearchError(std::string("cannot write the output: ") + std::strerror(errno));
    }
    return printed ? kSomePrinted : kNonePrinted;
}

void complain(const char* what) { std::fprintf(stderr, "lcs-search: %s\n", what); }

}  // namespace

int main(int argc, char** argv) {
    try {
        const search::Options options = search::parse_options(argc, argv);
        if (options.help) {
            std::fputs(search::kUsage, stdout);
            return kSomePrinted;
        }
        if (options.version) {
            std::printf("lcs-search %s\n", LCS_VERSION);
            return kSomePrinted;
        }
        return search_lines(options);
    } catch (const std::bad_alloc&) {
        complain("out of memory");
    } catch (const std::exception& error) {
        complain(error.what());
    }
    return kFailed;
}
