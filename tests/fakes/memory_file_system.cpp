#include "fakes/memory_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <utility>

#include "fakes/memory_stream.h"
#include "fakes/windows_names.h"

namespace vorlan::test {

using namespace memory;

namespace {

std::string parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }

}  // namespace

using Node = MemoryFileSystem::Node;

std::string memory::normal_path(const std::string& path) {
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) return "";
    std::string out;
    out.reserve(path.size());
    out.append(path, 0, 2);
    for (std::size_t i = 2, end; i < path.size(); i = end + 1) {
        end = std::min(path.find('\\', i), path.size());
        const std::string_view name(path.data() + i, end - i);
        if ((i == 2 && end != 2) || name == "." || name == ".." || name.find_first_of("<>:\"/|?*") != name.npos)
            return "";
        if (!name.empty()) out.append("\\").append(name);
    }
    return out;
}

std::string MemoryFileSystem::key(const std::string& path) {
    const std::string k = normal_path(path);
    if (k.starts_with("U:") || k.starts_with("u:")) return k;  // a share of a system that tells case apart
    return fold_like_windows(k);
}

std::string MemoryFileSystem::resolved(const std::string& k) const {
    if (short_keys_.empty() || nodes_.count(k)) return k;
    std::string out = k.substr(0, 2);
    for (std::size_t i = 3, end; i <= k.size(); i = end + 1) {
        end = std::min(k.find('\\', i), k.size());
        out.append(1, '\\').append(k, i, end - i);
        const auto it = short_keys_.find(out);
        if (!nodes_.count(out) && it != short_keys_.end()) out = it->second;
    }
    return out;
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

MemoryFileSystem::~MemoryFileSystem() {
    if (open_ != 0) ADD_FAILURE() << "memory file system destroyed with " << open_ << " open streams";
}

Node* MemoryFileSystem::find(const std::string& path) const {
    const std::string k = key(path);
    if (k.size() == 2) return &drive_;  // every drive exists
    auto it = nodes_.find(resolved(k));
    return k.empty() || it == nodes_.end() ? nullptr : &it->second;
}

void MemoryFileSystem::erase(const std::string& k) {
    const auto it = nodes_.find(k);
    if (it == nodes_.end()) return;
    if (!it->second.short_name.empty()) short_keys_.erase(key(parent(it->second.path) + "\\" + it->second.short_name));
    nodes_.erase(it);
}

void MemoryFileSystem::name_briefly(Node& node) {
    const std::string name = node.path.substr(node.path.rfind('\\') + 1);
    if (!short_names || !key(node.path).starts_with("C:") || fits_8_3(name)) return;
    for (int n = 1;; ++n) {
        const std::string brief = short_name(name, n), k = key(parent(node.path) + "\\" + brief);
        if (nodes_.count(k) || short_keys_.count(k)) continue;
        node.short_name = brief;
        short_keys_[k] = key(node.path);
        return;
    }
}

std::string MemoryFileSystem::short_name_of(const std::string& path) const {
    const Lock lock(mutex_);
    const Node* node = find(path);
    return node ? node->short_name : std::string();
}

// A new node whose folder exists, or the node already there.
Node* MemoryFileSystem::place(const std::string& path, bool folder, std::string* err) {
    const std::string k = key(path);
    if (k.size() <= 2) return fail(err, "La sintaxis del nombre de archivo no es correcta."), nullptr;
    if (!is_folder(parent(normal_path(path))))
        return fail(err, "El sistema no puede encontrar la ruta especificada."), nullptr;
    if (Node* old = find(path)) return old;
    Node& node = nodes_[k] = Node{normal_path(path), folder, folder ? 0u : std::uint32_t{ATTR_ARCHIVE}};
    node.id = ++last_id_;
    node.last_write = ++clock_;
    name_briefly(node);
    return &node;
}

bool MemoryFileSystem::list(const std::string& folder, std::vector<Entry>* out, std::string* err) {
    const Lock lock(mutex_);
    out->clear();
    if (!is_folder(folder) || faults_[key(folder)].list_fails) return fail(err, kAccessDenied);
    const Node* node = find(folder);
    const std::string k = node == &drive_ ? key(folder) : key(node->path);
    // What lies below a child is passed over in one step, to the first key
    // past the child's "\\".
    const std::string prefix = k + "\\";
    for (auto it = nodes_.upper_bound(prefix); it != nodes_.end() && it->first.starts_with(prefix);) {
        const std::size_t below = it->first.find('\\', prefix.size());
        if (below != std::string::npos) {
            it = nodes_.lower_bound(it->first.substr(0, below) + static_cast<char>('\\' + 1));
            continue;
        }
        const Node& c = (it++)->second;
        std::uint32_t attrs = 0;
        if (attributes(c.path, &attrs))
            out->push_back(
                {c.path.substr(c.path.rfind('\\') + 1), c.folder, c.size(), attrs, c.folder ? 0 : c.last_write});
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
    erase(key(find(path)->path));
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
    if (faults_[key(path)].open_throws) throw std::bad_alloc();
    Node* node = readable(path, err);
    if (!node) return nullptr;
    return std::make_unique<MemoryStream>(*this, *node, faults_[key(path)], false, true);
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

std::unique_ptr<NewFile> MemoryFileSystem::create_new(const std::string& path, bool* exists, std::string* err) {
    const bool slow = [&] {
        const Lock lock(mutex_);
        return faults_[key(path)].create_stalls;
    }();
    if (slow) std::this_thread::sleep_for(kStall);
    const Lock lock(mutex_);
    *exists = find(path) != nullptr;
    if (*exists) return fail(err, kExists), nullptr;
    Node* node = place(path, false, err);
    if (!node) return nullptr;
    return std::make_unique<MemoryStream>(*this, *node, faults_[key(path)], true);
}

bool MemoryFileSystem::lookup(const std::string& path, Entry* entry) {
    const Lock lock(mutex_);
    const Node* node = find(path);
    std::uint32_t attrs = 0;
    if (!node || !attributes(path, &attrs)) return false;
    const std::string& named = faults_[key(path)].lookup_echoes ? normal_path(path) : node->path;
    *entry = {named.substr(named.rfind('\\') + 1), node->folder, node->folder ? 0 : node->size(), attrs,
              node->folder ? 0 : node->last_write};
    return true;
}

std::string MemoryFileSystem::fold_case(const std::string& text) { return fold_like_windows(text); }

bool MemoryFileSystem::volume(const std::string&, Volume* out, std::string* err) {
    const Lock lock(mutex_);
    if (space) *out = {*space, cluster, file_system};
    return space || fail(err, "No se puede leer el espacio libre.");
}

bool MemoryFileSystem::make_folders(const std::string& path, std::string* err) {
    const std::string folder = normal_path(path.substr(0, path.rfind('\\') + 1));
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
    if (exists(path)) erase(key(find(path)->path));
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
            .append(n.provisional ? " provisional" : "")
            .append(n.short_name.empty() ? "" : " short=" + n.short_name)
            .append(n.names > 1 ? " names=" + std::to_string(n.names) : "")
            .append(n.grants ? " grants=" + std::to_string(n.grants) : "")
            .append("\n");
    return out;
}

}  // namespace vorlan::test
