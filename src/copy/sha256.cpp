#include "copy/sha256.h"

#include <algorithm>
#include <cstring>

#include "copy/sha256_blocks.h"

namespace vorlan {

bool sha256_engine_available(Sha256Engine engine) {
    return engine == Sha256Engine::portable || sha256_blocks_sha_ni() != nullptr;
}

Sha256Engine fastest_sha256_engine() {
    return sha256_engine_available(Sha256Engine::sha_ni) ? Sha256Engine::sha_ni : Sha256Engine::portable;
}

Sha256::Sha256(Sha256Engine engine) : blocks_(nullptr) {
    if (engine == Sha256Engine::sha_ni) blocks_ = sha256_blocks_sha_ni();
    if (blocks_ == nullptr) blocks_ = sha256_blocks_portable;
    reset();
}

void Sha256::reset() {
    static constexpr std::uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                  0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::memcpy(state_, kInitial, sizeof state_);
    pending_size_ = 0;
    total_ = 0;
}

void Sha256::update(const void* data, std::size_t size) {
    auto bytes = static_cast<const std::uint8_t*>(data);
    total_ += size;
    if (pending_size_ > 0) {
        const std::size_t take = std::min(size, sizeof pending_ - pending_size_);
        std::memcpy(pending_ + pending_size_, bytes, take);
        pending_size_ += take;
        bytes += take;
        size -= take;
        if (pending_size_ < sizeof pending_) return;
        blocks_(state_, pending_, 1);
        pending_size_ = 0;
    }
    // Whole blocks straight from the caller's buffer: a 64 KiB read is one call.
    const std::size_t whole = size / 64;
    if (whole > 0) blocks_(state_, bytes, whole);
    pending_size_ = size % 64;
    if (pending_size_ > 0) std::memcpy(pending_, bytes + whole * 64, pending_size_);
}

Sha256Digest Sha256::finish() {
    // A 1 bit, zeros up to 8 bytes short of a block's end, then the length
    // in bits, big-endian.
    const std::uint64_t bits = total_ * 8;
    std::uint8_t tail[128] = {0x80};
    const std::size_t tail_size = (pending_size_ < 56 ? 64 : 128) - pending_size_;
    for (int i = 0; i < 8; ++i) tail[tail_size - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
    update(tail, tail_size);

    Sha256Digest digest;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
    }
    reset();
    return digest;
}

Sha256Digest sha256_of(std::string_view bytes, Sha256Engine engine) {
    Sha256 hasher(engine);
    hasher.update(bytes);
    return hasher.finish();
}

std::string to_hex(const Sha256Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (const std::uint8_t b : digest) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

bool from_hex(std::string_view hex, Sha256Digest* digest) {
    if (hex.size() != 64) return false;
    const auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < 32; ++i) {
        const int high = value(hex[2 * i]), low = value(hex[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        (*digest)[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

}  // namespace vorlan
