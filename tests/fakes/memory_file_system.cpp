#include "fakes/memory_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

namespace vorlan::test {

namespace {

const char* const kDeviceError = "La solicitud no se pudo realizar debido a un error de dispositivo de E/S.";

bool fail(std::string* err, const char* text) {
    if (err) *err = text;
    return false;
}

// "X:\a\b" with doubled and trailing separators dropped; "" when not a valid absolute path.
std::string normal(const std::string& path) {
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) return "";
    std::string out = path.substr(0, 2);
    for (std::size_t i = 2, end; i < path.size(); i = end + 1) {
        end = std::min(path.find('\\', i), path.size());
        const std::string name = path.substr(i, end - i);
        if ((i == 2 && end != 2) || name == "." || name == ".." || name.find_first_of("<>:\"/|?*") != name.npos)
            return "";
        if (!name.empty()) out += "\\" + name;
    }
    return out;
}

std::string parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }

}  // namespace

using Node = MemoryFileSystem::Node;

std::string MemoryFileSystem::key(const std::string& path) {
    std::string k = normal(path);
    if (k.starts_with("U:") || k.starts_with("u:")) return k;  // a share of a system that tells case apart
    for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return k;
}

void Node::read_at(char* out, std::uint64_t offset, std::size_t n) const {
    const std::size_t z = offset < zeros ? static_cast<std::size_t>(std::min<std::uint64_t>(n, zeros - offset)) : 0;
    std::memset(out, 0, z);
    for (std::uint64_t i = z, at = offset + z - zeros; i < n; ++i, ++at) out[i] = at < bytes.size() ? bytes[at] : 'x';
}

// Leading zeros are counted, not held: a large file costs nothing.
void Node::append(const char* data, std::size_t n) {
    static const char none[1 << 16] = {};
    if (bytes.empty() && n <= sizeof none && std::memcmp(data, none, n) == 0) zeros += n;
    else bytes.append(data, n);
}

// One open file, read or written.
class MemoryStream : public InputFile, public OutputFile {
public:
    MemoryStream(MemoryFileSystem& fs, Node& node, const Faults& faults) : fs_(fs), node_(node), faults_(faults) {
        limit_ = std::min(node.size(), faults.shrinks_to.value_or(node.size())) + faults.grows_by;
        ++fs_.open_;
        ++node_.open;
    }
    ~MemoryStream() override { close(nullptr); }

    std::uint64_t size() const override { return node_.size(); }
    bool read(void* buf, std::size_t n, std::size_t* got, std::string* err) override {
        *got = 0;
        if (calls_ + 1 == faults_.stalls_at) {
            ++fs_.stalled;
            std::this_thread::sleep_for(MemoryFileSystem::kStall);
            --fs_.stalled;
        }
        const Lock lock(fs_.mutex_);
        if (++calls_ == faults_.read_fails_at)
            return fail(err, "Error de datos (comprobación de redundancia cíclica).");
        *got = static_cast<std::size_t>(std::min<std::uint64_t>(n, limit_ - pos_));
        node_.read_at(static_cast<char*>(buf), pos_, *got);
        pos_ += *got;
        return true;
    }
    bool write(const void* buf, std::size_t n, std::string* err) override {
        const Lock lock(fs_.mutex_);
        EXPECT_TRUE(open_) << "write after close";
        if (!open_ || ++calls_ == faults_.write_fails_at) return fail(err, kDeviceError);
        const std::size_t fits = fs_.space ? static_cast<std::size_t>(std::min<std::uint64_t>(n, *fs_.space)) : n;
        node_.append(static_cast<const char*>(buf), fits);  // a full disk takes what fits, then refuses
        if (fs_.space) *fs_.space -= fits;
        return fits == n || fail(err, "No hay espacio suficiente en el disco.");
    }
    bool close(std::string* err) override {
        const Lock lock(fs_.mutex_);
        if (!std::exchange(open_, false)) return true;
        --fs_.open_;
        --node_.open;
        return !faults_.close_fails || fail(err, kDeviceError);
    }

private:
    MemoryFileSystem& fs_;
    Node& node_;
    Faults faults_;
    bool open_ = true;
    int calls_ = 0;
    std::uint64_t limit_, pos_ = 0;
};

MemoryFileSystem::~MemoryFileSystem() {
    if (open_ != 0) ADD_FAILURE() << "memory file system destroyed with " << open_ << " open streams";
}

Node* MemoryFileSystem::find(const std::string& path) const {
    const std::string k = key(path);
    if (k.size() == 2) return &drive_;  // every drive exists
    auto it = nodes_.find(k);
    return k.empty() || it == nodes_.end() ? nullptr : &it->second;
}

// A new node whose folder exists, or the node already there.
Node* MemoryFileSystem::place(const std::string& path, bool folder, std::string* err) {
    const std::string k = key(path);
    if (k.size() <= 2) return fail(err, "La sintaxis del nombre de archivo no es correcta."), nullptr;
    if (!is_folder(parent(normal(path))))
        return fail(err, "El sistema no puede encontrar la ruta especificada."), nullptr;
    if (Node* old = find(path)) return old;
    Node& made = nodes_[k] = Node{normal(path), folder, folder ? 0u : std::uint32_t{ATTR_ARCHIVE}};
    made.id = ++last_id_;
    return &made;
}

bool MemoryFileSystem::list(const std::string& folder, std::vector<Entry>* out, std::string* err) {
    const Lock lock(mutex_);
    out->clear();
    if (!is_folder(folder) || faults_[key(folder)].list_fails) return fail(err, kAccessDenied);
    const std::string k = key(folder);
    for (auto it = nodes_.upper_bound(k + "\\"); it != nodes_.end() && it->first.starts_with(k + "\\"); ++it) {
        const Node& c = it->second;
        std::uint32_t attrs = 0;
        if (it->first.rfind('\\') == k.size() && attributes(c.path, &attrs))
            out->push_back({c.path.substr(c.path.rfind('\\') + 1), c.folder, c.size(), attrs});
    }
    return true;
}

bool MemoryFileSystem::attributes(const std::string& path, std::uint32_t* attrs) {
    const Lock lock(mutex_);
    const Node* n = find(path);
    if (n)
        *attrs = n->folder  ? n->attrs | std::uint32_t{ATTR_DIRECTORY}
                 : n->attrs ? n->attrs
                            : std::uint32_t{ATTR_NORMAL};
    return n != nullptr;
}

bool MemoryFileSystem::set_attributes(const std::string& path, std::uint32_t attrs, std::string* err) {
    const Lock lock(mutex_);
    Node* node = find(path);
    if (node) node->attrs = attrs & ~std::uint32_t{ATTR_DIRECTORY | ATTR_NORMAL};
    return node || fail(err, kNotFound);
}

bool MemoryFileSystem::remove_file(const std::string& path, std::string* err) {
    const Lock lock(mutex_);
    if (const char* why = refusal(path, ATTR_READONLY, true)) return fail(err, why);
    if (space) *space += find(path)->size();
    nodes_.erase(key(path));
    return true;
}

// Why the file at `path` cannot be opened, or when `deleting`, deleted,
// moved or overwritten (`attrs` forbid it, and so does an open stream: none
// shares deleting); nullptr when it can.
const char* MemoryFileSystem::refusal(const std::string& path, std::uint32_t attrs, bool deleting) {
    const Node* node = find(path);
    if (!node) return kNotFound;
    if (node->folder || (node->attrs & attrs)) return kAccessDenied;
    return faults_[key(path)].held || (deleting && node->open) ? kSharing : nullptr;
}

Node* MemoryFileSystem::readable(const std::string& path, std::string* err) {
    const char* why = refusal(path, 0, false);
    return why ? fail(err, why), nullptr : find(path);
}

std::unique_ptr<InputFile> MemoryFileSystem::open_read(const std::string& path, std::string* err) {
    const Lock lock(mutex_);
    Node* node = readable(path, err);
    if (!node) return nullptr;
    return std::make_unique<MemoryStream>(*this, *node, faults_[key(path)]);
}

std::unique_ptr<OutputFile> MemoryFileSystem::create(const std::string& path, std::string* err) {
    const Lock lock(mutex_);
    const bool there = exists(path);
    Node* node = place(path, false, err);
    if (!node) return nullptr;
    if (there) {
        // Replacing a hidden or system file without naming those attributes is refused too.
        const char* why = refusal(path, ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM, true);
        if (why) return fail(err, why), nullptr;
        if (space) *space += node->size();
        node->attrs = ATTR_ARCHIVE;
        node->zeros = 0;
        node->bytes.clear();
    }
    return std::make_unique<MemoryStream>(*this, *node, faults_[key(path)]);
}

bool MemoryFileSystem::replace(const std::string& from, const std::string& to, std::string* err) {
    const Lock lock(mutex_);
    if (const char* why = refusal(from, 0, true)) return fail(err, why);
    if (const Node* old = find(to)) {
        if (const char* why = refusal(to, ATTR_READONLY, true)) return fail(err, why);
        if (space) *space += old->size();
    } else if (!place(to, false, err)) {
        return false;
    }
    Node moved = std::move(nodes_.at(key(from)));
    nodes_.erase(key(from));
    moved.path = normal(to);
    nodes_.insert_or_assign(key(to), std::move(moved));
    return true;
}

bool MemoryFileSystem::free_space(const std::string&, std::uint64_t* bytes, std::string* err) {
    const Lock lock(mutex_);
    if (space) *bytes = *space;
    return space || fail(err, "No se puede leer el espacio libre.");
}

bool MemoryFileSystem::make_folders(const std::string& path, std::string* err) {
    const std::string folder = normal(path.substr(0, path.rfind('\\') + 1));
    const bool slow = [&] {
        const Lock lock(mutex_);
        return faults_[key(folder)].stalls_at != 0;
    }();
    if (slow) std::this_thread::sleep_for(kStall);  // unlocked: the device is slow, not the other calls
    const Lock lock(mutex_);
    if (folder.empty()) return fail(err, "La sintaxis del nombre de archivo no es correcta.");
    for (std::size_t at = folder.find('\\', 3);; at = folder.find('\\', at + 1)) {
        const std::string part = folder.substr(0, at);
        if (part.size() > 2 && !place(part, true, err)) return false;
        if (!is_folder(part)) return fail(err, "No se puede crear un archivo que ya existe.");
        if (at == std::string::npos) break;
    }
    return true;
}

// The file's bytes are its text: the tests write their readmes in UTF-8, and
// none as large as the limit.
bool MemoryFileSystem::read_ansi_text(const std::string& path, std::size_t, std::string* utf8, bool* cut,
                                      std::string* err) {
    const Lock lock(mutex_);
    if (!readable(path, err)) return false;
    *utf8 = contents(path);
    *cut = false;
    return true;
}

void MemoryFileSystem::add_folder(const std::string& path, std::uint32_t attrs) {
    const Lock lock(mutex_);
    std::string err;
    if (!make_folders(path + "\\", &err)) throw std::invalid_argument(path + ": " + err);
    find(path)->attrs = attrs & ~std::uint32_t{ATTR_DIRECTORY};
}

void MemoryFileSystem::add_large_file(const std::string& path, std::uint64_t size) {
    const Lock lock(mutex_);
    std::string err;
    Node* node = make_folders(path, &err) && !exists(path) ? place(path, false, &err) : nullptr;
    if (!node) throw std::invalid_argument("no place for a file at " + path + " " + err);
    node->zeros = size;
}

void MemoryFileSystem::add_file(const std::string& path, const std::string& bytes, std::uint32_t attrs) {
    const Lock lock(mutex_);
    if (exists(path)) nodes_.erase(key(path));
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
    const Lock lock(mutex_);
    const Node& node = file(path);
    if (node.zeros > (64u << 20)) throw std::length_error("memory file system: " + path + " is too large to show");
    return std::string(static_cast<std::size_t>(node.zeros), '\0') + node.bytes;
}

std::uint32_t MemoryFileSystem::attrs_of(const std::string& path) const {
    const Lock lock(mutex_);
    const Node* node = find(path);
    if (!node) ADD_FAILURE() << "nothing at " << path << "\n" << describe();
    return node ? node->attrs : 0;
}

bool MemoryFileSystem::same_contents(const std::string& a, const std::string& b) const {
    const Lock lock(mutex_);
    const Node &x = file(a), &y = file(b);
    return x.zeros == y.zeros && x.bytes == y.bytes;
}

std::string MemoryFileSystem::describe() const {
    const Lock lock(mutex_);
    std::string out;
    for (const auto& [k, n] : nodes_)
        out.append(n.path)
            .append(n.folder ? "\\ " : " bytes=")
            .append(std::to_string(n.size()))
            .append(" ")
            .append(n.bytes.substr(0, 24))
            .append(" attrs=")
            .append(std::to_string(n.attrs))
            .append(n.names > 1 ? " names=" + std::to_string(n.names) : "")
            .append(n.grants ? " grants=" + std::to_string(n.grants) : "")
            .append("\n");
    return out;
}

}  // namespace vorlan::test
