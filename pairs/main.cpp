// lcs-pairs: the pairs of lines whose LCS similarity reaches a threshold,
// in one file or across two, on lcs::pairs: the length and symbol-count
// bounds rule out most pairs before any LCS, and the pairs stream to the
// output in order as blocks of lines are done, so memory holds the input
// and a bounded working set whatever the number of pairs. --top keeps the
// best partners of each line as its pairs go by.
// Tests: tests/test_pairs_program.cpp.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <lcs/lcs.h>
#include "pairs/options.h"
#include "pairs/output.h"
#include "pairs/records.h"
#include "search/lines.h"
#include "search/options.h"
#include "search/ranking.h"
#include "support/grep_program.h"
#include "support/printing.h"
#include "support/status_line.h"

namespace {

using lcs::support::kFailed;
using lcs::support::kNonePrinted;
using lcs::support::kSomePrinted;

void complain(const char* what) { lcs::support::complain("lcs-pairs", what); }

// Prints pairs as they come: each at once, or, with --top, the best
// partners of a line once its pairs have all gone by (they come grouped by
// line, in order).
template <class Text>
class Printer {
public:
    Printer(const pairs::Options& options, const std::vector<Text>& first,
            const std::vector<Text>& other, const pairs::Records& first_records,
            const pairs::Records& other_records, bool self, bool results_on_terminal)
        : options_(options), first_(first), other_(other), first_records_(first_records),
          other_records_(other_records), self_(self), progress_(!results_on_terminal) {}

    void take(const lcs::Pair* found, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const lcs::Pair& pair = found[i];
            if (options_.top == 0) {
                print(pair);
                continue;
            }
            if (pair.query != line_) finish_line();
            line_ = pair.query;
            if (self_ && pair.choice == pair.query) continue;
            best_.push_back(pair);
            if (best_.size() >= 2 * options_.top + kSlack) cut(options_.top);
        }
        if (count > 0) {
            progress_.show("lcs-pairs: line %zu of %zu", found[count - 1].query + 1, first_.size());
        }
    }

    // Whether any pair was printed.
    bool finish() {
        finish_line();
        progress_.clear();
        lcs::support::flush_out(stdout);
        return printed_;
    }

private:
    static constexpr std::size_t kSlack = 1024;

    void finish_line() {
        cut(options_.top);
        for (const lcs::Pair& pair : best_) print(pair);
        best_.clear();
    }

    // Keeps the `keep` best, best first: higher similarity as an exact
    // fraction, as lcs-search ranks, ties in line order.
    void cut(std::size_t keep) {
        const auto better = [this](const lcs::Pair& x, const lcs::Pair& y) {
            const search::Score a = score(x), b = score(y);
            if (search::more_similar(a, b) || search::more_similar(b, a)) {
                return search::more_similar(a, b);
            }
            return x.choice < y.choice;
        };
        if (best_.size() > keep) {
            std::nth_element(best_.begin(), best_.begin() + static_cast<std::ptrdiff_t>(keep),
                             best_.end(), better);
            best_.resize(keep);
        }
        std::sort(best_.begin(), best_.end(), better);
    }

    search::Score score(const lcs::Pair& pair) const {
        return search::score_of(pair.length, first_[pair.query].size(), other_[pair.choice].size());
    }

    void print(const lcs::Pair& pair) {
        progress_.clear();
        pairs::print_pair(stdout,
                          {pair.length,
                           {pair.query + 1, first_[pair.query].size(), first_records_.lines()[pair.query]},
                           {pair.choice + 1, other_[pair.choice].size(),
                            other_records_.lines()[pair.choice]}},
                          options_.json);
        printed_ = true;
    }

    const pairs::Options& options_;
    const std::vector<Text>& first_;
    const std::vector<Text>& other_;
    const pairs::Records& first_records_;
    const pairs::Records& other_records_;
    bool self_;
    lcs::support::StatusLine progress_;
    std::size_t line_ = 0;
    std::vector<lcs::Pair> best_;
    bool printed_ = false;
};

// Lists pairs, or with --top the pairs of each line with every other (the
// cross form, so that each line sees all its partners in turn).
template <class Text>
bool print_pairs(const pairs::Options& options, const std::vector<Text>& first,
                 const std::vector<Text>* other, const pairs::Records& first_records,
                 const pairs::Records& other_records, bool results_on_terminal) {
    const bool self = other == nullptr;
    const std::vector<Text>& partners = self ? first : *other;
    Printer<Text> printer(options, first, partners, first_records, other_records, self,
                          results_on_terminal);
    const lcs::PairSink sink = [&printer](const lcs::Pair* found, std::size_t count) {
        printer.take(found, count);
    };
    if (self && options.top == 0) {
        lcs::pairs(first, options.threshold(), sink, options.threads);
    } else {
        lcs::pairs(first, partners, options.threshold(), sink, options.threads);
    }
    return printer.finish();
}

int run(const pairs::Options& options) {
    const bool results_on_terminal = ::isatty(STDOUT_FILENO) == 1;
    static char output_buffer[1 << 16];
    if (!results_on_terminal) std::setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer);
    std::vector<std::unique_ptr<pairs::Records>> records;
    bool failed = false;
    for (const std::string& path : options.files) {
        try {
            records.push_back(std::make_unique<pairs::Records>(path));
        } catch (const search::SearchError& fault) {
            complain(fault.what());
            failed = true;
        }
    }
    if (failed) return kFailed;
    const pairs::Records& first = *records.front();
    const pairs::Records& other = *records.back();
    const bool self = records.size() == 1;
    bool printed = false;
    if (options.unit == lcs::text::Unit::bytes) {
        printed = print_pairs(options, first.lines(), self ? nullptr : &other.lines(), first, other,
                              results_on_terminal);
    } else {
        lcs::text::Interner interner;
        const pairs::Symbols first_symbols(first, options.unit, interner);
        std::unique_ptr<pairs::Symbols> other_symbols;
        if (!self) other_symbols = std::make_unique<pairs::Symbols>(other, options.unit, interner);
        printed = print_pairs(options, first_symbols.lines(),
                              self ? nullptr : &other_symbols->lines(), first, other,
                              results_on_terminal);
    }
    return printed ? kSomePrinted : kNonePrinted;
}

}  // namespace

int main(int argc, char** argv) {
    return lcs::support::grep_main("lcs-pairs", pairs::kUsage, argc, argv, pairs::parse_options,
                                   run);
}
