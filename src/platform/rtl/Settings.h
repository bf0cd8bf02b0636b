// The user's settings store in place of the registry: keys of named values in a file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>

namespace rtl {

// The user's settings store in place of the per-user registry: keys are backslash paths
// ("Software\Vendor\Connect"), values are named strings, integers or binary data, and key and value
// names compare ignoring case. Everything lives in one file, re-read when a key is opened and written
// to a temporary file that is renamed into place, so a crash never leaves half a store.
class TSettings {
public:
    // Binary data, a value kind of its own (stored as hexadecimal text).
    struct TBinary {
        std::string bytes;
    };
    using TValue = std::variant<std::string, int64_t, TBinary>;

    // The store at `path`; DefaultSettingsPath() when empty.
    explicit TSettings(std::string path = {});

    // Opens `key`; without `canCreate` a missing key is not opened and the answer is false.
    bool OpenKey(const std::string& key, bool canCreate);
    void CloseKey() { current_.clear(); }
    bool KeyExists(const std::string& key);
    // Deletes `key` with its values and every key below it; false when there was none.
    bool DeleteKey(const std::string& key);
    const std::string& CurrentKey() const { return current_; }

    // Values of the open key. Reading a missing value, or one of the other type, answers empty / 0.
    bool ValueExists(const std::string& name) const;
    std::string ReadString(const std::string& name) const;
    int64_t ReadInteger(const std::string& name) const;
    // Write through to the file at once; raise EOSError when it cannot be written.
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int64_t value);
    // False when the value is missing or not binary.
    bool ReadBinary(const std::string& name, std::string& bytes) const;
    void WriteBinary(const std::string& name, const std::string& bytes);
    bool DeleteValue(const std::string& name);

    const std::string& Path() const { return path_; }

private:
    struct TNoCase {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using TValues = std::map<std::string, TValue, TNoCase>;
    using TKeys = std::map<std::string, TValues, TNoCase>;

    void Load();
    void Save() const;
    const TValues* CurrentValues() const;
    void Write(const std::string& name, TValue value);

    std::string path_;
    TKeys keys_;
    std::string current_;
};

// VELTRANE_REGISTRY when set, else $XDG_CONFIG_HOME/veltrane/registry (~/.config when unset).
std::string DefaultSettingsPath();

} // namespace rtl
