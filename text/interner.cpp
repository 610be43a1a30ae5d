// The interning table behind word and line symbols. Open addressing with
// linear probing over a power-of-two table kept at most half full; each slot
// keeps the high half of the token's 64-bit hash (the low half picks the
// slot), so that a probe compares bytes only when the two agree. Cost: one pass over the token's bytes to hash it
// and, on a hit, one comparison of them. Covered by tests/test_text.cpp
// (Interner.*).
#include "text/interner.h"

#include <cstring>

namespace lcs::text {
namespace {

std::uint64_t mix(std::uint64_t h) {
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93ULL;
    h ^= h >> 32;
    return h;
}

// A multiply-and-rotate hash over eight bytes at a time; any spread will do,
// since equality is settled by the bytes.
std::uint64_t hash_bytes(std::string_view bytes) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        h = (h ^ word) * 0x9e3779b97f4a7c15ULL;
        h = (h << 29) | (h >> 35);
    }
    std::uint64_t tail = 0;
    if (i < bytes.size()) std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
    h = (h ^ tail) * 0x9e3779b97f4a7c15ULL;
    return mix(h);
}

std::uint32_t tag_of(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

}  // namespace

std::size_t Interner::slot_of(std::string_view token, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.symbol_plus_one == 0 ||
            (slot.hash_tag == tag_of(hash) && tokens_[slot.symbol_plus_one - 1] == token)) {
            return i;
        }
    }
}

char32_t Interner::intern(std::string_view token) {
    if (2 * (tokens_.size() + 1) > slots_.size()) rehash(slots_.empty() ? 64 : 2 * slots_.size());
    const std::uint64_t hash = hash_bytes(token);
    Slot& slot = slots_[slot_of(token, hash)];
    if (slot.symbol_plus_one == 0) {
        slot = {tag_of(hash), static_cast<std::uint32_t>(tokens_.size()) + 1};
        tokens_.push_back(token);
    }
    return slot.symbol_plus_one - 1;
}

char32_t Interner::find(std::string_view token) const {
    if (slots_.empty()) return kNotInterned;
    const Slot& slot = slots_[slot_of(token, hash_bytes(token))];
    return slot.symbol_plus_one == 0 ? kNotInterned : slot.symbol_plus_one - 1;
}

void Interner::reserve(std::size_t count) {
    std::size_t slot_count = 64;
    while (slot_count < 2 * count) slot_count *= 2;
    if (slot_count > slots_.size()) rehash(slot_count);
    tokens_.reserve(count);
}

void Interner::rehash(std::size_t slot_count) {
    std::vector<Slot> old(slot_count, Slot{0, 0});
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.symbol_plus_one == 0) continue;
        std::size_t i = hash_bytes(tokens_[slot.symbol_plus_one - 1]) & mask;
        while (slots_[i].symbol_plus_one != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

}  // namespace lcs::text
