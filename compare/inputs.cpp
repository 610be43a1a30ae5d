// Reading the inputs. A file is read with plain POSIX reads so that every
// byte arrives as it is (no newline translation, NUL bytes kept), and its
// length is checked before it is read, where the system knows it, and while
// it is read otherwise: a stream longer than the limit is refused after
// kMaxInputLength + 1 bytes, not read to its end.
#include "compare/inputs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/printing.h"

namespace compare {

namespace {

std::string too_long(const std::string& what) {
    return what + " is longer than " + std::to_string(kMaxInputLength) + " bytes";
}

// Closes the descriptor on every way out, except standard input's.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd > STDIN_FILENO) ::close(fd);
    }
};

}  // namespace

OneBased::OneBased(const std::string& bytes) : buffer_(bytes.size() + 2, '\0') {
    std::memcpy(buffer_.data() + 1, bytes.data(), bytes.size());
}

bool is_standard_input(const std::string& operand) { return operand == "-"; }

std::string input_name(const std::string& path) {
    return is_standard_input(path) ? std::string("standard input") : lcs::support::quoted(path);
}

std::string read_file(const std::string& path) {
    const std::string name = input_name(path);
    Descriptor file{is_standard_input(path) ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY)};
    if (file.fd < 0) throw InputError("cannot read " + name + ": " + std::strerror(errno));

    struct stat status {};
    if (::fstat(file.fd, &status) == 0 && S_ISREG(status.st_mode)) {
        if (status.st_size > kMaxInputLength) throw InputError(too_long(name));
    }
    std::string bytes;
    if (S_ISREG(status.st_mode) && status.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(status.st_size));
    }
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.fd, chunk, sizeof chunk);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            throw InputError("cannot read " + name + ": " + std::strerror(errno));
        }
        if (static_cast<std::int64_t>(bytes.size()) + got > kMaxInputLength) {
            throw InputError(too_long(name));
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return bytes;
}

std::string checked_argument(const std::string& text, const char* which) {
    if (static_cast<std::int64_t>(text.size()) > kMaxInputLength) {
        throw InputError(too_long(std::string("string ") + which));
    }
    return text;
}

}  // namespace compare
