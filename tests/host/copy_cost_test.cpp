// What the copy asks of the file system. Under Wine every call is a system
// call or a round trip to the Wine server, and a copy of small files is made
// of little else: the calls per file are the copy's speed.

#include <gtest/gtest.h>

#include <map>

#include "copy/copy.h"
#include "host/test_app.h"

namespace vorlan::test {
namespace {

// Passes every call on and counts it by name.
class CountingFileSystem : public FileSystem {
public:
    explicit CountingFileSystem(FileSystem& inner) : inner_(inner) {}
    std::map<std::string, int> calls;

    bool list(const std::string& folder, std::vector<Entry>* out, std::string* err) override {
        ++calls["list"];
        return inner_.list(folder, out, err);
    }
    bool attributes(const std::string& path, std::uint32_t* attrs) override {
        ++calls["attributes"];
        return inner_.attributes(path, attrs);
    }
    bool set_attributes(const std::string& path, std::uint32_t attrs, std::string* err) override {
        ++calls["set_attributes"];
        return inner_.set_attributes(path, attrs, err);
    }
    bool remove_file(const std::string& path, std::string* err) override {
        ++calls["remove_file"];
        return inner_.remove_file(path, err);
    }
    std::unique_ptr<InputFile> open_read(const std::string& path, std::string* err) override {
        ++calls["open_read"];
        return inner_.open_read(path, err);
    }
    std::unique_ptr<OutputFile> create(const std::string& path, std::string* err) override {
        ++calls["create"];
        return inner_.create(path, err);
    }
    bool make_folders(const std::string& path, std::string* err) override {
        ++calls["make_folders"];
        return inner_.make_folders(path, err);
    }
    bool read_ansi_text(const std::string& path, std::size_t most, std::string* utf8, bool* cut,
                        std::string* err) override {
        ++calls["read_ansi_text"];
        return inner_.read_ansi_text(path, most, utf8, cut, err);
    }

private:
    FileSystem& inner_;
};

const std::string kSrc = "E:\\instalar\\vorlan";

struct Counted {
    TestApp t;
    CountingFileSystem fs{t.fs};
    App app{t.form, fs, t.programs, t.system, t.app.state};

    std::int64_t copy() {
        double progress = 0;
        std::int64_t copied = -1;
        std::string err;
        EXPECT_TRUE(ListFilesCopy(app, Folder{kSrc}, true, 1000, progress, &copied, &err)) << err;
        return copied;
    }
};

TEST(CopyCost, ANewDestinationCostsOneFolderLookupPerFolderAndNothingExtraPerFile) {
    Counted c;
    for (const char* name : {"a.dat", "b.dat", "mapas\\c.dat", "mapas\\d.dat", "mapas\\e.dat", "mapas\\z\\f.dat"})
        c.t.fs.add_file(kSrc + "\\" + name, std::string("contenido de ") + name);
    c.t.fs.add_folder(kSrc + "\\vacia");

    EXPECT_EQ(c.copy(), 6);
    EXPECT_EQ(c.fs.calls["attributes"], 3) << "one lookup per destination folder that gets files";
    EXPECT_EQ(c.fs.calls["make_folders"], 3);
    EXPECT_EQ(c.fs.calls["open_read"], 6);
    EXPECT_EQ(c.fs.calls["create"], 6);
    EXPECT_EQ(c.fs.calls["remove_file"], 0);
    EXPECT_EQ(c.t.fs.contents("C:\\vorlan\\mapas\\z\\f.dat"), "contenido de mapas\\z\\f.dat");
    EXPECT_EQ(c.t.fs.contents("C:\\vorlan\\mapas\\e.dat"), "contenido de mapas\\e.dat");
    EXPECT_FALSE(c.t.fs.exists("C:\\vorlan\\vacia"));
}

// A destination folder that was there before may hold anything: each file
// still deletes its old namesake first, and what cannot be replaced fails.
TEST(CopyCost, AFolderThatWasThereIsStillCheckedFileByFile) {
    Counted c;
    for (const char* name : {"a.dat", "b.dat", "c.dat", "d.dat"}) c.t.fs.add_file(kSrc + "\\" + name, name);
    c.t.fs.add_file("C:\\vorlan\\a.dat", "viejo y más largo que el nuevo");
    c.t.fs.add_file("C:\\vorlan\\b.dat", "solo lectura", ATTR_READONLY);
    c.t.fs.add_folder("C:\\vorlan\\c.dat");

    EXPECT_EQ(c.copy(), 2);
    EXPECT_EQ(c.t.fs.contents("C:\\vorlan\\a.dat"), "a.dat");
    EXPECT_EQ(c.t.fs.contents("C:\\vorlan\\b.dat"), "solo lectura");
    EXPECT_TRUE(c.t.fs.is_folder("C:\\vorlan\\c.dat"));
    EXPECT_EQ(c.t.fs.contents("C:\\vorlan\\d.dat"), "d.dat");
    EXPECT_EQ(c.t.form.at(ListaFicherosFail).lines,
              (std::vector<std::string>{kSrc + "\\b.dat --> FALLO", kSrc + "\\c.dat --> FALLO"}));
    EXPECT_EQ(c.fs.calls["attributes"], 1 + 4) << "the folder once, then every file";
    EXPECT_EQ(c.fs.calls["make_folders"], 0);
}

// The attribute pass changes what has something to clear and leaves the
// rest, which ends as it would have: with no attribute.
TEST(CopyCost, TheAttributePassTouchesOnlyWhatHasAnAttributeToClear) {
    Counted c;
    c.t.fs.add_folder("C:\\vorlan\\nueva1");
    c.t.fs.add_folder("C:\\vorlan\\nueva2");
    c.t.fs.add_folder("C:\\vorlan\\oculta", ATTR_HIDDEN);
    c.t.fs.add_file("C:\\vorlan\\copiado.dat", "x");  // archive, as a new file is
    c.t.fs.add_file("C:\\vorlan\\normal.dat", "y", 0);
    std::string err;
    EXPECT_TRUE(AttribFiles(c.app, Folder{"C:\\vorlan"}, true, &err)) << err;
    EXPECT_EQ(c.fs.calls["set_attributes"], 2);
    for (const char* name : {"nueva1", "nueva2", "oculta", "copiado.dat", "normal.dat"})
        EXPECT_EQ(c.t.fs.attrs_of(std::string("C:\\vorlan\\") + name), 0u) << name;
}

}  // namespace
}  // namespace vorlan::test
