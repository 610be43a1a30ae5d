// Lines of a file in chunks: one buffer that grows to hold the chunk's
// lines, refilled by reads of at least kReadBytes; the unfinished line at
// the end of a chunk moves to the front for the next one.
#include "search/lines.h"

#include <fcntl.h>
#include <unistd.h>

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

bool LineReader::next(Chunk& chunk) {
    // The previous chunk's views end here: its unfinished line moves to the front.
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    chunk.first_line = next_line_;
    // Offsets, not views, while reads may move the buffer.
    std::vector<std::pair<std::size_t, std::size_t>>& spans = spans_;
    spans.clear();
    std::size_t scanned = 0;  // bytes after begin_ known to hold no LF
    while (spans.size() < kChunkLines && begin_ < kChunkBytes) {
        const char* data = buffer_.data();
        const auto* lf = static_cast<const char*>(
            std::memchr(data + begin_ + scanned, '\n', end_ - begin_ - scanned));
        if (lf == nullptr) {
            scanned = end_ - begin_;
            if (scanned > longest_line_ + 1) too_long();  // + 1: a CR may yet come off
            if (fill()) continue;
            if (begin_ == end_) break;
            if (end_ - begin_ > longest_line_) too_long();  // the last line, without LF
            spans.emplace_back(begin_, end_ - begin_);
            begin_ = end_;
            ++next_line_;
            break;
        }
        const std::size_t length = line_length(data + begin_, lf);
        if (length > longest_line_) too_long();
        spans.emplace_back(begin_, length);
        begin_ = static_cast<std::size_t>(lf - data) + 1;
        scanned = 0;
        ++next_line_;
    }
    chunk.lines.clear();
    for (const auto& [offset, length] : spans) chunk.lines.emplace_back(buffer_.data() + offset, length);
    return !chunk.lines.empty();
}

}  // namespace search
