// Reading the lines of a file or of standard input in chunks, for
// lcs-search: large reads, lines found by a vector scan for LF, memory
// bounded by the buffer whatever the input's size.
#ifndef SEARCH_LINES_H
#define SEARCH_LINES_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace search {

// Up to kChunkLines lines, views into the reader's buffer, valid until the
// next call of next(). first_line: the number of lines[0] in its file,
// from 1.
struct Chunk {
    std::vector<std::string_view> lines;
    std::uint64_t first_line = 1;
};

// One buffer, filled by large reads and never zeroed; a chunk is the
// complete lines the buffer holds, as views, so a line is neither copied
// nor moved on its way to the batch. Only the unfinished line at the end
// of the buffer moves to the front before the next read, and the buffer
// grows only when one line fills it.
class LineReader {
public:
    static constexpr std::size_t kChunkLines = std::size_t{1} << 16;
    // The buffer's starting size for one thread: small enough to stay in
    // the processor's second-level cache while its lines are matched.
    static constexpr std::size_t kBufferBytes = std::size_t{1} << 17;

    // Reads `path` ("-": standard input) through a buffer of at least
    // buffer_bytes. Throws SearchError when the file cannot be opened.
    LineReader(const std::string& path, std::size_t longest_line,
               std::size_t buffer_bytes = kBufferBytes);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next chunk, false at the end of the input. Throws SearchError when
    // the input cannot be read or a line is longer than longest_line (once
    // the lines before that one have been handed out).
    bool next(Chunk& chunk);

    // For output that streams: a chunk then ends where the input has nothing
    // more ready, and `before_waiting` runs before each read that would
    // wait, so that the lines computed so far can be written first. Without
    // it a chunk fills the buffer, however long the input takes to come.
    void stream(std::function<void()> before_waiting) { before_waiting_ = std::move(before_waiting); }

private:
    void take_lines(Chunk& chunk);
    bool refill();  // false at the end of the input
    void make_room();
    bool scan_block();
    void add_line(Chunk& chunk, std::size_t length);
    [[noreturn]] void too_long() const;

    std::string path_;
    std::function<void()> before_waiting_;
    int fd_ = -1;
    bool owned_ = false;
    bool ended_ = false;
    bool long_line_ = false;  // the line at begin_ is too long
    std::size_t longest_line_;
    std::size_t buffer_bytes_;
    std::uint64_t next_line_ = 1;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0;       // first byte not yet handed out
    std::size_t end_ = 0;         // bytes read
    std::size_t scan_ = 0;        // first byte not yet looked at for LF
    std::size_t lf_block_ = 0;    // offset of the bytes lf_mask_ covers
    std::uint64_t lf_mask_ = 0;   // LFs found there and not yet handed out
};

// How messages and output name a file: standard input as "(standard input)".
std::string display_name(const std::string& path);

}  // namespace search

#endif  // SEARCH_LINES_H
