// How fast each SHA-256 engine a verified copy could use hashes: the
// project's own code on the SHA instructions and in plain C++, and on Windows
// the system's cryptography (BCrypt). A figure printer, not a test.
//
//   vorlan_hash_bench [GIB] [RUNS]
//
// Hashes GIB gibibytes (default 1) in 64 KiB pieces, as a copy reads them,
// from a 256 KiB buffer of random bytes walked round and round: small enough
// to stay in the processor's cache, as a piece is that ReadFile has just
// written (hashing pieces from a 64 MiB buffer instead was up to a fifth
// slower with SHA-NI here, and varied more from run to run). Each
// of RUNS rounds (default 5) runs every engine once, in an order that
// rotates by one engine each round, so that load from other programs spreads
// over all of them. Prints each run and each engine's best in GiB/s, and
// exits 1 when the engines' digests differ.

#ifdef _WIN32
#include <windows.h>

#include <bcrypt.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "copy/sha256.h"

namespace {

using vorlan::Sha256;
using vorlan::Sha256Digest;
using vorlan::Sha256Engine;

constexpr std::size_t kPiece = 64 * 1024;
constexpr std::size_t kBuffer = 256 * 1024;

// Hashes `total` bytes of `data` in pieces of kPiece.
using Hasher = std::function<Sha256Digest(const std::vector<std::uint8_t>& data, std::size_t total)>;

Hasher own(Sha256Engine engine) {
    return [engine](const std::vector<std::uint8_t>& data, std::size_t total) {
        Sha256 hasher(engine);
        for (std::size_t done = 0; done < total; done += kPiece) hasher.update(&data[done % data.size()], kPiece);
        return hasher.finish();
    };
}

#ifdef _WIN32
Sha256Digest bcrypt_hash(const std::vector<std::uint8_t>& data, std::size_t total) {
    Sha256Digest digest{};
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
        std::fprintf(stderr, "BCryptOpenAlgorithmProvider failed\n");
        std::exit(2);
    }
    // A null object buffer lets BCrypt allocate it (Windows 7 and later).
    if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) != 0) {
        std::fprintf(stderr, "BCryptCreateHash failed\n");
        std::exit(2);
    }
    for (std::size_t done = 0; done < total; done += kPiece) {
        BCryptHashData(hash, const_cast<PUCHAR>(&data[done % data.size()]), kPiece, 0);
    }
    BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
    BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return digest;
}
#endif

struct Contender {
    const char* name;
    Hasher hash;
    double best = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const double gib = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    if (gib <= 0 || runs <= 0) {
        std::fprintf(stderr, "usage: vorlan_hash_bench [GIB] [RUNS]\n");
        return 2;
    }
    const std::size_t total = static_cast<std::size_t>(gib * (1 << 30)) / kPiece * kPiece;

    std::vector<std::uint8_t> data(kBuffer);
    std::mt19937_64 random(1);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());

    std::vector<Contender> contenders;
    if (vorlan::sha256_engine_available(Sha256Engine::sha_ni)) {
        contenders.push_back({"own code, SHA instructions", own(Sha256Engine::sha_ni)});
    } else {
        std::printf("this processor has no SHA instructions\n");
    }
    contenders.push_back({"own code, plain C++", own(Sha256Engine::portable)});
#ifdef _WIN32
    contenders.push_back({"BCrypt (system)", bcrypt_hash});
#endif

    std::printf("%zu MiB in %zu KiB pieces, %d runs\n", total >> 20, kPiece >> 10, runs);
    bool agree = true;
    for (int run = 0; run < runs; ++run) {
        std::string reference;
        for (std::size_t k = 0; k < contenders.size(); ++k) {
            auto& c = contenders[(k + static_cast<std::size_t>(run)) % contenders.size()];
            const auto start = std::chrono::steady_clock::now();
            const std::string digest = vorlan::to_hex(c.hash(data, total));
            const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
            const double speed = static_cast<double>(total) / (1 << 30) / seconds.count();
            if (speed > c.best) c.best = speed;
            std::printf("run %d  %-28s %6.3f GiB/s  %s\n", run + 1, c.name, speed, digest.substr(0, 16).c_str());
            if (reference.empty()) reference = digest;
            agree = agree && digest == reference;
        }
    }
    std::printf("best of %d:\n", runs);
    for (const auto& c : contenders) std::printf("  %-28s %6.3f GiB/s\n", c.name, c.best);
    if (!agree) std::printf("THE DIGESTS DIFFER\n");
    std::fflush(stdout);
    return agree ? 0 : 1;
}
