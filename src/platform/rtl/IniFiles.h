// Named sections of named values over an INI file or the settings store.
#pragma once

#include "platform/rtl/Settings.h"

#include <cstdint>
#include <string>

namespace rtl {

// Named sections of named text values. Integers travel as decimal text and Booleans as "0" or "1";
// a missing value, or one that is not a number where a number is asked for, answers the default.
class TCustomIniFile {
public:
    virtual ~TCustomIniFile() = default;
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;

    virtual std::string ReadString(const std::string& section, const std::string& ident,
                                   const std::string& def) = 0;
    virtual void WriteString(const std::string& section, const std::string& ident,
                             const std::string& value) = 0;
    // Removes the section with all its values.
    virtual void EraseSection(const std::string& section) = 0;

    int64_t ReadInteger(const std::string& section, const std::string& ident, int64_t def);
    void WriteInteger(const std::string& section, const std::string& ident, int64_t value);
    bool ReadBool(const std::string& section, const std::string& ident, bool def);
    void WriteBool(const std::string& section, const std::string& ident, bool value);

protected:
    TCustomIniFile() = default;
};

// The registry roots a key may live under. The store keeps HKEY_CURRENT_USER's keys as they are named
// and the others' under their root's name.
enum class TRegistryRoot { CurrentUser, LocalMachine, CurrentConfig, ClassesRoot, Users, DynData };

// A registry key seen as an INI file: each section is a subkey, each value a string value. The key is
// created when missing; a read-only one reads sections without creating them and writes nothing.
class TRegIniFile : public TCustomIniFile {
public:
    // The key in the user's settings store (DefaultSettingsPath() when `storePath` is empty).
    explicit TRegIniFile(const std::string& key, TRegistryRoot root = TRegistryRoot::CurrentUser,
                         bool readOnly = false, std::string storePath = {});

    const std::string& Key() const { return key_; }
    bool ReadOnly() const { return readOnly_; }

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& def) override;
    // Raises EOSError on a read-only key.
    void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
    void EraseSection(const std::string& section) override;

private:
    std::string SectionKey(const std::string& section) const;
    void CheckWritable() const;

    TSettings settings_;
    std::string key_; // with its root
    bool readOnly_;
};

// An INI file on disk: "[Section]" lines and "Name=Value" lines, names compared ignoring case and
// blanks around names and values dropped. Reading a value strips one pair of matching quotes (' or ")
// around it. Every write goes to the file at once.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& def) override;
    // Raises EOSError when the file cannot be written.
    void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
    void EraseSection(const std::string& section) override;

private:
    std::string fileName_;
};

} // namespace rtl
