// lcs-compare: runs every method of the collection on the user's two
// strings or files and prints, side by side, what each answers and what it
// costs. Each method runs in a child process of its own (compare/runner.h).
#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compare/comparison.h"
#include "compare/inputs.h"
#include "compare/likeness.h"
#include "compare/report.h"
#include "compare/runner.h"
#include "compare/show.h"
#include "compare/units.h"
#include <lcs/routines.h>
#include "support/options.h"
#include "support/printing.h"
#include "support/status_line.h"

namespace {

enum ExitStatus {
    kAgreed = 0,
    kProgramFailed = 1,  // the output cannot be written, no process can be started
    kBadUsage = 2,
    kDisagreement = 3,
    kCrashed = 4,
    kNothingComputed = 5,  // every method skipped, timed out or out of memory
    kAlignmentUnfinished = 6,  // the table is complete, the --show alignment is not
};

const char kUsage[] =
    "Usage: lcs-compare [OPTION]... STRING_A STRING_B\n"
    "       lcs-compare [OPTION]... --files PATH_A PATH_B\n"
    "Run every longest-common-subsequence method of the collection, and the\n"
    "Smith-Waterman local alignment score, on the same two inputs, and print one\n"
    "row per method: its result, its time, its peak working memory, and whether\n"
    "it agrees with the others; then the LCS length, the similarity\n"
    "LCS / max(lenA, lenB), the insert-delete distance and the score.\n"
    "Inputs are taken whole as bytes, any byte values; '-' stands for standard\n"
    "input (for one of the two). '--' ends the options, for a string that\n"
    "begins with '-'.\n"
    "\n"
    "  -f, --files            the two operands are files to read\n"
    "  -m, --method NAME      run only this method (repeatable; see --list)\n"
    "  -a, --all              also run the methods that are estimated to take\n"
    "                         beyond 5 seconds or more memory than the machine has\n"
    "  -t, --timeout SECONDS  stop a method, or the alignment of --show, that\n"
    "                         runs longer than this many seconds, a plain\n"
    "                         decimal number such as 2.5\n"
    "  -j, --json             print one JSON object instead of the table\n"
    "  -s, --show             after the table, print one longest common\n"
    "                         subsequence and the diff of A into B: removed\n"
    "                         bytes [-like this-], inserted ones {+like this+},\n"
    "                         bytes outside printable ASCII and the backslash as\n"
    "                         \\xNN; with --json, the members \"alignment\" (the\n"
    "                         runs of keep, remove and insert) and\n"
    "                         \"common_subsequence\": a JSON string of its\n"
    "                         characters when it is valid UTF-8, else\n"
    "                         {\"bytes\":\"B\"}, B its exact bytes in base64\n"
    "      --color WHEN       colour the diff, removed red and inserted green,\n"
    "                         a removed or inserted space on a background of\n"
    "                         its colour, instead of the markers: auto (on a\n"
    "                         terminal, unless NO_COLOR is set), always or never\n"
    "      --by UNIT          compare in this unit: bytes (the default), chars\n"
    "                         (UTF-8 characters), words (runs of characters\n"
    "                         other than white space) or lines; the methods of\n"
    "                         the collection take each token as one byte when\n"
    "                         the two inputs hold at most 256 distinct tokens;\n"
    "                         --show prints a unified diff for lines\n"
    "  -U, --unified N        N lines of context in that diff (default 3)\n"
    "      --threads N        run the toolkit's row (--by) and --show on at most\n"
    "                         N threads, 1 to 1024 (default: every hardware\n"
    "                         thread); the classic methods run on one\n"
    "  -l, --list             list the methods with their source and costs\n"
    "  -h, --help             print this help and exit\n"
    "  -V, --version          print the version and the vector paths in use\n"
    "\n"
    "--show aligns after the table is out. When no method returned an LCS\n"
    "length, the alignment's stands in; when the alignment does not finish\n"
    "(--timeout, memory), the table stays and a line says why: with --json,\n"
    "\"alignment\" and \"common_subsequence\" are null and \"alignment_status\"\n"
    "is timed_out or out_of_memory (else ok).\n"
    "\n"
    "Exit status:\n"
    "  0  the methods that returned agree\n"
    "  1  the program failed: the output cannot be written, or no process\n"
    "     can be started to run a method in\n"
    "  2  bad arguments or an unreadable input\n"
    "  3  two LCS methods disagree\n"
    "  4  a method crashed\n"
    "  5  nothing was computed: each method was skipped, timed out or ran out\n"
    "     of memory, and there is no --show alignment\n"
    "  6  the table is complete, the alignment (--show) did not finish: timed\n"
    "     out or out of memory\n"
    "A signal that ends the program (TERM, INT, HUP, QUIT) ends the method that\n"
    "runs too, and then the program as the signal would: a shell shows 128+N.\n";

struct Options {
    bool files = false;
    bool all = false;
    bool json = false;
    bool list = false;
    bool show = false;
    lcs::text::Unit unit = lcs::text::Unit::bytes;
    std::int64_t context = lcs::text::kDefaultContext;
    compare::Color color = compare::Color::automatic;
    double timeout_seconds = 0.0;
    unsigned threads = 0;  // 0: every hardware thread
    std::vector<const lcs::RoutineInfo*> methods;  // empty: every routine
    std::vector<std::string> operands;
};

// A bad argument: what() is the one line that the user sees.
struct UsageError : compare::InputError {
    using compare::InputError::InputError;
};

// A positive text too small for a double still means "at once": the least
// positive double, never 0, which would mean no limit.
double parse_timeout(const char* text) {
    const bool positive = std::strpbrk(text, "123456789") != nullptr;
    if (!lcs::support::is_plain_decimal(text) || !positive) {
        lcs::support::refuse_value("--timeout", text, "a plain decimal number of seconds above 0");
    }
    const double seconds = std::strtod(text, nullptr);
    if (!std::isfinite(seconds)) {
        throw UsageError("--timeout " + lcs::support::quoted(text) + " is too large");
    }
    return seconds > 0 ? seconds : std::numeric_limits<double>::denorm_min();
}

lcs::text::Unit parse_unit(const char* text) {
    const std::optional<lcs::text::Unit> unit = lcs::text::parse_unit(text);
    if (!unit) lcs::support::refuse_value("--by", text, "bytes, chars, words or lines");
    return *unit;
}

void add_method(Options& options, const char* name) {
    const lcs::RoutineInfo* routine = lcs::find_routine(name);
    if (routine == nullptr) {
        throw UsageError("no method is named " + lcs::support::quoted(name) + " (see --list)");
    }
    for (const lcs::RoutineInfo* chosen : options.methods) {
        if (chosen == routine) return;
    }
    options.methods.push_back(routine);
}

// Returns false when the run ends here (--help, --version).
bool parse(int argc, char** argv, Options& options) {
    static const struct option kLong[] = {
        {"files", no_argument, nullptr, 'f'},   {"method", required_argument, nullptr, 'm'},
        {"all", no_argument, nullptr, 'a'},     {"timeout", required_argument, nullptr, 't'},
        {"json", no_argument, nullptr, 'j'},    {"list", no_argument, nullptr, 'l'},
        {"help", no_argument, nullptr, 'h'},    {"version", no_argument, nullptr, 'V'},
        {"show", no_argument, nullptr, 's'},    {"color", required_argument, nullptr, 'C'},
        {"by", required_argument, nullptr, 'Y'}, {"unified", required_argument, nullptr, 'U'},
        {"threads", required_argument, nullptr, 'T'},
        {nullptr, 0, nullptr, 0},
    };
    opterr = 0;  // the messages below are one line and name the program the same way
    for (;;) {
        const int option = getopt_long(argc, argv, ":fm:at:jlhVsU:", kLong, nullptr);
        if (option == -1) break;
        switch (option) {
        case 'f': options.files = true; break;
        case 'm': add_method(options, optarg); break;
        case 'a': options.all = true; break;
        case 't': options.timeout_seconds = parse_timeout(optarg); break;
        case 'j': options.json = true; break;
        case 'l': options.list = true; break;
        case 's': options.show = true; break;
        case 'C': options.color = compare::parse_color(optarg); break;
        case 'Y': options.unit = parse_unit(optarg); break;
        case 'U':
            options.context =
                static_cast<std::int64_t>(lcs::support::whole_number("--unified", optarg, 0));
            break;
        case 'T':
            options.threads =
                static_cast<unsigned>(lcs::support::whole_number("--threads", optarg, 1, 1024));
            break;
        case 'h': std::fputs(kUsage, stdout); return false;
        case 'V':
            std::fputs(lcs::support::version_text("lcs-compare", lcs::isa()).c_str(), stdout);
            return false;
        default: lcs::support::refuse_option(option, argv, kLong);
        }
    }
    options.operands.assign(argv + optind, argv + argc);
    if (options.list) return true;
    if (options.operands.size() != 2) {
        throw UsageError(options.files ? "--files needs two paths, PATH_A and PATH_B (see --help)"
                                       : "expected two strings, STRING_A and STRING_B, or --files "
                                         "PATH_A PATH_B (see --help)");
    }
    if (compare::is_standard_input(options.operands[0]) &&
        compare::is_standard_input(options.operands[1])) {
        throw UsageError("standard input ('-') can stand for only one of the two inputs");
    }
    return true;
}

std::string read_operand(const Options& options, const std::string& operand, const char* which) {
    if (options.files || compare::is_standard_input(operand)) return compare::read_file(operand);
    return compare::checked_argument(operand, which);
}

// On a terminal, standard error shows the method that runs and for how long;
// the line is cleared when it ends.
class ProgressLine {
public:
    compare::ProgressReport reporter(const char* name, std::size_t number, std::size_t count) {
        if (!line_.shown()) return nullptr;
        return [this, name, number, count](double elapsed) {
            line_.show("running %s (%zu of %zu): %s", name, number, count,
                       compare::human_seconds(elapsed).c_str());
        };
    }
    void clear() { line_.clear(); }

private:
    lcs::support::StatusLine line_;
};

// The methods of the chosen routines on a and b; with `too_many_tokens`
// each says that it cannot take these inputs instead.
std::vector<compare::Method> routine_methods(const Options& options, const compare::OneBased& a,
                                             const compare::OneBased& b, bool too_many_tokens,
                                             std::optional<double> distance) {
    std::vector<const lcs::RoutineInfo*> chosen = options.methods;
    if (chosen.empty()) {
        for (const lcs::RoutineInfo& routine : lcs::routine_table()) chosen.push_back(&routine);
    }
    std::vector<compare::Method> methods;
    const double lenA = a.length(), lenB = b.length();
    for (const lcs::RoutineInfo* routine : chosen) {
        compare::Method method;
        method.facts = {routine->name, routine->kind,
                        compare::estimated_seconds(*routine, lenA, lenB, distance),
                        routine->working_bytes(lenA, lenB)};
        if (too_many_tokens) method.refused = compare::SkipReason::too_many_tokens;
        method.task = compare::routine_task(*routine, a, b);
        methods.push_back(std::move(method));
    }
    return methods;
}

// One row for each method, in order: skipped by its estimates (unless
// --all) or run in a child process of its own.
void run_methods(const Options& options, const std::vector<compare::Method>& methods,
                 compare::Report& report) {
    ProgressLine progress;
    for (std::size_t i = 0; i < methods.size(); ++i) {
        const compare::Method& method = methods[i];
        compare::Row row;
        row.method = method.facts;
        row.skip = method.refused;
        if (row.skip == compare::SkipReason::none && !options.all) {
            row.skip = compare::skip_reason(method.facts, report.physical_bytes);
        }
        if (row.skip != compare::SkipReason::none) {
            row.outcome.status = compare::Status::skipped;
        } else {
            row.outcome = compare::run_isolated(
                method.task, options.timeout_seconds,
                progress.reporter(method.facts.name.c_str(), i + 1, methods.size()));
            progress.clear();
        }
        report.rows.push_back(std::move(row));
    }
}

// The name of an input in a diff's header: a file's path, else A or B.
std::string label(const Options& options, const std::string& operand, const char* which) {
    return options.files || compare::is_standard_input(operand) ? operand : which;
}

// The two inputs: their bytes, or in a unit other than bytes their tokens.
struct Inputs {
    std::string a, b;  // kept for --show in bytes, else given up once laid out
    std::unique_ptr<compare::UnitInputs> units;
};

// In a unit other than bytes: the toolkit's row on the symbols, then the
// routines on the tokens recoded to bytes.
void compare_in_unit(const Options& options, compare::UnitInputs& units, compare::Report& report) {
    const std::u32string_view a_symbols = units.a_tokens().symbols;
    const std::u32string_view b_symbols = units.b_tokens().symbols;
    report.unit = compare::unit_noun(options.unit);
    report.length_a = static_cast<std::int64_t>(a_symbols.size());
    report.length_b = static_cast<std::int64_t>(b_symbols.size());
    const std::optional<double> distance = compare::alike_distance(a_symbols, b_symbols);
    const auto& recoded = units.recoded();
    const compare::OneBased a(recoded ? recoded->first : std::string());
    const compare::OneBased b(recoded ? recoded->second : std::string());
    std::vector<compare::Method> methods = {
        compare::toolkit_method(units, distance, options.threads)};
    for (compare::Method& method : routine_methods(options, a, b, !recoded, distance)) {
        methods.push_back(std::move(method));
    }
    run_methods(options, methods, report);
}

compare::Report compare_inputs(const Options& options, Inputs& inputs) {
    compare::Report report;
    report.timeout_seconds = options.timeout_seconds;
    report.physical_bytes = compare::physical_memory_bytes();
    inputs.a = read_operand(options, options.operands[0], "A");
    if (options.unit == lcs::text::Unit::bytes) {
        // Without --show no second copy of an input is held.
        const compare::OneBased a(inputs.a);
        if (!options.show) std::string().swap(inputs.a);
        inputs.b = read_operand(options, options.operands[1], "B");
        const compare::OneBased b(inputs.b);
        if (!options.show) std::string().swap(inputs.b);
        const std::optional<double> distance = compare::alike_distance(
            std::string_view(a.data() + 1, static_cast<std::size_t>(a.length())),
            std::string_view(b.data() + 1, static_cast<std::size_t>(b.length())));
        report.length_a = a.length();
        report.length_b = b.length();
        run_methods(options, routine_methods(options, a, b, false, distance), report);
    } else {
        inputs.b = read_operand(options, options.operands[1], "B");
        inputs.units = std::make_unique<compare::UnitInputs>(
            options.unit,
            compare::NamedInput{label(options, options.operands[0], "A"), std::move(inputs.a)},
            compare::NamedInput{label(options, options.operands[1], "B"), std::move(inputs.b)});
        compare_in_unit(options, *inputs.units, report);
    }
    report.summary = compare::summarize(report.rows, report.length_a, report.length_b);
    return report;
}

// --show: the alignment of the two inputs in the unit, written after the
// table, or into the JSON object as `json_members`, within --timeout.
// Returns how it ended; its LCS length goes into the summary.
compare::Status show(const Options& options, const Inputs& inputs, compare::Report& report,
                     std::string& json_members) {
    const bool color = compare::colored(options.color);
    std::int32_t length = 0;
    const compare::Status status = compare::within_limits(
        options.timeout_seconds, [&](const lcs::Stop* stop) {
            const lcs::Alignment alignment =
                inputs.units ? inputs.units->align(stop, options.threads)
                             : lcs::align(inputs.a, inputs.b, options.threads, stop);
            length = alignment.length;
            if (options.json) {
                json_members = inputs.units
                                   ? compare::unit_show_json_members(*inputs.units, alignment)
                                   : compare::show_json_members(inputs.a, alignment);
            } else if (inputs.units) {
                compare::write_unit_show(stdout, *inputs.units, alignment, options.context, color);
            } else {
                compare::write_show(stdout, inputs.a, inputs.b, alignment, color);
            }
        });
    if (status != compare::Status::ok) {
        if (options.json) {
            json_members = compare::unfinished_json_members(status);
        } else {
            compare::write_unfinished(stdout, status, options.timeout_seconds);
        }
        return status;
    }
    compare::add_alignment_length(report.summary, length, report.length_a, report.length_b);
    if (!options.json) compare::write_alignment_figures(stdout, report);
    return status;
}

int fail(int status, const std::string& message) {
    std::fprintf(stderr, "lcs-compare: %s\n", message.c_str());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    compare::Report report;
    compare::Status alignment = compare::Status::skipped;  // not asked for
    try {
        const bool go_on = parse(argc, argv, options);  // false after --help, --version
        if (go_on && options.list) {
            compare::write_list(stdout, options.json);
        } else if (go_on) {
            Inputs inputs;
            report = compare_inputs(options, inputs);
            // The table is out before the alignment starts, which may take long.
            if (!options.json) {
                compare::write_table(stdout, report);
                std::fflush(stdout);
            }
            std::string json_members;
            if (options.show) alignment = show(options, inputs, report, json_members);
            if (options.json) compare::write_json(stdout, report, json_members);
        }
    } catch (const compare::ProcessError& error) {
        return fail(kProgramFailed, error.what());
    } catch (const compare::InputError& error) {
        return fail(kBadUsage, error.what());
    } catch (const std::bad_alloc&) {
        return fail(kBadUsage, "not enough memory to hold the two inputs");
    } catch (const std::exception& error) {
        return fail(kBadUsage, error.what());
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        return fail(kProgramFailed, std::string("cannot write the output: ") + std::strerror(errno));
    }
    const compare::Summary& summary = report.summary;
    if (summary.disagreement) {
        return fail(kDisagreement, "the LCS methods disagree: see the rows that do not agree");
    }
    if (summary.alignment_disagrees) {
        return fail(kDisagreement, "the alignment's LCS length " +
                                       std::to_string(summary.alignment_length) +
                                       " differs from the methods' " + std::to_string(summary.lcs));
    }
    if (summary.crashed) return fail(kCrashed, "a method crashed: see its row");
    if (!report.rows.empty() && !summary.have_lcs && !summary.have_score) {
        return fail(kNothingComputed, "no method returned a result: see the rows");
    }
    if (alignment == compare::Status::timed_out || alignment == compare::Status::out_of_memory) {
        return fail(kAlignmentUnfinished,
                    alignment == compare::Status::timed_out
                        ? "the alignment did not finish: timed out"
                        : "the alignment did not finish: not enough memory");
    }
    return kAgreed;
}
