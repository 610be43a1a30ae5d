// Rendering of an alignment for lcs-compare --show. Tests:
// tests/test_compare_show.cpp.
#include "compare/show.h"

#include <unistd.h>

#include <cstdlib>

#include "compare/inputs.h"
#include "compare/report.h"

namespace compare {
namespace {

const char kRed[] = "\033[31m", kGreen[] = "\033[32m", kPlain[] = "\033[0m";

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
    throw InputError("--color takes auto, always or never, not '" + text + "'");
}

bool colored(Color color) {
    if (color != Color::automatic) return color == Color::always;
    const char* no_color = std::getenv("NO_COLOR");
    return ::isatty(STDOUT_FILENO) == 1 && (no_color == nullptr || *no_color == '\0');
}

std::string shown_bytes(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        shown += printable(byte) && c != '\\' ? std::string(1, c) : hex_escape("\\x%02x", byte);
    }
    return shown;
}

void write_show(std::FILE* out, std::string_view a, std::string_view b,
                const lcs::Alignment& alignment, bool color) {
    std::string diff;
    for (const lcs::Run& run : alignment.runs) {
        const auto count = static_cast<std::size_t>(run.count);
        if (run.edit == lcs::Edit::keep) {
            diff += shown_bytes(a.substr(static_cast<std::size_t>(run.a_pos), count));
        } else if (run.edit == lcs::Edit::remove) {
            const std::string removed = shown_bytes(a.substr(static_cast<std::size_t>(run.a_pos), count));
            diff += color ? kRed + removed + kPlain : "[-" + removed + "-]";
        } else {
            const std::string inserted = shown_bytes(b.substr(static_cast<std::size_t>(run.b_pos), count));
            diff += color ? kGreen + inserted + kPlain : "{+" + inserted + "+}";
        }
    }
    std::fprintf(out, "\ncommon subsequence: %s\ndiff of A into B:   %s\n",
                 shown_bytes(common_of(a, alignment)).c_str(), diff.c_str());
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
    return members + ",\n  \"common_subsequence\": " + json_string(common_of(a, alignment));
}

}  // namespace compare
