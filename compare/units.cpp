// lcs-compare in a unit other than bytes. The tokens of both inputs share
// one interning table, so the symbols are exact; the classic routines take
// the tokens recoded to one byte each, which leaves every equality between
// positions, and so the LCS, as it was. --show aligns the tokens by Myers'
// difference search while it stays cheaper than the bit-parallel pass (the
// usual case for two versions of a file) and by lcs::align otherwise, then
// writes the unified diff (lines) or the inline diff in the inputs' bytes.
// The toolkit's row runs in a child process, as the routines' rows do.
// Tests: tests/test_text_compare.cpp, tests/test_compare_show.cpp (the runs
// over bytes in every unit), tests/test_compare_limits.cpp.
#include "compare/units.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "compare/inputs.h"
#include "compare/show.h"
#include "text/differences.h"
#include "text/recode.h"
#include "text/unified_diff.h"

namespace compare {
namespace {

// A fault names the input as the user gave it: A or B for a string (whose
// name is that letter), else the file's path or standard input.
lcs::text::Tokens checked_tokens(lcs::text::Unit unit, const NamedInput& input, const char* which,
                                 lcs::text::Interner& interner) {
    try {
        return lcs::text::tokenize(unit, input.bytes, interner);
    } catch (const lcs::text::InvalidUtf8& error) {
        const std::string name = input.name == which ? input.name : input_name(input.name);
        throw InputError(name + " is " + error.what());
    }
}

std::size_t line_count(const std::string& bytes) {
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
}

// The toolkit's row: about a word operation per 64 cells, a few row words;
// on alike inputs it runs the same self-checking band as Hyyro_Alg.
double toolkit_seconds(double lenA, double lenB, std::optional<double> distance) {
    const double random = lenA * lenB / 64.0 * 1e-9;
    const lcs::RoutineInfo* same_kernel = lcs::find_routine("Hyyro_Alg");
    if (!distance || same_kernel == nullptr || same_kernel->estimated_seconds_alike == nullptr) {
        return random;
    }
    return std::min(random, same_kernel->estimated_seconds_alike(lenA, lenB, *distance));
}

// Runs over bytes, a run joined to the one before when it has the same edit
// and goes on where that one ends.
class ByteRuns {
public:
    void add(lcs::Edit edit, std::size_t a_pos, std::size_t b_pos, std::size_t count) {
        if (count == 0) return;
        if (edit == lcs::Edit::keep) alignment_.length += static_cast<std::int32_t>(count);
        if (!alignment_.runs.empty()) {
            lcs::Run& last = alignment_.runs.back();
            const bool along_a = edit != lcs::Edit::insert, along_b = edit != lcs::Edit::remove;
            if (last.edit == edit &&
                (!along_a || static_cast<std::size_t>(last.a_pos) + last.count == a_pos) &&
                (!along_b || static_cast<std::size_t>(last.b_pos) + last.count == b_pos)) {
                last.count += static_cast<std::int32_t>(count);
                return;
            }
        }
        alignment_.runs.push_back({edit, static_cast<std::int32_t>(a_pos),
                                   static_cast<std::int32_t>(b_pos), static_cast<std::int32_t>(count)});
    }
    lcs::Alignment take() { return std::move(alignment_); }

private:
    lcs::Alignment alignment_{0, {}};
};

std::size_t common_prefix(std::string_view a, std::string_view b) {
    return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first -
                                    a.begin());
}

std::size_t common_suffix(std::string_view a, std::string_view b) {
    return static_cast<std::size_t>(
        std::mismatch(a.rbegin(), a.rend(), b.rbegin(), b.rend()).first - a.rbegin());
}

// One input's side of the walk from one kept token to the next.
struct Side {
    std::string_view bytes;
    const std::vector<lcs::text::Span>& spans;
    std::size_t at = 0;          // bytes placed so far
    std::size_t next_token = 0;  // the first token not yet placed

    // Where the bytes before token `kept` (spans.size(): the end) begin
    // their white space after the last token, and end the white space
    // before the first token still to place.
    std::size_t tail_begin(std::size_t kept) const {
        return std::max(at, kept == 0 ? 0 : spans[kept - 1].end);
    }
    std::size_t lead_end(std::size_t kept, std::size_t end) const {
        return next_token < kept ? spans[next_token].begin : end;
    }
    std::size_t begin_of(std::size_t kept) const {
        return kept < spans.size() ? spans[kept].begin : bytes.size();
    }
};

// The bytes from where each side is to the kept tokens i and j (or to the
// ends): the white space both share at the start kept, the white space both
// share at the end kept, and the rest, removed tokens and other white
// space, removed from A and inserted from B.
void add_between(ByteRuns& runs, Side& a, std::size_t i, Side& b, std::size_t j) {
    const std::size_t a_end = a.begin_of(i), b_end = b.begin_of(j);
    const std::size_t a_tail = a.tail_begin(i), b_tail = b.tail_begin(j);
    const std::size_t suffix = common_suffix(a.bytes.substr(a_tail, a_end - a_tail),
                                             b.bytes.substr(b_tail, b_end - b_tail));
    const std::size_t a_lead = std::min(a.lead_end(i, a_end), a_end - suffix);
    const std::size_t b_lead = std::min(b.lead_end(j, b_end), b_end - suffix);
    const std::size_t prefix = common_prefix(a.bytes.substr(a.at, a_lead - a.at),
                                             b.bytes.substr(b.at, b_lead - b.at));
    runs.add(lcs::Edit::keep, a.at, b.at, prefix);
    runs.add(lcs::Edit::remove, a.at + prefix, b.at + prefix, a_end - suffix - (a.at + prefix));
    runs.add(lcs::Edit::insert, a_end - suffix, b.at + prefix, b_end - suffix - (b.at + prefix));
    runs.add(lcs::Edit::keep, a_end - suffix, b_end - suffix, suffix);
    a.at = a_end, b.at = b_end;
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

lcs::Alignment UnitInputs::align(const lcs::Stop* stop, unsigned threads) const {
    const std::u32string_view a = a_tokens_.symbols, b = b_tokens_.symbols;
    // The bit-parallel pass costs about |a| |b| / 64 word steps; the
    // difference search is tried within that, then gives way to it.
    const std::uint64_t budget = static_cast<std::uint64_t>(a.size()) * b.size() / 64 +
                                 64 * (static_cast<std::uint64_t>(a.size()) + b.size());
    if (std::optional<lcs::Alignment> found =
            lcs::text::align_by_differences(a, b, budget, stop)) {
        return *found;
    }
    return lcs::align(a, b, threads, stop);
}

std::string unit_noun(lcs::text::Unit unit) {
    return unit == lcs::text::Unit::chars ? "characters" : lcs::text::unit_name(unit);
}

Method toolkit_method(const UnitInputs& inputs, std::optional<double> distance,
                      unsigned threads) {
    const std::u32string_view a = inputs.a_tokens().symbols, b = inputs.b_tokens().symbols;
    const auto lenA = static_cast<double>(a.size()), lenB = static_cast<double>(b.size());
    Method method;
    method.facts = {"lcs::length", lcs::RoutineKind::lcs_length,
                    toolkit_seconds(lenA, lenB, distance), 8.0 * (lenA + lenB)};
    method.task.call = [a, b, threads] { return static_cast<double>(lcs::length(a, b, threads)); };
    method.task.warm_up = [] { lcs::length(std::u32string_view(), std::u32string_view()); };
    return method;
}

lcs::Alignment UnitInputs::byte_alignment(const lcs::Alignment& tokens) const {
    ByteRuns runs;
    Side a{a_.bytes, a_tokens_.spans}, b{b_.bytes, b_tokens_.spans};
    for (const lcs::Run& run : tokens.runs) {
        if (run.edit != lcs::Edit::keep) continue;
        for (std::int32_t k = 0; k < run.count; ++k) {
            const auto i = static_cast<std::size_t>(run.a_pos + k);
            const auto j = static_cast<std::size_t>(run.b_pos + k);
            add_between(runs, a, i, b, j);
            const std::size_t size = a.spans[i].end - a.spans[i].begin;
            runs.add(lcs::Edit::keep, a.at, b.at, size);
            a.at += size, b.at += size;
            a.next_token = i + 1, b.next_token = j + 1;
        }
    }
    add_between(runs, a, a.spans.size(), b, b.spans.size());
    return runs.take();
}

std::string unit_show_json_members(const UnitInputs& inputs, const lcs::Alignment& tokens) {
    return show_json_members(inputs.a().bytes, inputs.byte_alignment(tokens));
}

void write_unit_show(std::FILE* out, const UnitInputs& inputs, const lcs::Alignment& tokens,
                     std::int64_t context, bool color) {
    const NamedInput &a = inputs.a(), &b = inputs.b();
    if (inputs.unit() == lcs::text::Unit::lines) {
        const std::string diff = lcs::text::unified_diff(
            {a.name, a.bytes, inputs.a_tokens().spans}, {b.name, b.bytes, inputs.b_tokens().spans},
            tokens, context);
        std::fputc('\n', out);
        std::fwrite(diff.data(), 1, diff.size(), out);
        return;
    }
    write_show(out, a.bytes, b.bytes, inputs.byte_alignment(tokens), color, true);
}

}  // namespace compare
