// The shared command-line habits; see support/options.h.
#include "support/options.h"

#include <cstdlib>
#include <cstring>

#include "support/printing.h"

namespace lcs::support {
namespace {

[[noreturn]] void refuse(const std::string& what) { throw OptionError(what + " (see --help)"); }

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The long options that `given` ("--name" or "--name=value") names: an
// exact name, else every option that it abbreviates, as getopt_long reads
// it. `count` says how many matched; the first is returned.
const struct option* long_option_named(std::string_view given, const struct option* longs,
                                       int& count) {
    const std::string_view name = given.substr(2, given.find('=') - 2);
    const struct option* first = nullptr;
    count = 0;
    for (const struct option* o = longs; o->name != nullptr; ++o) {
        if (name == o->name) {
            count = 1;
            return o;
        }
        if (starts_with(o->name, name)) {
            if (count++ == 0) first = o;
        }
    }
    return first;
}

std::string long_name(const struct option* o) { return quoted(std::string("--") + o->name); }

std::string short_name(int letter) { return quoted(std::string("-") + static_cast<char>(letter)); }

}  // namespace

// getopt_long leaves no record of which argument it refused. A long option
// always moves optind past its argument, so argv[optind - 1] is it; a short
// one moves it only at the end of its cluster, so the letter is taken from
// optopt instead. optopt is 0 for a long option that is unknown or
// ambiguous, and the option's value (here its letter) for a long option
// that got a value it does not take or lacks one it needs.
void refuse_option(int result, char** argv, const struct option* longs) {
    const std::string_view given = optind > 0 ? argv[optind - 1] : "";
    int count = 0;
    const struct option* named =
        starts_with(given, "--") ? long_option_named(given, longs, count) : nullptr;
    const bool meant_long = named != nullptr && (optopt == 0 || named->val == optopt);
    if (result == ':') {
        refuse("option " + (meant_long ? long_name(named) : short_name(optopt)) +
               " needs a value");
    }
    if (meant_long && optopt != 0 && named->has_arg == no_argument &&
        given.find('=') != std::string_view::npos) {
        refuse("option " + long_name(named) + " takes no value");
    }
    if (optopt != 0) refuse("unknown option " + short_name(optopt));
    if (count > 1) refuse("option " + quoted(given.substr(0, given.find('='))) + " is ambiguous");
    refuse("unknown option " + quoted(given.substr(0, given.find('='))));
}

void refuse_value(std::string_view option, std::string_view value, std::string_view wanted) {
    throw OptionError("option " + quoted(option) + " needs " + std::string(wanted) + ", not " +
                      quoted(value));
}

bool is_plain_decimal(std::string_view text) {
    std::size_t digits = 0, points = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c != '.' || ++points > 1) {
            return false;
        }
    }
    return digits > 0;
}

std::uint64_t whole_number(std::string_view option, std::string_view value, std::uint64_t least,
                           std::uint64_t most) {
    const bool unbounded = most == static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const auto refused = [&] {
        refuse_value(option, value,
                     "a whole number " + (unbounded ? "of " + std::to_string(least) + " or more"
                                                    : "from " + std::to_string(least) + " to " +
                                                          std::to_string(most)));
    };
    if (value.empty()) refused();
    std::uint64_t number = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') refused();
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (digit > most || number > (most - digit) / 10) refused();  // beyond `most`
        number = number * 10 + digit;
    }
    if (number < least) refused();
    return number;
}

double fraction(std::string_view option, std::string_view value) {
    const double number = is_plain_decimal(value) ? std::strtod(std::string(value).c_str(), nullptr) : -1.0;
    if (!(number >= 0.0 && number <= 1.0)) refuse_value(option, value, "a number from 0 to 1");
    return number;
}

}  // namespace lcs::support
