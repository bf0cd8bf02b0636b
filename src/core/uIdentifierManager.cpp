#include "core/uIdentifierManager.h"

#include "core/uStringUtils.h"
#include "platform/rtl/Format.h"

#include <vector>

namespace core {

namespace {

bool IsSpace(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool StartsAt(std::string_view text, size_t pos, std::string_view prefix) {
    return pos <= text.size() && text.substr(pos).starts_with(prefix);
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + with.size()))
        text.replace(pos, what.size(), with);
}

// A double-quoted part loses its quotes, a doubled double quote inside stands for one; unclosed, it
// runs to the end. `pos` moves past it.
std::string ExtractDoubleQuoted(std::string_view text, size_t& pos) {
    std::string part;
    for (++pos; pos < text.size(); ++pos) {
        if (text[pos] == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
                ++pos;
            } else {
                ++pos;
                break;
            }
        }
        part += text[pos];
    }
    return part;
}

} // namespace

TIdentifierManager::TIdentifierManager(std::string openQuote, std::string delimiter, std::string closeQuote)
    : delimiter_(std::move(delimiter)) {
    RTL_ASSERT(delimiter_.size() == 1);
    quotes_.Add(std::move(openQuote), std::move(closeQuote));
}

size_t TIdentifierManager::QuotedPartLength(std::string_view text, size_t pos, const TQuotePair& pair) const {
    const std::string& close = pair.CloseQuote();
    size_t i = pos + pair.OpenQuote().size();
    while (i < text.size()) {
        if (StartsAt(text, i, close)) {
            if (!StartsAt(text, i + close.size(), close)) return i + close.size() - pos;
            i += 2 * close.size(); // a doubled quote is part of the name
        } else {
            ++i;
        }
    }
    return text.size() - pos;
}

TIdentifierParts TIdentifierManager::SplitIdentifier(std::string_view text,
                                                     std::string_view defaultSchema) const {
    const char delimiter = delimiter_[0];
    std::vector<std::string> parts;
    size_t pos = 0;
    auto skipSpaces = [&] {
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
    };
    skipSpaces();
    while (pos < text.size()) {
        int pairIndex;
        if (FindOpenQuote(text.substr(pos), pairIndex)) {
            size_t length = QuotedPartLength(text, pos, quotes_.Items(pairIndex));
            parts.emplace_back(text.substr(pos, length));
            pos += length;
        } else if (text[pos] == '"') {
            parts.push_back(ExtractDoubleQuoted(text, pos));
        } else {
            size_t start = pos;
            while (pos < text.size() && !IsSpace(text[pos]) && text[pos] != delimiter)
                ++pos;
            parts.emplace_back(text.substr(start, pos - start));
        }
        skipSpaces();
        if (pos < text.size() && text[pos] == delimiter) {
            ++pos;
            skipSpaces();
            if (pos == text.size()) parts.emplace_back(); // "x." names x's empty object
        }
    }

    switch (parts.size()) {
    case 0:
        return {};
    case 1:
        if (defaultSchema.empty()) throw EDefaultSchemaNotAssigned("Default schema not assigned");
        return {std::string(defaultSchema), parts[0]};
    case 2:
        return {parts[0], parts[1]};
    case 3:
        return {parts[0] + delimiter_ + parts[1], parts[2]};
    default:
        throw rtl::Exception(rtl::Format("Invalid schema object identifier \"%s\"", text));
    }
}

bool TIdentifierManager::FindOpenQuote(std::string_view text, int& pairIndex) const {
    for (pairIndex = 0; pairIndex < quotes_.Count(); ++pairIndex) {
        if (text.starts_with(quotes_.Items(pairIndex).OpenQuote())) return true;
    }
    pairIndex = -1;
    return false;
}

std::string TIdentifierManager::QuoteIdentifier(std::string_view text) const {
    const std::string& open = OpenQuote();
    const std::string& close = CloseQuote();
    std::string body(text);
    ReplaceAll(body, open, open + open);
    if (close != open) ReplaceAll(body, close, close + close);
    return open + body + close;
}

std::string TIdentifierManager::UnquoteIdentifier(std::string_view text) const {
    int pairIndex;
    if (!FindOpenQuote(text, pairIndex)) return std::string(text);
    const std::string& open = quotes_.Items(pairIndex).OpenQuote();
    const std::string& close = quotes_.Items(pairIndex).CloseQuote();
    std::string result;
    size_t i = open.size();
    while (i < text.size()) {
        if (StartsAt(text, i, close)) {
            if (StartsAt(text, i + close.size(), close)) {
                result += close;
                i += 2 * close.size();
                continue;
            }
            if (i + close.size() == text.size()) break; // the closing quote
        } else if (open != close && StartsAt(text, i, open) && StartsAt(text, i + open.size(), open)) {
            result += open;
            i += 2 * open.size();
            continue;
        }
        result += text[i++];
    }
    return result;
}

std::string TIdentifierManager::NormalizeIdentifier(std::string_view text) const {
    return QuoteIdentifier(UnquoteIdentifier(text));
}

std::string TIdentifierManager::QuotedSchema(std::string_view text, std::string_view defaultSchema) const {
    return NormalizeIdentifier(SplitIdentifier(text, defaultSchema).schema);
}

std::string TIdentifierManager::QuotedQualifiedName(std::string_view text,
                                                    std::string_view defaultSchema) const {
    TIdentifierParts parts = SplitIdentifier(text, defaultSchema);
    return NormalizeIdentifier(parts.schema) + delimiter_ + NormalizeIdentifier(parts.name);
}

std::string TIdentifierManager::UnquotedQualifiedName(std::string_view text,
                                                      std::string_view defaultSchema) const {
    TIdentifierParts parts = SplitIdentifier(text, defaultSchema);
    return UnquoteIdentifier(parts.schema) + delimiter_ + UnquoteIdentifier(parts.name);
}

bool TIdentifierManager::SameIdentifier(std::string_view a, std::string_view b) const {
    return SameText(NormalizeIdentifier(a), NormalizeIdentifier(b));
}

bool TIdentifierManager::SameQualifiedName(std::string_view a, std::string_view b,
                                           std::string_view defaultSchema) const {
    return SameText(QuotedQualifiedName(a, defaultSchema), QuotedQualifiedName(b, defaultSchema));
}

} // namespace core
