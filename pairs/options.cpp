// lcs-pairs' command line: getopt_long, every value checked whole by the
// shared habits of support/options.h, the option letters of lcs-search
// where the meaning is the same.
#include "pairs/options.h"

#include <getopt.h>

#include "support/options.h"

namespace pairs {

const char kUsage[] =
    "Usage: lcs-pairs [OPTION]... FILE [FILE2]\n"
    "Print the pairs of lines whose similarity is at least a threshold: every\n"
    "pair of FILE's lines, or each line of FILE with each line of FILE2 ('-' is\n"
    "standard input, for one of the two). The similarity of two lines is the\n"
    "length of their longest common subsequence over the longer of the two\n"
    "lengths, from 0 to 1 (two empty lines: 1). A line ends at LF, and a CR just\n"
    "before the LF is not part of it. Pairs are printed as they are found, in\n"
    "the order of FILE's lines, then of the partner's.\n"
    "\n"
    "  -m, --min-similarity X    the threshold, a plain decimal from 0 to 1\n"
    "                            (default 0.8; 0 with --top)\n"
    "  -n, --top K               print instead the K most similar partners of\n"
    "                            each line of FILE (among FILE2's lines, or among\n"
    "                            FILE's other lines), best first, ties in line order\n"
    "  -t, --threads N           compute on N threads (default: every core)\n"
    "  -j, --json                print one JSON object per line instead\n"
    "      --by UNIT             compare in this unit: bytes (the default), chars\n"
    "                            (UTF-8 characters) or words (runs of characters\n"
    "                            other than white space); lengths count the unit\n"
    "  -h, --help                print this help and exit\n"
    "  -V, --version             print the version and the vector paths in use\n"
    "\n"
    "Each line of output: the similarity, the LCS length, the two line numbers\n"
    "(FILE's first) and the two lines, separated by tabs. The similarity is cut,\n"
    "not rounded, to 3 decimals: 1.000 only for equal lines. In the lines, a\n"
    "backslash prints as \\\\, tab as \\t and every other control byte (below\n"
    "0x20, and 0x7F) as \\xHH; all other bytes print as they are.\n"
    "With --json each line is {\"similarity\":S,\"lcs\":N,\"line\":A,\n"
    "\"other_line\":B,\"length\":P,\"other_length\":Q,\"text\":T,\"other_text\":U},\n"
    "P and Q the two lengths in the unit, so that N / max(P, Q) is the exact\n"
    "similarity (1 when both are 0). A line that is valid UTF-8 is a JSON string\n"
    "of its characters; any other is {\"bytes\":\"B\"}, B its bytes in base64.\n"
    "\n"
    "Memory holds the input and a bounded working set, however many pairs\n"
    "there are. On a terminal, standard error shows the progress while the\n"
    "results go elsewhere.\n"
    "\n"
    "Exit status: 0 when a pair was printed, 1 when none was, 2 for an error: a\n"
    "bad option, a FILE that cannot be read, a line that is not UTF-8 with\n"
    "--by chars or words, output that cannot be written.\n";

namespace {

lcs::text::Unit unit_named(const char* value) {
    const std::optional<lcs::text::Unit> unit = lcs::text::parse_unit(value);
    if (!unit || *unit == lcs::text::Unit::lines) {
        lcs::support::refuse_value("--by", value, "bytes, chars or words");
    }
    return *unit;
}

}  // namespace

Options parse_options(int argc, char** argv) {
    static const struct option kLong[] = {
        {"top", required_argument, nullptr, 'n'},
        {"min-similarity", required_argument, nullptr, 'm'},
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
        const int option = getopt_long(argc, argv, ":n:m:t:jhV", kLong, nullptr);
        if (option == -1) break;
        switch (option) {
            case 'n': options.top = lcs::support::whole_number("--top", optarg, 1, 1ULL << 32); break;
            case 'm': options.min_similarity = lcs::support::fraction("--min-similarity", optarg); break;
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
    if (optind >= argc) throw lcs::support::OptionError("missing FILE (see --help)");
    if (argc - optind > 2) throw lcs::support::OptionError("at most two FILEs (see --help)");
    options.files.assign(argv + optind, argv + argc);
    // Standard input can be read once: a second '-' would pair it with nothing.
    if (options.files.size() == 2 && options.files[0] == "-" && options.files[1] == "-") {
        throw lcs::support::OptionError("standard input ('-') can stand for only one FILE");
    }
    return options;
}

}  // namespace pairs
