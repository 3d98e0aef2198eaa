#pragma once
// The two engines behind Sha256: each runs SHA-256's compression function over
// whole 64-byte blocks. The portable one is plain C++; the other uses the
// processor's SHA instructions (x86-64 SHA-NI), which hash several times
// faster, and exists only where the processor says it has them.

#include <cstddef>
#include <cstdint>

namespace vorlan {

// Runs `count` blocks of 64 bytes at `blocks` into `state`, the eight words
// a to h.
using Sha256Blocks = void (*)(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);

void sha256_blocks_portable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);

// The SHA-NI engine, or null when this processor (or this compiler's target)
// has no SHA instructions. Asked of the processor once.
Sha256Blocks sha256_blocks_sha_ni();

}  // namespace vorlan
