// The full computation of one pair on several threads: X's words cut into
// stripes, one thread a stripe, each a batch of rows behind the stripe
// before it (kernel/stripes.cpp).
#ifndef LCS_KERNEL_STRIPES_H
#define LCS_KERNEL_STRIPES_H

#include <cstddef>

#include "kernel/blocks.h"

namespace lcs::kernel {

struct StripeLayout {
    unsigned stripes;        // 1: the one-thread blocks
    std::size_t batch_rows;  // rows of Y handed from stripe to stripe at once
};

// The layout of the full computation of c in blocks of up to `widest`
// words on at most `threads` threads (0: every hardware thread, and never
// more than the hardware has): one stripe where more would not pay.
StripeLayout stripe_layout(const Coded& c, std::size_t widest, unsigned threads);

// The full computation of c in layout.stripes stripes (at least 1, at most
// one per block of X), a thread each; a thread that cannot start leaves its
// stripe to the calling thread. Returns the LCS and, with final_v, stores
// the final row vector there (ceil(n / 64) words), and with snapshots the
// row vectors at their rows (sized as BlockRun::pass sizes them). Polls
// `stop` between batches and throws lcs::Stopped once it is requested.
std::size_t striped_full(const Coded& c, std::size_t widest, StripeLayout layout,
                         const Stop* stop, Word* final_v = nullptr,
                         Snapshots* snapshots = nullptr);

}  // namespace lcs::kernel

#endif  // LCS_KERNEL_STRIPES_H
