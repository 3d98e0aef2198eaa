#include "fakes/memory_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace vorlan::test {

namespace {

// The system's own texts for the errors the fake reports.
const char* const kFileNotFound = "El sistema no puede encontrar el archivo especificado.";
const char* const kPathNotFound = "El sistema no puede encontrar la ruta especificada.";
const char* const kAccessDenied = "Acceso denegado.";
const char* const kSharingViolation =
    "El proceso no tiene acceso al archivo porque está siendo utilizado por otro proceso.";
const char* const kDiskFull = "No hay espacio suficiente en el disco.";
const char* const kCrc = "Error de datos (comprobación de redundancia cíclica).";
const char* const kDeviceError = "La solicitud no se pudo realizar debido a un error de dispositivo de E/S.";
const char* const kNotAFolder = "El nombre del directorio no es válido.";
const char* const kAlreadyExists = "No se puede crear un archivo que ya existe.";
const char* const kBadName =
    "La sintaxis del nombre de archivo, del directorio o de la etiqueta del volumen no es correcta.";

// Content of generated files: byte i is table[i % kPeriod]. The period is prime,
// so a block skipped, repeated or read from a wrapped 32-bit offset never lines
// up with the same bytes again.
constexpr std::uint64_t kPeriod = 1'000'003;

const unsigned char* pattern_table() {
    static const std::vector<unsigned char> table = [] {
        std::vector<unsigned char> t(kPeriod);
        std::uint64_t x = 0x9E3779B97F4A7C15ull;
        for (auto& b : t) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            b = static_cast<unsigned char>(x >> 24);
        }
        return t;
    }();
    return table.data();
}

void copy_pattern(char* out, std::uint64_t offset, std::size_t n) {
    const unsigned char* t = pattern_table();
    while (n > 0) {
        std::size_t at = static_cast<std::size_t>(offset % kPeriod);
        std::size_t k = std::min<std::size_t>(n, static_cast<std::size_t>(kPeriod) - at);
        std::memcpy(out, t + at, k);
        out += k;
        offset += k;
        n -= k;
    }
}

// How many leading bytes of `data` equal the pattern at `offset`.
std::size_t pattern_prefix(const char* data, std::size_t n, std::uint64_t offset) {
    const unsigned char* t = pattern_table();
    std::size_t done = 0;
    while (done < n) {
        std::size_t at = static_cast<std::size_t>((offset + done) % kPeriod);
        std::size_t k = std::min<std::size_t>(n - done, static_cast<std::size_t>(kPeriod) - at);
        if (std::memcmp(data + done, t + at, k) != 0) {
            while (static_cast<unsigned char>(data[done]) == t[at]) ++done, ++at;
            return done;
        }
        done += k;
    }
    return done;
}

constexpr std::uint64_t kHashBasis = 0xCBF29CE484222325ull;

std::uint64_t hash_more(std::uint64_t h, const char* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(data[i])) * 0x100000001B3ull;
    return h;
}

// Windows compares names without regard to case; ASCII and the Latin-1
// letters are enough for the names the tests use.
std::string fold(const std::string& s) {
    std::string out = s;
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < out.size()) {
            unsigned char d = static_cast<unsigned char>(out[i + 1]);
            if (d >= 0x80 && d <= 0x9E && d != 0x97) out[i + 1] = static_cast<char>(d + 0x20);
            ++i;
        }
    }
    return out;
}

}  // namespace

// A path as the index knows it: folded, single separators, none at the end.
// One pass and no allocation beyond the key: the fake is looked up several
// times per file, in trees of tens of thousands of files.
struct MemoryFileSystem::Normal {
    std::string key;
    std::size_t root_len = 0;  // key[0, root_len) names the drive or share
    bool trailing = false;
};

namespace {

using Normal = MemoryFileSystem::Normal;

void append_folded(std::string* key, const std::string& path, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
        if (c == 0xC3 && i + 1 < to) {
            unsigned char d = static_cast<unsigned char>(path[i + 1]);
            if (d >= 0x80 && d <= 0x9E && d != 0x97) d = static_cast<unsigned char>(d + 0x20);
            key->push_back(static_cast<char>(c));
            key->push_back(static_cast<char>(d));
            ++i;
            continue;
        }
        key->push_back(static_cast<char>(c));
    }
}

bool normalize(const std::string& path, Normal* n) {
    n->key.clear();
    n->key.reserve(path.size());
    std::size_t i = 0;
    auto component_end = [&](std::size_t from) {
        std::size_t end = path.find('\\', from);
        return end == std::string::npos ? path.size() : end;
    };
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        n->key = "\\\\";
        i = 2;
        for (int part = 0; part < 2; ++part) {  // server, then share
            while (i < path.size() && path[i] == '\\') ++i;
            std::size_t end = component_end(i);
            if (end == i) return false;
            if (part == 1) n->key += '\\';
            append_folded(&n->key, path, i, end);
            i = end;
        }
    } else if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        if (path.size() > 2 && path[2] != '\\') return false;  // "C:foo" is relative
        append_folded(&n->key, path, 0, 2);
        i = 2;
    } else {
        return false;
    }
    n->root_len = n->key.size();
    while (i < path.size()) {
        if (path[i] == '\\') {  // Windows treats doubled separators as one
            ++i;
            continue;
        }
        std::size_t end = component_end(i);
        std::string_view part(path.data() + i, end - i);
        if (part == "." || part == ".." || part.find_first_of("<>:\"/|?*") != std::string_view::npos) return false;
        n->key += '\\';
        append_folded(&n->key, path, i, end);
        i = end;
    }
    n->trailing = path.back() == '\\';
    return true;
}

std::string key_of(const std::string& path) {
    Normal n;
    return normalize(path, &n) ? n.key : fold(path);
}

// A valid path's names as given, for the calls that create folders and files.
struct ParsedPath {
    std::string root;  // "C:" or "\\server\share"
    std::vector<std::string> parts;
    bool trailing = false;  // ends with "\"
};

std::optional<ParsedPath> parse(const std::string& path) {
    Normal n;
    if (!normalize(path, &n)) return std::nullopt;
    std::vector<std::string> all;
    for (std::size_t start = 0; start < path.size();) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) all.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    ParsedPath p;
    const bool share = path[0] == '\\';
    p.root = share ? "\\\\" + all[0] + "\\" + all[1] : all[0];
    p.parts.assign(all.begin() + (share ? 2 : 1), all.end());
    p.trailing = n.trailing;
    return p;
}

void fail(std::string* err, const char* text) {
    if (err) *err = text;
}

}  // namespace

struct MemoryFileSystem::Node {
    std::string name;
    std::string key;  // the folded full path
    bool folder = false;
    std::uint32_t attrs = 0;  // without ATTR_DIRECTORY
    std::vector<std::unique_ptr<Node>> order;  // as added

    // Files. `kept` holds every byte while it is no longer than the keep
    // limit, else the first ones. `pattern_run` leading bytes equal the
    // generated pattern, and `tail_hash` digests the bytes after them: two
    // files with the same size, run and hash hold the same bytes.
    std::uint64_t size = 0;
    std::string kept;
    std::uint64_t pattern_run = 0;
    std::uint64_t tail_hash = kHashBasis;
    int readers = 0;
    int writers = 0;

    Node* child(const std::string& n, const Index& index) const {
        auto it = index.find(key.empty() ? fold(n) : key + "\\" + fold(n));
        return it == index.end() ? nullptr : it->second;
    }

    Node* add(const std::string& n, bool is_folder, std::uint32_t a, Index& index) {
        auto node = std::make_unique<Node>();
        node->name = n;
        node->folder = is_folder;
        node->attrs = a;
        node->key = key.empty() ? fold(n) : key + "\\" + fold(n);
        Node* raw = node.get();
        index[raw->key] = raw;
        order.push_back(std::move(node));
        return raw;
    }

    void remove(Node* c, Index& index) {
        index.erase(c->key);
        order.erase(std::find_if(order.begin(), order.end(), [c](const auto& o) { return o.get() == c; }));
    }

    void truncate() {
        size = 0;
        kept.clear();
        pattern_run = 0;
        tail_hash = kHashBasis;
    }

    void append(const char* data, std::size_t n, std::size_t keep_limit) {
        if (kept.size() == size && kept.size() < keep_limit)
            kept.append(data, std::min(n, keep_limit - kept.size()));
        std::size_t matched = 0;
        if (pattern_run == size) {
            matched = pattern_prefix(data, n, size);
            pattern_run += matched;
        }
        if (matched < n) tail_hash = hash_more(tail_hash, data + matched, n - matched);
        size += n;
    }

    // Fills `out` with the bytes at [offset, offset + n); false where they were not kept.
    bool read_at(char* out, std::uint64_t offset, std::size_t n) const {
        while (n > 0) {
            std::size_t k;
            if (offset < kept.size()) {
                k = std::min<std::size_t>(n, static_cast<std::size_t>(kept.size() - offset));
                std::memcpy(out, kept.data() + offset, k);
            } else if (offset < pattern_run || offset >= size) {  // past the end: the bytes of a growing file
                std::uint64_t end = offset < pattern_run ? pattern_run : offset + n;
                k = static_cast<std::size_t>(std::min<std::uint64_t>(n, end - offset));
                copy_pattern(out, offset, k);
            } else {
                return false;
            }
            out += k;
            offset += k;
            n -= k;
        }
        return true;
    }

    std::uint32_t reported_attrs() const {
        if (folder) return attrs | ATTR_DIRECTORY;
        return attrs == 0 ? static_cast<std::uint32_t>(ATTR_NORMAL) : attrs;
    }
};

class MemoryInput : public InputFile {
public:
    MemoryInput(MemoryFileSystem& fs, MemoryFileSystem::Node& node, const Faults& faults)
        : fs_(fs), node_(node), faults_(faults), size_(node.size) {
        limit_ = faults.shrinks_to ? std::min(size_, *faults.shrinks_to) : size_;
        limit_ += faults.grows_by;
        ++node_.readers;
        ++fs_.open_streams_;
    }
    ~MemoryInput() override {
        --node_.readers;
        --fs_.open_streams_;
    }
    MemoryInput(const MemoryInput&) = delete;
    MemoryInput& operator=(const MemoryInput&) = delete;

    std::uint64_t size() const override { return size_; }

    bool read(void* buf, std::size_t n, std::size_t* got, std::string* err) override {
        ++fs_.read_calls;
        *got = 0;
        if (++reads_ == faults_.read_fails_at) {
            fail(err, kCrc);
            return false;
        }
        std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>(n, limit_ - pos_));
        if (!node_.read_at(static_cast<char*>(buf), pos_, k)) {
            fail(err, "memory file system: these bytes were not kept (raise keep_limit)");
            return false;
        }
        pos_ += k;
        *got = k;
        return true;
    }

private:
    MemoryFileSystem& fs_;
    MemoryFileSystem::Node& node_;
    Faults faults_;
    std::uint64_t size_;
    std::uint64_t limit_;
    std::uint64_t pos_ = 0;
    int reads_ = 0;
};

class MemoryOutput : public OutputFile {
public:
    MemoryOutput(MemoryFileSystem& fs, MemoryFileSystem::Node& node, const Faults& faults)
        : fs_(fs), node_(node), faults_(faults) {
        ++node_.writers;
        ++fs_.open_streams_;
    }
    ~MemoryOutput() override { release(); }
    MemoryOutput(const MemoryOutput&) = delete;
    MemoryOutput& operator=(const MemoryOutput&) = delete;

    bool write(const void* buf, std::size_t n, std::string* err) override {
        ++fs_.write_calls;
        if (!open_) {
            ADD_FAILURE() << "write after close";
            return false;
        }
        if (++writes_ == faults_.write_fails_at) {
            fail(err, kDeviceError);
            return false;
        }
        const char* data = static_cast<const char*>(buf);
        if (fs_.free_space && n > *fs_.free_space) {
            // A full disk takes what fits, then refuses.
            node_.append(data, static_cast<std::size_t>(*fs_.free_space), fs_.keep_limit);
            *fs_.free_space = 0;
            fail(err, kDiskFull);
            return false;
        }
        if (fs_.free_space) *fs_.free_space -= n;
        node_.append(data, n, fs_.keep_limit);
        return true;
    }

    bool close(std::string* err) override {
        if (!open_) return true;
        release();
        if (faults_.close_fails) {
            fail(err, kDeviceError);
            return false;
        }
        return true;
    }

private:
    void release() {
        if (!open_) return;
        open_ = false;
        --node_.writers;
        --fs_.open_streams_;
    }

    MemoryFileSystem& fs_;
    MemoryFileSystem::Node& node_;
    Faults faults_;
    bool open_ = true;
    int writes_ = 0;
};

MemoryFileSystem::MemoryFileSystem() : roots_(std::make_unique<Node>()) { roots_->folder = true; }

MemoryFileSystem::~MemoryFileSystem() {
    if (open_streams_ != 0) ADD_FAILURE() << "memory file system destroyed with " << open_streams_ << " open streams";
}

MemoryFileSystem::Node* MemoryFileSystem::lookup(const Normal& n) const {
    auto it = index_.find(n.key);
    if (it != index_.end()) return it->second;
    if (n.key.size() != n.root_len) return nullptr;
    std::string name = n.key;  // every drive and share exists
    name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return roots_->add(name, true, 0, index_);
}

MemoryFileSystem::Node* MemoryFileSystem::find(const std::string& path) const {
    Normal n;
    if (!normalize(path, &n)) return nullptr;
    Node* node = lookup(n);
    if (node && n.trailing && !node->folder) return nullptr;
    return node;
}

MemoryFileSystem::Node* MemoryFileSystem::parent_of(const std::string& path, std::string* name,
                                                    std::string* err) const {
    Normal n;
    if (!normalize(path, &n) || n.key.size() == n.root_len || n.trailing) {
        fail(err, kBadName);
        return nullptr;
    }
    Normal parent_key = n;
    parent_key.key.resize(n.key.rfind('\\'));
    Node* parent = lookup(parent_key);
    if (!parent || !parent->folder) {
        fail(err, kPathNotFound);
        return nullptr;
    }
    *name = path.substr(path.rfind('\\') + 1);
    return parent;
}

Faults* MemoryFileSystem::faults_of(const std::string& path) {
    if (faults_.empty()) return nullptr;
    auto it = faults_.find(key_of(path));
    return it == faults_.end() ? nullptr : &it->second;
}

Faults& MemoryFileSystem::faults(const std::string& path) { return faults_[key_of(path)]; }

void MemoryFileSystem::give_back(std::uint64_t bytes) {
    if (free_space) *free_space += bytes;
}

bool MemoryFileSystem::list(const std::string& folder, std::vector<Entry>* out, std::string* err) {
    out->clear();
    Node* node = find(folder);
    if (!node) {
        fail(err, kPathNotFound);
        return false;
    }
    if (!node->folder) {
        fail(err, kNotAFolder);
        return false;
    }
    if (Faults* f = faults_of(folder); f && f->list_fails) {
        fail(err, kAccessDenied);
        return false;
    }
    for (const auto& c : node->order) out->push_back({c->name, c->folder, c->size, c->reported_attrs()});
    return true;
}

bool MemoryFileSystem::attributes(const std::string& path, std::uint32_t* attrs) {
    Node* node = find(path);
    if (!node) return false;
    *attrs = node->reported_attrs();
    return true;
}

bool MemoryFileSystem::set_attributes(const std::string& path, std::uint32_t attrs, std::string* err) {
    operations.push_back("set_attributes " + path);
    Node* node = find(path);
    if (!node) {
        fail(err, kFileNotFound);
        return false;
    }
    if (Faults* f = faults_of(path); f && f->set_attributes_fails) {
        fail(err, kAccessDenied);
        return false;
    }
    node->attrs = attrs & ~static_cast<std::uint32_t>(ATTR_DIRECTORY | ATTR_NORMAL);
    return true;
}

bool MemoryFileSystem::remove_file(const std::string& path, std::string* err) {
    operations.push_back("remove " + path);
    std::string name;
    Node* parent = parent_of(path, &name, err);
    Node* node = parent ? parent->child(name, index_) : nullptr;
    if (!node) {
        if (parent) fail(err, kFileNotFound);
        return false;
    }
    Faults* f = faults_of(path);
    if (node->folder || (node->attrs & ATTR_READONLY)) {
        fail(err, kAccessDenied);
        return false;
    }
    if ((f && f->held) || node->readers > 0 || node->writers > 0) {
        fail(err, kSharingViolation);
        return false;
    }
    give_back(node->size);
    parent->remove(node, index_);
    return true;
}

std::unique_ptr<InputFile> MemoryFileSystem::open_read(const std::string& path, std::string* err) {
    operations.push_back("open " + path);
    Node* node = find(path);
    if (!node) {
        fail(err, kFileNotFound);
        return nullptr;
    }
    if (node->folder) {
        fail(err, kAccessDenied);
        return nullptr;
    }
    Faults* f = faults_of(path);
    if ((f && f->held) || node->writers > 0) {
        fail(err, kSharingViolation);
        return nullptr;
    }
    return std::make_unique<MemoryInput>(*this, *node, f ? *f : Faults{});
}

std::unique_ptr<OutputFile> MemoryFileSystem::create(const std::string& path, std::string* err) {
    operations.push_back("create " + path);
    std::string name;
    Node* parent = parent_of(path, &name, err);
    if (!parent) return nullptr;
    Faults* f = faults_of(path);
    Node* node = parent->child(name, index_);
    if (node) {
        // Replacing a hidden or system file without naming those attributes is refused too.
        if (node->folder || (node->attrs & (ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM))) {
            fail(err, kAccessDenied);
            return nullptr;
        }
        if ((f && f->held) || node->readers > 0 || node->writers > 0) {
            fail(err, kSharingViolation);
            return nullptr;
        }
        give_back(node->size);
        node->truncate();
        node->attrs = ATTR_ARCHIVE;
    } else {
        node = parent->add(name, false, ATTR_ARCHIVE, index_);
    }
    return std::make_unique<MemoryOutput>(*this, *node, f ? *f : Faults{});
}

bool MemoryFileSystem::make_folders(const std::string& path, std::string* err) {
    operations.push_back("make_folders " + path);
    std::optional<ParsedPath> p = parse(path);
    if (!p) {
        fail(err, kBadName);
        return false;
    }
    std::size_t count = p->trailing ? p->parts.size() : (p->parts.empty() ? 0 : p->parts.size() - 1);
    Node* node = find(p->root);
    std::string walked = p->root;
    for (std::size_t i = 0; i < count; ++i) {
        walked += "\\" + p->parts[i];
        Node* next = node->child(p->parts[i], index_);
        if (next && !next->folder) {
            fail(err, kAlreadyExists);
            return false;
        }
        if (!next) {
            if (Faults* f = faults_of(walked); f && f->make_folder_refused) {
                fail(err, kAccessDenied);
                return false;
            }
            next = node->add(p->parts[i], true, 0, index_);
        }
        node = next;
    }
    return true;
}

bool MemoryFileSystem::read_ansi_text(const std::string& path, std::string* utf8, std::string* err) {
    operations.push_back("open " + path);
    Node* node = find(path);
    if (!node) {
        fail(err, kFileNotFound);
        return false;
    }
    Faults* f = faults_of(path);
    if (node->folder) {
        fail(err, kAccessDenied);
        return false;
    }
    if ((f && f->held) || node->writers > 0) {
        fail(err, kSharingViolation);
        return false;
    }
    if (f && f->read_fails_at == 1) {
        fail(err, kCrc);
        return false;
    }
    if (node->kept.size() != node->size) {
        fail(err, "memory file system: text too large for the test");
        return false;
    }
    // Windows-1252: Latin-1 but for 0x80-0x9F; its five unassigned bytes map
    // to the control characters of the same number, as Windows does.
    static const char16_t k80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    utf8->clear();
    for (char ch : node->kept) {
        unsigned char b = static_cast<unsigned char>(ch);
        unsigned cp = (b >= 0x80 && b < 0xA0) ? k80[b - 0x80] : b;
        if (cp < 0x80) {
            utf8->push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            utf8->push_back(static_cast<char>(0xC0 | (cp >> 6)));
            utf8->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            utf8->push_back(static_cast<char>(0xE0 | (cp >> 12)));
            utf8->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            utf8->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return true;
}

MemoryFileSystem::Node* MemoryFileSystem::ensure_folders(const std::string& path) {
    if (Node* there = find(path); there && there->folder) return there;
    std::optional<ParsedPath> p = parse(path);
    if (!p) throw std::invalid_argument("not a Windows path: " + path);
    Node* node = find(p->root);
    for (const auto& part : p->parts) {
        Node* next = node->child(part, index_);
        if (!next) next = node->add(part, true, 0, index_);
        if (!next->folder) throw std::invalid_argument("a file stands in the way: " + path);
        node = next;
    }
    return node;
}

MemoryFileSystem::Node* MemoryFileSystem::put_file(const std::string& path, std::uint32_t attrs) {
    std::optional<ParsedPath> p = parse(path);
    if (!p || p->parts.empty() || p->trailing) throw std::invalid_argument("not a file path: " + path);
    std::string folder = p->root;
    for (std::size_t i = 0; i + 1 < p->parts.size(); ++i) folder += "\\" + p->parts[i];
    Node* parent = ensure_folders(folder);
    Node* node = parent->child(p->parts.back(), index_);
    if (node && node->folder) throw std::invalid_argument("a folder stands there: " + path);
    if (!node) node = parent->add(p->parts.back(), false, 0, index_);
    node->truncate();
    node->attrs = attrs & ~static_cast<std::uint32_t>(ATTR_DIRECTORY | ATTR_NORMAL);
    return node;
}

void MemoryFileSystem::add_folder(const std::string& path, std::uint32_t attrs) {
    ensure_folders(path)->attrs = attrs & ~static_cast<std::uint32_t>(ATTR_DIRECTORY);
}

void MemoryFileSystem::add_file(const std::string& path, const std::string& bytes, std::uint32_t attrs) {
    Node* node = put_file(path, attrs);
    node->append(bytes.data(), bytes.size(), std::max(keep_limit, bytes.size()));
}

void MemoryFileSystem::add_large_file(const std::string& path, std::uint64_t size, std::uint32_t attrs) {
    Node* node = put_file(path, attrs);
    node->size = size;
    node->pattern_run = size;
}

bool MemoryFileSystem::exists(const std::string& path) const { return find(path) != nullptr; }

bool MemoryFileSystem::is_folder(const std::string& path) const {
    Node* node = find(path);
    return node && node->folder;
}

std::string MemoryFileSystem::contents(const std::string& path) const {
    Node* node = find(path);
    if (!node || node->folder) {
        ADD_FAILURE() << "no file " << path << "\n" << describe();
        return {};
    }
    return node->kept;
}

std::uint64_t MemoryFileSystem::size_of(const std::string& path) const {
    Node* node = find(path);
    if (!node || node->folder) {
        ADD_FAILURE() << "no file " << path << "\n" << describe();
        return 0;
    }
    return node->size;
}

std::uint32_t MemoryFileSystem::attrs_of(const std::string& path) const {
    Node* node = find(path);
    if (!node) {
        ADD_FAILURE() << "nothing at " << path << "\n" << describe();
        return 0;
    }
    return node->attrs;
}

bool MemoryFileSystem::same_contents(const std::string& a, const std::string& b) const {
    Node* x = find(a);
    Node* y = find(b);
    if (!x || !y || x->folder || y->folder) return false;
    return x->size == y->size && x->pattern_run == y->pattern_run && x->tail_hash == y->tail_hash;
}

namespace {

std::string preview(const std::string& bytes) {
    std::string out;
    for (char c : bytes.substr(0, 24)) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (static_cast<unsigned char>(c) < 0x20) out += '?';
        else out += c;
    }
    return bytes.size() > 24 ? out + "..." : out;
}

}  // namespace

std::string MemoryFileSystem::describe() const {
    std::ostringstream out;
    auto walk = [&](auto& self, const Node& node, const std::string& indent) -> void {
        for (const auto& c : node.order) {
            out << indent << c->name;
            if (c->folder) {
                out << "\\";
                if (c->attrs) out << "  attrs=0x" << std::hex << c->attrs << std::dec;
                out << "\n";
                self(self, *c, indent + "  ");
                continue;
            }
            out << "  " << c->size << " bytes  attrs=0x" << std::hex << c->attrs << std::dec;
            if (c->kept.size() == c->size) out << "  \"" << preview(c->kept) << "\"";
            else if (c->pattern_run == c->size) out << "  (generated bytes)";
            else out << "  (first " << c->kept.size() << " bytes kept)";
            if (c->readers) out << "  open for reading x" << c->readers;
            if (c->writers) out << "  open for writing";
            out << "\n";
        }
    };
    // Drives and shares exist without being added; only those with something in them are shown.
    for (const auto& root : roots_->order) {
        if (root->order.empty() && root->attrs == 0) continue;
        out << root->name << "\\\n";
        walk(walk, *root, "  ");
    }
    for (const auto& [key, f] : faults_) {
        out << "faults " << key << ":";
        if (f.read_fails_at) out << " read " << f.read_fails_at << " fails;";
        if (f.write_fails_at) out << " write " << f.write_fails_at << " fails;";
        if (f.held) out << " held;";
        if (f.shrinks_to) out << " shrinks to " << *f.shrinks_to << ";";
        if (f.grows_by) out << " grows by " << f.grows_by << ";";
        if (f.close_fails) out << " close fails;";
        if (f.list_fails) out << " cannot be listed;";
        if (f.make_folder_refused) out << " folder refused;";
        if (f.set_attributes_fails) out << " attributes refused;";
        out << "\n";
    }
    if (free_space) out << "free space " << *free_space << " bytes\n";
    out << open_streams_ << " streams open\n";
    return out.str();
}

}  // namespace vorlan::test
