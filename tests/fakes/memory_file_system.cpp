#include "fakes/memory_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace vorlan::test {

namespace {

// The system's own texts for the errors the fake reports.
const char* const kNotFound = "El sistema no puede encontrar el archivo especificado.";
const char* const kPathNotFound = "El sistema no puede encontrar la ruta especificada.";
const char* const kAccessDenied = "Acceso denegado.";
const char* const kSharing = "El proceso no tiene acceso al archivo porque está siendo utilizado por otro proceso.";
const char* const kDeviceError = "La solicitud no se pudo realizar debido a un error de dispositivo de E/S.";
const char* const kBadName =
    "La sintaxis del nombre de archivo, del directorio o de la etiqueta del volumen no es correcta.";

// The pattern's byte i is table[i % kPeriod]. The period is prime, so a block
// skipped, repeated or read from a wrapped 32-bit offset never lines up again.
constexpr std::uint64_t kPeriod = 1'000'003;

// Runs `each(part_of_table, k)` over the pattern's bytes at [offset, offset + n); stops at false.
template <typename Each>
bool over_pattern(std::uint64_t offset, std::size_t n, Each each) {
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
    for (std::size_t k; n > 0; offset += k, n -= k) {
        const std::size_t at = static_cast<std::size_t>(offset % kPeriod);
        k = std::min<std::size_t>(n, static_cast<std::size_t>(kPeriod) - at);
        if (!each(table.data() + at, k)) return false;
    }
    return true;
}

std::string fold(std::string s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 'A' && c <= 'Z') {
            s[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < s.size()) {  // À to Þ but for ×
            const unsigned char d = static_cast<unsigned char>(s[++i]);
            if (d >= 0x80 && d <= 0x9E && d != 0x97) s[i] = static_cast<char>(d + 0x20);
        }
    }
    return s;
}

bool fail(std::string* err, const char* text) {
    if (err) *err = text;
    return false;
}

}  // namespace

// A valid absolute path's names, the drive first.
struct ParsedPath {
    std::vector<std::string> names;
    bool trailing = false;
    std::string joined(std::size_t n) const {
        std::string out = names[0];
        for (std::size_t i = 1; i < n; ++i) out += "\\" + names[i];
        return out;
    }
    // Drive U: tells case apart, as a share of a case-sensitive system does.
    std::string key(std::size_t n) const { return names[0] == "U:" || names[0] == "u:" ? joined(n) : fold(joined(n)); }
};

using Node = MemoryFileSystem::Node;

namespace {

std::optional<ParsedPath> parse(const std::string& path) {
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])) ||
        (path.size() > 2 && path[2] != '\\'))
        return std::nullopt;
    ParsedPath p{{path.substr(0, 2)}, path.back() == '\\'};
    std::size_t i = 2;
    for (std::size_t end; i < path.size(); i = end + 1) {
        end = std::min(path.find('\\', i), path.size());
        const std::string name = path.substr(i, end - i);
        if (name == "." || name == ".." || name.find_first_of("<>:\"/|?*") != std::string::npos) return std::nullopt;
        if (!name.empty()) p.names.push_back(name);
    }
    return p;
}

std::string key_of(const std::string& path) {
    const std::optional<ParsedPath> p = parse(path);
    return p ? p->key(p->names.size()) : fold(path);
}

// As Windows reports them: a file without any has ATTR_NORMAL.
std::uint32_t reported(const Node& n) {
    if (n.folder) return n.attrs | ATTR_DIRECTORY;
    return n.attrs == 0 ? std::uint32_t{ATTR_NORMAL} : n.attrs;
}

}  // namespace

void Node::read_at(char* out, std::uint64_t offset, std::size_t n) const {
    if (!pattern && offset < bytes.size()) {
        const std::size_t k = std::min<std::size_t>(n, static_cast<std::size_t>(bytes.size() - offset));
        std::memcpy(out, bytes.data() + offset, k);
        out += k;
        offset += k;
        n -= k;
    }
    // Past the end: what a growing file gains.
    over_pattern(offset, n, [&](const unsigned char* t, std::size_t k) {
        std::memcpy(out, t, k);
        out += k;
        return true;
    });
}

void Node::append(const char* data, std::size_t n) {
    const char* at = data;
    if (pattern && over_pattern(size, n, [&](const unsigned char* t, std::size_t k) {
            const bool same = std::memcmp(at, t, k) == 0;
            at += k;
            return same;
        })) {
        size += n;
        return;
    }
    if (pattern) {
        if (size > (64u << 20)) throw std::length_error("memory file system: a large file departs from its pattern");
        bytes.resize(static_cast<std::size_t>(size));
        read_at(bytes.data(), 0, bytes.size());
        pattern = false;
    }
    bytes.append(data, n);
    size += n;
}

// One open file, read or written.
class MemoryStream : public InputFile, public OutputFile {
public:
    MemoryStream(MemoryFileSystem& fs, Node& node, const Faults& faults, int& count)
        : fs_(fs), node_(node), faults_(faults), count_(count) {
        limit_ = std::min(node.size, faults.shrinks_to.value_or(node.size)) + faults.grows_by;
        ++count_;
        ++fs_.open_streams_;
    }
    ~MemoryStream() override { release(); }

    std::uint64_t size() const override { return node_.size; }
    bool read(void* buf, std::size_t n, std::size_t* got, std::string* err) override {
        *got = 0;
        if (++calls_ == faults_.read_fails_at) return fail(err, "Error de datos (comprobación de redundancia cíclica).");
        *got = static_cast<std::size_t>(std::min<std::uint64_t>(n, limit_ - pos_));
        node_.read_at(static_cast<char*>(buf), pos_, *got);
        pos_ += *got;
        return true;
    }
    bool write(const void* buf, std::size_t n, std::string* err) override {
        EXPECT_TRUE(open_) << "write after close";
        if (!open_ || ++calls_ == faults_.write_fails_at) return fail(err, kDeviceError);
        std::optional<std::uint64_t>& free = fs_.space;
        const std::size_t fits = free ? static_cast<std::size_t>(std::min<std::uint64_t>(n, *free)) : n;
        node_.append(static_cast<const char*>(buf), fits);  // a full disk takes what fits, then refuses
        if (free) *free -= fits;
        return fits == n || fail(err, "No hay espacio suficiente en el disco.");
    }
    bool close(std::string* err) override {
        if (!open_) return true;
        release();
        return !faults_.close_fails || fail(err, kDeviceError);
    }

private:
    void release() {
        if (!open_) return;
        open_ = false;
        --count_;
        --fs_.open_streams_;
    }

    MemoryFileSystem& fs_;
    Node& node_;
    Faults faults_;
    int& count_;
    bool open_ = true;
    int calls_ = 0;
    std::uint64_t limit_, pos_ = 0;
};

MemoryFileSystem::~MemoryFileSystem() {
    if (open_streams_ != 0) ADD_FAILURE() << "memory file system destroyed with " << open_streams_ << " open streams";
}

Node* MemoryFileSystem::find(const std::string& path) const {
    const std::optional<ParsedPath> p = parse(path);
    if (!p) return nullptr;
    if (p->names.size() == 1) return &root_;
    auto it = nodes_.find(p->key(p->names.size()));
    return it == nodes_.end() || (p->trailing && !it->second.folder) ? nullptr : &it->second;
}

// The path of a file to make or remove: its folder must exist.
std::optional<ParsedPath> MemoryFileSystem::file_path(const std::string& path, std::string* err) const {
    std::optional<ParsedPath> p = parse(path);
    if (!p || p->names.size() < 2 || p->trailing) return fail(err, kBadName), std::nullopt;
    if (!is_folder(p->joined(p->names.size() - 1))) return fail(err, kPathNotFound), std::nullopt;
    return p;
}

Node& MemoryFileSystem::add(const ParsedPath& p, std::size_t n, bool folder) {
    Node& node = nodes_[p.key(n)] = Node{p.joined(n), folder};
    node.serial = ++serial_;
    return node;
}

// Makes the missing folders among the first `n` names of `p`.
bool MemoryFileSystem::make_folders_to(const ParsedPath& p, std::size_t n, std::string* err) {
    for (std::size_t i = 2; i <= n; ++i) {
        const Node* node = find(p.joined(i));
        if (node && !node->folder) return fail(err, "No se puede crear un archivo que ya existe.");
        if (!node) add(p, i, true);
    }
    return true;
}

const Faults& MemoryFileSystem::faults_of(const std::string& path) const {
    static const Faults none;
    auto it = faults_.find(key_of(path));
    return it == faults_.end() ? none : it->second;
}

Faults& MemoryFileSystem::faults(const std::string& path) { return faults_[key_of(path)]; }

bool MemoryFileSystem::list(const std::string& folder, std::vector<Entry>* out, std::string* err) {
    out->clear();
    const Node* node = find(folder);
    if (!node) return fail(err, kPathNotFound);
    if (!node->folder) return fail(err, "El nombre del directorio no es válido.");
    if (faults_of(folder).list_fails) return fail(err, kAccessDenied);
    std::vector<const Node*> children;
    const std::string key = key_of(folder);
    for (auto it = nodes_.lower_bound(key + "\\"); it != nodes_.end() && it->first.starts_with(key + "\\"); ++it)
        if (it->first.rfind('\\') == key.size()) children.push_back(&it->second);
    std::sort(children.begin(), children.end(), [](const Node* a, const Node* b) { return a->serial < b->serial; });
    for (const Node* c : children)
        out->push_back({c->path.substr(c->path.rfind('\\') + 1), c->folder, c->size, reported(*c)});
    return true;
}

bool MemoryFileSystem::attributes(const std::string& path, std::uint32_t* attrs) {
    const Node* node = find(path);
    if (node) *attrs = reported(*node);
    return node != nullptr;
}

bool MemoryFileSystem::set_attributes(const std::string& path, std::uint32_t attrs, std::string* err) {
    Node* node = find(path);
    if (!node) return fail(err, kNotFound);
    node->attrs = attrs & ~std::uint32_t{ATTR_DIRECTORY | ATTR_NORMAL};
    return true;
}

bool MemoryFileSystem::remove_file(const std::string& path, std::string* err) {
    ++removes;
    const std::optional<ParsedPath> p = file_path(path, err);
    if (!p) return false;
    auto it = nodes_.find(p->key(p->names.size()));
    if (it == nodes_.end()) return fail(err, kNotFound);
    const Node& node = it->second;
    if (node.folder || (node.attrs & ATTR_READONLY)) return fail(err, kAccessDenied);
    if (faults_of(path).held || node.readers > 0 || node.writers > 0) return fail(err, kSharing);
    if (space) *space += node.size;
    nodes_.erase(it);
    return true;
}

// A file that can be opened for reading: there, no folder, and neither held nor being written.
Node* MemoryFileSystem::readable(const std::string& path, std::string* err) {
    Node* node = find(path);
    if (!node) return fail(err, kNotFound), nullptr;
    if (node->folder) return fail(err, kAccessDenied), nullptr;
    if (faults_of(path).held || node->writers > 0) return fail(err, kSharing), nullptr;
    return node;
}

std::unique_ptr<InputFile> MemoryFileSystem::open_read(const std::string& path, std::string* err) {
    Node* node = readable(path, err);
    if (!node) return nullptr;
    return std::make_unique<MemoryStream>(*this, *node, faults_of(path), node->readers);
}

std::unique_ptr<OutputFile> MemoryFileSystem::create(const std::string& path, std::string* err) {
    const std::optional<ParsedPath> p = file_path(path, err);
    if (!p) return nullptr;
    if (Node* old = find(path)) {
        // Replacing a hidden or system file without naming those attributes is refused too.
        if (old->folder || (old->attrs & (ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM)))
            return fail(err, kAccessDenied), nullptr;
        if (faults_of(path).held || old->readers > 0 || old->writers > 0) return fail(err, kSharing), nullptr;
        if (space) *space += old->size;
        *old = Node{old->path, false, 0, old->serial};
    }
    Node* node = find(path) ? find(path) : &add(*p, p->names.size(), false);
    node->attrs = ATTR_ARCHIVE;
    return std::make_unique<MemoryStream>(*this, *node, faults_of(path), node->writers);
}

bool MemoryFileSystem::replace(const std::string& from, const std::string& to, std::string* err) {
    const std::optional<ParsedPath> p = file_path(to, err);
    if (!p || !readable(from, err)) return false;
    if (const Node* old = find(to)) {
        if (old->folder || (old->attrs & ATTR_READONLY)) return fail(err, kAccessDenied);
        if (faults_of(to).held || old->readers > 0 || old->writers > 0) return fail(err, kSharing);
        if (space) *space += old->size;
    }
    Node moved = std::move(nodes_.at(key_of(from)));
    nodes_.erase(key_of(from));
    moved.path = p->joined(p->names.size());
    nodes_.insert_or_assign(p->key(p->names.size()), std::move(moved));
    return true;
}

bool MemoryFileSystem::free_space(const std::string&, std::uint64_t* bytes, std::string* err) {
    if (!space) return fail(err, "No se puede leer el espacio libre.");
    *bytes = *space;
    return true;
}

bool MemoryFileSystem::make_folders(const std::string& path, std::string* err) {
    const std::optional<ParsedPath> p = parse(path);
    if (!p) return fail(err, kBadName);
    return make_folders_to(*p, p->trailing ? p->names.size() : p->names.size() - 1, err);
}

bool MemoryFileSystem::read_ansi_text(const std::string& path, std::size_t most, std::string* utf8, bool* cut,
                                      std::string* err) {
    if (!readable(path, err)) return false;
    utf8->clear();
    std::string bytes = contents(path);
    *cut = bytes.size() > most;
    if (*cut) {
        bytes.resize(most);
        const std::size_t end = bytes.rfind('\n');
        if (end != std::string::npos) bytes.resize(end + 1);
    }
    // Plain pointers: the tests read readmes of many megabytes in unoptimised builds.
    utf8->resize(2 * bytes.size());
    char* out = utf8->data();
    for (const char *in = bytes.data(), *end = in + bytes.size(); in != end; ++in) {
        const unsigned char b = static_cast<unsigned char>(*in);
        if (b >= 0x80) *out++ = static_cast<char>(0xC0 | (b >> 6));
        *out++ = b >= 0x80 ? static_cast<char>(0x80 | (b & 0x3F)) : *in;
    }
    utf8->resize(static_cast<std::size_t>(out - utf8->data()));
    return true;
}

void MemoryFileSystem::add_folder(const std::string& path, std::uint32_t attrs) {
    const std::optional<ParsedPath> p = parse(path);
    std::string err;
    if (!p || !make_folders_to(*p, p->names.size(), &err)) throw std::invalid_argument(path + ": " + err);
    find(path)->attrs = attrs & ~std::uint32_t{ATTR_DIRECTORY};
}

void MemoryFileSystem::add_large_file(const std::string& path, std::uint64_t size) {
    const std::optional<ParsedPath> p = parse(path);
    std::string err;
    if (!p || p->trailing || !make_folders_to(*p, p->names.size() - 1, &err) || p->names.size() < 2 || is_folder(path))
        throw std::invalid_argument("no place for a file at " + path + " " + err);
    Node& node = add(*p, p->names.size(), false);
    node.size = size;
    node.attrs = ATTR_ARCHIVE;
}

void MemoryFileSystem::add_file(const std::string& path, const std::string& bytes, std::uint32_t attrs) {
    add_large_file(path, 0);
    find(path)->append(bytes.data(), bytes.size());
    find(path)->attrs = attrs & ~std::uint32_t{ATTR_DIRECTORY | ATTR_NORMAL};
}

const Node& MemoryFileSystem::file(const std::string& path) const {
    static const Node none;
    const Node* node = find(path);
    if (node && !node->folder) return *node;
    ADD_FAILURE() << "no file " << path << "\n" << describe();
    return none;
}

std::string MemoryFileSystem::contents(const std::string& path) const {
    const Node& node = file(path);
    if (!node.pattern) return node.bytes;
    if (node.size > (64u << 20)) throw std::length_error("memory file system: " + path + " is too large to show");
    std::string out(static_cast<std::size_t>(node.size), '\0');
    node.read_at(out.data(), 0, out.size());
    return out;
}

std::uint32_t MemoryFileSystem::attrs_of(const std::string& path) const {
    const Node* node = find(path);
    if (!node) ADD_FAILURE() << "nothing at " << path << "\n" << describe();
    return node ? node->attrs : 0;
}

bool MemoryFileSystem::same_contents(const std::string& a, const std::string& b) const {
    const Node &x = file(a), &y = file(b);
    return x.size == y.size && ((x.pattern && y.pattern) || contents(a) == contents(b));
}

std::string MemoryFileSystem::describe() const {
    std::ostringstream out;
    for (const auto& [key, n] : nodes_) {
        out << n.path << (n.folder ? "\\" : "  " + std::to_string(n.size) + " bytes") << "  attrs=" << n.attrs
            << (n.readers ? "  open for reading" : "") << (n.writers ? "  open for writing" : "");
        if (!n.folder) out << (n.pattern ? "  (pattern)" : "  \"" + n.bytes.substr(0, 24) + "\"");
        out << "\n";
    }
    for (const auto& [key, f] : faults_) out << "faults at " << key << "\n";
    return out.str();
}

}  // namespace vorlan::test
