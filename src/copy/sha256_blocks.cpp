#include "copy/sha256_blocks.h"

#include <bit>
#include <utility>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VORLAN_SHA_NI 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace vorlan {
namespace {

// The round constants: the first 32 bits of the fractional parts of the cube
// roots of the first 64 primes.
alignas(16) constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

std::uint32_t load_big_endian(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
}

}  // namespace

void sha256_blocks_portable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
    using std::rotr;
    for (; count > 0; --count, blocks += 64) {
        std::uint32_t w[64];
        for (int t = 0; t < 16; ++t) w[t] = load_big_endian(blocks + 4 * t);
        for (int t = 16; t < 64; ++t) {
            const std::uint32_t s0 = rotr(w[t - 15], 7) ^ rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
            const std::uint32_t s1 = rotr(w[t - 2], 17) ^ rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int t = 0; t < 64; ++t) {
            const std::uint32_t t1 =
                h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[t] + w[t];
            const std::uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state[0] += a, state[1] += b, state[2] += c, state[3] += d;
        state[4] += e, state[5] += f, state[6] += g, state[7] += h;
    }
}

#ifdef VORLAN_SHA_NI
namespace {

// Only these functions are compiled for the SHA instructions (and SSSE3 and
// SSE4.1, which SHA-NI's data layout needs); the rest of the program runs on
// any x86-64, and sha256_blocks_sha_ni hands these out only after cpuid.
#define VORLAN_SHA_NI_TARGET __attribute__((target("sha,sse4.1")))

// Rounds 4g to 4g+3. `w` holds four groups of four message words, a group in
// each slot g % 4; w[g % 4] is group g's. The schedule runs ahead as SHA-NI
// wants it: here group g+1 is finished (sha256msg2 needs group g, which only
// now exists), and group g+3 is started (sha256msg1 with groups g-1 and g,
// overwriting g-1, whose last use was just above).
template <int G>
VORLAN_SHA_NI_TARGET inline void four_rounds(__m128i& abef, __m128i& cdgh, __m128i (&w)[4]) {
    const __m128i msg = _mm_add_epi32(w[G % 4], _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * G)));
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, msg);  // now a, b, e, f two rounds on
    if constexpr (G >= 3 && G <= 14) {
        const __m128i minus7 = _mm_alignr_epi8(w[G % 4], w[(G + 3) % 4], 4);
        w[(G + 1) % 4] = _mm_sha256msg2_epu32(_mm_add_epi32(w[(G + 1) % 4], minus7), w[G % 4]);
    }
    abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(msg, 0x0E));  // and back in place
    if constexpr (G >= 1 && G <= 12) w[(G + 3) % 4] = _mm_sha256msg1_epu32(w[(G + 3) % 4], w[G % 4]);
}

template <int... G>
VORLAN_SHA_NI_TARGET inline void all_rounds(__m128i& abef, __m128i& cdgh, __m128i (&w)[4],
                                            std::integer_sequence<int, G...>) {
    (four_rounds<G>(abef, cdgh, w), ...);
}

VORLAN_SHA_NI_TARGET void blocks_sha_ni(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
    // Each 32-bit word of the message is big-endian.
    const __m128i byte_order = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    // The instructions keep the state as (a, b, e, f) and (c, d, g, h), highest lane first.
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
    __m128i cdgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
    __m128i abef = _mm_alignr_epi8(abcd, cdgh, 8);
    cdgh = _mm_blend_epi16(cdgh, abcd, 0xF0);
    for (; count > 0; --count, blocks += 64) {
        const __m128i abef_before = abef, cdgh_before = cdgh;
        __m128i w[4];
        for (int i = 0; i < 4; ++i) {
            w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byte_order);
        }
        all_rounds(abef, cdgh, w, std::make_integer_sequence<int, 16>{});
        abef = _mm_add_epi32(abef, abef_before);
        cdgh = _mm_add_epi32(cdgh, cdgh_before);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

bool processor_has_sha_ni() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool vector_ops = (c & bit_SSSE3) && (c & bit_SSE4_1);
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return vector_ops && (b & bit_SHA);
}

}  // namespace

Sha256Blocks sha256_blocks_sha_ni() {
    static const Sha256Blocks engine = processor_has_sha_ni() ? blocks_sha_ni : nullptr;
    return engine;
}
#else
Sha256Blocks sha256_blocks_sha_ni() { return nullptr; }
#endif

}  // namespace vorlan
