// Lines of a file in chunks of views into one buffer; see search/lines.h.
// Tests: tests/test_search.cpp (SearchLines.*, Search.*).
#include "search/lines.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <emmintrin.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "search/options.h"
#include "support/printing.h"

namespace search {

namespace {

[[noreturn]] void read_failed(const std::string& path, const char* what, int error) {
    throw SearchError(std::string(what) + " " + lcs::support::quoted(display_name(path)) + ": " +
                      std::strerror(error));
}

// Whether a read of `fd` would return at once: data, its end or an error
// is there. A failed poll says yes, and the read then tells what is wrong.
bool input_ready(int fd) {
    struct pollfd wanted = {fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&wanted, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready != 0;
}

// The length of the line from `begin` to `lf`, without a CR just before the LF.
std::size_t line_length(const char* begin, const char* lf) {
    return static_cast<std::size_t>(lf - begin) - (lf > begin && lf[-1] == '\r' ? 1 : 0);
}

}  // namespace

std::string display_name(const std::string& path) {
    return path == "-" ? "(standard input)" : path;
}

LineReader::LineReader(const std::string& path, std::size_t longest_line,
                       std::size_t buffer_bytes)
    : path_(path),
      longest_line_(longest_line),
      buffer_bytes_(std::max<std::size_t>(buffer_bytes, 1)) {
    if (path == "-") {
        fd_ = STDIN_FILENO;
    } else {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) read_failed(path, "cannot open", errno);
        owned_ = true;
    }
}

LineReader::~LineReader() {
    if (owned_) ::close(fd_);
}

// Moves the unfinished line to the front of the buffer, or doubles the
// buffer when that line fills it, so that a read has room. The moved bytes
// hold no LF (they were scanned), so the scan resumes after them.
void LineReader::make_room() {
    const std::size_t kept = end_ - begin_;
    if (kept == capacity_ || !buffer_) {
        // The longest line and a CR, plus one byte to tell whether it ends.
        const std::size_t capacity =
            std::max(buffer_bytes_, std::min(2 * capacity_, longest_line_ + 3));
        std::unique_ptr<char[]> larger(new char[capacity]);
        if (kept > 0) std::memcpy(larger.get(), buffer_.get() + begin_, kept);
        buffer_ = std::move(larger);
        capacity_ = capacity;
    } else if (kept > 0 && begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, kept);
    }
    begin_ = 0;
    end_ = scan_ = kept;
    lf_mask_ = 0;
}

// Reads until the buffer is full or the input ends: a chunk then holds as
// many lines as the buffer does, even from a pipe that hands out little at
// a time. When streaming, it stops early once it has read something and
// the input has nothing more ready.
bool LineReader::refill() {
    if (ended_) return false;
    make_room();
    const std::size_t before = end_;
    while (end_ < capacity_) {
        if (before_waiting_ && !input_ready(fd_)) {
            if (end_ > before) break;
            before_waiting_();
        }
        const ssize_t got = ::read(fd_, buffer_.get() + end_, capacity_ - end_);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
        } else if (got == 0) {
            ended_ = true;
            break;
        } else if (errno != EINTR) {
            read_failed(path_, "cannot read", errno);
        }
    }
    return end_ > before;
}

void LineReader::too_long() const {
    throw SearchError(lcs::support::quoted(display_name(path_)) + " line " + std::to_string(next_line_) +
                      ": longer than " + std::to_string(longest_line_) + " bytes");
}

namespace {

// The LFs of the 64 bytes at `block`, as a mask (SSE2, which every x86-64
// processor has): many short lines then cost one comparison of each byte
// and a bit scan per line.
std::uint64_t lf_mask_of_block(const char* block) {
    const __m128i lf = _mm_set1_epi8('\n');
    std::uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block) + part);
        const auto hits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
        mask |= std::uint64_t{hits} << (16 * part);
    }
    return mask;
}

std::uint64_t lf_mask_of_tail(const char* block, std::size_t count) {
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < count; ++i) mask |= std::uint64_t{block[i] == '\n'} << i;
    return mask;
}

}  // namespace

// Loads the LF mask of the next bytes not yet scanned; false when every
// byte read so far has been.
bool LineReader::scan_block() {
    if (scan_ >= end_) return false;
    const std::size_t count = std::min<std::size_t>(64, end_ - scan_);
    const char* block = buffer_.get() + scan_;
    lf_mask_ = count == 64 ? lf_mask_of_block(block) : lf_mask_of_tail(block, count);
    lf_block_ = scan_;
    scan_ += count;
    return true;
}

void LineReader::add_line(Chunk& chunk, std::size_t length) {
    if (length > longest_line_) too_long();
    chunk.lines.emplace_back(buffer_.get() + begin_, length);
    ++next_line_;
}

// The complete lines of the buffer into the chunk, up to kChunkLines and
// up to a line longer than longest_line_. The hot loop of a search over short lines, so the state it walks is kept in
// locals, which the views it writes cannot alias.
void LineReader::take_lines(Chunk& chunk) {
    std::vector<std::string_view>& lines = chunk.lines;
    lines.reserve(kChunkLines);
    const char* const data = buffer_.get();
    const std::size_t longest = longest_line_;
    const std::size_t first = lines.size();
    std::size_t begin = begin_;
    std::uint64_t mask = lf_mask_;
    std::size_t block = lf_block_;
    while (lines.size() < kChunkLines) {
        if (mask == 0) {
            if (!scan_block()) break;
            mask = lf_mask_;
            block = lf_block_;
            continue;
        }
        const std::size_t lf = block + static_cast<std::size_t>(__builtin_ctzll(mask));
        mask &= mask - 1;
        const std::size_t length = line_length(data + begin, data + lf);
        if (length > longest) {
            long_line_ = true;  // refused at the next call, after the lines before it
            break;
        }
        lines.emplace_back(data + begin, length);
        begin = lf + 1;
    }
    lf_mask_ = mask;
    begin_ = begin;
    next_line_ += lines.size() - first;
}

bool LineReader::next(Chunk& chunk) {
    chunk.lines.clear();
    chunk.first_line = next_line_;
    for (;;) {
        if (long_line_) too_long();
        take_lines(chunk);
        if (!chunk.lines.empty()) return true;
        if (long_line_) too_long();
        // No complete line is left, so no view into the buffer is held and
        // its bytes may move.
        if (end_ - begin_ > longest_line_ + 1) too_long();  // + 1: a CR may yet come off
        if (refill()) continue;
        if (begin_ == end_) return false;
        add_line(chunk, end_ - begin_);  // the last line, without LF
        begin_ = scan_ = end_;
        return true;
    }
}

}  // namespace search
