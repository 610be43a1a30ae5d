// lcs-compare in a unit other than bytes. The tokens of both inputs share
// one interning table, so the symbols are exact; the classic routines take
// the tokens recoded to one byte each, which leaves every equality between
// positions, and so the LCS, as it was. --show aligns the tokens by Myers'
// difference search while it stays cheaper than the bit-parallel pass (the
// usual case for two versions of a file) and by lcs::align otherwise, then
// writes the unified diff (lines) or the inline diff in the inputs' bytes.
// Tests: tests/test_text_compare.cpp.
#include "compare/units.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>

#include "compare/inputs.h"
#include "compare/show.h"
#include "text/differences.h"
#include "text/recode.h"
#include "text/unified_diff.h"

namespace compare {
namespace {

lcs::text::Tokens checked_tokens(lcs::text::Unit unit, const NamedInput& input, const char* which,
                                 lcs::text::Interner& interner) {
    try {
        return lcs::text::tokenize(unit, input.bytes, interner);
    } catch (const lcs::text::InvalidUtf8& error) {
        throw InputError(std::string(which) + " is " + error.what());
    }
}

std::size_t line_count(const std::string& bytes) {
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
}

double peak_resident_bytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;  // Linux counts KiB
}

// The toolkit's row: about a word operation per 64 cells, a few row words.
const lcs::RoutineInfo kToolkitLength = {
    "lcs::length",
    lcs::RoutineKind::lcs_length,
    nullptr,
    nullptr,
    "bit-parallel LCS on 32-bit symbols",
    "H. Hyyro, \"Bit-parallel LCS-length computation revisited\", 2004",
    "lenA x lenB / 64 word steps",
    "lenA + lenB",
    2,
    [](double lenA, double lenB) { return 8.0 * (lenA + lenB); },
    [](double lenA, double lenB) { return lenA * lenB / 64.0 * 1e-9; },
    false,
    true,
};

// Each token's bytes widened back to the end of the token before, the last
// to the end of the input: spans that cover the input, so that runs of
// tokens become runs of bytes. Chars and lines cover their input already;
// a word gains the white space before it, so that an inserted or removed
// word shows with the space that sets it apart.
std::vector<lcs::text::Span> covering(const lcs::text::Tokens& tokens, std::size_t size) {
    std::vector<lcs::text::Span> cover = tokens.spans;
    for (std::size_t i = 0; i < cover.size(); ++i) {
        cover[i].begin = i == 0 ? 0 : tokens.spans[i - 1].end;
        if (i + 1 == cover.size()) cover[i].end = size;
    }
    return cover;
}

std::int32_t byte_position(const std::vector<lcs::text::Span>& cover, std::int32_t token) {
    const auto at = static_cast<std::size_t>(token);
    return static_cast<std::int32_t>(at < cover.size() ? cover[at].begin
                                                       : (cover.empty() ? 0 : cover.back().end));
}

// A token alignment as runs over the bytes that cover the tokens.
lcs::Alignment byte_runs(const lcs::Alignment& tokens,
                              const std::vector<lcs::text::Span>& a_cover,
                              const std::vector<lcs::text::Span>& b_cover) {
    lcs::Alignment bytes{0, {}};
    for (const lcs::Run& run : tokens.runs) {
        const bool along_a = run.edit != lcs::Edit::insert;
        const std::vector<lcs::text::Span>& cover = along_a ? a_cover : b_cover;
        const std::int32_t first = along_a ? run.a_pos : run.b_pos;
        const std::int32_t begin = byte_position(cover, first);
        const std::int32_t count = byte_position(cover, first + run.count) - begin;
        bytes.runs.push_back({run.edit, byte_position(a_cover, run.a_pos),
                              byte_position(b_cover, run.b_pos), count});
        if (run.edit == lcs::Edit::keep) bytes.length += count;
    }
    return bytes;
}

}  // namespace

UnitInputs::UnitInputs(lcs::text::Unit unit, NamedInput a, NamedInput b)
    : unit_(unit), a_(std::move(a)), b_(std::move(b)) {
    // One table for both inputs' lines, sized once: at most one symbol a line.
    if (unit == lcs::text::Unit::lines) interner_.reserve(line_count(a_.bytes) + line_count(b_.bytes));
    a_tokens_ = checked_tokens(unit, a_, "A", interner_);
    b_tokens_ = checked_tokens(unit, b_, "B", interner_);
    recoded_ = lcs::text::recode_to_bytes(a_tokens_.symbols, b_tokens_.symbols);
}

lcs::Alignment UnitInputs::align(unsigned threads) const {
    const std::u32string_view a = a_tokens_.symbols, b = b_tokens_.symbols;
    // The bit-parallel pass costs about |a| |b| / 64 word steps; the
    // difference search is tried within that.
    const std::uint64_t budget = static_cast<std::uint64_t>(a.size()) * b.size() / 64 +
                                 64 * (static_cast<std::uint64_t>(a.size()) + b.size());
    if (std::optional<lcs::Alignment> found = lcs::text::align_by_differences(a, b, budget)) {
        return *found;
    }
    return lcs::align(a, b, threads);
}

std::string unit_noun(lcs::text::Unit unit) {
    return unit == lcs::text::Unit::chars ? "characters" : lcs::text::unit_name(unit);
}

Row toolkit_row(const UnitInputs& inputs, unsigned threads) {
    Row row;
    row.routine = &kToolkitLength;
    const double resident_before = peak_resident_bytes();
    const auto start = std::chrono::steady_clock::now();
    try {
        row.outcome.length =
            lcs::length(inputs.a_tokens().symbols, inputs.b_tokens().symbols, threads);
    } catch (const std::bad_alloc&) {
        row.outcome.status = Status::out_of_memory;
    }
    row.outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    row.outcome.peak_bytes = peak_resident_bytes() - resident_before;
    return row;
}

lcs::Alignment UnitInputs::byte_alignment(const lcs::Alignment& tokens) const {
    return byte_runs(tokens, covering(a_tokens_, a_.bytes.size()),
                     covering(b_tokens_, b_.bytes.size()));
}

std::string unit_show_json_members(const UnitInputs& inputs, unsigned threads) {
    return show_json_members(inputs.a().bytes, inputs.byte_alignment(inputs.align(threads)));
}

void write_unit_show(std::FILE* out, const UnitInputs& inputs, std::int64_t context, bool color,
                     unsigned threads) {
    const lcs::Alignment alignment = inputs.align(threads);
    const NamedInput &a = inputs.a(), &b = inputs.b();
    if (inputs.unit() == lcs::text::Unit::lines) {
        const std::string diff = lcs::text::unified_diff(
            {a.name, a.bytes, inputs.a_tokens().spans}, {b.name, b.bytes, inputs.b_tokens().spans},
            alignment, context);
        std::fputc('\n', out);
        std::fwrite(diff.data(), 1, diff.size(), out);
        return;
    }
    write_show(out, a.bytes, b.bytes, inputs.byte_alignment(alignment), color, true);
}

}  // namespace compare
