// One byte per symbol, given out in order of first appearance. A small
// open-addressing map of at most 256 entries, so the cost is one probe per
// symbol and the recoding stops at the 257th distinct one. Covered by
// tests/test_text.cpp (Recode.*).
#include "text/recode.h"

#include <array>
#include <cstdint>

namespace lcs::text {
namespace {

class ByteCodes {
public:
    // The byte for `symbol`, or nothing when the 257th distinct one comes.
    std::optional<char> code(char32_t symbol) {
        std::size_t i = (symbol * 0x9E3779B1u) >> 23;  // 9 bits: 512 slots
        for (;; i = (i + 1) % kSlots) {
            if (!used_[i]) break;
            if (symbols_[i] == symbol) return codes_[i];
        }
        if (count_ == kMaxByteSymbols) return std::nullopt;
        used_[i] = true;
        symbols_[i] = symbol;
        codes_[i] = static_cast<char>(static_cast<unsigned char>(count_++));
        return codes_[i];
    }

private:
    static constexpr std::size_t kSlots = 512;
    std::array<bool, kSlots> used_{};
    std::array<char32_t, kSlots> symbols_{};
    std::array<char, kSlots> codes_{};
    std::size_t count_ = 0;
};

bool recode(std::u32string_view symbols, ByteCodes& codes, std::string& out) {
    out.reserve(symbols.size());
    for (const char32_t symbol : symbols) {
        const std::optional<char> code = codes.code(symbol);
        if (!code) return false;
        out.push_back(*code);
    }
    return true;
}

}  // namespace

std::optional<std::pair<std::string, std::string>> recode_to_bytes(std::u32string_view a,
                                                                   std::u32string_view b) {
    ByteCodes codes;
    std::pair<std::string, std::string> bytes;
    if (!recode(a, codes, bytes.first) || !recode(b, codes, bytes.second)) return std::nullopt;
    return bytes;
}

}  // namespace lcs::text
