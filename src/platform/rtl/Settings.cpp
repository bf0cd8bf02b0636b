#include "platform/rtl/Settings.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <unistd.h>

namespace rtl {

namespace {

// Backslashes, line breaks and '=' are escaped, so every line splits at its first bare '='.
std::string Escape(const std::string& text) {
    std::string out;
    for (char ch : text) {
        switch (ch) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '=':
            out += "\\=";
            break;
        default:
            out += ch;
        }
    }
    return out;
}

// Unescapes `line` from `pos` up to the first bare `stop` (or the end); `pos` ends after it.
std::string Unescape(const std::string& line, size_t& pos, char stop) {
    std::string out;
    for (; pos < line.size(); ++pos) {
        char ch = line[pos];
        if (ch == stop) {
            ++pos;
            break;
        }
        if (ch == '\\' && pos + 1 < line.size()) {
            ch = line[++pos];
            out += ch == 'n' ? '\n' : ch == 'r' ? '\r' : ch;
        } else {
            out += ch;
        }
    }
    return out;
}

std::string ToHex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

// Pairs of hexadecimal digits; anything else ends the data.
std::string FromHex(const std::string& text) {
    const auto digit = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    std::string bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) break;
        bytes += static_cast<char>(high << 4 | low);
    }
    return bytes;
}

} // namespace

bool TSettings::TNoCase::operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

std::string DefaultSettingsPath() {
    if (const char* path = std::getenv("VELTRANE_REGISTRY"); path && *path) return path;
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        base = config;
    else if (const char* home = std::getenv("HOME"))
        base = std::string(home) + "/.config";
    return base + "/veltrane/registry";
}

TSettings::TSettings(std::string path) : path_(path.empty() ? DefaultSettingsPath() : std::move(path)) {}

bool TSettings::OpenKey(const std::string& key, bool canCreate) {
    Load();
    current_.clear();
    auto found = keys_.find(key);
    if (found == keys_.end()) {
        if (!canCreate) return false;
        keys_.emplace(key, TValues());
        Save();
    }
    current_ = key;
    return true;
}

bool TSettings::KeyExists(const std::string& key) {
    Load();
    return keys_.count(key) != 0;
}

bool TSettings::DeleteKey(const std::string& key) {
    Load();
    const std::string prefix = key + "\\";
    bool deleted = false;
    for (auto it = keys_.begin(); it != keys_.end();) {
        const bool inside = strcasecmp(it->first.c_str(), key.c_str()) == 0 ||
                            strncasecmp(it->first.c_str(), prefix.c_str(), prefix.size()) == 0;
        if (!inside) {
            ++it;
            continue;
        }
        it = keys_.erase(it);
        deleted = true;
    }
    if (!deleted) return false;
    Save();
    if (keys_.count(current_) == 0) current_.clear();
    return true;
}

const TSettings::TValues* TSettings::CurrentValues() const {
    if (current_.empty()) return nullptr;
    auto found = keys_.find(current_);
    return found == keys_.end() ? nullptr : &found->second;
}

bool TSettings::ValueExists(const std::string& name) const {
    const TValues* values = CurrentValues();
    return values && values->count(name) != 0;
}

std::string TSettings::ReadString(const std::string& name) const {
    const TValues* values = CurrentValues();
    if (!values) return {};
    auto found = values->find(name);
    if (found == values->end()) return {};
    const auto* text = std::get_if<std::string>(&found->second);
    return text ? *text : std::string();
}

int64_t TSettings::ReadInteger(const std::string& name) const {
    const TValues* values = CurrentValues();
    if (!values) return 0;
    auto found = values->find(name);
    if (found == values->end()) return 0;
    const auto* number = std::get_if<int64_t>(&found->second);
    return number ? *number : 0;
}

void TSettings::WriteString(const std::string& name, const std::string& value) {
    Write(name, value);
}

void TSettings::WriteInteger(const std::string& name, int64_t value) {
    Write(name, value);
}

bool TSettings::ReadBinary(const std::string& name, std::string& bytes) const {
    const TValues* values = CurrentValues();
    if (!values) return false;
    auto found = values->find(name);
    if (found == values->end()) return false;
    const auto* binary = std::get_if<TBinary>(&found->second);
    if (!binary) return false;
    bytes = binary->bytes;
    return true;
}

void TSettings::WriteBinary(const std::string& name, const std::string& bytes) {
    Write(name, TBinary{bytes});
}

bool TSettings::DeleteValue(const std::string& name) {
    RTL_ASSERT_MSG(!current_.empty(), "no key is open");
    Load();
    if (keys_[current_].erase(name) == 0) return false;
    Save();
    return true;
}

void TSettings::Write(const std::string& name, TValue value) {
    RTL_ASSERT_MSG(!current_.empty(), "no key is open");
    // Another store object may have written since this one was opened.
    Load();
    keys_[current_][name] = std::move(value);
    Save();
}

void TSettings::Load() {
    keys_.clear();
    std::ifstream in(path_);
    std::string line;
    TValues* values = nullptr;
    while (std::getline(in, line)) {
        size_t pos = 0;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            std::string body = line.substr(1, line.size() - 2);
            values = &keys_[Unescape(body, pos, '\0')];
            continue;
        }
        if (!values || line.empty()) continue;
        std::string name = Unescape(line, pos, '=');
        if (pos + 2 > line.size() || line[pos + 1] != ':') continue;
        const char type = line[pos];
        pos += 2;
        std::string text = Unescape(line, pos, '\0');
        if (type == 'i')
            (*values)[name] = static_cast<int64_t>(std::strtoll(text.c_str(), nullptr, 10));
        else if (type == 'b')
            (*values)[name] = TBinary{FromHex(text)};
        else
            (*values)[name] = std::move(text);
    }
}

void TSettings::Save() const {
    std::ostringstream out;
    for (const auto& [key, values] : keys_) {
        out << '[' << Escape(key) << "]\n";
        for (const auto& [name, value] : values) {
            if (const auto* text = std::get_if<std::string>(&value))
                out << Escape(name) << "=s:" << Escape(*text) << '\n';
            else if (const auto* binary = std::get_if<TBinary>(&value))
                out << Escape(name) << "=b:" << ToHex(binary->bytes) << '\n';
            else
                out << Escape(name) << "=i:" << std::get<int64_t>(value) << '\n';
        }
    }
    const std::filesystem::path target(path_);
    std::error_code error;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);
    const std::string temporary = path_ + Format(".%d.tmp", static_cast<int>(getpid()));
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << out.str();
        file.flush();
        if (!file) throw EOSError(Format("Cannot write the settings file \"%s\"", temporary));
    }
    if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
        const int code = errno;
        std::remove(temporary.c_str());
        throw EOSError(Format("Cannot write the settings file \"%s\". %s", path_, std::strerror(code)));
    }
}

} // namespace rtl
