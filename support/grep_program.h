// The frame that lcs-search and lcs-pairs share with grep: exit status 0
// when something was printed, 1 when nothing was, 2 for an error; one line
// on standard error naming the program for each fault; --help and
// --version answered before any work.
#ifndef LCS_SUPPORT_GREP_PROGRAM_H
#define LCS_SUPPORT_GREP_PROGRAM_H

#include <cstdio>
#include <exception>
#include <new>

#include <lcs/lcs.h>
#include "support/printing.h"

namespace lcs::support {

constexpr int kSomePrinted = 0, kNonePrinted = 1, kFailed = 2;

inline void complain(const char* program, const char* what) {
    std::fprintf(stderr, "%s: %s\n", program, what);
}

// main() of such a program: parse(argc, argv) gives options with `help`
// and `version` flags; run(options) does the work and returns the status.
template <class Parse, class Run>
int grep_main(const char* program, const char* usage, int argc, char** argv, Parse parse,
              Run run) {
    try {
        const auto options = parse(argc, argv);
        if (options.help) {
            write_out(stdout, usage);
        } else if (options.version) {
            write_out(stdout, version_text(program, lcs::isa()));
        } else {
            return run(options);
        }
        flush_out(stdout);
        return kSomePrinted;
    } catch (const std::bad_alloc&) {
        complain(program, "out of memory");
    } catch (const std::exception& error) {
        complain(program, error.what());
    }
    return kFailed;
}

}  // namespace lcs::support

#endif  // LCS_SUPPORT_GREP_PROGRAM_H
