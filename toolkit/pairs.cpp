// Many against many: lcs::extract, lcs::matrix and lcs::pairs. Placeholders
// until the packed many-query lanes land: each throws std::logic_error.
#include <stdexcept>

#include <lcs/lcs.h>

namespace lcs {

namespace {

[[noreturn]] void not_built(const char* what) {
    throw std::logic_error(std::string(what) + " is not built yet");
}

}  // namespace

std::vector<Match> extract(const Pattern&, const std::vector<std::string_view>&, std::size_t,
                           double, unsigned, const Stop*) {
    not_built("lcs::extract");
}
std::vector<Match> extract(const Pattern&, const std::vector<std::u32string_view>&, std::size_t,
                           double, unsigned, const Stop*) {
    not_built("lcs::extract");
}
std::vector<std::int32_t> matrix(const std::vector<std::string_view>&,
                                 const std::vector<std::string_view>&, unsigned, const Stop*) {
    not_built("lcs::matrix");
}
std::vector<std::int32_t> matrix(const std::vector<std::u32string_view>&,
                                 const std::vector<std::u32string_view>&, unsigned, const Stop*) {
    not_built("lcs::matrix");
}
std::vector<Pair> pairs(const std::vector<std::string_view>&, const std::vector<std::string_view>&,
                        double, unsigned, const Stop*) {
    not_built("lcs::pairs");
}
std::vector<Pair> pairs(const std::vector<std::u32string_view>&,
                        const std::vector<std::u32string_view>&, double, unsigned, const Stop*) {
    not_built("lcs::pairs");
}
std::vector<Pair> pairs(const std::vector<std::string_view>&, double, unsigned, const Stop*) {
    not_built("lcs::pairs");
}
std::vector<Pair> pairs(const std::vector<std::u32string_view>&, double, unsigned, const Stop*) {
    not_built("lcs::pairs");
}
void pairs(const std::vector<std::string_view>&, const std::vector<std::string_view>&, double,
           const PairSink&, unsigned, const Stop*) {
    not_built("lcs::pairs");
}
void pairs(const std::vector<std::u32string_view>&, const std::vector<std::u32string_view>&,
           double, const PairSink&, unsigned, const Stop*) {
    not_built("lcs::pairs");
}
void pairs(const std::vector<std::string_view>&, double, const PairSink&, unsigned, const Stop*) {
    not_built("lcs::pairs");
}
void pairs(const std::vector<std::u32string_view>&, double, const PairSink&, unsigned,
           const Stop*) {
    not_built("lcs::pairs");
}

}  // namespace lcs
