// Lines of a file in chunks: one buffer that grows to hold the chunk's
// lines, refilled by reads of at least kReadBytes; the unfinished line at
// the end of a chunk moves to the front for the next one.
#include "search/lines.h"

#include <fcntl.h>
#include <unistd.h>

#include <emmintrin.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "search/options.h"
#include "search/output.h"

namespace search {

namespace {

constexpr std::size_t kReadBytes = std::size_t{1} << 20;

[[noreturn]] void read_failed(const std::string& path, const char* what, int error) {
    throw SearchError(std::string(what) + " " + quoted(display_name(path)) + ": " +
                      std::strerror(error));
}

// The length of the line from `begin` to `lf`, without a CR just before the LF.
std::size_t line_length(const char* begin, const char* lf) {
    return static_cast<std::size_t>(lf - begin) - (lf > begin && lf[-1] == '\r' ? 1 : 0);
}

}  // namespace

std::string display_name(const std::string& path) {
    return path == "-" ? "(standard input)" : path;
}

LineReader::LineReader(const std::string& path, std::size_t longest_line)
    : path_(path), longest_line_(longest_line) {
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

bool LineReader::fill() {
    if (ended_) return false;
    if (buffer_.size() - end_ < kReadBytes) buffer_.resize(end_ + kReadBytes);
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) {
            ended_ = true;
            return false;
        }
        if (errno != EINTR) read_failed(path_, "cannot read", errno);
    }
}

void LineReader::too_long() const {
    throw SearchError(quoted(display_name(path_)) + " line " + std::to_string(next_line_) +
                      ": longer than " + std::to_string(longest_line_) + " bytes");
}

// The offset of the next LF at or after scan_, or npos when the bytes read
// so far hold none. Sixty-four bytes at a time become a mask of their LFs
// (SSE2, which every x86-64 processor has), so that many short lines cost
// one comparison of each byte and a bit scan per line.
std::size_t LineReader::next_lf() {
    while (lf_mask_ == 0) {
        if (scan_ >= end_) return kNoLf;
        const char* block = buffer_.data() + scan_;
        const std::size_t count = std::min<std::size_t>(64, end_ - scan_);
        std::uint64_t mask = 0;
        if (count == 64) {
            const __m128i lf = _mm_set1_epi8('\n');
            for (int part = 0; part < 4; ++part) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block) + part);
                const auto hits = static_cast<std::uint32_t>(
                    _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
                mask |= std::uint64_t{hits} << (16 * part);
            }
        } else {
            for (std::size_t i = 0; i < count; ++i) {
                mask |= std::uint64_t{block[i] == '\n'} << i;
            }
        }
        lf_mask_ = mask;
        lf_block_ = scan_;
        scan_ += count;
    }
    const std::size_t at = lf_block_ + static_cast<std::size_t>(__builtin_ctzll(lf_mask_));
    lf_mask_ &= lf_mask_ - 1;
    return at;
}

bool LineReader::next(Chunk& chunk) {
    // The previous chunk's views end here: its unfinished line moves to the
    // front, and the bytes after it are scanned again.
    if (begin_ > 0) std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = scan_ = 0;
    lf_mask_ = 0;
    chunk.first_line = next_line_;
    // Offsets, not views, while reads may move the buffer.
    spans_.clear();
    while (spans_.size() < kChunkLines && begin_ < kChunkBytes) {
        const std::size_t lf = next_lf();
        if (lf == kNoLf) {
            if (end_ - begin_ > longest_line_ + 1) too_long();  // + 1: a CR may yet come off
            if (fill()) continue;
            if (begin_ == end_) break;
            if (end_ - begin_ > longest_line_) too_long();  // the last line, without LF
            spans_.emplace_back(begin_, end_ - begin_);
            begin_ = scan_ = end_;
            ++next_line_;
            break;
        }
        const std::size_t length = line_length(buffer_.data() + begin_, buffer_.data() + lf);
        if (length > longest_line_) too_long();
        spans_.emplace_back(begin_, length);
        begin_ = lf + 1;
        ++next_line_;
    }
    chunk.lines.clear();
    for (const auto& [offset, length] : spans_) {
        chunk.lines.emplace_back(buffer_.data() + offset, length);
    }
    return !chunk.lines.empty();
}

}  // namespace search
