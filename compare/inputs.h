// The two inputs of lcs-compare, read whole as bytes and laid out once as the
// one-based sequences that every routine takes.
#ifndef COMPARE_INPUTS_H
#define COMPARE_INPUTS_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <lcs/routines.h>

namespace compare {

// The longest input that a routine accepts.
constexpr std::int64_t kMaxInputLength = lcs::kMaxLength;

// An input that cannot be had: a file that cannot be read, or one longer
// than kMaxInputLength. what() is the one line that the user sees.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A one-based sequence: byte 0 and byte length + 1 are zero, the input's
// bytes are at positions 1 to length.
class OneBased {
public:
    explicit OneBased(const std::string& bytes);
    const char* data() const { return buffer_.data(); }
    std::int32_t length() const { return static_cast<std::int32_t>(buffer_.size() - 2); }

private:
    std::vector<char> buffer_;
};

// How messages name an input read from `path`: "standard input" for "-",
// else the path quoted as support/printing.h quotes the user's text.
std::string input_name(const std::string& path);

// The operand "-" stands for standard input, read to its end.
bool is_standard_input(const std::string& operand);

// The bytes of a file, or of standard input for "-". Throws InputError.
std::string read_file(const std::string& path);

// The operand itself as the input's bytes. Throws InputError when too long.
std::string checked_argument(const std::string& text, const char* which);

}  // namespace compare

#endif  // COMPARE_INPUTS_H
