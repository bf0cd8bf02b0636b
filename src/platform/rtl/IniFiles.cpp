#include "platform/rtl/IniFiles.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"

#include <charconv>
#include <fstream>
#include <strings.h>
#include <utility>
#include <vector>

namespace rtl {

namespace {

bool SameIdent(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

const char* RootName(TRegistryRoot root) {
    switch (root) {
    case TRegistryRoot::CurrentUser:
        return "";
    case TRegistryRoot::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case TRegistryRoot::CurrentConfig:
        return "HKEY_CURRENT_CONFIG";
    case TRegistryRoot::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case TRegistryRoot::Users:
        return "HKEY_USERS";
    case TRegistryRoot::DynData:
        return "HKEY_DYN_DATA";
    }
    return "";
}

// The lines of an INI file, grouped by section in file order.
struct TIniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
};
using TIniSections = std::vector<TIniSection>;

TIniSections LoadIni(const std::string& fileName) {
    TIniSections sections;
    std::ifstream in(fileName);
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.push_back({Trim(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        const size_t equals = line.find('=');
        if (sections.empty() || equals == std::string::npos) continue;
        sections.back().values.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    return sections;
}

void SaveIni(const std::string& fileName, const TIniSections& sections) {
    std::ofstream out(fileName, std::ios::trunc);
    for (const TIniSection& section : sections) {
        out << '[' << section.name << "]\n";
        for (const auto& [name, value] : section.values)
            out << name << '=' << value << '\n';
        out << '\n';
    }
    out.flush();
    if (!out) throw EOSError(Format("Cannot write the file \"%s\"", fileName));
}

TIniSection* FindSection(TIniSections& sections, const std::string& name) {
    for (TIniSection& section : sections)
        if (SameIdent(section.name, name)) return &section;
    return nullptr;
}

} // namespace

// TCustomIniFile

int64_t TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident, int64_t def) {
    const std::string text = Trim(ReadString(section, ident, {}));
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return text.empty() || error != std::errc() || end != text.data() + text.size() ? def : value;
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int64_t value) {
    WriteString(section, ident, std::to_string(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteInteger(section, ident, value ? 1 : 0);
}

// TRegIniFile

TRegIniFile::TRegIniFile(const std::string& key, TRegistryRoot root, bool readOnly, std::string storePath)
    : settings_(std::move(storePath)), readOnly_(readOnly) {
    const std::string rootName = RootName(root);
    key_ = rootName.empty() ? key : rootName + "\\" + key;
    // The key itself is there from the first opening on, read-only or not.
    if (!settings_.KeyExists(key_)) {
        settings_.OpenKey(key_, true);
        settings_.CloseKey();
    }
}

std::string TRegIniFile::SectionKey(const std::string& section) const {
    return section.empty() ? key_ : key_ + "\\" + section;
}

void TRegIniFile::CheckWritable() const {
    if (readOnly_) throw EOSError(Format("The registry key \"%s\" is open for reading only", key_));
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& def) {
    if (!settings_.OpenKey(SectionKey(section), false)) return def;
    std::string value = settings_.ValueExists(ident) ? settings_.ReadString(ident) : def;
    settings_.CloseKey();
    return value;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
    CheckWritable();
    settings_.OpenKey(SectionKey(section), true);
    settings_.WriteString(ident, value);
    settings_.CloseKey();
}

void TRegIniFile::EraseSection(const std::string& section) {
    CheckWritable();
    settings_.DeleteKey(SectionKey(section));
}

// TIniFile

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& def) {
    TIniSections sections = LoadIni(fileName_);
    const TIniSection* found = FindSection(sections, section);
    if (!found) return def;
    for (const auto& [name, value] : found->values) {
        if (!SameIdent(name, ident)) continue;
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            return value.substr(1, value.size() - 2);
        return value;
    }
    return def;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    TIniSections sections = LoadIni(fileName_);
    TIniSection* target = FindSection(sections, section);
    if (!target) target = &sections.emplace_back(TIniSection{section, {}});
    for (auto& [name, old] : target->values)
        if (SameIdent(name, ident)) {
            old = value;
            SaveIni(fileName_, sections);
            return;
        }
    target->values.emplace_back(ident, value);
    SaveIni(fileName_, sections);
}

void TIniFile::EraseSection(const std::string& section) {
    TIniSections sections = LoadIni(fileName_);
    std::erase_if(sections, [&](const TIniSection& s) { return SameIdent(s.name, section); });
    SaveIni(fileName_, sections);
}

} // namespace rtl
