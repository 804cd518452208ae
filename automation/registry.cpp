#include "automation/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "automation/failure.h"
#include "automation/file_replacement.h"

namespace automation {

namespace {

constexpr HRESULT REGDB_E_READREGDB = MakeStatus(0x80040150u);

std::string Fold(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string Quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        if (c == '\n') { out += "\\n"; continue; }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

// Reads a quoted string starting at line[pos]; advances pos past it.
std::optional<std::string> Unquote(const std::string& line, std::size_t& pos) {
    if (pos >= line.size() || line[pos] != '"') return std::nullopt;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\') {
            if (++pos >= line.size()) return std::nullopt;
            out.push_back(line[pos] == 'n' ? '\n' : line[pos]);
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;
}

[[noreturn]] void Damaged(const std::string& path, int lineNo) {
    throw StatusError(REGDB_E_READREGDB,
                      "The registry file " + path + " is damaged at line " + std::to_string(lineNo));
}

}  // namespace

std::string Registry::DefaultPath() {
    if (const char* p = std::getenv("AUTOMATION_REGISTRY"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/automation/registry";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.config/automation/registry";
}

Registry Registry::Load(const std::string& path) {
    Registry r;
    std::error_code ec;
    auto type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::not_found) return r;
    std::ifstream in(path);
    if (type != std::filesystem::file_type::regular || !in)
        throw StatusError(REGDB_E_READREGDB, "Cannot read the registry file " + path);
    std::string line;
    Key* current = nullptr;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) Damaged(path, lineNo);
            std::string name = line.substr(1, line.size() - 2);
            current = &r.keys_[Fold(name)];
            current->name = name;
            continue;
        }
        if (!current) Damaged(path, lineNo);
        std::size_t pos = 0;
        std::string valueName;
        if (line[0] == '@') {
            pos = 1;
        } else {
            auto n = Unquote(line, pos);
            if (!n) Damaged(path, lineNo);
            valueName = *n;
        }
        if (pos >= line.size() || line[pos] != '=') Damaged(path, lineNo);
        ++pos;
        auto value = Unquote(line, pos);
        if (!value || pos != line.size()) Damaged(path, lineNo);
        current->values[Fold(valueName)] = {valueName, *value};
    }
    if (in.bad()) throw StatusError(REGDB_E_READREGDB, "Cannot read the registry file " + path);
    return r;
}

bool Registry::KeyExists(std::string_view key) const { return keys_.count(Fold(key)) != 0; }

std::vector<std::string> Registry::KeyNames() const {
    std::vector<std::string> names;
    for (const auto& [folded, key] : keys_) names.push_back(key.name);
    return names;
}

std::optional<std::string> Registry::GetValue(std::string_view key, std::string_view name) const {
    auto k = keys_.find(Fold(key));
    if (k == keys_.end()) return std::nullopt;
    auto v = k->second.values.find(Fold(name));
    if (v == k->second.values.end()) return std::nullopt;
    return v->second.second;
}

void Registry::CreateKey(std::string_view key) {
    Key& k = keys_[Fold(key)];
    if (k.name.empty()) k.name = std::string(key);
}

void Registry::SetValue(std::string_view key, std::string_view name, std::string_view value) {
    CreateKey(key);
    keys_[Fold(key)].values[Fold(name)] = {std::string(name), std::string(value)};
}

void Registry::DeleteTree(std::string_view key) {
    std::string folded = Fold(key);
    std::string prefix = folded + "\\";
    for (auto it = keys_.begin(); it != keys_.end();) {
        if (it->first == folded || it->first.compare(0, prefix.size(), prefix) == 0) it = keys_.erase(it);
        else ++it;
    }
}

std::vector<std::string> Registry::SubKeys(std::string_view key) const {
    const std::string prefix = Fold(key) + "\\";
    std::vector<std::string> names;
    std::string last;
    for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
         ++it) {
        const std::string& name = it->second.name;
        std::string child = name.substr(prefix.size(), name.find('\\', prefix.size()) - prefix.size());
        if (Fold(child) != last) names.push_back(child);
        last = Fold(child);
    }
    return names;
}

// The text goes into a temporary file made exclusively beside the target (nothing planted at a
// predictable name is followed or overwritten), which is then renamed over it.
void Registry::Save(const std::string& path) const {
    std::filesystem::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
    std::ostringstream text;
    text << "; automation class registry\n";
    for (const auto& [folded, key] : keys_) {
        text << '[' << key.name << "]\n";
        for (const auto& [f, nv] : key.values)
            text << (nv.first.empty() ? std::string("@") : Quote(nv.first)) << '=' << Quote(nv.second) << '\n';
    }
    std::optional<FileReplacement> file;
    try {
        file.emplace(target);
        file->Write(std::move(text).str());
    } catch (const std::system_error&) {
        throw StatusError(REGDB_E_WRITEREGDB, "Cannot write the registry file " + path);
    }
    try {
        file->Commit();
    } catch (const std::system_error&) {
        throw StatusError(REGDB_E_WRITEREGDB, "Cannot replace the registry file " + path);
    }
}

RegistryLock::RegistryLock(const std::string& path) {
    std::filesystem::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
    fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) throw StatusError(REGDB_E_WRITEREGDB, "Cannot lock the registry file " + path);
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

RegistryLock::~RegistryLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace automation
