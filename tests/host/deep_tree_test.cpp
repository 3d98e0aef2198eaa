// A tree as deep as a path can be long, walked on a thread with little stack:
// no walk may keep its place on the stack.

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>

#include "copy/tree_copy.h"
#include "fakes/memory_file_system.h"
#include "host/copy_recorder.h"

namespace vorlan::test {
namespace {

// Runs `body` on a thread of `stack` bytes of stack, and waits for it.
void on_small_stack(std::size_t stack, std::function<void()> body) {
    pthread_attr_t attrs;
    pthread_attr_init(&attrs);
    pthread_attr_setstacksize(&attrs, stack);
    pthread_t thread;
    auto run = [](void* f) -> void* {
        (*static_cast<std::function<void()>*>(f))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attrs, run, &body), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attrs);
}

TEST(Walks, GoAsDeepAsAPathCanWithTheStackOfAThread) {
    // 500 folders of one letter overflow 64 KiB of stack by a frame a folder;
    // a walk that keeps its place on the heap needs the same few frames for
    // the 16,000 that the longest path Windows takes (32,767 characters) holds.
    constexpr int kDepth = 500;
    MemoryFileSystem fs;
    std::string deep;
    for (int i = 0; i < kDepth; ++i) deep += "\\d";
    fs.add_file("E:\\m\\a.dat", "a");
    fs.add_file("E:\\m" + deep + "\\hondo.dat", "hondo");
    fs.add_file("E:\\m\\z\\z.dat", "z");
    const std::string last = "E:\\m" + deep + "\\hondo.dat";
    Recorder events;
    on_small_stack(64 * 1024, [&] {
        std::string err;
        std::int64_t count = 0;
        EXPECT_TRUE(count_files(fs, events, "E:\\m", &count, &err)) << err;
        EXPECT_EQ(count, 3);
        TreeSize size;
        EXPECT_TRUE(measure_tree(fs, events, "E:\\m", "C:\\v", 1, UINT64_MAX, &size, &err)) << err;
        EXPECT_EQ(size.bytes, 7u);
        CopyRun run(fs, events, {"E:\\m", "C:\\v"});
        EXPECT_TRUE(run.copy_tree(size.bytes, &err)) << err;
    });
    // Files of a folder, then its subfolders depth first, as ever.
    EXPECT_EQ(events.lines, (std::vector<std::string>{"Copiando E:\\m\\a.dat --> Ok", "Copiando " + last + " --> Ok",
                                                      "Copiando E:\\m\\z\\z.dat --> Ok"}));
    EXPECT_EQ(fs.contents("C:\\v" + deep + "\\hondo.dat"), "hondo");
}

}  // namespace
}  // namespace vorlan::test
