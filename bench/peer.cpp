// parasail's matrices map the bytes of an alphabet string to rows and send
// every other byte to one extra last row. The alphabet here is every byte
// value from 1 to 255; byte 0 cannot be in a C string, so it lands on the
// extra row (index 255), and that row is filled by hand: its own match value
// on the diagonal, the mismatch value elsewhere. Matrices are made
// case-sensitive, since the plain constructor makes a and A equal.
//
// Which function: the scan variants on 16-bit lanes, AVX2 where the processor
// has it and SSE4.1 otherwise. 16-bit lanes saturate at 32767, so longer
// scores take the 32-bit lanes. The striped global variants are not used:
// with gap open equal to gap extend (0 and 0 here) they return wrong scores.
#include "peer.h"

#include <stdexcept>

#ifdef LCS_HAVE_PARASAIL
#include <parasail.h>
#include <parasail/cpuid.h>
#endif

namespace bench {

#ifdef LCS_HAVE_PARASAIL
namespace {

using AlignFunction = parasail_result_t* (*)(const char*, int, const char*, int, int, int,
                                             const parasail_matrix_t*);

constexpr int kUnlistedByte = 255;
constexpr std::int32_t kLargest16 = 32767;

struct Matrix {
    parasail_matrix_t* matrix;
    Matrix(int match, int mismatch) {
        std::string bytes;
        for (int c = 1; c < 256; ++c) bytes.push_back(static_cast<char>(c));
        matrix = parasail_matrix_create_case_sensitive(bytes.c_str(), match, mismatch);
        if (matrix == nullptr) throw std::runtime_error("parasail made no matrix");
        for (int k = 0; k <= kUnlistedByte; ++k) {
            const int value = k == kUnlistedByte ? match : mismatch;
            parasail_matrix_set_value(matrix, kUnlistedByte, k, value);
            parasail_matrix_set_value(matrix, k, kUnlistedByte, value);
        }
    }
    ~Matrix() { parasail_matrix_free(matrix); }
    Matrix(const Matrix&) = delete;
    Matrix& operator=(const Matrix&) = delete;
};

const parasail_matrix_t* lcs_matrix() {
    static const Matrix m(1, 0);
    return m.matrix;
}

const parasail_matrix_t* local_matrix() {
    static const Matrix m(3, -1);
    return m.matrix;
}

bool wide_lanes() {
    static const bool avx2 = parasail_can_use_avx2() != 0;
    return avx2;
}

bool needs_32_bits(std::int32_t largest_score) { return largest_score > kLargest16; }

AlignFunction lcs_function(std::int32_t lenA, std::int32_t lenB) {
    const bool wide = needs_32_bits(lenA < lenB ? lenA : lenB);
    if (wide_lanes()) return wide ? parasail_nw_scan_avx2_256_32 : parasail_nw_scan_avx2_256_16;
    return wide ? parasail_nw_scan_sse41_128_32 : parasail_nw_scan_sse41_128_16;
}

AlignFunction local_function(std::int32_t lenA, std::int32_t lenB) {
    const std::int64_t shorter = lenA < lenB ? lenA : lenB;
    const bool wide = 3 * shorter > kLargest16;
    if (wide_lanes()) return wide ? parasail_sw_scan_avx2_256_32 : parasail_sw_scan_avx2_256_16;
    return wide ? parasail_sw_scan_sse41_128_32 : parasail_sw_scan_sse41_128_16;
}

std::string lanes_name(bool wide) {
    return std::string(wide_lanes() ? "avx2_256_" : "sse41_128_") + (wide ? "32" : "16");
}

int run(AlignFunction align, const char* a, const char* b, std::int32_t lenA, std::int32_t lenB,
        int open, int extend, const parasail_matrix_t* matrix) {
    parasail_result_t* result = align(a + 1, lenA, b + 1, lenB, open, extend, matrix);
    if (result == nullptr) throw std::runtime_error("parasail returned no result");
    const bool saturated = parasail_result_is_saturated(result) != 0;
    const int score = parasail_result_get_score(result);
    parasail_result_free(result);
    if (saturated) throw std::runtime_error("parasail's score saturated");
    return score;
}

}  // namespace

bool peer_available() { return true; }

std::string peer_lcs_function(std::int32_t lenA, std::int32_t lenB) {
    return "parasail_nw_scan_" + lanes_name(needs_32_bits(lenA < lenB ? lenA : lenB));
}

std::string peer_local_function(std::int32_t lenA, std::int32_t lenB) {
    const std::int64_t shorter = lenA < lenB ? lenA : lenB;
    return "parasail_sw_scan_" + lanes_name(3 * shorter > kLargest16);
}

std::int32_t peer_lcs(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    // parasail refuses empty strings; their LCS is 0.
    if (lenA <= 0 || lenB <= 0) return 0;
    return run(lcs_function(lenA, lenB), a, b, lenA, lenB, 0, 0, lcs_matrix());
}

double peer_local_score(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    if (lenA <= 0 || lenB <= 0) return 0.0;
    return run(local_function(lenA, lenB), a, b, lenA, lenB, 4, 1, local_matrix()) / 3.0;
}

#else

bool peer_available() { return false; }
std::string peer_lcs_function(std::int32_t, std::int32_t) { return "parasail (not installed)"; }
std::string peer_local_function(std::int32_t, std::int32_t) { return "parasail (not installed)"; }
std::int32_t peer_lcs(const char*, const char*, std::int32_t, std::int32_t) {
    throw std::runtime_error("parasail is not installed");
}
double peer_local_score(const char*, const char*, std::int32_t, std::int32_t) {
    throw std::runtime_error("parasail is not installed");
}

#endif

}  // namespace bench
