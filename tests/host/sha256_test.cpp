// SHA-256: the published test vectors through each engine, in pieces cut
// anywhere, and the two engines against each other.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "copy/sha256.h"

namespace vorlan::test {
namespace {

std::vector<Sha256Engine> engines() {
    std::vector<Sha256Engine> all{Sha256Engine::portable};
    if (sha256_engine_available(Sha256Engine::sha_ni)) all.push_back(Sha256Engine::sha_ni);
    return all;
}

const char* name_of(Sha256Engine e) { return e == Sha256Engine::portable ? "portable" : "sha_ni"; }

// FIPS 180-2's examples and the usual extra ones: lengths on both sides of
// the 56 bytes that still leave room for the length in the last block.
const struct {
    std::string message;
    const char* digest;
} kVectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
     "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

TEST(Sha256, PublishedVectorsWholeAndInPieces) {
    for (const Sha256Engine engine : engines()) {
        SCOPED_TRACE(name_of(engine));
        Sha256 hasher(engine);  // one hasher for every row: finish starts it again
        for (const auto& v : kVectors) {
            SCOPED_TRACE(v.message.size());
            EXPECT_EQ(to_hex(sha256_of(v.message, engine)), v.digest);

            // Pieces of sizes around the block's 64 bytes, in turn until the message ends.
            const std::size_t sizes[] = {1, 55, 56, 63, 64, 65, 127, 128, 129, 4096 + 3};
            std::string_view rest = v.message;
            for (std::size_t k = 0; !rest.empty(); ++k) {
                const std::size_t n = std::min(sizes[k % std::size(sizes)], rest.size());
                hasher.update(rest.substr(0, n));
                rest.remove_prefix(n);
            }
            EXPECT_EQ(to_hex(hasher.finish()), v.digest) << "in pieces";
        }
    }
}

TEST(Sha256, CutAtEveryPlaceOfALongVector) {
    const auto& v = kVectors[3];  // 112 bytes: two blocks, three with the padding
    for (const Sha256Engine engine : engines()) {
        SCOPED_TRACE(name_of(engine));
        Sha256 hasher(engine);
        for (std::size_t i = 0; i <= v.message.size(); ++i) {
            for (std::size_t j = i; j <= v.message.size(); ++j) {
                hasher.update(std::string_view(v.message).substr(0, i));
                hasher.update(std::string_view(v.message).substr(i, j - i));
                hasher.update(std::string_view(v.message).substr(j));
                ASSERT_EQ(to_hex(hasher.finish()), v.digest) << "cut at " << i << " and " << j;
            }
        }
    }
}

// The vectors are few; random data of many lengths, fed in random pieces,
// shows a fault of either engine that they miss.
TEST(Sha256, BothEnginesAgreeOnRandomData) {
    if (!sha256_engine_available(Sha256Engine::sha_ni)) GTEST_SKIP() << "this processor has no SHA instructions";
    std::mt19937_64 random(20240301);
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 300; ++n) lengths.push_back(n);
    for (std::size_t n : {1000u, 4095u, 65536u, 65537u, 1048576u + 17u}) lengths.push_back(n);
    for (const std::size_t length : lengths) {
        SCOPED_TRACE(length);
        std::string data(length, '\0');
        for (char& c : data) c = static_cast<char>(random());
        const Sha256Digest portable = sha256_of(data, Sha256Engine::portable);
        EXPECT_EQ(sha256_of(data, Sha256Engine::sha_ni), portable);

        Sha256 pieces(Sha256Engine::sha_ni);
        for (std::string_view rest = data; !rest.empty();) {
            const std::size_t n = std::min<std::size_t>(random() % 200, rest.size());
            pieces.update(rest.substr(0, n));
            rest.remove_prefix(n);
        }
        EXPECT_EQ(pieces.finish(), portable) << "in random pieces";
    }
}

}  // namespace
}  // namespace vorlan::test
