// lcs-search's command line: getopt_long, every value checked whole.
#include "search/options.h"

#include <getopt.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "search/output.h"

namespace search {

const char kUsage[] =
    "Usage: lcs-search [OPTION]... QUERY [FILE]...\n"
    "Rank the lines of the FILEs (standard input when there is none, or for '-')\n"
    "by their similarity to QUERY: the length of their longest common\n"
    "subsequence over the longer of the two lengths, from 0 to 1 (two empty\n"
    "strings: 1). Lines and QUERY are bytes, any byte values; a line ends at LF,\n"
    "and a CR just before the LF is not part of it. Ties keep input order.\n"
    "\n"
    "  -n, --top K               print the K most similar lines (default 10)\n"
    "  -m, --min-similarity X    print only lines of similarity X or more (0 to 1)\n"
    "  -a, --all                 print every line, in input order, as it is\n"
    "                            computed (memory stays bounded; --top is ignored)\n"
    "  -t, --threads N           compute on N threads (default: every core)\n"
    "  -j, --json                print one JSON object per line instead\n"
    "  -h, --help                print this help and exit\n"
    "  -V, --version             print the version and exit\n"
    "\n"
    "Each line of output: the similarity (3 decimals), the LCS length, FILE:LINE\n"
    "and the line, separated by tabs; standard input is named '(standard input)'.\n"
    "In the line, a backslash prints as \\\\, tab as \\t and every other control\n"
    "byte (below 0x20, and 0x7F) as \\xHH; all other bytes print as they are.\n"
    "With --json each line is {\"similarity\":S,\"lcs\":N,\"file\":F,\"line\":L,\n"
    "\"text\":T}: strings keep valid UTF-8 as it is and write each byte that is not\n"
    "part of valid UTF-8 as \\u00HH, HH the byte's value, so the output is valid\n"
    "JSON whatever the input holds.\n"
    "\n"
    "Exit status: 0 when a line was printed, 1 when none was, 2 for an error (a\n"
    "bad option, an unreadable file, a line longer than 2147483645 bytes, output\n"
    "that cannot be written).\n";

namespace {

[[noreturn]] void bad_value(const char* option, const char* value, const char* wanted) {
    throw SearchError(std::string("option '") + option + "' needs " + wanted + ", not " +
                      quoted(value));
}

unsigned long long whole_number(const char* option, const char* value, unsigned long long least,
                                unsigned long long most) {
    errno = 0;
    char* end = nullptr;
    const unsigned long long number = std::strtoull(value, &end, 10);
    if (*value < '0' || *value > '9' || *end != '\0' || errno == ERANGE || number < least ||
        number > most) {
        bad_value(option, value,
                  ("a whole number from " + std::to_string(least) + " to " + std::to_string(most))
                      .c_str());
    }
    return number;
}

double fraction(const char* option, const char* value) {
    errno = 0;
    char* end = nullptr;
    const double number = std::strtod(value, &end);
    const bool digits_first = (*value >= '0' && *value <= '9') || *value == '.';
    if (!digits_first || *end != '\0' || errno == ERANGE || !(number >= 0.0 && number <= 1.0)) {
        bad_value(option, value, "a number from 0 to 1");
    }
    return number;
}

std::string refused_option(char** argv) {
    const std::string name = argv[optind - 1];
    if (optopt != 0 && name.size() == 2) {
        return std::string("unknown option '-") + static_cast<char>(optopt) + "'";
    }
    return "unknown option " + quoted(name.substr(0, name.find('=')));
}

}  // namespace

Options parse_options(int argc, char** argv) {
    static const struct option kLong[] = {
        {"top", required_argument, nullptr, 'n'},
        {"min-similarity", required_argument, nullptr, 'm'},
        {"all", no_argument, nullptr, 'a'},
        {"threads", required_argument, nullptr, 't'},
        {"json", no_argument, nullptr, 'j'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0},
    };
    Options options;
    opterr = 0;  // the messages below are one line and name the program the same way
    optind = 1;
    for (;;) {
        const int option = getopt_long(argc, argv, ":n:m:at:jhV", kLong, nullptr);
        if (option == -1) break;
        switch (option) {
            case 'n': options.top = whole_number("--top", optarg, 1, 1ULL << 32); break;
            case 'm': options.min_similarity = fraction("--min-similarity", optarg); break;
            case 'a': options.all = true; break;
            case 't':
                options.threads = static_cast<unsigned>(whole_number("--threads", optarg, 1, 1024));
                break;
            case 'j': options.json = true; break;
            case 'h': options.help = true; return options;
            case 'V': options.version = true; return options;
            case ':':
                throw SearchError("option " + quoted(argv[optind - 1]) +
                                  " needs a value (see --help)");
            default: throw SearchError(refused_option(argv) + " (see --help)");
        }
    }
    if (optind >= argc) throw SearchError("missing QUERY (see --help)");
    options.query = argv[optind];
    options.files.assign(argv + optind + 1, argv + argc);
    if (options.files.empty()) options.files.push_back("-");
    return options;
}

}  // namespace search
