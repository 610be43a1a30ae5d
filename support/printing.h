// What every program of the project prints, written once so that the
// programs cannot drift apart: the user's text quoted in a message, any
// bytes as a JSON value, a similarity's digits, the version lines, and
// writes that report their failure.
//
// JSON text policy: bytes that are valid UTF-8 (RFC 3629) are written as a
// JSON string of their characters, so a reader gets the same text back;
// bytes that are not are written as the object {"bytes":"<base64>"} (RFC
// 4648, with padding), so a reader gets the same bytes back. A string never
// holds one \u00XX character per byte, which a reader could not tell from
// the character U+00XX.
// Tests: tests/test_printing.cpp.
#ifndef LCS_SUPPORT_PRINTING_H
#define LCS_SUPPORT_PRINTING_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lcs::support {

// The length of the well-formed UTF-8 sequence at the front of `bytes` (no
// overlong form, no surrogate, nothing above U+10FFFF), or 0 when `bytes`
// is empty or does not start with one.
std::size_t utf8_sequence_length(std::string_view bytes);

bool is_utf8(std::string_view bytes);

// The user's text as it goes into a one-line message: in single quotes; a
// quote and a backslash escaped by a backslash; LF, tab and CR as \n, \t,
// \r; every other control byte (C0, DEL, and the bytes of a C1 control
// character) and every byte that is not part of valid UTF-8 as \xHH. Other
// characters stand as they are, so a name in any script reads as typed and
// nothing the user typed reaches the terminal as a control sequence.
std::string quoted(std::string_view text);

// `bytes` as one JSON value under the policy above.
void append_json_text(std::string& out, std::string_view bytes);
std::string json_text(std::string_view bytes);

// RFC 4648 base64 with padding.
std::string base64(std::string_view bytes);

// The similarity common / longer cut, not rounded, to `decimals` decimals:
// 1999 of 2000 is "0.999", and only common == longer reads "1.000".
// longer == 0 (two empty strings) counts as 1. Needs 0 <= common <= longer.
std::string similarity_text(std::int64_t common, std::int64_t longer, int decimals = 3);

// "lcs-search 0.1.0\nvector paths: avx512\n": the program, the project's
// version, and the vector paths that lcs::isa() names.
std::string version_text(std::string_view program, std::string_view vector_paths);

// Output that cannot be written (a closed pipe with SIGPIPE ignored, a full
// disk): what() is one line naming the system's reason.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes `bytes` to `out`, and flushes `out`; each throws WriteError at the
// first failure, so a program stops at once instead of computing on for a
// reader that is gone.
void write_out(std::FILE* out, std::string_view bytes);
void flush_out(std::FILE* out);

}  // namespace lcs::support

#endif  // LCS_SUPPORT_PRINTING_H
