// lcs-compare --show: one longest common subsequence of the two inputs and
// the diff of A into B, for people (after the table) and for scripts (two
// members of the JSON object).
#ifndef COMPARE_SHOW_H
#define COMPARE_SHOW_H

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "compare/runner.h"
#include <lcs/lcs.h>

namespace compare {

enum class Color { automatic, always, never };

// "auto", "always" or "never"; anything else throws lcs::support::OptionError.
Color parse_color(const std::string& text);

// Whether the diff is coloured: always, never, or (automatic) when standard
// output is a terminal and NO_COLOR is unset or empty.
bool colored(Color color);

// The bytes of `text` as they are shown: printable ASCII as itself, every
// other byte and the backslash as \xNN. With `utf8`, for text known to be
// valid UTF-8, the characters from U+00A0 on stand as themselves too (the
// C1 controls below them are still escaped).
std::string shown_bytes(std::string_view text, bool utf8 = false);

// The common subsequence, then the diff: removed bytes red and inserted
// green when `color`, else within [-...-] and {+...+}.
void write_show(std::FILE* out, std::string_view a, std::string_view b,
                const lcs::Alignment& alignment, bool color, bool utf8 = false);

// The members "alignment" (the runs), "common_subsequence" and
// "alignment_status" ("ok"), each line led by ",\n  ", to close the JSON
// object with. The common subsequence is written as support/printing.h
// writes any bytes.
std::string show_json_members(std::string_view a, const lcs::Alignment& alignment);

// Runs `work`, the alignment and what is made of it, with a Stop whose
// deadline is timeout_seconds away (none for 0 or less). Returns ok when it
// finished, timed_out when the Stop ended it, out_of_memory when it ran out
// of memory; what it had made by then is left to the work to drop.
Status within_limits(double timeout_seconds, const std::function<void(const lcs::Stop*)>& work);

// The members of the JSON object when the alignment did not finish:
// "alignment" and "common_subsequence" null, and "alignment_status" the
// reason, as a row's status ("timed_out", "out_of_memory").
std::string unfinished_json_members(Status status);

// The line after the table when the alignment did not finish.
void write_unfinished(std::FILE* out, Status status, double timeout_seconds);

}  // namespace compare

#endif  // COMPARE_SHOW_H
