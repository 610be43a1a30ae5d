// The dialogue reads its input by hand rather than with "%d" and "%s": a
// length must be a whole word of digits within range, and a word is read to
// its end but stored only up to its declared length, so no input can write
// past a sequence's length + 2 bytes or make the program allocate more.
#include "dialogue.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include <lcs/routines.h>
#include "routines/detail/storage.h"

namespace {

using lcs::detail::ZeroFilled;

// The dialogue's failures; each ends the run with a one-line message.
struct DialogueError {
    std::string message;
};

// White space as "%s" and "%d" skip it in the C locale.
bool is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The next byte, or EOF at the input's end. A stream that fails (closed,
// a directory) is not an input that ended: that is said, with the reason.
int next_byte(std::FILE* in) {
    const int c = std::getc(in);
    if (c == EOF && std::ferror(in)) {
        throw DialogueError{std::string("standard input could not be read: ") +
                            std::strerror(errno)};
    }
    return c;
}

// Skips white space; returns the first other byte, or EOF.
int skip_space(std::FILE* in) {
    int c = next_byte(in);
    while (c != EOF && is_space(c)) c = next_byte(in);
    return c;
}

std::string characters(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " character" : " characters");
}

std::int32_t read_length(std::FILE* in, const char* which) {
    const std::string what = std::string("the length of string ") + which;
    const std::string accepted = "a whole number from 0 to " + std::to_string(lcs::kMaxLength);
    int c = skip_space(in);
    if (c == EOF) throw DialogueError{"the input ended before " + what + "; expected " + accepted};
    std::int64_t value = 0;
    bool digits_only = true;
    for (; c != EOF && !is_space(c); c = next_byte(in)) {
        if (c < '0' || c > '9') {
            digits_only = false;
        } else if (value <= lcs::kMaxLength) {
            value = value * 10 + (c - '0');
        }
    }
    if (!digits_only || value > lcs::kMaxLength) throw DialogueError{what + " must be " + accepted};
    return static_cast<std::int32_t>(value);
}

// Reads one word into positions 1 to length of `sequence`. The word is read
// to its end whatever its length, but nothing past position length is
// stored; a longer word is refused.
void read_word(std::FILE* in, char* sequence, std::int32_t length, const char* which) {
    int c = skip_space(in);
    if (c == EOF) {
        throw DialogueError{std::string("the input ended before string ") + which +
                            "; expected a word of at most " + characters(length)};
    }
    std::uint64_t count = 0;
    for (; c != EOF && !is_space(c); c = next_byte(in)) {
        ++count;
        if (count <= static_cast<std::uint64_t>(length)) sequence[count] = static_cast<char>(c);
    }
    if (count > static_cast<std::uint64_t>(length)) {
        throw DialogueError{std::string("string ") + which + " has " + characters(count) +
                            ", more than its declared length " +
                            std::to_string(length)};
    }
}

void prompt(std::FILE* out, const char* text) {
    std::fputs(text, out);
    std::fflush(out);
}

std::int32_t ask_and_compare(std::FILE* in, std::FILE* out) {
    prompt(out, "Input the length of string A: ");
    const std::int32_t lenA = read_length(in, "A");
    prompt(out, "Input the length of string B: ");
    const std::int32_t lenB = read_length(in, "B");

    // One-based sequences: positions 0 and length + 1 stay zero bytes, and
    // positions that the word does not reach stay zero bytes that count as
    // characters of the string.
    ZeroFilled<char> a(static_cast<std::size_t>(lenA) + 2);
    ZeroFilled<char> b(static_cast<std::size_t>(lenB) + 2);
    read_word(in, a.get(), lenA, "A");
    read_word(in, b.get(), lenB, "B");
    return HuntSzymanski_Alg(a.get(), b.get(), lenA, lenB);
}

}  // namespace

int run_dialogue(std::FILE* in, std::FILE* out, std::FILE* err) {
    try {
        const std::int32_t result = ask_and_compare(in, out);
        std::fprintf(out, "HuntSzymanski_Alg LCS : %d\n", static_cast<int>(result));
        if (std::fflush(out) != 0 || std::ferror(out)) {
            std::fputs("lcs: cannot write the result to standard output\n", err);
            return 1;
        }
        return 0;
    } catch (const DialogueError& error) {
        std::fprintf(err, "lcs: %s\n", error.message.c_str());
    } catch (const std::bad_alloc&) {
        std::fputs("lcs: not enough memory to compare strings of these lengths\n", err);
    }
    std::fflush(out);
    return 1;
}
