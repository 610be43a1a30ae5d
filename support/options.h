// The command-line habits that every program of the project shares, on
// getopt_long: what it refused, said in its own words ("option '--all'
// takes no value"), and values checked whole, as plain decimals (no sign,
// space, exponent or hexadecimal form), each refusal quoting the value as
// support/printing.h does.
// Tests: tests/test_printing.cpp.
#ifndef LCS_SUPPORT_OPTIONS_H
#define LCS_SUPPORT_OPTIONS_H

#include <getopt.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lcs::support {

// A bad command line: what() is the one line the user sees.
class OptionError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Throws the OptionError for what getopt_long has just refused: `result` is
// what it returned (':' for a missing value, when the short options begin
// with ':'; '?' otherwise), `longs` the table it was given. The message
// names the option as the user meant it: "option '--top' needs a value",
// "option '--all' takes no value", "option '--t' is ambiguous",
// "unknown option '--frob'", "unknown option '-x'"; each ends with
// " (see --help)".
[[noreturn]] void refuse_option(int result, char** argv, const struct option* longs);

// Throws "option '<option>' needs <wanted>, not '<value>'".
[[noreturn]] void refuse_value(std::string_view option, std::string_view value,
                               std::string_view wanted);

// Digits with at most one decimal point and at least one digit: "2",
// "2.", "2.5", ".5".
bool is_plain_decimal(std::string_view text);

// A whole number from `least` to `most` in plain digits; else refuse_value.
// With `most` at its largest the range reads "of <least> or more".
std::uint64_t whole_number(std::string_view option, std::string_view value, std::uint64_t least,
                           std::uint64_t most = std::numeric_limits<std::int64_t>::max());

// A plain decimal from 0 to 1; else refuse_value.
double fraction(std::string_view option, std::string_view value);

}  // namespace lcs::support

#endif  // LCS_SUPPORT_OPTIONS_H
