// The unified diff writer. The alignment's runs are first gathered into
// change blocks (the lines removed from A and inserted from B between two
// kept stretches); blocks whose kept stretch between them is at most twice
// the context are written as one hunk, as diff -u does. Hunk ranges follow
// diff's conventions: a count of 1 is left out, and an empty range names the
// line after which the change goes (0 at the start). Cost: linear in the
// runs and the bytes written. Covered by tests/test_text_diff.cpp.
#include "text/unified_diff.h"

#include <algorithm>

namespace lcs::text {
namespace {

// Lines [a_begin, a_end) of A give way to lines [b_begin, b_end) of B.
struct Block {
    std::int64_t a_begin, a_end, b_begin, b_end;
};

std::vector<Block> change_blocks(const lcs::Alignment& alignment, std::int64_t a_size,
                                 std::int64_t b_size) {
    std::vector<Block> blocks;
    bool open = false;
    for (const lcs::Run& run : alignment.runs) {
        if (run.edit == lcs::Edit::keep) {
            if (open) blocks.back().a_end = run.a_pos, blocks.back().b_end = run.b_pos;
            open = false;
        } else if (!open) {
            blocks.push_back({run.a_pos, run.a_pos, run.b_pos, run.b_pos});
            open = true;
        }
    }
    if (open) blocks.back().a_end = a_size, blocks.back().b_end = b_size;
    return blocks;
}

// A label in the header, in double quotes with C escapes when it holds a
// byte that would break the line or be misread (as diff quotes file names).
std::string header_name(std::string_view label) {
    const bool plain = std::none_of(label.begin(), label.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || c == '"' || c == '\\';
    });
    if (plain) return std::string(label);
    std::string quoted = "\"";
    for (const char c : label) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n' || c == '\t') {
            quoted += c == '\n' ? "\\n" : "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                                  static_cast<char>('0' + ((byte >> 3) & 7)),
                                  static_cast<char>('0' + (byte & 7)), '\0'};
            quoted += octal;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// "start,count" of a hunk's range; begin is zero-based.
std::string hunk_range(std::int64_t begin, std::int64_t count) {
    if (count == 1) return std::to_string(begin + 1);
    return std::to_string(count == 0 ? begin : begin + 1) + "," + std::to_string(count);
}

class HunkWriter {
public:
    HunkWriter(const LineFile& a, const LineFile& b, std::string& out) : a_(a), b_(b), out_(out) {}

    void lines(char marker, const LineFile& file, std::int64_t begin, std::int64_t end) {
        for (std::int64_t i = begin; i < end; ++i) {
            const Span span = file.lines[static_cast<std::size_t>(i)];
            out_ += marker;
            out_.append(file.text.substr(span.begin, span.end - span.begin));
            if (file.text[span.end - 1] != '\n') out_ += "\n\\ No newline at end of file\n";
        }
    }

    // Blocks [first, last] with `lead` kept lines before and `trail` after.
    void hunk(const Block* first, const Block* last, std::int64_t lead, std::int64_t trail) {
        const std::int64_t a_begin = first->a_begin - lead, b_begin = first->b_begin - lead;
        out_ += "@@ -" + hunk_range(a_begin, last->a_end + trail - a_begin) + " +" +
                hunk_range(b_begin, last->b_end + trail - b_begin) + " @@\n";
        lines(' ', a_, a_begin, first->a_begin);
        for (const Block* block = first; block <= last; ++block) {
            lines('-', a_, block->a_begin, block->a_end);
            lines('+', b_, block->b_begin, block->b_end);
            const std::int64_t kept_end = block == last ? block->a_end + trail : block[1].a_begin;
            lines(' ', a_, block->a_end, kept_end);
        }
    }

private:
    const LineFile& a_;
    const LineFile& b_;
    std::string& out_;
};

}  // namespace

std::string unified_diff(const LineFile& a, const LineFile& b, const lcs::Alignment& alignment,
                         std::int64_t context) {
    const auto a_size = static_cast<std::int64_t>(a.lines.size());
    const auto b_size = static_cast<std::int64_t>(b.lines.size());
    // Beyond a_size + b_size more context changes nothing, and the cap keeps
    // 2 x context from overflowing.
    context = std::clamp<std::int64_t>(context, 0, a_size + b_size);
    const std::vector<Block> blocks = change_blocks(alignment, a_size, b_size);
    std::string out;
    if (blocks.empty()) return out;
    out += "--- " + header_name(a.label) + "\n+++ " + header_name(b.label) + "\n";
    HunkWriter writer(a, b, out);
    std::int64_t previous_end = 0;  // the end in A of the block before the hunk
    for (std::size_t first = 0; first < blocks.size();) {
        std::size_t last = first;
        while (last + 1 < blocks.size() && blocks[last + 1].a_begin - blocks[last].a_end <= 2 * context) {
            ++last;
        }
        const std::int64_t next_begin = last + 1 < blocks.size() ? blocks[last + 1].a_begin : a_size;
        const std::int64_t lead = std::min(context, blocks[first].a_begin - previous_end);
        const std::int64_t trail = std::min(context, next_begin - blocks[last].a_end);
        writer.hunk(&blocks[first], &blocks[last], lead, trail);
        previous_end = blocks[last].a_end;
        first = last + 1;
    }
    return out;
}

}  // namespace lcs::text
