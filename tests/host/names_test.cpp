// Names at the destination as Windows takes them: two names of the medium
// that the destination holds as one, a name that reaches another file (a
// short 8.3 name), names like the copy's temporaries and the temporaries
// that earlier runs left. What gets past all that, the look at each folder
// after its files catches (install_safety_test.cpp).

#include <gtest/gtest.h>

#include <map>

#include "copy/file_copy.h"
#include "fakes/memory_file_system.h"
#include "host/copy_recorder.h"

namespace vorlan::test {
namespace {

using Files = std::map<std::string, std::string>;  // name -> contents
using Named = std::vector<std::pair<std::string, std::string>>;

const std::string kCase =
    "Otro archivo del soporte ya se ha copiado con este nombre (Windows no distingue mayúsculas de minúsculas).";

// The files of a destination folder, by their names as listed.
Files listed(MemoryFileSystem& fs, const std::string& folder) {
    std::vector<Entry> entries;
    std::string err;
    EXPECT_TRUE(fs.list(folder, &entries, &err)) << err;
    Files out;
    for (const Entry& e : entries)
        if (!e.is_folder) out[e.name] = fs.contents(folder + "\\" + e.name);
    return out;
}

// The medium's files, in walk order, then what the run reports and what the
// destination's folder "capas" holds afterwards. A medium on U: tells case
// apart; on E: it does not. Drive C: makes short 8.3 names.
TEST(Collisions, TheFirstFileStaysAndTheOtherFailsSayingWhy) {
    const struct {
        const char* name;
        std::string medium;                 // the root: "U:\\m" or "E:\\m"
        Named files;                        // the medium's, in capas, each with its outcome below
        Files before;                       // the destination's capas, before the run
        std::vector<std::string> outcomes;  // per medium file in walk order: "Ok" or the reason
        Files after;
        const char* slow = nullptr;  // a destination file whose creation is slow
    } cases[] = {
        {"Š and š, a new folder", "U:\\m", {{"Š.dat", "uno"}, {"š.dat", "dos"}}, {}, {"Ok", kCase}, {{"Š.dat", "uno"}}},
        {"Œ and œ, a folder that was there",
         "U:\\m",
         {{"Œuvre.dat", "uno"}, {"œuvre.dat", "dos"}},
         {{"otro.dat", "x"}},
         {"Ok", kCase},
         {{"Œuvre.dat", "uno"}, {"otro.dat", "x"}}},
        {"ÿ and Ÿ", "U:\\m", {{"ÿ.dat", "uno"}, {"Ÿ.dat", "dos"}}, {}, {"Ok", kCase}, {{"ÿ.dat", "uno"}}},
        {"Greek", "U:\\m", {{"Ωμέγα.dat", "uno"}, {"ωμέγα.dat", "dos"}}, {}, {"Ok", kCase}, {{"Ωμέγα.dat", "uno"}}},
        {"Cyrillic", "U:\\m", {{"Жук.dat", "uno"}, {"жук.dat", "dos"}}, {}, {"Ok", kCase}, {{"Жук.dat", "uno"}}},
        {"fullwidth", "U:\\m", {{"Ａ.dat", "uno"}, {"ａ.dat", "dos"}}, {}, {"Ok", kCase}, {{"Ａ.dat", "uno"}}},
        {"a short name, a new folder: it exists when created",
         "E:\\m",
         {{"Cartografia_base.shp", "uno"}, {"CARTOG~1.SHP", "dos"}},
         {},
         {"Ok", kCollision},
         {{"Cartografia_base.shp", "uno"}},
         "C:\\vorlan\\capas\\CARTOG~1.SHP"},
        {"a short name, a folder that was there with the older copy",
         "E:\\m",
         {{"Cartografia_base.shp", "uno"}, {"CARTOG~1.SHP", "dos"}},
         {{"Cartografia_base.shp", "viejo"}},
         {"Ok", kCollision},
         {{"Cartografia_base.shp", "uno"}}},
        {"a short name of a file of the user's",
         "E:\\m",
         {{"CARTOG~1.SHP", "dos"}},
         {{"Cartografia_vieja.shp", "mio"}},
         {kCollision},
         {{"Cartografia_vieja.shp", "mio"}}},
        {"the medium's files named as temporaries, beside a replacement",
         "E:\\m",
         {{"a.dat", "nuevo"}, {"~vorlan.tmp", "medio"}, {"~vorlan1.tmp", "medio1"}},
         {{"a.dat", "viejo"}, {"~vorlan.tmp", "resto"}},
         {"Ok", "Ok", "Ok"},
         {{"a.dat", "nuevo"}, {"~vorlan.tmp", "medio"}, {"~vorlan1.tmp", "medio1"}}},
        {"temporaries that earlier runs left",
         "E:\\m",
         {{"a.dat", "nuevo"}},
         {{"a.dat", "viejo"}, {"~vorlan;3.tmp", "resto"}, {"~vorlan.tmp", "resto"}, {"~vorlan2.tmp", "resto"}},
         {"Ok"},
         {{"a.dat", "nuevo"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem fs;
        fs.short_names = true;
        for (const auto& [name, bytes] : c.files) fs.add_file(c.medium + "\\capas\\" + name, bytes);
        for (const auto& [name, bytes] : c.before)
            fs.add_file("C:\\vorlan\\capas\\" + name, bytes, name == "~vorlan2.tmp" ? ATTR_READONLY : ATTR_ARCHIVE);
        if (c.slow) fs.faults(c.slow).create_stalls = true;
        Recorder events;
        CopyRun run(fs, events, {c.medium, "C:\\vorlan"});
        std::string err;
        ASSERT_TRUE(run.copy_tree(100, &err)) << err;
        std::vector<std::string> expected;
        std::size_t i = 0;
        for (const auto& [name, bytes] : c.files) {
            const std::string p = c.medium + "\\capas\\" + name;
            expected.push_back(c.outcomes.at(i) == "Ok" ? "Copiando " + p + " --> Ok"
                                                        : p + " --> FALLO: " + c.outcomes[i]);
            ++i;
        }
        // The medium lists in its own order, which the lines follow.
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> lines = events.lines;
        std::sort(lines.begin(), lines.end());
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(listed(fs, "C:\\vorlan\\capas"), c.after) << fs.describe();
        EXPECT_EQ(fs.open_count(), 0);
    }
}

}  // namespace
}  // namespace vorlan::test
