// A line of progress on standard error that each update rewrites in place.
// It is shown only when standard error is a terminal, so that it never mixes
// with what the user keeps from a pipe or a file, and it is cleared before
// the program's own output goes on.
#ifndef LCS_SUPPORT_STATUS_LINE_H
#define LCS_SUPPORT_STATUS_LINE_H

#include <unistd.h>

#include <cstdarg>
#include <cstdio>

namespace lcs::support {

class StatusLine {
public:
    // wanted = false: never shown, whatever standard error is.
    explicit StatusLine(bool wanted = true) : shown_(wanted && ::isatty(STDERR_FILENO) == 1) {}
    ~StatusLine() { clear(); }
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    bool shown() const { return shown_; }

    // Replaces the line by the printf-formatted text.
    __attribute__((format(printf, 2, 3))) void show(const char* format, ...) {
        if (!shown_) return;
        std::fputs("\r\033[K", stderr);
        va_list arguments;
        va_start(arguments, format);
        std::vfprintf(stderr, format, arguments);
        va_end(arguments);
        std::fflush(stderr);
        written_ = true;
    }

    void clear() {
        if (!written_) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        written_ = false;
    }

private:
    bool shown_;
    bool written_ = false;
};

}  // namespace lcs::support

#endif  // LCS_SUPPORT_STATUS_LINE_H
