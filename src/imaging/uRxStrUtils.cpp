#include "imaging/uRxStrUtils.h"

#include <cstdio>

namespace imaging {

namespace {

bool IsDelimiter(char ch, TCharSet delimiters) {
    return delimiters.find(ch) != TCharSet::npos;
}

char KeyChar(std::string_view key, size_t index) {
    return key.empty() ? '\0' : key[index % key.size()];
}

int HexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

} // namespace

std::string ReplaceSubstring(std::string_view text, std::string_view search, std::string_view replacement) {
    if (search.empty()) return std::string(text);
    std::string result;
    size_t from = 0;
    for (size_t at = text.find(search); at != std::string_view::npos; at = text.find(search, from)) {
        result.append(text.substr(from, at - from)).append(replacement);
        from = at + search.size();
    }
    return result.append(text.substr(from));
}

int WordStart(int n, std::string_view text, TCharSet delimiters) {
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool starts =
            !IsDelimiter(text[i], delimiters) && (i == 0 || IsDelimiter(text[i - 1], delimiters));
        if (starts && ++count == n) return static_cast<int>(i) + 1;
    }
    return 0;
}

int CountWords(std::string_view text, TCharSet delimiters) {
    int count = 0;
    while (WordStart(count + 1, text, delimiters) != 0)
        ++count;
    return count;
}

std::string NthWord(int n, std::string_view text, TCharSet delimiters) {
    const int start = WordStart(n, text, delimiters);
    if (start == 0) return {};
    size_t end = static_cast<size_t>(start) - 1;
    while (end < text.size() && !IsDelimiter(text[end], delimiters))
        ++end;
    return std::string(text.substr(static_cast<size_t>(start) - 1, end - (static_cast<size_t>(start) - 1)));
}

std::string XorToHex(std::string_view key, std::string_view text) {
    std::string result;
    result.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(text[i] ^ KeyChar(key, i)));
        result += pair;
    }
    return result;
}

std::string XorFromHex(std::string_view key, std::string_view text) {
    std::string result;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        const char byte = high < 0 || low < 0 ? ' ' : static_cast<char>(high * 16 + low);
        result += static_cast<char>(byte ^ KeyChar(key, i / 2));
    }
    return result;
}

} // namespace imaging
