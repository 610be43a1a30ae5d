// Fuzzing of the console dialogue: the fuzzer's bytes are the program's whole
// standard input. The target reads the same bytes on its own terms to know
// whether they form a well-formed dialogue, then traps when run_dialogue
// crashes, reports success on bad input or failure on good input, prints a
// result line after an error message, or prints a result other than the
// prefix recurrence's.
//
// The dialogue allocates both sequences at their declared lengths and
// compares them whole (zero bytes stand for the positions a short word does
// not reach), so a declared length of 2000000000 is a legitimate request for
// gigabytes and hours of work. Inputs that declare a length above
// kLengthCap are skipped: they would only measure the machine, and the
// program's handling of huge lengths (refused above the maximum, out of
// memory reported) is covered by the console tests.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "console/dialogue.h"
#include "reference/oracles.h"
#include "reference/sequences.h"

namespace {

constexpr std::int64_t kLengthCap = 3000;

const std::string kPromptA = "Input the length of string A: ";
const std::string kPromptB = "Input the length of string B: ";

bool is_space(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The first four words of the input, split at white space; fewer if the
// input ends sooner.
std::vector<std::string> first_words(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (words.size() < 4) {
        while (i < size && is_space(data[i])) ++i;
        if (i == size) break;
        const std::size_t begin = i;
        while (i < size && !is_space(data[i])) ++i;
        words.emplace_back(reinterpret_cast<const char*>(data + begin), i - begin);
    }
    return words;
}

// A length word's value: digits only and at most lcs::kMaxLength, else nothing.
std::optional<std::int64_t> length_value(const std::string& word) {
    std::int64_t value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > lcs::kMaxLength) return std::nullopt;
    }
    return value;
}

struct Expectation {
    bool skip = false;                   // declares more work than the cap allows
    std::optional<std::int32_t> result;  // set for a well-formed dialogue
};

Expectation expect(const std::vector<std::string>& words) {
    Expectation e;
    std::int64_t lengths[2] = {0, 0};
    for (std::size_t k = 0; k < 2; ++k) {
        if (words.size() <= k) return e;
        const std::optional<std::int64_t> value = length_value(words[k]);
        if (!value) return e;
        if (*value > kLengthCap) {
            e.skip = true;
            return e;
        }
        lengths[k] = *value;
    }
    if (words.size() < 4) return e;
    if (static_cast<std::int64_t>(words[2].size()) > lengths[0]) return e;
    if (static_cast<std::int64_t>(words[3].size()) > lengths[1]) return e;
    // Positions past a short word hold zero bytes, which are characters.
    const std::string a = words[2] + std::string(lengths[0] - words[2].size(), '\0');
    const std::string b = words[3] + std::string(lengths[1] - words[3].size(), '\0');
    e.result = lcs::reference::reference_lcs(a, b);
    return e;
}

// An output stream into memory that holds everything written to it.
struct Capture {
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&bytes, &size);
    std::string text() {
        std::fflush(file);
        return std::string(bytes, size);
    }
    ~Capture() {
        std::fclose(file);
        std::free(bytes);
    }
};

[[noreturn]] void fail(const char* what, const std::string& out, const std::string& err) {
    std::fprintf(stderr, "dialogue: %s\n--- out ---\n%s\n--- err ---\n%s\n", what, out.c_str(),
                 err.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Expectation expected = expect(first_words(data, size));
    if (expected.skip) return 0;

    // fmemopen refuses a buffer of no bytes; an empty input is one byte
    // long with the stream's end set before it.
    static const char kNothing[1] = {0};
    std::FILE* in = size == 0 ? fmemopen(const_cast<char*>(kNothing), 1, "r")
                              : fmemopen(const_cast<std::uint8_t*>(data), size, "r");
    if (in == nullptr) std::abort();
    if (size == 0) std::fgetc(in);
    Capture out, err;
    const int status = run_dialogue(in, out.file, err.file);
    std::fclose(in);
    const std::string out_text = out.text(), err_text = err.text();

    if (expected.result) {
        const std::string line = "HuntSzymanski_Alg LCS : " + std::to_string(*expected.result) + "\n";
        if (status != 0) fail("failure on a well-formed dialogue", out_text, err_text);
        if (out_text != kPromptA + kPromptB + line) fail("wrong result", out_text, err_text);
        if (!err_text.empty()) fail("a message on success", out_text, err_text);
        return 0;
    }
    if (status != 1) fail("success reported on bad input", out_text, err_text);
    if (out_text != kPromptA && out_text != kPromptA + kPromptB) {
        fail("output other than the prompts after an error", out_text, err_text);
    }
    if (err_text.rfind("lcs: ", 0) != 0 || err_text.find('\n') != err_text.size() - 1) {
        fail("not one error line", out_text, err_text);
    }
    return 0;
}
