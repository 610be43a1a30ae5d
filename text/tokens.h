// Text units: the input's bytes cut into tokens, each token a 32-bit symbol
// that the LCS compares for equality, with the token's place in the input so
// that results can be shown in the input's own bytes.
//
//   bytes  every byte a token, its value the symbol.
//   chars  UTF-8 code points, decoded strictly (RFC 3629): a stray
//          continuation byte, a truncated sequence, an overlong form, a
//          surrogate or a value above U+10FFFF is refused with its offset;
//          the symbol is the code point.
//   words  maximal runs of characters that are not white space; white space
//          is the 25 characters of Unicode's White_Space property (the ASCII
//          space, tab, LF, VT, FF and CR among them), and the white space
//          between words is not compared. Input must be UTF-8.
//   lines  split after each LF; a CR right before the LF belongs to the line
//          end, and a last line without LF is a line too. Any bytes. Two
//          lines are the same token only when all their bytes, line end
//          included, are the same, so that "a\r\n", "a\n" and a final "a"
//          stay three different lines and a diff can rebuild either file.
//
// Word and line symbols come from an Interner shared by both inputs: equal
// tokens get equal symbols and different tokens different symbols, exactly.
#ifndef TEXT_TOKENS_H
#define TEXT_TOKENS_H

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "text/interner.h"

namespace lcs::text {

enum class Unit { bytes, chars, words, lines };

// "bytes", "chars", "words" or "lines"; nothing for any other name.
std::optional<Unit> parse_unit(std::string_view name);
const char* unit_name(Unit unit);

// Bytes [begin, end) of the input.
struct Span {
    std::size_t begin;
    std::size_t end;
};

// Input that is not UTF-8. offset() is that of the first byte of the faulty
// sequence; what() says which fault and where, without naming the input.
class InvalidUtf8 : public std::runtime_error {
public:
    InvalidUtf8(std::size_t offset, const char* fault);
    std::size_t offset() const { return offset_; }

private:
    std::size_t offset_;
};

struct Tokens {
    std::u32string symbols;   // one per token
    std::vector<Span> spans;  // each token's bytes; a line's span holds its line end
};

// The tokens of `input` in `unit`. Word and line symbols are interned in
// `interner`, which keeps views of `input`: the input must outlive it.
// Throws InvalidUtf8 for chars and words.
Tokens tokenize(Unit unit, std::string_view input, Interner& interner);

// The tokens of `input` compared only with tokens already in `interner`:
// a word or line that is not there gets Interner::kNotInterned, which
// equals no interned symbol. Exact for an LCS against the interned tokens
// (say a query's), since the LCS compares the two sides' tokens only with
// each other; the table stays the size of the query, however long the input.
Tokens tokenize_against(Unit unit, std::string_view input, const Interner& interner);

// A line's bytes without its line end (LF or CR LF).
std::string_view line_content(std::string_view line);

}  // namespace lcs::text

#endif  // TEXT_TOKENS_H
