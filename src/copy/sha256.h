#pragma once
// SHA-256 of bytes given in pieces of any size, as a copy reads them: the
// digest that SHA256SUMS lists and `sha256sum` prints. It runs on the
// processor's SHA instructions where there are some (1.8 GiB/s against
// 0.3 GiB/s in plain C++, measured natively and under Wine with
// bench/hash_bench.cpp; Wine's BCrypt gave 0.3 too), on plain C++ elsewhere;
// both give the same digests.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlan {

using Sha256Digest = std::array<std::uint8_t, 32>;

enum class Sha256Engine { portable, sha_ni };

// Whether this processor can run `engine` (the portable one always).
bool sha256_engine_available(Sha256Engine engine);
// SHA-NI where available, else portable.
Sha256Engine fastest_sha256_engine();

class Sha256 {
public:
    // An engine this processor lacks falls back to the portable one.
    explicit Sha256(Sha256Engine engine = fastest_sha256_engine());

    void update(const void* data, std::size_t size);
    void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
    // The digest of everything given since construction or the last finish;
    // the hasher then starts again, empty.
    Sha256Digest finish();

private:
    void reset();

    void (*blocks_)(std::uint32_t*, const std::uint8_t*, std::size_t);
    std::uint32_t state_[8];
    std::uint8_t pending_[64];  // the start of a block not yet complete
    std::size_t pending_size_;
    std::uint64_t total_;  // bytes given, for the final block's length
};

// The digest of `bytes` in one go.
Sha256Digest sha256_of(std::string_view bytes, Sha256Engine engine = fastest_sha256_engine());

// 64 lower-case hexadecimal digits, as sha256sum writes them.
std::string to_hex(const Sha256Digest& digest);
// Reads 64 hexadecimal digits (either case); false for anything else.
bool from_hex(std::string_view hex, Sha256Digest* digest);

}  // namespace vorlan
