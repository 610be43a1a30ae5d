// What every program prints (support/printing.h) and its command-line habits
// (support/options.h): quoting, the JSON text policy read back by the tests'
// own reader, similarities cut, getopt_long's refusals in its own words and
// plain decimals; and one text with accents through both programs' JSON.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "json_reader.h"
#include "program_run.h"
#include "support/options.h"
#include "support/printing.h"

namespace {

using testing_support::Json;
using testing_support::JsonReader;

TEST(Printing, QuotedKeepsTextAndEscapesWhatCouldHarmATerminal) {
    const struct {
        std::string text, quoted;
    } cases[] = {
        {"plain", "'plain'"},
        {"", "''"},
        {"it's a\\b", "'it\\'s a\\\\b'"},
        {"a\nb\tc\rd", "'a\\nb\\tc\\rd'"},
        {"\x1b[2J\x7f", "'\\x1b[2J\\x7f'"},
        {std::string("a\0b", 3), "'a\\x00b'"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "'caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80'"},
        {"\xc2\x9b" "2J", "'\\xc2\\x9b2J'"},  // C1 control sequence introducer
        {"\xc2\xa0", "'\xc2\xa0'"},         // no-break space: a character, not a control
        {"\xff\xc3", "'\\xff\\xc3'"},
        {"\xe2\x82", "'\\xe2\\x82'"},      // cut short
        {"\xc0\xaf", "'\\xc0\\xaf'"},      // overlong
        {"\xed\xa0\x80", "'\\xed\\xa0\\x80'"},  // a surrogate
    };
    for (const auto& c : cases) EXPECT_EQ(lcs::support::quoted(c.text), c.quoted) << c.quoted;
}

TEST(Printing, Base64OfTheStandardsVectors) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xff\xfe", "//4="},
    };
    for (const auto& c : cases) EXPECT_EQ(lcs::support::base64(c.first), c.second) << c.first;
}

TEST(Printing, JsonTextIsCharactersOrExactBytes) {
    const struct {
        std::string bytes, json;
    } cases[] = {
        {"caf\xc3\xa9", "\"caf\xc3\xa9\""},
        {"\"\\/\b\f\n\r\t", "\"\\\"\\\\/\\b\\f\\n\\r\\t\""},
        {std::string("\0\x1f\x7f", 3), "\"\\u0000\\u001f\\u007f\""},
        {"\xc2\x80\xc2\x9f\xc2\xa0", "\"\\u0080\\u009f\xc2\xa0\""},
        {"\xf4\x8f\xbf\xbf", "\"\xf4\x8f\xbf\xbf\""},
        {"\xff", "{\"bytes\":\"/w==\"}"},
        {"caf\xe9", "{\"bytes\":\"Y2Fm6Q==\"}"},   // Latin-1
        {"\xed\xa0\x80", "{\"bytes\":\"7aCA\"}"},  // a surrogate's UTF-8 form
        {"\xf4\x90\x80\x80", "{\"bytes\":\"9JCAgA==\"}"},  // above U+10FFFF
        {"\xe2\x82", "{\"bytes\":\"4oI=\"}"},                // cut short
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lcs::support::json_text(c.bytes), c.json);
        EXPECT_EQ(testing_support::bytes_of(JsonReader::parse(c.json)), c.bytes) << c.json;
    }
}

// Random strings, some valid UTF-8 and some not: every one comes back from
// the reader byte for byte, as a string exactly when it is UTF-8. No faulty
// piece can be completed by another, so a string is UTF-8 exactly when all
// its pieces are.
TEST(Printing, JsonTextReadsBackWhateverTheBytes) {
    std::mt19937 random(20240611);
    const std::vector<std::string> pieces = {"a", "\"", "\\", "\n", std::string(1, '\0'),
                                             "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80",
                                             "\xc2\x9b", "\xff", "\x80", "\xc0\xaf"};
    for (int trial = 0; trial < 2000; ++trial) {
        std::string bytes;
        bool valid = true;
        for (std::uint32_t n = random() % 8; n > 0; --n) {
            const std::size_t piece = random() % pieces.size();
            bytes += pieces[piece];
            valid = valid && piece < 9;
        }
        const Json json = JsonReader::parse(lcs::support::json_text(bytes));
        ASSERT_EQ(testing_support::bytes_of(json), bytes);
        ASSERT_EQ(json.type == Json::Type::string, valid) << lcs::support::quoted(bytes);
        ASSERT_EQ(lcs::support::is_utf8(bytes), valid);
    }
}

TEST(Printing, TheReaderDecodesEveryEscapeAndRefusesLoneSurrogates) {
    EXPECT_EQ(JsonReader::parse(R"("\u00e9\u20ac\ud83d\ude00\/")").text,
              "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80/");
    for (const char* bad : {R"("\ud83d")", R"("\ude00")", R"("\ud83dx")", "\"\xff\"",
                            "\"\xc0\xaf\"", "\"\xed\xa0\x80\""}) {
        EXPECT_THROW(JsonReader::parse(bad), std::runtime_error) << bad;
    }
}

TEST(Printing, SimilarityIsCutToItsDecimals) {
    const struct {
        std::int64_t common, longer;
        int decimals;
        const char* text;
    } cases[] = {
        {1999, 2000, 3, "0.999"}, {2000, 2000, 3, "1.000"}, {0, 0, 3, "1.000"},
        {0, 5, 3, "0.000"},       {1, 3, 3, "0.333"},       {2, 3, 3, "0.666"},
        {4, 7, 6, "0.571428"},    {1, 1000, 3, "0.001"},    {1, 1001, 3, "0.000"},
        {999, 1000, 0, "0"},      {7, 7, 0, "1"},
        {2147483644, 2147483645, 12, "0.999999999534"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lcs::support::similarity_text(c.common, c.longer, c.decimals), c.text)
            << c.common << " / " << c.longer;
    }
}

// What getopt_long refuses in `arguments` (after a program name), with the
// long options of a search, as refuse_option says it.
std::string refusal(std::vector<std::string> arguments) {
    static const struct option kLong[] = {
        {"top", required_argument, nullptr, 'n'}, {"threads", required_argument, nullptr, 't'},
        {"all", no_argument, nullptr, 'a'},       {"by", required_argument, nullptr, 'b'},
        {nullptr, 0, nullptr, 0},
    };
    arguments.insert(arguments.begin(), "program");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    optind = 0;  // glibc: start afresh
    opterr = 0;
    for (;;) {
        const int result = getopt_long(static_cast<int>(arguments.size()), argv.data(), ":n:t:a",
                                       kLong, nullptr);
        if (result == -1) return "accepted";
        if (result != ':' && result != '?') continue;
        try {
            lcs::support::refuse_option(result, argv.data(), kLong);
        } catch (const lcs::support::OptionError& error) {
            return error.what();
        }
        return "not refused";
    }
}

TEST(Options, RefusalsInGetoptsOwnWords) {
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"--all=1"}, "option '--all' takes no value (see --help)"},
        {{"--al=1"}, "option '--all' takes no value (see --help)"},
        {{"--top"}, "option '--top' needs a value (see --help)"},
        {{"--to"}, "option '--top' needs a value (see --help)"},
        {{"-a", "-n"}, "option '-n' needs a value (see --help)"},
        {{"-an"}, "option '-n' needs a value (see --help)"},
        {{"--t=2"}, "option '--t' is ambiguous (see --help)"},
        {{"--frob=2"}, "unknown option '--frob' (see --help)"},
        {{"--\x1b"}, "unknown option '--\\x1b' (see --help)"},
        {{"-x"}, "unknown option '-x' (see --help)"},
        {{"-ax"}, "unknown option '-x' (see --help)"},
        {{"-xa"}, "unknown option '-x' (see --help)"},
        {{"--by=x", "-xa"}, "unknown option '-x' (see --help)"},
        {{"--all", "--top=3", "-a"}, "accepted"},
    };
    for (const auto& c : cases) EXPECT_EQ(refusal(c.arguments), c.message) << c.arguments[0];
}

TEST(Options, PlainDecimalsOnly) {
    using lcs::support::OptionError;
    for (const char* good : {"0", "1", "0.5", ".5", "1.", "0.999", "00"}) {
        EXPECT_NO_THROW(lcs::support::fraction("--x", good)) << good;
    }
    for (const char* bad : {"", ".", "1.01", "-0", "+0.5", " 0.5", "0.5 ", "0x0.8", "5e-1", "nan",
                            "inf", "0,5", "1..0"}) {
        EXPECT_THROW(lcs::support::fraction("--x", bad), OptionError) << bad;
    }
    EXPECT_EQ(lcs::support::whole_number("--n", "42", 1, 100), 42u);
    EXPECT_EQ(lcs::support::whole_number("--n", "100", 1, 100), 100u);
    EXPECT_EQ(lcs::support::whole_number("--n", "9223372036854775807", 0),
              9223372036854775807u);
    for (const char* bad : {"", "0", "101", " 3", "+3", "-3", "3 ", "0x10", "1e2", "99999999999999999999"}) {
        EXPECT_THROW(lcs::support::whole_number("--n", bad, 1, 100), OptionError) << bad;
    }
    EXPECT_THROW(lcs::support::whole_number("--n", "9223372036854775808", 0), OptionError);
    try {
        lcs::support::whole_number("--unified", " 3", 0);
        FAIL();
    } catch (const OptionError& error) {
        EXPECT_STREQ(error.what(), "option '--unified' needs a whole number of 0 or more, not ' 3'");
    }
}

// One text with accents through both programs' JSON: the reader gets the
// characters back, not one character per byte.
TEST(Printing, AccentsComeBackFromBothPrograms) {
    const std::string a = "caf\xc3\xa9 cr\xc3\xa8me", b = "caf\xc3\xa9 creme";
    const auto compared = testing_support::run_program(
        LCS_COMPARE_EXECUTABLE, {"--json", "--show", "--by", "chars", "-m", "Hyyro_Alg", a, b});
    ASSERT_EQ(compared.status, 0) << compared.err;
    EXPECT_EQ(JsonReader::parse(compared.out)["common_subsequence"].text, "caf\xc3\xa9 crme");

    const auto searched = testing_support::run_program(
        LCS_SEARCH_EXECUTABLE, {"--json", "--by", "chars", a}, b + "\n");
    ASSERT_EQ(searched.status, 0) << searched.err;
    const Json found = JsonReader::parse(searched.out);
    EXPECT_EQ(found["text"].text, b);
    EXPECT_EQ(found["lcs"].number, 9);
    EXPECT_EQ(found["similarity"].number, 0.9);
    for (const std::string& out : {compared.out, searched.out}) {
        EXPECT_EQ(out.find("\\u00"), std::string::npos) << out;
    }
}

}  // namespace
