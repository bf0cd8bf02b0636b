// A tokenizer of SQL text for the editor's statement splitter.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rtl {
class TStream;
}

namespace editor {

// Token kinds of TSQLTokenizer. Every other character is a token of its own whose kind is the
// character's code (";" gives 59).
enum : int {
    tkEnd = 0,
    tkNone = 1, // no token read since Open
    tkWord = 2,
    tkString = 3, // quoted text, also quoted text continued from an earlier line
    tkInteger = 4,
    tkFloat = 5,
    tkHexNumber = 6,
    tkWhiteSpace = 7,
    tkLineComment = 8,
    tkBlockComment = 9, // also a block or executable comment continued from an earlier line
    tkUserVariable = 10,
    tkSystemVariable = 11,
    tkHexString = 12,
    tkExecutableComment = 13,
};

// Where a scan starts: inside nothing, or inside quoted text or a comment that an earlier line
// opened and did not close.
enum TSQLScanState : std::uint8_t {
    ssNone = 0,
    ssHexString = 1,
    ssSingleQuoted = 2,
    ssBackQuoted = 3,
    ssDoubleQuoted = 4,
    ssBlockComment = 5,
    ssExecutableComment = 6,
};

// Words compared as UTF-16 text without regard to case.
bool SameWord(std::u16string_view a, std::u16string_view b);

// Just enough of MySQL script syntax to find statement delimiters safely: strings, quoted names,
// comments, numbers, variables and words, one line or one stream at a time. It holds one buffer of
// kBufferSize characters whatever the stream's length; a longer token is still returned whole.
class TSQLTokenizer {
public:
    static constexpr int kBufferSize = 32768;

    TSQLTokenizer() = default;
    TSQLTokenizer(const TSQLTokenizer&) = delete;
    TSQLTokenizer& operator=(const TSQLTokenizer&) = delete;

    // Starts on a stream (not owned) of UTF-16 text, or, with `eightBit`, of 8-bit text in the
    // system code page. A UTF-16 stream may begin with a byte-order mark: U+FEFF is dropped, and its
    // swapped form U+FFFE is dropped and turns byte swapping on.
    void Open(rtl::TStream& stream, TSQLScanState state, bool eightBit = false);
    int NextToken();
    // The current kind; reads the first token when none has been read yet.
    int TokenKind();
    // Character offset of the current token from the start of the stream.
    std::int64_t TokenPosition() const { return tokenPosition_; }
    const std::u16string& TokenText() const { return tokenText_; }
    // The current token is a word equal to `text`, ignoring case.
    bool IsWord(std::u16string_view text) const;
    TSQLScanState State() const { return state_; }

private:
    char16_t Peek(int offset);
    bool Available(int count);
    bool Advance(int count);
    void Refill();
    std::size_t ReadUtf16(char16_t* target, std::size_t room);
    std::size_t ReadEightBit(char16_t* target, std::size_t room);

    int ScanToken(char16_t first);
    int ScanNumber();
    void ScanQuoted(char16_t quote);
    void ScanBlockComment();
    void SkipToLineEnd();
    template <typename Pred>
    void SkipWhile(Pred pred);

    rtl::TStream* stream_ = nullptr;
    bool eightBit_ = false;
    bool swapBytes_ = false;
    bool exhausted_ = true;
    std::string pendingBytes_;  // 8-bit mode: an incomplete multi-byte character held for the next read
    std::int64_t consumed_ = 0; // characters before the buffer's start
    char16_t buffer_[kBufferSize + 1] = {};
    int position_ = 0;
    int end_ = 0;
    int tokenStart_ = 0;
    std::int64_t tokenPosition_ = 0;
    int kind_ = tkNone;
    TSQLScanState state_ = ssNone;
    std::u16string tokenText_;
};

} // namespace editor
