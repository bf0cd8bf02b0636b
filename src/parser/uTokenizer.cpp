#include "parser/uTokenizer.h"

#include "core/uStringUtils.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

#include <algorithm>

namespace parser {

namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsBreakCharacter(char c) {
    return static_cast<unsigned char>(c) < 0x80 && c != 0 &&
           kBreakCharacters.find(c) != std::string_view::npos;
}

// Number of UTF-16 code units of well-formed UTF-8 bytes: one per character, two for the
// four-byte ones.
int32_t Utf16Units(std::string_view bytes) {
    int32_t units = 0;
    for (unsigned char c : bytes) {
        if ((c & 0xC0) != 0x80) ++units;
        if ((c & 0xF8) == 0xF0) ++units;
    }
    return units;
}

} // namespace

bool ReservedWordLess(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(AsciiUpper(a[i]));
        auto cb = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

void SortReservedWords(TReservedWords& words) {
    std::sort(words.begin(), words.end(), ReservedWordLess);
}

bool TTokenizer::IsReservedWord(std::string_view word) const {
    auto it = std::lower_bound(
        reservedWords_.begin(), reservedWords_.end(), word,
        [](const std::string& item, std::string_view w) { return ReservedWordLess(item, w); });
    return it != reservedWords_.end() && !ReservedWordLess(word, *it);
}

void TTokenizer::AddLineComment(std::string marker, bool blankMustFollow) {
    RTL_ASSERT(!marker.empty());
    lineComments_.push_back({std::move(marker), blankMustFollow});
}

void TTokenizer::AddBlockComment(std::string open, std::string close) {
    RTL_ASSERT(!open.empty() && !close.empty());
    blockComments_.push_back({std::move(open), std::move(close)});
}

std::unique_ptr<TTokenIterator> TTokenizer::CreateIterator(const TCompositeToken& tokens) const {
    return std::make_unique<TTokenIterator>(tokens);
}

// The reading state of one Tokenize call over the UTF-8 form of the text. Positions of tokens are
// counted in UTF-16 code units of the text given to Tokenize.
class TTokenReader {
public:
    TTokenReader(const TTokenizer& tokenizer, std::string_view source, TCompositeToken& tokens)
        : tz_(tokenizer), s_(source), tokens_(tokens) {}

    void Run() {
        while (!ReadToken()) {
        }
    }

private:
    // Reads one token; true once the end-of-input token was appended.
    bool ReadToken() {
        if (pos_ >= s_.size()) {
            auto* eof = tokens_.AddToken<TEOFToken>();
            eof->SetStartPosition(unitPos_);
            eof->SetEndPosition(unitPos_);
            eof->SetLine(line_);
            return true;
        }
        bool read = ReadWhiteSpace() || ReadLineComment() || ReadBlockComment() || ReadUserVariable() ||
                    ReadQuoted() || ReadHexOrBinary() || ReadNumber() || ReadWord() ||
                    ReadCompositeOperation();
        // What is left is a break character: every other character is whitespace or part of a word.
        if (!read) Emit(TTokenKind::Break, pos_ + 1);
        return false;
    }

    // ---- character classes at byte offsets

    size_t WhiteSpaceAt(size_t i) const {
        if (i >= s_.size()) return 0;
        switch (s_[i]) {
        case '\t':
        case '\n':
        case '\v':
        case '\f':
        case '\r':
        case ' ':
            return 1;
        case '\xC2':
            return (i + 1 < s_.size() && s_[i + 1] == '\xA0') ? 2 : 0; // U+00A0
        default:
            return 0;
        }
    }

    bool WhiteSpaceEndsAt(size_t i) const {
        if (i == 0) return false;
        char c = s_[i - 1];
        if (c == '\xA0') return i >= 2 && s_[i - 2] == '\xC2';
        return WhiteSpaceAt(i - 1) == 1;
    }

    bool IsWordCharacterAt(size_t i) const {
        return i < s_.size() && !WhiteSpaceAt(i) && !IsBreakCharacter(s_[i]);
    }

    size_t WordEnd(size_t i) const {
        while (IsWordCharacterAt(i))
            ++i;
        return i;
    }

    bool MatchesAt(size_t i, std::string_view text, bool ignoreCase) const {
        if (text.size() > s_.size() - i) return false;
        if (!ignoreCase) return s_.compare(i, text.size(), text) == 0;
        for (size_t k = 0; k < text.size(); ++k) {
            if (AsciiUpper(s_[i + k]) != AsciiUpper(text[k])) return false;
        }
        return true;
    }

    static const core::TQuotePair* PairOpeningAt(const core::TQuotePairs& pairs, std::string_view s,
                                                 size_t i) {
        for (int k = 0; k < pairs.Count(); ++k) {
            const auto& pair = pairs.Items(k);
            if (s.compare(i, pair.OpenQuote().size(), pair.OpenQuote()) == 0) return &pair;
        }
        return nullptr;
    }

    bool QuoteEndsAt(const core::TQuotePairs& pairs, size_t i) const {
        for (int k = 0; k < pairs.Count(); ++k) {
            const auto& pair = pairs.Items(k);
            for (const std::string* q : {&pair.OpenQuote(), &pair.CloseQuote()}) {
                if (q->size() <= i && s_.compare(i - q->size(), q->size(), *q) == 0) return true;
            }
        }
        return false;
    }

    // ---- emitting

    void Emit(TTokenKind kind, size_t end, bool lookUpReserved = false) {
        Emit(kind, end, s_.substr(pos_, end - pos_), lookUpReserved);
    }

    void Emit(TTokenKind kind, size_t end, std::string_view text, bool lookUpReserved = false) {
        if (lookUpReserved && tz_.IsReservedWord(text)) kind = TTokenKind::ReservedWord;
        auto* token = static_cast<TCustomTextToken*>(tokens_.AddToken(kind));
        token->SetText(text);
        token->SetStartPosition(unitPos_);
        token->SetLine(line_);
        unitPos_ += Utf16Units(s_.substr(pos_, end - pos_));
        token->SetEndPosition(unitPos_);
        line_ += static_cast<int32_t>(std::count(text.begin(), text.end(), '\n'));
        pos_ = end;
    }

    // ---- readers, in the order they are tried

    bool ReadWhiteSpace() {
        if (!WhiteSpaceAt(pos_)) return false;
        size_t j = pos_;
        while (size_t n = WhiteSpaceAt(j))
            j += n;
        Emit(TTokenKind::WhiteSpace, j);
        return true;
    }

    bool ReadLineComment() {
        for (const auto& m : tz_.lineComments_) {
            if (!MatchesAt(pos_, m.Marker, true)) continue;
            size_t after = pos_ + m.Marker.size();
            if (m.BlankMustFollow && after < s_.size() && static_cast<unsigned char>(s_[after]) > ' ' &&
                !WhiteSpaceAt(after))
                continue;
            size_t lineEnd = s_.find_first_of("\r\n", after);
            if (lineEnd == std::string_view::npos) lineEnd = s_.size();
            std::string text(s_.substr(pos_, lineEnd - pos_));
            text += "\r\n";
            size_t end = lineEnd;
            if (end < s_.size()) {
                char first = s_[end++];
                char pairing = first == '\r' ? '\n' : '\r';
                if (end < s_.size() && s_[end] == pairing) ++end;
            }
            Emit(TTokenKind::LineComment, end, text);
            return true;
        }
        return false;
    }

    bool ReadBlockComment() {
        for (const auto& m : tz_.blockComments_) {
            if (!MatchesAt(pos_, m.Open, true)) continue;
            size_t close = s_.find(m.Close, pos_ + m.Open.size());
            Emit(TTokenKind::BlockComment,
                 close == std::string_view::npos ? s_.size() : close + m.Close.size());
            return true;
        }
        return false;
    }

    bool ReadUserVariable() {
        if (s_[pos_] != '@' || pos_ + 1 >= s_.size()) return false;
        if (pos_ > 0) {
            bool separated = WhiteSpaceEndsAt(pos_) || IsBreakCharacter(s_[pos_ - 1]);
            if (!separated || QuoteEndsAt(tz_.stringQuotes_, pos_) ||
                QuoteEndsAt(tz_.identifierQuotes_, pos_))
                return false;
        }
        size_t nameStart = pos_ + 1;
        if (const auto* pair = PairOpeningAt(tz_.identifierQuotes_, s_, nameStart)) {
            Emit(TTokenKind::UserVariable, QuotedEnd(nameStart, *pair, false));
            return true;
        }
        if (!IsWordCharacterAt(nameStart)) return false;
        Emit(TTokenKind::UserVariable, WordEnd(nameStart));
        return true;
    }

    // The end of quoted text opened at `start`. A doubled closing quote stands for one; with
    // `backslashEscapes` a closing quote after an odd number of backslashes does too. Unterminated
    // text runs to the end of the input.
    size_t QuotedEnd(size_t start, const core::TQuotePair& pair, bool backslashEscapes) const {
        const std::string& close = pair.CloseQuote();
        size_t contentStart = start + pair.OpenQuote().size();
        size_t j = contentStart;
        for (;;) {
            size_t k = s_.find(close, j);
            if (k == std::string_view::npos) return s_.size();
            size_t end = k + close.size();
            if (backslashEscapes) {
                size_t backslashes = 0;
                while (k - backslashes > contentStart && s_[k - backslashes - 1] == '\\')
                    ++backslashes;
                if (backslashes % 2 == 1) {
                    j = end;
                    continue;
                }
            }
            if (s_.compare(end, close.size(), close) == 0) {
                j = end + close.size();
                continue;
            }
            return end;
        }
    }

    bool ReadQuoted() {
        // The closing quote comes from the string quotes first. A backslash escapes only inside
        // strings: in a quoted identifier the server reads it as itself.
        if (const auto* pair = PairOpeningAt(tz_.stringQuotes_, s_, pos_)) {
            bool identifier = PairOpeningAt(tz_.identifierQuotes_, s_, pos_) != nullptr;
            Emit(identifier ? TTokenKind::QuotedIdentifier : TTokenKind::QuotedString,
                 QuotedEnd(pos_, *pair, !identifier));
            return true;
        }
        if (const auto* pair = PairOpeningAt(tz_.identifierQuotes_, s_, pos_)) {
            Emit(TTokenKind::QuotedIdentifier, QuotedEnd(pos_, *pair, false));
            return true;
        }
        return false;
    }

    bool ReadHexOrBinary() {
        char c = s_[pos_];
        char next = pos_ + 1 < s_.size() ? s_[pos_ + 1] : '\0';
        auto digitsEnd = [&](bool (*isDigit)(char)) {
            size_t j = pos_ + 2;
            while (j < s_.size() && isDigit(s_[j]))
                ++j;
            return j;
        };
        auto quotedEnd = [&] {
            size_t close = s_.find('\'', pos_ + 2);
            return close == std::string_view::npos ? s_.size() : close + 1;
        };
        size_t end = 0;
        TTokenKind kind = TTokenKind::Hexadecimal;
        if (c == '0' && next == 'x') {
            end = digitsEnd(IsHexDigit);
        } else if ((c == 'x' || c == 'X') && next == '\'') {
            end = quotedEnd();
        } else if (c == '0' && next == 'b') {
            kind = TTokenKind::Binary;
            end = digitsEnd([](char d) { return d == '0' || d == '1'; });
        } else if ((c == 'b' || c == 'B') && next == '\'') {
            kind = TTokenKind::Binary;
            end = quotedEnd();
        } else {
            return false;
        }
        Emit(kind, end);
        return true;
    }

    bool ReadNumber() {
        if (!IsDigit(s_[pos_])) return false;
        size_t j = pos_;
        size_t exponentAt = std::string_view::npos;
        bool seenX = false, seenDot = false;
        for (; j < s_.size(); ++j) {
            char c = s_[j];
            if (c == '+' || c == '-') {
                // A sign belongs to the number only right after the exponent letter: 1e5+3 is a sum.
                if (exponentAt != std::string_view::npos && j == exponentAt + 1) continue;
                break;
            }
            if ((c == 'E' || c == 'e') && !seenX) {
                if (exponentAt != std::string_view::npos) break;
                exponentAt = j;
                continue;
            }
            if (c == 'X' || c == 'x') {
                if (seenX) break;
                seenX = true;
                continue;
            }
            if (c == '.') {
                if (seenDot || exponentAt != std::string_view::npos) break;
                seenDot = true;
                continue;
            }
            if (IsDigit(c) || (seenX && c >= 'A' && c <= 'F')) continue;
            break;
        }
        if (j >= s_.size() || WhiteSpaceAt(j) || IsBreakCharacter(s_[j])) {
            Emit(TTokenKind::Numeric, j);
        } else {
            // Glued to the word that follows, such as 12abc.
            Emit(TTokenKind::Text, WordEnd(j));
        }
        return true;
    }

    bool ReadWord() {
        if (!IsWordCharacterAt(pos_)) return false;
        Emit(TTokenKind::Text, WordEnd(pos_), true);
        return true;
    }

    bool ReadCompositeOperation() {
        for (const auto& op : tz_.compositeOperations_) {
            if (!op.Text.empty() && MatchesAt(pos_, op.Text, true)) {
                Emit(op.TokenClass, pos_ + op.Text.size());
                return true;
            }
        }
        return false;
    }

    const TTokenizer& tz_;
    std::string_view s_;
    TCompositeToken& tokens_;
    size_t pos_ = 0;
    int32_t unitPos_ = 0;
    int32_t line_ = 1;
};

void TTokenizer::Tokenize(TCompositeToken& tokens, std::u16string_view text) const {
    std::string source = rtl::Utf16ToUtf8(text);
    tokens.Clear();
    TTokenReader(*this, source, tokens).Run();
}

// ---- expression under a position

namespace {

bool IsBreakText(const TToken* token, std::string_view text) {
    return token->Is<TBreakToken>() && static_cast<const TBreakToken*>(token)->Text() == text;
}

// The index of the "(" that matches the ")" at `index`, or -1.
int MatchingOpenParenthesis(const TCompositeToken& tokens, int index) {
    int depth = 0;
    for (int i = index; i >= 0; --i) {
        const TToken* t = tokens.Items(i);
        if (IsBreakText(t, ")"))
            ++depth;
        else if (IsBreakText(t, "(") && --depth == 0)
            return i;
    }
    return -1;
}

// The significant token that holds the character at the position or, when that character is
// whitespace, a comment or past the end, the one that ends right before it.
int TokenAtPosition(const TCompositeToken& tokens, int position) {
    auto usable = [](const TToken* t) { return IsSignificantToken(t) && !t->Is<TEOFToken>(); };
    for (int i = 0; i < tokens.Count(); ++i) {
        const TToken* t = tokens.Items(i);
        if (t->GetStart() <= position && position < t->GetEnd()) {
            if (usable(t)) return i;
            break;
        }
    }
    for (int i = 0; i < tokens.Count(); ++i) {
        const TToken* t = tokens.Items(i);
        if (usable(t) && t->GetEnd() == position && t->GetStart() < position) return i;
    }
    return -1;
}

} // namespace

std::u16string GetExpressionAtPosition(const TCompositeToken& tokens, int position) {
    try {
        if (tokens.Count() == 0 || position > tokens.Last()->GetEnd()) return {};
        int index = TokenAtPosition(tokens, position);
        if (index < 0) return {};

        // Walk back over names, dots and parenthesised arguments.
        int start = index;
        for (int i = index; i >= 0;) {
            const TToken* t = tokens.Items(i);
            if (!IsSignificantToken(t)) break;
            if (t->Is<TBreakToken>()) {
                if (IsBreakText(t, ")")) {
                    int open = MatchingOpenParenthesis(tokens, i);
                    if (open < 0) return {};
                    start = open;
                    i = open - 1;
                    continue;
                }
                if (!IsBreakText(t, ".")) {
                    start = i + 1;
                    break;
                }
            }
            start = i--;
        }

        int end = std::max(index, start);
        if (end < tokens.Count() && tokens.Items(end)->Is<TBreakToken>() &&
            !IsBreakText(tokens.Items(end), ")"))
            ++end;
        return core::WideTrimSpaces(GetTokensText(tokens, start, end));
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace parser
