// Seeded inputs. The letters are drawn with the top bits of std::mt19937's
// output scaled to the alphabet, not with std::uniform_int_distribution,
// whose mapping differs between standard libraries: the same seed gives the
// same strings everywhere.
#include "inputs.h"

#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace bench {
namespace {

constexpr std::uint64_t kSeed = 20260101;

// An index in 0..size-1 from one 32-bit draw, by multiply and shift.
std::size_t draw(std::mt19937& rng, std::size_t size) {
    return static_cast<std::size_t>((static_cast<std::uint64_t>(rng()) * size) >> 32);
}

std::uint64_t seed_of(const InputSet& set, std::size_t lenA, std::size_t lenB, int which) {
    std::uint64_t h = kSeed;
    for (std::uint64_t part : {std::uint64_t(set.letters), std::uint64_t(set.similar),
                               std::uint64_t(lenA), std::uint64_t(lenB), std::uint64_t(which)}) {
        h = (h ^ part) * 0x100000001B3ULL;
        h ^= h >> 29;
    }
    return h;
}

std::mt19937 generator(std::uint64_t seed) {
    std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32)};
    return std::mt19937(sequence);
}

std::string one_based(const std::string& text) {
    std::string buffer(text.size() + 2, '\0');
    buffer.replace(1, text.size(), text);
    return buffer;
}

}  // namespace

const std::vector<InputSet>& ladder_sets() {
    static const std::vector<InputSet> sets{
        {"random-4", 4, false},   {"random-26", 26, false},   {"random-256", 256, false},
        {"similar-4", 4, true},   {"similar-26", 26, true},   {"similar-256", 256, true},
    };
    return sets;
}

const InputSet& lopsided_set() {
    static const InputSet set{"lopsided-4", 4, false};
    return set;
}

std::string alphabet(int letters) {
    switch (letters) {
        case 4: return "ACGT";
        case 26: return "abcdefghijklmnopqrstuvwxyz";
        case 256: {
            std::string all(256, '\0');
            for (int c = 0; c < 256; ++c) all[c] = static_cast<char>(c);
            return all;
        }
        default: throw std::invalid_argument("alphabets have 4, 26 or 256 letters");
    }
}

std::string random_text(std::uint64_t seed, std::size_t length, int letters) {
    const std::string letters_of = alphabet(letters);
    std::mt19937 rng = generator(seed);
    std::string text(length, '\0');
    for (char& c : text) c = letters_of[draw(rng, letters_of.size())];
    return text;
}

std::vector<std::string> random_texts(std::uint64_t seed, std::size_t count, std::size_t shortest,
                                      std::size_t longest, int letters) {
    if (longest < shortest) throw std::invalid_argument("random_texts: longest < shortest");
    const std::string letters_of = alphabet(letters);
    std::mt19937 rng = generator(seed);
    std::vector<std::string> texts(count);
    for (std::string& text : texts) {
        text.resize(shortest + draw(rng, longest - shortest + 1));
        for (char& c : text) c = letters_of[draw(rng, letters_of.size())];
    }
    return texts;
}

std::string changed_tenth(std::uint64_t seed, std::string text, int letters) {
    return changed_share(seed, std::move(text), letters, 10);
}

std::string changed_share(std::uint64_t seed, std::string text, int letters, int percent) {
    if (percent < 0 || percent > 100) throw std::invalid_argument("changed_share: percent out of 0..100");
    const std::string letters_of = alphabet(letters);
    std::size_t index_of[256];
    for (std::size_t k = 0; k < letters_of.size(); ++k) {
        index_of[static_cast<unsigned char>(letters_of[k])] = k;
    }
    std::mt19937 rng = generator(seed);
    // The first `changes` entries of a partial Fisher-Yates shuffle are
    // distinct positions; each gets one of the other letters.
    std::vector<std::size_t> positions(text.size());
    for (std::size_t k = 0; k < positions.size(); ++k) positions[k] = k;
    const std::size_t changes = (text.size() * static_cast<std::size_t>(percent) + 50) / 100;
    for (std::size_t k = 0; k < changes; ++k) {
        std::swap(positions[k], positions[k + draw(rng, positions.size() - k)]);
        char& c = text[positions[k]];
        const std::size_t old = index_of[static_cast<unsigned char>(c)];
        const std::size_t shift = 1 + draw(rng, letters_of.size() - 1);
        c = letters_of[(old + shift) % letters_of.size()];
    }
    return text;
}

double InputPair::match_pairs() const {
    double countA[256] = {}, countB[256] = {};
    for (unsigned char c : a_text) countA[c] += 1.0;
    for (unsigned char c : b_text) countB[c] += 1.0;
    double pairs = 0.0;
    for (int c = 0; c < 256; ++c) pairs += countA[c] * countB[c];
    return pairs;
}

InputPair make_pair(const InputSet& set, std::size_t lenA, std::size_t lenB) {
    InputPair pair;
    pair.a_text = random_text(seed_of(set, lenA, lenB, 0), lenA, set.letters);
    pair.b_text = set.similar ? changed_tenth(seed_of(set, lenA, lenB, 1), pair.a_text, set.letters)
                              : random_text(seed_of(set, lenA, lenB, 1), lenB, set.letters);
    pair.a = one_based(pair.a_text);
    pair.b = one_based(pair.b_text);
    return pair;
}

const InputPair& cached_pair(const InputSet& set, std::size_t lenA, std::size_t lenB) {
    static std::mutex guard;
    static std::map<std::tuple<std::string, std::size_t, std::size_t>, InputPair> made;
    const std::lock_guard<std::mutex> lock(guard);
    auto key = std::make_tuple(std::string(set.name), lenA, lenB);
    auto found = made.find(key);
    if (found == made.end()) found = made.emplace(key, make_pair(set, lenA, lenB)).first;
    return found->second;
}

}  // namespace bench
