// lcs-compare --by chars|words|lines: the two inputs cut into tokens of one
// unit (text/tokens.h), the toolkit's row on their symbols, the classic
// routines' inputs with each token recoded to one byte, and --show in the
// unit.
#ifndef COMPARE_UNITS_H
#define COMPARE_UNITS_H

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "compare/comparison.h"
#include "text/tokens.h"
#include "text/unified_diff.h"
#include <lcs/lcs.h>

namespace compare {

// One input: its bytes and the name that the diff's header gives it.
struct NamedInput {
    std::string name;
    std::string bytes;
};

class UnitInputs {
public:
    // Throws InputError, naming the input as the user gave it (A, B or the
    // path) and the byte offset, when chars or words meet bytes that are not
    // UTF-8.
    UnitInputs(lcs::text::Unit unit, NamedInput a, NamedInput b);
    UnitInputs(const UnitInputs&) = delete;
    UnitInputs& operator=(const UnitInputs&) = delete;

    lcs::text::Unit unit() const { return unit_; }
    const NamedInput& a() const { return a_; }
    const NamedInput& b() const { return b_; }
    const lcs::text::Tokens& a_tokens() const { return a_tokens_; }
    const lcs::text::Tokens& b_tokens() const { return b_tokens_; }

    // Each token as one byte, for the classic routines; nothing when the two
    // inputs together hold more than 256 distinct tokens.
    const std::optional<std::pair<std::string, std::string>>& recoded() const { return recoded_; }

    // One longest common subsequence of the tokens, on at most `threads`
    // threads (0: every hardware thread); throws lcs::Stopped once `stop` is
    // requested.
    lcs::Alignment align(const lcs::Stop* stop = nullptr, unsigned threads = 0) const;

    // A token alignment as runs over the inputs' bytes: keeps and removes
    // rebuild A byte for byte, keeps and inserts B, and every keep holds
    // the same bytes in both. Equal tokens have equal bytes, but the white
    // space between words may differ: the white space that the two share
    // next to a kept word is kept, the rest is removed and inserted, so
    // that an inserted or removed word shows with the space before it and
    // a change of white space shows as such.
    lcs::Alignment byte_alignment(const lcs::Alignment& tokens) const;

private:
    lcs::text::Unit unit_;
    NamedInput a_, b_;               // the interner keeps views of these bytes
    lcs::text::Interner interner_;
    lcs::text::Tokens a_tokens_, b_tokens_;
    std::optional<std::pair<std::string, std::string>> recoded_;
};

// "bytes", "characters", "words" or "lines": what the unit's lengths count.
std::string unit_noun(lcs::text::Unit unit);

// The toolkit's method, lcs::length on the two inputs' symbols, which must
// outlive it, on at most `threads` threads (0: every hardware thread);
// `distance` is what a cheap look says of the inputs (compare/likeness.h).
Method toolkit_method(const UnitInputs& inputs, std::optional<double> distance,
                      unsigned threads = 0);

// --show in the unit, of the alignment of the tokens: for lines the unified
// diff with `context` lines around each change; for chars and words the
// common subsequence and the inline diff, in the inputs' own bytes.
void write_unit_show(std::FILE* out, const UnitInputs& inputs, const lcs::Alignment& tokens,
                     std::int64_t context, bool color);

// --show's members of the JSON object in the unit: the runs over the
// inputs' bytes (UnitInputs::byte_alignment) and the common subsequence in
// A's bytes.
std::string unit_show_json_members(const UnitInputs& inputs, const lcs::Alignment& tokens);

}  // namespace compare

#endif  // COMPARE_UNITS_H
