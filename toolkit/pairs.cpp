// lcs::pairs (<lcs/lcs.h>): every pair at or above a similarity, without
// the dense matrix.
//
// A pair (a, b) with m = max(|a|, |b|) qualifies when LCS >= k, the least
// whole k with k / m >= the threshold. Two bounds rule out nearly every
// pair before an LCS is computed:
// - the length bound, LCS <= min(|a|, |b|): the choices are indexed by
//   length, and only the lengths that can reach k are visited;
// - the symbol-count bound, LCS <= sum over symbols of the smaller count.
//   With H the histograms, that sum is (|a| + |b| - |Ha - Hb|_1) / 2, so a
//   qualifying pair has |Ha - Hb|_1 <= |a| + |b| - 2k. Symbols are folded
//   into 64 buckets (merging symbols only shrinks the L1 distance), and
//   the number of buckets that one string has and the other lacks is at
//   most that distance: a 64-bit presence mask per string and one XOR and
//   popcount per pair screen whole runs of choices (eight at once with
//   AVX-512). A pair that passes is checked against the bucket counts
//   themselves, then its LCS is computed by the kernel.
// Neither bound ever drops a qualifying pair, so the result is exact.
//
// Queries are cut into blocks; threads take blocks in turn and the calling
// thread hands each block's pairs to the sink in order, at most a few
// blocks ahead, so memory stays bounded whatever the number of pairs and
// the order never depends on the thread count. A Stop is polled before
// each block. A threshold of 0 or below keeps every pair: then the rows
// come from lcs::matrix, a block of rows at a time.
// Tests: tests/test_pairs.cpp.
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <numeric>

#include "kernel/kernel.h"
#include "kernel/word.h"
#include "kernel/features.h"
#include "kernel/stop.h"
#include "toolkit/batch.h"
#include "toolkit/length_check.h"
#include "toolkit/many.h"
#include "toolkit/threads.h"

namespace lcs {

namespace {

constexpr std::size_t kBuckets = 64;
// Bucket counts are bytes: longer strings skip the count check (the mask
// screen still holds for them).
constexpr std::size_t kCountedLength = 255;
constexpr std::size_t kQueriesPerBlock = 256;
constexpr std::size_t kCellsPerDenseBlock = std::size_t{1} << 16;

std::size_t bucket_of(char byte) { return static_cast<unsigned char>(byte) % kBuckets; }
std::size_t bucket_of(char32_t symbol) {
    return symbol < 256 ? symbol % kBuckets : kernel::fibonacci_slot(symbol, 6);
}

// The least LCS that makes a pair of these lengths qualify, or more than
// the shorter length when none does; the comparison is the one callers
// see, double(length) / double(longer) >= min_similarity.
std::size_t least_length(std::size_t a, std::size_t b, double min_similarity) {
    const std::size_t longer = std::max(a, b), shorter = std::min(a, b);
    if (longer == 0) return 1.0 >= min_similarity ? 0 : 1;
    const auto qualifies = [&](std::size_t k) {
        return static_cast<double>(k) / static_cast<double>(longer) >= min_similarity;
    };
    const double guess = std::ceil(min_similarity * static_cast<double>(longer));
    std::size_t k = guess <= 0 ? 0 : std::min(static_cast<double>(shorter) + 1, guess);
    while (k > 0 && qualifies(k - 1)) --k;
    while (k <= shorter && !qualifies(k)) ++k;
    return k;
}

// ---- The screen: choices whose presence masks differ from the query's in
// at most `budget` buckets and, where both are counted, whose bucket counts
// share at least `least` symbols.

constexpr std::size_t kScreenRun = 1024;

// One run of choices, their masks and counts from its first.
struct ScreenRun {
    const std::uint64_t* masks;
    const unsigned char* counts;  // null: not counted
    std::size_t count;
};

struct QueryProfile {
    std::uint64_t mask;
    alignas(64) unsigned char counts[kBuckets];
};

#define LCS_SCREEN_AVX512 __attribute__((target("avx512f,avx512bw,avx512vpopcntdq")))

// Whether a choice that passed the mask screen also passes the counts.
LCS_SCREEN_AVX512 inline bool counts_pass(const QueryProfile& query, const ScreenRun& run,
                                          std::size_t at, std::uint64_t least) {
    if (run.counts == nullptr) return true;
    const __m512i common = _mm512_min_epu8(_mm512_load_si512(query.counts),
                                           _mm512_loadu_si512(run.counts + at * kBuckets));
    // Eight sums of eight bytes each; GCC 12's own reduction of them trips
    // -Wmaybe-uninitialized, so they are added here.
    alignas(64) std::uint64_t sums[8];
    _mm512_store_si512(sums, _mm512_sad_epu8(common, _mm512_setzero_si512()));
    std::uint64_t sum = 0;
    for (const std::uint64_t part : sums) sum += part;
    return sum >= least;
}

LCS_SCREEN_AVX512 std::size_t screen_avx512(const QueryProfile& query, const ScreenRun& run,
                                            std::uint64_t budget, std::uint64_t least,
                                            std::uint32_t* hits) {
    std::size_t found = 0, j = 0;
    const __m512i q = _mm512_set1_epi64(static_cast<long long>(query.mask));
    const __m512i most = _mm512_set1_epi64(static_cast<long long>(budget));
    for (; j + 8 <= run.count; j += 8) {
        const __m512i differ =
            _mm512_popcnt_epi64(_mm512_xor_si512(q, _mm512_loadu_si512(run.masks + j)));
        for (unsigned passed = _mm512_cmple_epu64_mask(differ, most); passed != 0;
             passed &= passed - 1) {
            const std::size_t at = j + static_cast<std::size_t>(__builtin_ctz(passed));
            if (counts_pass(query, run, at, least)) hits[found++] = static_cast<std::uint32_t>(at);
        }
    }
    for (; j < run.count; ++j) {
        if (static_cast<std::uint64_t>(__builtin_popcountll(query.mask ^ run.masks[j])) <= budget &&
            counts_pass(query, run, j, least)) {
            hits[found++] = static_cast<std::uint32_t>(j);
        }
    }
    return found;
}

std::uint64_t common_counts(const unsigned char* a, const unsigned char* b) {
    std::uint64_t sum = 0;
    for (std::size_t k = 0; k < kBuckets; ++k) sum += std::min(a[k], b[k]);
    return sum;
}

template <class Differ>
inline std::size_t screen_scalar(const QueryProfile& query, const ScreenRun& run,
                                 std::uint64_t budget, std::uint64_t least, std::uint32_t* hits,
                                 const Differ& differ) {
    std::size_t found = 0;
    for (std::size_t j = 0; j < run.count; ++j) {
        if (differ(query.mask ^ run.masks[j]) > budget) continue;
        if (run.counts != nullptr && common_counts(query.counts, run.counts + j * kBuckets) < least) {
            continue;
        }
        hits[found++] = static_cast<std::uint32_t>(j);
    }
    return found;
}

__attribute__((target("popcnt"))) std::size_t screen_popcnt(const QueryProfile& query,
                                                            const ScreenRun& run,
                                                            std::uint64_t budget,
                                                            std::uint64_t least,
                                                            std::uint32_t* hits) {
    return screen_scalar(query, run, budget, least, hits, [](std::uint64_t x) {
        return static_cast<std::uint64_t>(__builtin_popcountll(x));
    });
}

std::size_t screen_plain(const QueryProfile& query, const ScreenRun& run, std::uint64_t budget,
                         std::uint64_t least, std::uint32_t* hits) {
    return screen_scalar(query, run, budget, least, hits,
                         [](std::uint64_t x) { return kBuckets - kernel::zero_bits(x); });
}

using Screen = std::size_t (*)(const QueryProfile&, const ScreenRun&, std::uint64_t, std::uint64_t,
                               std::uint32_t*);

// The blocks' path, under LCS_ISA's cap; the AVX-512 screen needs
// VPOPCNTDQ besides, which the feature record does not hold.
Screen screen_for(kernel::Isa isa) {
    static const bool has_vpopcnt = __builtin_cpu_supports("avx512vpopcntdq");
    const kernel::Isa path = kernel::resolve(kernel::Component::blocks, isa);
    if (path == kernel::Isa::avx512 && has_vpopcnt) return screen_avx512;
    if (path != kernel::Isa::plain && kernel::processor().popcnt) return screen_popcnt;
    return screen_plain;
}

// ---- What the bounds read of each string.

template <class Text>
struct Profiles {
    std::vector<std::uint64_t> masks;
    std::vector<unsigned char> counts;  // kBuckets a string; valid up to kCountedLength

    Profiles(const std::vector<Text>& texts, const std::vector<std::size_t>& order)
        : masks(order.size()), counts(order.size() * kBuckets) {
        for (std::size_t i = 0; i < order.size(); ++i) {
            const Text text = texts[order[i]];
            unsigned char* count = &counts[i * kBuckets];
            for (const auto symbol : text) {
                const std::size_t bucket = bucket_of(symbol);
                masks[i] |= std::uint64_t{1} << bucket;
                if (text.size() <= kCountedLength) ++count[bucket];
            }
        }
    }
};

// The choices sorted by length, then by position: each length a run.
template <class Text>
class ChoiceIndex {
public:
    explicit ChoiceIndex(const std::vector<Text>& choices)
        : choices_(choices), order_(choices.size()) {
        std::iota(order_.begin(), order_.end(), std::size_t{0});
        std::stable_sort(order_.begin(), order_.end(), [&](std::size_t x, std::size_t y) {
            return choices[x].size() < choices[y].size();
        });
        for (std::size_t i = 0; i < order_.size(); ++i) {
            const std::size_t size = choices[order_[i]].size();
            if (runs_.empty() || runs_.back().length != size) runs_.push_back({size, i, i});
            ++runs_.back().end;
        }
        profiles_ = std::make_unique<Profiles<Text>>(choices, order_);
    }

    struct Run {
        std::size_t length, begin, end;  // positions in order()
    };
    const std::vector<Run>& runs() const { return runs_; }
    const std::vector<std::size_t>& order() const { return order_; }
    const Profiles<Text>& profiles() const { return *profiles_; }
    const std::vector<Text>& choices() const { return choices_; }

private:
    const std::vector<Text>& choices_;
    std::vector<std::size_t> order_;
    std::vector<Run> runs_;
    std::unique_ptr<Profiles<Text>> profiles_;
};

// The pairs of one query: every run of choice lengths that can qualify,
// screened, checked, and computed.
template <class Text>
class QueryPairs {
public:
    QueryPairs(const ChoiceIndex<Text>& index, double min_similarity, bool self, kernel::Isa isa)
        : index_(index), min_similarity_(min_similarity), self_(self), isa_(isa),
          screen_(screen_for(isa)) {}

    void find(std::size_t q, Text query, std::vector<Pair>& out) {
        const std::size_t first = out.size();
        QueryProfile profile{};
        for (const auto symbol : query) {
            profile.mask |= std::uint64_t{1} << bucket_of(symbol);
            if (query.size() <= kCountedLength) ++profile.counts[bucket_of(symbol)];
        }
        const std::size_t la = query.size();
        const Profiles<Text>& profiles = index_.profiles();
        for (const auto& run : index_.runs()) {
            const std::size_t lb = run.length;
            const std::size_t k = least_length(la, lb, min_similarity_);
            if (k > std::min(la, lb)) continue;
            std::size_t begin = run.begin;
            if (self_) {
                // Against itself only choices after the query: positions
                // within a run ascend.
                const auto& order = index_.order();
                begin = static_cast<std::size_t>(
                    std::upper_bound(order.begin() + static_cast<std::ptrdiff_t>(run.begin),
                                     order.begin() + static_cast<std::ptrdiff_t>(run.end), q) -
                    order.begin());
            }
            const bool counted = la <= kCountedLength && lb <= kCountedLength;
            for (std::size_t from = begin; from < run.end; from += kScreenRun) {
                const ScreenRun screened{profiles.masks.data() + from,
                                         counted ? &profiles.counts[from * kBuckets] : nullptr,
                                         std::min(kScreenRun, run.end - from)};
                const std::size_t hits = screen_(profile, screened, la + lb - 2 * k, k, hits_);
                for (std::size_t h = 0; h < hits; ++h) {
                    const std::size_t c = index_.order()[from + hits_[h]];
                    const std::size_t length =
                        kernel::length(query, index_.choices()[c], kernel::Paths{isa_, 0});
                    if (length >= k) out.push_back({q, c, static_cast<std::int32_t>(length)});
                }
            }
        }
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                  [](const Pair& x, const Pair& y) { return x.choice < y.choice; });
    }

private:
    const ChoiceIndex<Text>& index_;
    double min_similarity_;
    bool self_;
    kernel::Isa isa_;
    Screen screen_;
    std::uint32_t hits_[kScreenRun];
};

// ---- Blocks computed on threads, handed to the sink in order.

class OrderedBlocks {
public:
    using Compute = std::function<void(std::size_t block, std::vector<Pair>& out)>;

    OrderedBlocks(std::size_t blocks, const Compute& compute, const PairSink& sink,
                  const Stop* stop)
        : blocks_(blocks), compute_(compute), sink_(sink), stop_(stop) {}

    void run(unsigned threads) {
        if (threads <= 1) {
            std::vector<Pair> out;
            for (std::size_t b = 0; b < blocks_; ++b) {
                kernel::poll(stop_);
                out.clear();
                compute_(b, out);
                if (!out.empty()) sink_(out.data(), out.size());
            }
            return;
        }
        window_ = 4 * std::size_t{threads};
        slots_.resize(window_);
        ready_.assign(window_, false);
        // The first part, on the calling thread, hands the blocks over; a worker
        // whose thread did not start runs after it and finds nothing left.
        detail::run_parts(threads, [this](unsigned part) {
            if (part != 0) {
                while (take_and_compute(false)) {
                }
                return;
            }
            try {
                hand_over();
            } catch (...) {
                fail(std::current_exception());
            }
        });
        if (error_) std::rethrow_exception(error_);
    }

private:
    // Hands over blocks in order; computes one itself while the next is
    // not ready.
    void hand_over() {
        std::vector<Pair> out;
        while (true) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (failed_ || emitted_ == blocks_) return;
                const std::size_t slot = emitted_ % window_;
                if (ready_[slot]) {
                    out.swap(slots_[slot]);
                    slots_[slot].clear();
                    ready_[slot] = false;
                    ++emitted_;
                    changed_.notify_all();
                } else if (!can_take()) {
                    changed_.wait(lock);
                    continue;
                } else {
                    lock.unlock();
                    take_and_compute(true);
                    continue;
                }
            }
            if (!out.empty()) sink_(out.data(), out.size());
            out.clear();
        }
    }

    bool can_take() const { return taken_ < blocks_ && taken_ < emitted_ + window_; }

    // False once there is nothing more to take (or a failure).
    bool take_and_compute(bool once) {
        std::size_t block;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            while (!failed_ && !can_take() && taken_ < blocks_ && !once) changed_.wait(lock);
            if (failed_ || !can_take()) return false;
            block = taken_++;
        }
        try {
            kernel::poll(stop_);
            std::vector<Pair> out;
            compute_(block, out);
            std::lock_guard<std::mutex> lock(mutex_);
            slots_[block % window_] = std::move(out);
            ready_[block % window_] = true;
            changed_.notify_all();
        } catch (...) {
            fail(std::current_exception());
            return false;
        }
        return true;
    }

    void fail(std::exception_ptr error) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (error && !error_) error_ = error;
        failed_ = true;
        changed_.notify_all();
    }

    std::size_t blocks_;
    const Compute& compute_;
    const PairSink& sink_;
    const Stop* stop_;
    std::size_t window_ = 1;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::vector<Pair>> slots_;
    std::vector<bool> ready_;
    std::size_t taken_ = 0, emitted_ = 0;
    bool failed_ = false;
    std::exception_ptr error_;
};

unsigned block_threads(unsigned threads, std::size_t blocks) {
    return detail::thread_count(threads, blocks);
}

// Every pair qualifies: each query prepared once against its choices on
// lcs::lengths' lanes, a block of rows at a time.
template <class Text>
void all_pairs(const std::vector<Text>& queries, const std::vector<Text>& choices, bool self,
               const PairSink& sink, unsigned threads, const Stop* stop, kernel::Isa isa) {
    const std::size_t rows =
        std::max<std::size_t>(1, kCellsPerDenseBlock / std::max<std::size_t>(1, choices.size()));
    const std::size_t blocks = (queries.size() + rows - 1) / rows;
    const OrderedBlocks::Compute compute = [&](std::size_t block, std::vector<Pair>& out) {
        const std::size_t end = std::min(queries.size(), (block + 1) * rows);
        for (std::size_t q = block * rows; q < end; ++q) {
            // Against itself the row's first half is computed and dropped:
            // cheaper than copying the views after the query for each row.
            const std::vector<std::int32_t> lengths =
                detail::lengths(Pattern(queries[q]), choices, 1, kernel::Paths{isa, 0});
            for (std::size_t c = self ? q + 1 : 0; c < choices.size(); ++c) {
                out.push_back({q, c, lengths[c]});
            }
        }
    };
    OrderedBlocks(blocks, compute, sink, stop).run(block_threads(threads, blocks));
}

template <class Text>
void pairs_of(const std::vector<Text>& queries, const std::vector<Text>* others,
              double min_similarity, const PairSink& sink, unsigned threads, const Stop* stop,
              kernel::Isa isa) {
    for (const Text& text : queries) detail::check_length(text.size());
    const bool self = others == nullptr;
    const std::vector<Text>& choices = self ? queries : *others;
    if (!self) {
        for (const Text& text : choices) detail::check_length(text.size());
    }
    // Above 1 (or NaN) nothing qualifies: similarity is at most 1.
    if (queries.empty() || choices.empty() || !(min_similarity <= 1.0)) return;
    if (min_similarity <= 0.0) return all_pairs(queries, choices, self, sink, threads, stop, isa);
    const ChoiceIndex<Text> index(choices);
    const std::size_t blocks = (queries.size() + kQueriesPerBlock - 1) / kQueriesPerBlock;
    const OrderedBlocks::Compute compute = [&](std::size_t block, std::vector<Pair>& out) {
        QueryPairs<Text> finder(index, min_similarity, self, isa);
        const std::size_t end = std::min(queries.size(), (block + 1) * kQueriesPerBlock);
        for (std::size_t q = block * kQueriesPerBlock; q < end; ++q) finder.find(q, queries[q], out);
    };
    OrderedBlocks(blocks, compute, sink, stop).run(block_threads(threads, blocks));
}

template <class Text>
std::vector<Pair> collected(const std::vector<Text>& queries, const std::vector<Text>* choices,
                            double min_similarity, unsigned threads, const Stop* stop) {
    std::vector<Pair> all;
    pairs_of(queries, choices, min_similarity,
             [&all](const Pair* found, std::size_t count) { all.insert(all.end(), found, found + count); },
             threads, stop, kernel::Isa::automatic);
    return all;
}

}  // namespace

namespace detail {

void pairs(const std::vector<std::string_view>& queries,
           const std::vector<std::string_view>* choices, double min_similarity,
           const PairSink& sink, unsigned threads, const Stop* stop, kernel::Isa isa) {
    pairs_of(queries, choices, min_similarity, sink, threads, stop, isa);
}
void pairs(const std::vector<std::u32string_view>& queries,
           const std::vector<std::u32string_view>* choices, double min_similarity,
           const PairSink& sink, unsigned threads, const Stop* stop, kernel::Isa isa) {
    pairs_of(queries, choices, min_similarity, sink, threads, stop, isa);
}

}  // namespace detail

std::vector<Pair> pairs(const std::vector<std::string_view>& queries,
                        const std::vector<std::string_view>& choices, double min_similarity,
                        unsigned threads, const Stop* stop) {
    return collected(queries, &choices, min_similarity, threads, stop);
}
std::vector<Pair> pairs(const std::vector<std::u32string_view>& queries,
                        const std::vector<std::u32string_view>& choices, double min_similarity,
                        unsigned threads, const Stop* stop) {
    return collected(queries, &choices, min_similarity, threads, stop);
}
std::vector<Pair> pairs(const std::vector<std::string_view>& strings, double min_similarity,
                        unsigned threads, const Stop* stop) {
    return collected(strings, static_cast<const std::vector<std::string_view>*>(nullptr),
                     min_similarity, threads, stop);
}
std::vector<Pair> pairs(const std::vector<std::u32string_view>& strings, double min_similarity,
                        unsigned threads, const Stop* stop) {
    return collected(strings, static_cast<const std::vector<std::u32string_view>*>(nullptr),
                     min_similarity, threads, stop);
}

void pairs(const std::vector<std::string_view>& queries,
           const std::vector<std::string_view>& choices, double min_similarity,
           const PairSink& sink, unsigned threads, const Stop* stop) {
    pairs_of(queries, &choices, min_similarity, sink, threads, stop, kernel::Isa::automatic);
}
void pairs(const std::vector<std::u32string_view>& queries,
           const std::vector<std::u32string_view>& choices, double min_similarity,
           const PairSink& sink, unsigned threads, const Stop* stop) {
    pairs_of(queries, &choices, min_similarity, sink, threads, stop, kernel::Isa::automatic);
}
void pairs(const std::vector<std::string_view>& strings, double min_similarity,
           const PairSink& sink, unsigned threads, const Stop* stop) {
    pairs_of(strings, static_cast<const std::vector<std::string_view>*>(nullptr), min_similarity,
             sink, threads, stop, kernel::Isa::automatic);
}
void pairs(const std::vector<std::u32string_view>& strings, double min_similarity,
           const PairSink& sink, unsigned threads, const Stop* stop) {
    pairs_of(strings, static_cast<const std::vector<std::u32string_view>*>(nullptr),
             min_similarity, sink, threads, stop, kernel::Isa::automatic);
}

}  // namespace lcs
