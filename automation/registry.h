// The class registry: a small hierarchical key/value store in one text file.
//
// Keys are named with backslashes ("CLSID\{...}\InprocServer32") and compared without regard to
// case; each key holds string values, the unnamed one being its default value. The file reads:
//
//   [Corvane.AggCo.1\CLSID]
//   @="{FEF1FED9-E48D-471C-AB3B-6F82F69E8DE5}"
//   "ThreadingModel"="Free"
//
// with backslashes and quotes in values escaped by a backslash.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace automation {

class Registry {
public:
    // AUTOMATION_REGISTRY, else $XDG_CONFIG_HOME/automation/registry, else ~/.config/automation/registry.
    static std::string DefaultPath();

    // A missing file reads as an empty registry; an unreadable or damaged one throws StatusError.
    static Registry Load(const std::string& path);

    bool KeyExists(std::string_view key) const;
    // Every key's name as first written, in no particular order.
    std::vector<std::string> KeyNames() const;
    // The value `name` of `key` ("" for the default value).
    std::optional<std::string> GetValue(std::string_view key, std::string_view name = "") const;
    void SetValue(std::string_view key, std::string_view name, std::string_view value);
    void CreateKey(std::string_view key);
    // Names of the keys directly below `key` (also those that exist only as parents of deeper keys).
    std::vector<std::string> SubKeys(std::string_view key) const;
    // Removes the key and every key below it.
    void DeleteTree(std::string_view key);

    // Writes the whole registry to `path` atomically (a temporary file renamed over it).
    void Save(const std::string& path) const;

private:
    struct Key {
        std::string name;                                           // as first written
        std::map<std::string, std::pair<std::string, std::string>> values;  // folded name -> (name, value)
    };
    std::map<std::string, Key> keys_;  // folded key name -> key
};

// Loads the registry at `path` under an exclusive lock, lets `edit` change it and saves it;
// concurrent registrations in other processes wait for each other.
template <class Edit>
void EditRegistry(const std::string& path, Edit&& edit);

class RegistryLock {
public:
    explicit RegistryLock(const std::string& path);
    ~RegistryLock();
    RegistryLock(const RegistryLock&) = delete;
    RegistryLock& operator=(const RegistryLock&) = delete;

private:
    int fd_ = -1;
};

template <class Edit>
void EditRegistry(const std::string& path, Edit&& edit) {
    RegistryLock lock(path);
    Registry r = Registry::Load(path);
    edit(r);
    r.Save(path);
}

}  // namespace automation
