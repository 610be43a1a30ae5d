// An interning table: token bytes to dense symbols 0, 1, 2, ... Equal bytes
// always get the same symbol and different bytes different symbols: the hash
// only picks the slot, and a hit is confirmed by comparing the bytes.
#ifndef TEXT_INTERNER_H
#define TEXT_INTERNER_H

#include <cstdint>
#include <string_view>
#include <vector>

namespace lcs::text {

class Interner {
public:
    // The symbol of `token`, new if it was not seen before. The table keeps
    // the view, not a copy: the bytes must outlive the table.
    char32_t intern(std::string_view token);

    // The symbol of `token` when it was interned, else kNotInterned, a value
    // that intern() never gives.
    char32_t find(std::string_view token) const;
    static constexpr char32_t kNotInterned = 0xFFFFFFFF;

    // Room for `count` distinct tokens without growing the table.
    void reserve(std::size_t count);

    // How many distinct tokens have been seen.
    std::size_t size() const { return tokens_.size(); }

    // The bytes of a symbol that intern() returned.
    std::string_view token(char32_t symbol) const { return tokens_[symbol]; }

private:
    // Eight bytes, so that a table for 100,000 lines stays in cache: the
    // hash's high half, to skip most byte comparisons, and the symbol.
    struct Slot {
        std::uint32_t hash_tag;
        std::uint32_t symbol_plus_one;  // 0: empty
    };
    void rehash(std::size_t slot_count);
    // The slot that holds `token`, or the empty slot where it would go.
    std::size_t slot_of(std::string_view token, std::uint64_t hash) const;

    std::vector<Slot> slots_;  // open addressing, linear probing, a power of two
    std::vector<std::string_view> tokens_;
};

}  // namespace lcs::text

#endif  // TEXT_INTERNER_H
