// lcs-search's command line: getopt_long, every value checked whole by the
// shared habits of support/options.h.
#include "search/options.h"

#include <getopt.h>

#include <optional>

#include "support/options.h"

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
    "  -m, --min-similarity X    print only lines of similarity X or more, X a\n"
    "                            plain decimal from 0 to 1 (such as 0.8)\n"
    "  -a, --all                 print every line, in input order, as it is\n"
    "                            computed (memory stays bounded; --top is ignored);\n"
    "                            what is computed is written whenever the input\n"
    "                            has nothing more ready, so a live pipe streams\n"
    "  -t, --threads N           compute on N threads (default: every core)\n"
    "  -j, --json                print one JSON object per line instead\n"
    "      --by UNIT             compare in this unit: bytes (the default), chars\n"
    "                            (UTF-8 characters), words (runs of characters\n"
    "                            other than white space) or lines (QUERY's lines\n"
    "                            against each line); lengths count the unit\n"
    "  -h, --help                print this help and exit\n"
    "  -V, --version             print the version and the vector paths in use\n"
    "\n"
    "Each line of output: the similarity, the LCS length, FILE:LINE and the line,\n"
    "separated by tabs; standard input is named '(standard input)'. The\n"
    "similarity is cut, not rounded, to 3 decimals: 1.000 only for a line equal\n"
    "to QUERY in the unit. In the line, a backslash prints as \\\\, tab as \\t and\n"
    "every other control byte (below 0x20, and 0x7F) as \\xHH; all other bytes\n"
    "print as they are.\n"
    "With --json each line is {\"similarity\":S,\"lcs\":N,\"query_length\":Q,\n"
    "\"line_length\":M,\"file\":F,\"line\":L,\"text\":T}, S cut as above and Q and M\n"
    "the two lengths in the unit, so that N / max(Q, M) is the exact similarity\n"
    "(1 when both are 0). A file name or line that is valid UTF-8 is a JSON\n"
    "string of its characters; any other is {\"bytes\":\"B\"}, B its exact bytes in\n"
    "base64.\n"
    "\n"
    "A FILE that cannot be read (missing, a directory, unreadable), a line\n"
    "longer than 2147483645 bytes, or a line that is not UTF-8 with --by chars or\n"
    "words gets one line on standard error and ends the search of that FILE\n"
    "only; the others are searched and ranked all the same.\n"
    "\n"
    "Exit status: 2 when a FILE or line failed as above, or for an error that\n"
    "ends the run (a bad option, a QUERY that is not UTF-8 with --by chars or\n"
    "words, output that cannot be written); else 0 when a line was printed and\n"
    "1 when none was.\n";

namespace {

lcs::text::Unit unit_named(const char* value) {
    const std::optional<lcs::text::Unit> unit = lcs::text::parse_unit(value);
    if (!unit) lcs::support::refuse_value("--by", value, "bytes, chars, words or lines");
    return *unit;
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
        {"by", required_argument, nullptr, 'b'},
        {nullptr, 0, nullptr, 0},
    };
    Options options;
    opterr = 0;  // the messages below are one line and name the program the same way
    optind = 1;
    for (;;) {
        const int option = getopt_long(argc, argv, ":n:m:at:jhV", kLong, nullptr);
        if (option == -1) break;
        switch (option) {
            case 'n': options.top = lcs::support::whole_number("--top", optarg, 1, 1ULL << 32); break;
            case 'm': options.min_similarity = lcs::support::fraction("--min-similarity", optarg); break;
            case 'a': options.all = true; break;
            case 't':
                options.threads =
                    static_cast<unsigned>(lcs::support::whole_number("--threads", optarg, 1, 1024));
                break;
            case 'j': options.json = true; break;
            case 'b': options.unit = unit_named(optarg); break;
            case 'h': options.help = true; return options;
            case 'V': options.version = true; return options;
            default: lcs::support::refuse_option(option, argv, kLong);
        }
    }
    if (optind >= argc) throw lcs::support::OptionError("missing QUERY (see --help)");
    options.query = argv[optind];
    options.files.assign(argv + optind + 1, argv + argc);
    if (options.files.empty()) options.files.push_back("-");
    return options;
}

}  // namespace search
