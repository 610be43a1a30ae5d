// One pair on several threads: the column blocks of kernel/blocks.cpp cut
// into stripes and run as a pipeline.
//
// The words of X are cut into as many stripes of whole blocks as there are
// threads, and Y into batches of rows. The only thing a stripe needs from
// the stripe to its left is the carry out of each row, the vertical step of
// the table at the stripe's first column, which the blocks already pass
// through carries[row]. So stripe s runs batch b once stripe s - 1 has
// finished it, while stripe s - 1 runs batch b + 1: the threads work one
// batch apart along the anti-diagonal of the table (the wavefront order of
// the dynamic program), meeting once a batch. A row's carry byte is written
// by the stripes in their order, and each hand-over is a release of the
// batch count that the next stripe acquires, so the rows of a batch belong
// to one thread at a time and need no other synchronisation.
//
// Each stripe keeps the match rows of all its blocks (distinct + 1 rows a
// block, built once by its own thread) and the words of V between batches,
// so a batch costs its rows' words and nothing to reload. With S stripes
// and B batches the time is about (B + S - 1) / B of one S-th of the work:
// the stripe on the right starts S - 1 batches late.
//
// Tested by tests/test_stripes.cpp (stripes, batches and every path forced,
// against the oracle; the stop request; run under ThreadSanitizer).
#include "kernel/stripes.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <lcs/lcs.h>

namespace lcs::kernel {

namespace {

// Words of row updates below which one thread is at least as fast: the
// threads' start and the pipeline's fill cost about this much.
constexpr double kMinStripedWords = 8.0 * 1024 * 1024;
// Above this many bytes of the stripes' match rows (a long X of many
// distinct symbols) the one-thread blocks run instead, in their fixed
// storage.
constexpr double kMaxTableBytes = 64.0 * 1024 * 1024;
// Rows of a batch. Each block of a batch first fetches its match rows and
// its words of V, which costs about as much as kHandoverRows rows; the last
// stripe starts stripes - 1 batches late. With B rows a batch the time
// grows by about kHandoverRows / B and by (stripes - 1) B / m, least at
// B = sqrt(kHandoverRows m / (stripes - 1)): 8,000 rows at m = 1,000,000,
// 1,100 at 20,000 on two threads (measured on AVX-512 at 26 letters).
constexpr double kHandoverRows = 64.0;
constexpr std::size_t kMinBatchRows = 256;
constexpr std::size_t kMaxBatchRows = 16384;
// Times a thread looks for the batch it waits for before it sleeps.
constexpr int kSpins = 2000;

constexpr std::size_t kLineWords = 64 / sizeof(Word);

std::size_t round_up(std::size_t value, std::size_t step) { return (value + step - 1) / step * step; }

void pause() {
#if defined(LCS_KERNEL_X86)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

// Batches finished by each stripe, and the means to wait for them.
class Progress {
public:
    explicit Progress(unsigned stripes) : done_(new Counter[stripes]) {}

    void finish(unsigned stripe, std::size_t batches) {
        done_[stripe].value.store(batches, std::memory_order_release);
        // A waiter tests the count under the lock before it sleeps, so taking
        // the lock here puts the store before its test or after its sleep.
        { const std::lock_guard<std::mutex> lock(mutex_); }
        changed_.notify_all();
    }

    // Waits until `stripe` has finished `batches`; false once abandoned.
    bool wait(unsigned stripe, std::size_t batches) {
        const auto ready = [&] {
            return done_[stripe].value.load(std::memory_order_acquire) >= batches ||
                   abandoned_.load(std::memory_order_relaxed);
        };
        for (int spin = 0; spin < kSpins && !ready(); ++spin) pause();
        if (!ready()) {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, ready);
        }
        return !abandoned_.load(std::memory_order_relaxed);
    }

    void abandon() {
        abandoned_.store(true, std::memory_order_relaxed);
        { const std::lock_guard<std::mutex> lock(mutex_); }
        changed_.notify_all();
    }
    bool abandoned() const { return abandoned_.load(std::memory_order_relaxed); }

private:
    struct alignas(64) Counter {
        std::atomic<std::size_t> value{0};
    };
    std::unique_ptr<Counter[]> done_;
    std::atomic<bool> abandoned_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
};

// Words that start on a cache line, as the vector blocks load them.
class LineWords {
public:
    explicit LineWords(std::size_t count) : storage_(count + kLineWords) {
        const auto offset = reinterpret_cast<std::uintptr_t>(storage_.data()) / sizeof(Word) % kLineWords;
        begin_ = storage_.data() + (offset == 0 ? 0 : kLineWords - offset);
    }
    Word* data() { return begin_; }

private:
    std::vector<Word> storage_;
    Word* begin_;
};

struct Block {
    std::size_t first, width;  // words of X
    std::size_t table;        // offset of its match rows in its stripe's table
};

class StripedRun {
public:
    StripedRun(const Coded& c, std::size_t widest, StripeLayout layout, const Stop* stop)
        : c_(c), batch_rows_(std::max<std::size_t>(1, layout.batch_rows)), stop_(stop) {
        const std::size_t words = words_for(c.n);
        for (std::size_t first = 0; first < words;) {
            const std::size_t width = block_width(widest, words - first);
            blocks_.push_back({first, width, 0});
            first += width;
        }
        const auto stripes = static_cast<unsigned>(
            std::clamp<std::size_t>(layout.stripes, 1, blocks_.size()));
        cut_into_stripes(words, stripes);
        batches_ = (c.m + batch_rows_ - 1) / batch_rows_;
    }

    std::size_t run(Word* final_v, Snapshots* snapshots) {
        snapshots_ = snapshots;
        const auto stripes = static_cast<unsigned>(bounds_.size() - 1);
        carries_.assign(round_up(c_.m, kLineWords), 0);
        // The last block may reach past X's last word.
        const std::size_t held = blocks_.back().first + blocks_.back().width;
        LineWords v(held);
        std::fill(v.data(), v.data() + held, ~Word{0});
        v_ = v.data();
        Progress progress(stripes);
        progress_ = &progress;
        failures_.assign(stripes, nullptr);
        stopped_.store(false, std::memory_order_relaxed);

        // The calling thread runs stripe 0 and every stripe whose thread
        // could not start; it meets them in stripe order within a batch, so
        // the pipeline only narrows.
        std::vector<unsigned> own{0};
        own.reserve(stripes);
        std::vector<std::thread> workers;
        workers.reserve(stripes - 1);
        for (unsigned s = 1; s < stripes; ++s) {
            try {
                workers.emplace_back([this, s] { work(&s, &s + 1, s); });
            } catch (...) {
                for (unsigned rest = s; rest < stripes; ++rest) own.push_back(rest);
                break;
            }
        }
        work(own.data(), own.data() + own.size(), 0);
        for (std::thread& worker : workers) worker.join();

        for (const std::exception_ptr& failure : failures_) {
            if (failure) std::rethrow_exception(failure);
        }
        if (stopped_.load(std::memory_order_relaxed)) throw Stopped();
        const std::size_t words = words_for(c_.n);
        if (final_v != nullptr) std::copy(v_, v_ + words, final_v);
        std::size_t zeros = 0;
        for (std::size_t k = 0; k < words; ++k) zeros += zero_bits(v_[k]);
        return zeros;
    }

private:
    // Stripe s holds blocks bounds_[s] to bounds_[s + 1] - 1: about
    // words / stripes words each, at least one block each.
    void cut_into_stripes(std::size_t words, unsigned stripes) {
        bounds_.assign(stripes + 1, 0);
        bounds_[stripes] = blocks_.size();
        std::size_t block = 0;
        for (unsigned s = 1; s < stripes; ++s) {
            const std::size_t target = words * s / stripes;
            while (block < blocks_.size() && blocks_[block].first < target) ++block;
            block = std::max(block, bounds_[s - 1] + 1);
            block = std::min(block, blocks_.size() - (stripes - s));
            bounds_[s] = block;
        }
        tables_.resize(stripes);
    }

    // Builds the stripe's match rows, block after block, each on a line.
    void build_tables(unsigned s) {
        std::size_t total = 0;
        for (std::size_t k = bounds_[s]; k < bounds_[s + 1]; ++k) {
            blocks_[k].table = total;
            total += round_up(block_table_words(c_, blocks_[k].width), kLineWords);
        }
        tables_[s] = std::make_unique<LineWords>(total);
        for (std::size_t k = bounds_[s]; k < bounds_[s + 1]; ++k) {
            fill_block_rows(c_, blocks_[k].first, blocks_[k].width,
                            tables_[s]->data() + blocks_[k].table);
        }
    }

    void run_batch(unsigned s, std::size_t batch) {
        const std::size_t first_row = batch * batch_rows_;
        const std::size_t end_row = std::min(c_.m, first_row + batch_rows_);
        const Word* table = tables_[s]->data();
        for (std::size_t k = bounds_[s]; k < bounds_[s + 1]; ++k) {
            const Block& block = blocks_[k];
            Word* v = v_ + block.first;
            if (snapshots_ == nullptr) {
                run_block_rows(block.width, table + block.table, c_.y, carries_.data(), first_row,
                               end_row, v);
                continue;
            }
            // Cut at the kept rows; each stripe copies its own words.
            const std::vector<std::size_t>& rows = snapshots_->rows;
            const std::size_t kept = std::min(block.width, words_for(c_.n) - block.first);
            auto next = std::upper_bound(rows.begin(), rows.end(), first_row);
            for (std::size_t row = first_row; row < end_row;) {
                const std::size_t end = next != rows.end() ? std::min(end_row, *next) : end_row;
                run_block_rows(block.width, table + block.table, c_.y, carries_.data(), row, end, v);
                row = end;
                if (next != rows.end() && *next == row) {
                    std::copy(v, v + kept,
                              snapshots_->vectors[static_cast<std::size_t>(next - rows.begin())]
                                      .begin() +
                                  static_cast<std::ptrdiff_t>(block.first));
                    ++next;
                }
            }
        }
    }

    // Runs the stripes own[0] < own[1] < ... batch by batch; failures and
    // the stop request abandon the whole run.
    void work(const unsigned* own, const unsigned* own_end, unsigned failure_slot) noexcept {
        try {
            for (const unsigned* s = own; s != own_end; ++s) build_tables(*s);
            for (std::size_t batch = 0; batch < batches_; ++batch) {
                if (stop_ != nullptr && stop_->requested()) {
                    stopped_.store(true, std::memory_order_relaxed);
                    progress_->abandon();
                }
                for (const unsigned* s = own; s != own_end; ++s) {
                    if (*s > 0 && !progress_->wait(*s - 1, batch + 1)) return;
                    if (progress_->abandoned()) return;
                    run_batch(*s, batch);
                    progress_->finish(*s, batch + 1);
                }
            }
        } catch (...) {
            failures_[failure_slot] = std::current_exception();
            progress_->abandon();
        }
    }

    const Coded& c_;
    std::size_t batch_rows_;
    const Stop* stop_;
    std::vector<Block> blocks_;
    std::vector<std::size_t> bounds_;
    std::vector<std::unique_ptr<LineWords>> tables_;
    std::size_t batches_ = 0;
    Snapshots* snapshots_ = nullptr;
    std::vector<unsigned char> carries_;
    Word* v_ = nullptr;
    Progress* progress_ = nullptr;
    std::vector<std::exception_ptr> failures_;
    std::atomic<bool> stopped_{false};
};

}  // namespace

StripeLayout stripe_layout(const Coded& c, std::size_t widest, unsigned threads) {
    const StripeLayout one{1, c.m};
    const std::size_t words = words_for(c.n);
    if (threads == 1 || words < 2 * widest ||
        static_cast<double>(words) * static_cast<double>(c.m) < kMinStripedWords) {
        return one;
    }
    static const unsigned hardware = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t stripes = std::min<std::size_t>(
        {threads == 0 ? hardware : std::min(threads, hardware), words / widest});
    if (stripes < 2) return one;
    const double table_bytes = static_cast<double>(c.distinct + 1) * static_cast<double>(words) *
                               static_cast<double>(block_row_words(widest) / widest) * sizeof(Word);
    if (table_bytes > kMaxTableBytes) return one;
    const auto rows = static_cast<std::size_t>(
        std::sqrt(kHandoverRows * static_cast<double>(c.m) / static_cast<double>(stripes - 1)));
    return {static_cast<unsigned>(stripes),
            std::clamp(round_up(rows, kLineWords), kMinBatchRows, kMaxBatchRows)};
}

std::size_t striped_full(const Coded& c, std::size_t widest, StripeLayout layout,
                         const Stop* stop, Word* final_v, Snapshots* snapshots) {
    StripedRun run(c, widest, layout, stop);
    return run.run(final_v, snapshots);
}

}  // namespace lcs::kernel
