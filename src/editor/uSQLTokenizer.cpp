#include "editor/uSQLTokenizer.h"

#include "core/uUnicode.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace editor {

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char16_t kSwappedByteOrderMark = 0xFFFE;
constexpr char16_t kLineSeparator = 0x2028;

bool IsLineEnd(char16_t c) {
    return c == 0 || c == u'\r' || c == u'\n' || c == kLineSeparator;
}

bool IsDigit(char16_t c) {
    return core::UnicodeIsNumber(c);
}

bool IsIdentifierChar(char16_t c) {
    return c == u'_' || core::UnicodeIsIdentifierPart(c);
}

bool IsWordChar(char16_t c) {
    return c == u'.' || IsIdentifierChar(c);
}

// The length of the incomplete UTF-8 sequence that ends `bytes`, 0 when it ends on a whole character.
std::size_t IncompleteUtf8Tail(std::string_view bytes) {
    const std::size_t lookBack = std::min<std::size_t>(bytes.size(), 3);
    for (std::size_t n = 1; n <= lookBack; ++n) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - n]);
        if ((byte & 0xC0) == 0x80) continue; // continuation byte
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > n ? n : 0;
    }
    return 0;
}

} // namespace

void TSQLTokenizer::Open(rtl::TStream& stream, TSQLScanState state, bool eightBit) {
    stream_ = &stream;
    eightBit_ = eightBit;
    swapBytes_ = false;
    exhausted_ = false;
    pendingBytes_.clear();
    consumed_ = 0;
    position_ = end_ = tokenStart_ = 0;
    buffer_[0] = 0;
    tokenPosition_ = 0;
    kind_ = tkNone;
    state_ = state;
    tokenText_.clear();
    if (eightBit) return;
    // The mark is read in the native order of the text in memory: U+FEFF is what native text starts
    // with, so only its swapped form asks for swapping.
    char16_t mark = 0;
    const std::int64_t read = stream.Read(&mark, sizeof mark);
    if (read == sizeof mark && mark == kSwappedByteOrderMark)
        swapBytes_ = true;
    else if (read != sizeof mark || mark != kByteOrderMark)
        stream.Seek(-read, rtl::soCurrent);
}

int TSQLTokenizer::TokenKind() {
    if (kind_ == tkNone) NextToken();
    return kind_;
}

bool SameWord(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && core::WideCompareTextLocale(a, b, core::kUserDefaultLocale) == 0;
}

bool TSQLTokenizer::IsWord(std::u16string_view text) const {
    return kind_ == tkWord && SameWord(tokenText_, text);
}

char16_t TSQLTokenizer::Peek(int offset) {
    return Available(offset + 1) ? buffer_[position_ + offset] : 0;
}

bool TSQLTokenizer::Available(int count) {
    if (end_ - position_ < count && !exhausted_) Refill();
    return end_ - position_ >= count;
}

bool TSQLTokenizer::Advance(int count) {
    if (Available(count)) {
        position_ += count;
        return true;
    }
    position_ = end_;
    return false;
}

void TSQLTokenizer::Refill() {
    if (position_ > 0) {
        tokenText_.append(buffer_ + tokenStart_, buffer_ + position_);
        consumed_ += position_;
        std::copy(buffer_ + position_, buffer_ + end_, buffer_);
        end_ -= position_;
        position_ = 0;
    }
    tokenStart_ = 0;
    const std::size_t room = static_cast<std::size_t>(kBufferSize - end_);
    const std::size_t added =
        eightBit_ ? ReadEightBit(buffer_ + end_, room) : ReadUtf16(buffer_ + end_, room);
    if (swapBytes_)
        for (std::size_t i = 0; i < added; ++i) {
            char16_t& c = buffer_[end_ + static_cast<int>(i)];
            c = static_cast<char16_t>((c << 8) | (c >> 8));
        }
    end_ += static_cast<int>(added);
    buffer_[end_] = 0;
}

std::size_t TSQLTokenizer::ReadUtf16(char16_t* target, std::size_t room) {
    const auto wanted = static_cast<std::int64_t>(room * sizeof(char16_t));
    const std::int64_t read = stream_->Read(target, wanted);
    if (read < wanted) exhausted_ = true; // an odd last byte is no character and is dropped
    return static_cast<std::size_t>(read) / sizeof(char16_t);
}

// Every byte gives at most one UTF-16 unit (a four-byte character gives two), so reading no more
// bytes than there is room for characters always fits.
std::size_t TSQLTokenizer::ReadEightBit(char16_t* target, std::size_t room) {
    if (room <= pendingBytes_.size()) return 0;
    std::string bytes = std::exchange(pendingBytes_, {});
    const std::size_t kept = bytes.size();
    bytes.resize(room);
    const std::int64_t read = stream_->Read(bytes.data() + kept, static_cast<std::int64_t>(room - kept));
    if (read < static_cast<std::int64_t>(room - kept)) exhausted_ = true;
    bytes.resize(kept + static_cast<std::size_t>(read));
    if (!exhausted_) {
        pendingBytes_ = bytes.substr(bytes.size() - IncompleteUtf8Tail(bytes));
        bytes.resize(bytes.size() - pendingBytes_.size());
    }
    // The system code page is UTF-8 on this platform.
    const std::u16string text = rtl::Utf8ToUtf16(bytes);
    std::memcpy(target, text.data(), text.size() * sizeof(char16_t));
    return text.size();
}

int TSQLTokenizer::NextToken() {
    Available(1);
    tokenStart_ = position_;
    tokenPosition_ = consumed_ + position_;
    tokenText_.clear();
    kind_ = tkEnd;
    const char16_t c = buffer_[position_];
    if (c == 0 || state_ > ssExecutableComment) return kind_;
    switch (state_) {
    case ssHexString:
    case ssSingleQuoted:
        ScanQuoted(u'\'');
        kind_ = tkString;
        break;
    case ssBackQuoted:
        ScanQuoted(u'`');
        kind_ = tkString;
        break;
    case ssDoubleQuoted:
        ScanQuoted(u'"');
        kind_ = tkString;
        break;
    case ssBlockComment:
    case ssExecutableComment:
        ScanBlockComment();
        kind_ = tkBlockComment;
        break;
    case ssNone:
        kind_ = ScanToken(c);
        break;
    }
    tokenText_.append(buffer_ + tokenStart_, buffer_ + position_);
    tokenStart_ = position_;
    return kind_;
}

int TSQLTokenizer::ScanToken(char16_t c) {
    switch (c) {
    case u'"':
    case u'\'':
    case u'`':
        state_ = c == u'"' ? ssDoubleQuoted : c == u'\'' ? ssSingleQuoted : ssBackQuoted;
        Advance(1);
        ScanQuoted(c);
        return tkString;
    case u'#':
        SkipToLineEnd();
        return tkLineComment;
    case u'+':
        Advance(1);
        return IsDigit(Peek(0)) ? ScanNumber() : u'+';
    case u'-': {
        Advance(1);
        const char16_t next = Peek(0);
        if (next == u'-') {
            const char16_t after = Peek(1);
            if (after != 0 && !core::UnicodeIsWhiteSpace(after)) return u'-';
            SkipToLineEnd();
            return tkLineComment;
        }
        return IsDigit(next) ? ScanNumber() : u'-';
    }
    case u'/':
        if (Peek(1) == u'*') {
            const bool executable = Peek(2) == u'!';
            Advance(executable ? 3 : 2);
            state_ = executable ? ssExecutableComment : ssBlockComment;
            ScanBlockComment();
            return executable ? tkExecutableComment : tkBlockComment;
        }
        Advance(1);
        return u'/';
    case u'@': {
        Advance(1);
        int kind = tkUserVariable;
        if (Peek(0) == u'@') {
            Advance(1);
            kind = tkSystemVariable;
        } else if (core::UnicodeIsWhiteSpace(Peek(0))) {
            return u'@';
        }
        SkipWhile(IsIdentifierChar);
        return kind;
    }
    case u'X':
    case u'x': {
        const char16_t quote = Peek(1);
        if (quote == u'\'' || quote == u'"') {
            state_ = ssHexString;
            Advance(2);
            ScanQuoted(quote);
            return tkHexString;
        }
        break;
    }
    default:
        break;
    }
    if (IsDigit(c)) return ScanNumber();
    if (c == u'_' || core::UnicodeIsAlpha(c)) {
        SkipWhile(IsWordChar);
        return tkWord;
    }
    Advance(1);
    if (core::UnicodeIsWhiteSpace(c)) return tkWhiteSpace;
    return c;
}

// From the first digit; a sign before it is already part of the token.
int TSQLTokenizer::ScanNumber() {
    if (Peek(0) == u'0' && (Peek(1) == u'x' || Peek(1) == u'X') && core::UnicodeIsHexDigit(Peek(2))) {
        Advance(2);
        SkipWhile(core::UnicodeIsHexDigit);
        return tkHexNumber;
    }
    SkipWhile(IsDigit);
    char16_t c = Peek(0);
    const bool exponent = (c == u'E' || c == u'e') && IsDigit(Peek(1));
    if (IsIdentifierChar(c) && !exponent && Available(2)) {
        SkipWhile(IsIdentifierChar);
        return tkWord;
    }
    if (c != u'.' && c != u'E' && c != u'e') return tkInteger;
    if (c == u'.') {
        Advance(1);
        SkipWhile(IsDigit);
        c = Peek(0);
    }
    if (c == u'E' || c == u'e') {
        Advance(1);
        if (Peek(0) == u'+' || Peek(0) == u'-') Advance(1);
        SkipWhile(IsDigit);
    }
    return tkFloat;
}

// From the character after the opening quote, or from the line's start when the text continues.
// Quoted text that reaches the end of a line keeps its state, so the next line starts inside it.
void TSQLTokenizer::ScanQuoted(char16_t quote) {
    // The server reads a backslash as an escape in strings only, never in quoted names.
    const bool escapes = quote != u'`';
    char16_t c = Peek(0);
    while (c != quote && !IsLineEnd(c)) {
        Advance(c == u'\\' && escapes && Peek(1) != 0 ? 2 : 1);
        c = Peek(0);
    }
    if (c == quote) state_ = ssNone;
    if (c != 0) Advance(1);
}

// The line break that ends an unclosed comment belongs to it, so a scan of several lines goes on
// with the next line.
void TSQLTokenizer::ScanBlockComment() {
    for (char16_t c = Peek(0); c != 0; c = Peek(0)) {
        if (c == u'*' && Peek(1) == u'/') {
            Advance(2);
            state_ = ssNone;
            return;
        }
        Advance(1);
        if (IsLineEnd(c)) return;
    }
}

void TSQLTokenizer::SkipToLineEnd() {
    SkipWhile([](char16_t c) { return !IsLineEnd(c); });
}

template <typename Pred>
void TSQLTokenizer::SkipWhile(Pred pred) {
    for (char16_t c = Peek(0); c != 0 && pred(c); c = Peek(0))
        ++position_;
}

} // namespace editor
