// Rendering of an alignment for lcs-compare --show. Tests:
// tests/test_compare_show.cpp.
#include "compare/show.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <new>

#include "compare/inputs.h"
#include "compare/report.h"
#include "support/options.h"

namespace compare {
namespace {

constexpr double kLongestDeadlineSeconds = 1e9;

const char kRed[] = "\033[31m", kGreen[] = "\033[32m", kPlain[] = "\033[0m";
// A space has no colour of its own, so a removed or inserted one is drawn
// on a background of its run's colour, then the background is reset.
const char kRedSpace[] = "\033[41m \033[49m", kGreenSpace[] = "\033[42m \033[49m";

// `shown` (shown_bytes' form, where the only blank is the space) painted.
std::string painted(const std::string& shown, const char* color, const char* space) {
    std::string out = color;
    for (const char c : shown) {
        if (c == ' ') {
            out += space;
        } else {
            out += c;
        }
    }
    return out + kPlain;
}

std::string hex_escape(const char* form, unsigned char byte) {
    char escape[8];
    std::snprintf(escape, sizeof escape, form, byte);
    return escape;
}

bool printable(unsigned char byte) { return byte >= 0x20 && byte < 0x7f; }

const char* edit_name(lcs::Edit edit) {
    switch (edit) {
    case lcs::Edit::keep: return "keep";
    case lcs::Edit::remove: return "remove";
    case lcs::Edit::insert: return "insert";
    }
    return "";
}

std::string common_of(std::string_view a, const lcs::Alignment& alignment) {
    std::string common;
    for (const lcs::Run& run : alignment.runs) {
        if (run.edit == lcs::Edit::keep) {
            common += a.substr(static_cast<std::size_t>(run.a_pos), static_cast<std::size_t>(run.count));
        }
    }
    return common;
}

}  // namespace

Color parse_color(const std::string& text) {
    if (text == "auto") return Color::automatic;
    if (text == "always") return Color::always;
    if (text == "never") return Color::never;
    lcs::support::refuse_value("--color", text, "auto, always or never");
}

bool colored(Color color) {
    if (color != Color::automatic) return color == Color::always;
    const char* no_color = std::getenv("NO_COLOR");
    return ::isatty(STDOUT_FILENO) == 1 && (no_color == nullptr || *no_color == '\0');
}

// The length of the UTF-8 sequence at text[at] when it is a character
// from U+00A0 on, else 0; the text is valid UTF-8 (a sequence cut short
// is 0 all the same).
std::size_t printable_sequence(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t size = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (size == 0 || at + size > text.size()) return 0;
    const bool c1_control = lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
    return c1_control ? 0 : size;
}

std::string shown_bytes(std::string_view text, bool utf8) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t character = utf8 ? printable_sequence(text, i) : 0;
        if (character > 0) {
            shown.append(text.substr(i, character));
            i += character - 1;
        } else {
            shown += printable(byte) && byte != '\\' ? std::string(1, text[i])
                                                       : hex_escape("\\x%02x", byte);
        }
    }
    return shown;
}

void write_show(std::FILE* out, std::string_view a, std::string_view b,
                const lcs::Alignment& alignment, bool color, bool utf8) {
    std::string diff;
    for (const lcs::Run& run : alignment.runs) {
        const auto count = static_cast<std::size_t>(run.count);
        if (run.edit == lcs::Edit::keep) {
            diff += shown_bytes(a.substr(static_cast<std::size_t>(run.a_pos), count), utf8);
        } else if (run.edit == lcs::Edit::remove) {
            const std::string removed = shown_bytes(a.substr(static_cast<std::size_t>(run.a_pos), count), utf8);
            diff += color ? painted(removed, kRed, kRedSpace) : "[-" + removed + "-]";
        } else {
            const std::string inserted = shown_bytes(b.substr(static_cast<std::size_t>(run.b_pos), count), utf8);
            diff += color ? painted(inserted, kGreen, kGreenSpace) : "{+" + inserted + "+}";
        }
    }
    std::fprintf(out, "\ncommon subsequence: %s\ndiff of A into B:   %s\n",
                 shown_bytes(common_of(a, alignment), utf8).c_str(), diff.c_str());
}

std::string show_json_members(std::string_view a, const lcs::Alignment& alignment) {
    std::string members = ",\n  \"alignment\": [";
    for (std::size_t i = 0; i < alignment.runs.size(); ++i) {
        const lcs::Run& run = alignment.runs[i];
        members += std::string(i == 0 ? "" : ",") + "\n    {\"edit\": \"" + edit_name(run.edit) +
                   "\", \"a_pos\": " + std::to_string(run.a_pos) +
                   ", \"b_pos\": " + std::to_string(run.b_pos) +
                   ", \"count\": " + std::to_string(run.count) + "}";
    }
    members += alignment.runs.empty() ? "]" : "\n  ]";
    return members + ",\n  \"common_subsequence\": " + json_text(common_of(a, alignment)) +
           ",\n  \"alignment_status\": \"ok\"";
}

Status within_limits(double timeout_seconds, const std::function<void(const lcs::Stop*)>& work) {
    lcs::Stop stop;
    // A limit beyond any run (and beyond the clock's range) is none.
    if (timeout_seconds > 0 && timeout_seconds < kLongestDeadlineSeconds) {
        stop.set_deadline(std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(timeout_seconds)));
    }
    try {
        work(&stop);
    } catch (const lcs::Stopped&) {
        return Status::timed_out;
    } catch (const std::bad_alloc&) {
        return Status::out_of_memory;
    }
    return Status::ok;
}

std::string unfinished_json_members(Status status) {
    return std::string(",\n  \"alignment\": null,\n  \"common_subsequence\": null,\n  ") +
           "\"alignment_status\": " +
           (status == Status::timed_out ? "\"timed_out\"" : "\"out_of_memory\"");
}

void write_unfinished(std::FILE* out, Status status, double timeout_seconds) {
    if (status == Status::timed_out) {
        std::fprintf(out, "\nalignment: timed out (> %s)\n", human_seconds(timeout_seconds).c_str());
    } else {
        std::fputs("\nalignment: not enough memory\n", out);
    }
}

}  // namespace compare
