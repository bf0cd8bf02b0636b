// The tokens of SQL text and their classes.
#pragma once

#include "platform/rtl/Exception.h"

#include <array>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

namespace parser {

class TSymbol;
class TCompositeToken;

// Token classes, listed depth-first so that "inherits from" is a range test: every class is followed
// by all of its descendants.
enum class TTokenKind : uint8_t {
    Token,
    Composite,
    Cursor,
    EndOfInput,
    CustomText,
    ReservedWord,
    Text,
    WhiteSpace,
    Comment,
    LineComment,
    BlockComment,
    Numeric,
    Hexadecimal,
    Binary,
    UserVariable,
    QuotedString,
    QuotedIdentifier,
    Break,
    CompositeOperation,
};

// Storage of the memo tables of a token list: a table that grew is kept for the next token whose
// table reaches that size, and all of them go with the list.
class TMemoStorage {
public:
    explicit TMemoStorage(std::pmr::memory_resource& blocks) : blocks_(blocks) {}
    // Room for a table of `capacity` entries (a power of two), every key null.
    void* Take(uint32_t capacity, size_t entrySize);
    void Give(void* table, uint32_t capacity);
    // Forgets every table; the blocks they were in are released by their owner.
    void Clear() { free_.fill(nullptr); }

private:
    struct TFree {
        TFree* Next;
    };
    std::pmr::memory_resource& blocks_;
    std::array<TFree*, 32> free_{}; // by log2 of the capacity
};

// Memoised match results of the grammar engine at one token: symbol key -> the symbol that matched
// starting here, or null when that key failed here. Open addressing, created on first use.
class TSymbolMemo {
public:
    struct Entry {
        const void* key;
        TSymbol* symbol; // null: failed
    };

    TSymbolMemo() = default;
    TSymbolMemo(const TSymbolMemo&) = delete;
    TSymbolMemo& operator=(const TSymbolMemo&) = delete;

    const Entry* Find(const void* key) const;
    // Adds or replaces the entry for the key.
    void Set(const void* key, TSymbol* symbol, TMemoStorage& storage);
    // The slot of the key's entry, added as failed when there was none (then `added`). A slot stays
    // the key's while the capacity stays the same.
    uint32_t Claim(const void* key, bool& added, TMemoStorage& storage);
    Entry& At(uint32_t slot) { return entries_[slot]; }
    uint32_t Capacity() const { return capacity_; }
    int Count() const { return count_; }

private:
    void Grow(TMemoStorage& storage);

    // Most tokens where anything is tried see a few dozen keys.
    static constexpr uint32_t kFirstCapacity = 32;

    Entry* entries_ = nullptr; // in the token list's memo storage
    uint32_t capacity_ = 0;
    int count_ = 0;
};

class TToken {
public:
    static constexpr TTokenKind kFirst = TTokenKind::Token;
    static constexpr TTokenKind kLast = TTokenKind::CompositeOperation;

    explicit TToken(TTokenKind kind) : kind_(kind) {}
    virtual ~TToken() = default;
    TToken(const TToken&) = delete;
    TToken& operator=(const TToken&) = delete;

    TTokenKind Kind() const { return kind_; }
    // Whether the token is of class T or one of its descendants.
    template <class T>
    bool Is() const {
        return kind_ >= T::kFirst && kind_ <= T::kLast;
    }
    template <class T>
    T* As() {
        return Is<T>() ? static_cast<T*>(this) : nullptr;
    }
    template <class T>
    const T* As() const {
        return Is<T>() ? static_cast<const T*>(this) : nullptr;
    }

    TCompositeToken* Owner() const { return owner_; }
    // Index in the owner's list; -1 without an owner.
    int Index() const { return index_; }
    // Number of owners above this token.
    int Depth() const;

    int32_t StartPosition() const { return start_; }
    int32_t EndPosition() const { return end_; }
    void SetStartPosition(int32_t value) { start_ = value; }
    void SetEndPosition(int32_t value) { end_ = value; }
    int32_t Line() const { return line_; }
    void SetLine(int32_t value) { line_ = value; }

    // UTF-8 text.
    virtual std::string GetText() const = 0;
    virtual void SetText(std::string_view text) = 0;
    std::u16string GetWideText() const;
    virtual std::string GetDescription() const { return GetText(); }
    virtual int32_t GetStart() const { return start_; }
    virtual int32_t GetEnd() const { return end_; }

    TSymbolMemo& Memo() { return memo_; }
    const TSymbolMemo& Memo() const { return memo_; }
    // The grammar engine's number of the token's text among its rules' words: -1 for none, -2 until
    // looked up.
    int32_t WordNumber() const { return wordNumber_; }
    void SetWordNumber(int32_t value) { wordNumber_ = value; }

private:
    friend class TCompositeToken;

    TCompositeToken* owner_ = nullptr;
    int index_ = -1;
    int32_t start_ = 0;
    int32_t end_ = 0;
    int32_t line_ = -1;
    int32_t wordNumber_ = -2;
    TTokenKind kind_;
    TSymbolMemo memo_;
};

// A list of tokens that owns them; its text is the concatenation of theirs.
class TCompositeToken : public TToken {
public:
    static constexpr TTokenKind kFirst = TTokenKind::Composite;
    static constexpr TTokenKind kLast = TTokenKind::Composite;

    TCompositeToken() : TToken(TTokenKind::Composite) {}
    ~TCompositeToken() override;

    std::string GetText() const override;
    // Replaces the list by one text token holding the text.
    void SetText(std::string_view text) override;
    std::string GetDescription() const override;
    int32_t GetStart() const override;
    int32_t GetEnd() const override;

    int Count() const { return static_cast<int>(tokens_.size()); }
    TToken* Items(int index) const {
        if (index < 0 || index >= Count()) rtl::ListIndexError(index);
        return tokens_[index];
    }
    TToken* First() const { return tokens_.empty() ? nullptr : tokens_.front(); }
    TToken* Last() const { return tokens_.empty() ? nullptr : tokens_.back(); }
    TToken* AddToken(TTokenKind kind);
    TToken* InsertToken(int index, TTokenKind kind);
    template <class T>
    T* AddToken() {
        return static_cast<T*>(AddToken(T::kFirst));
    }
    template <class T>
    T* InsertToken(int index) {
        return static_cast<T*>(InsertToken(index, T::kFirst));
    }
    int IndexOf(const TToken* token) const;
    void Clear();
    // Where the memo tables of the list's tokens live.
    TMemoStorage& MemoStorage() { return memoStorage_; }

private:
    // The tokens and their memo tables live in the list's own blocks, freed all at once: a routine
    // has thousands.
    std::pmr::monotonic_buffer_resource storage_;
    TMemoStorage memoStorage_{storage_};
    std::vector<TToken*> tokens_;
};

// Marks the caret for code completion; collects the symbols tried there.
class TCursorToken : public TToken {
public:
    static constexpr TTokenKind kFirst = TTokenKind::Cursor;
    static constexpr TTokenKind kLast = TTokenKind::Cursor;

    TCursorToken() : TToken(TTokenKind::Cursor) {}
    std::string GetText() const override { return {}; }
    void SetText(std::string_view) override {}

    // Not owned; valid while their grammar lives.
    std::vector<TSymbol*>& Symbols() { return symbols_; }

private:
    std::vector<TSymbol*> symbols_;
};

class TEOFToken : public TToken {
public:
    static constexpr TTokenKind kFirst = TTokenKind::EndOfInput;
    static constexpr TTokenKind kLast = TTokenKind::EndOfInput;

    TEOFToken() : TToken(TTokenKind::EndOfInput) {}
    std::string GetText() const override { return {}; }
    void SetText(std::string_view) override {}
    std::string GetDescription() const override { return "EOF"; }
};

class TCustomTextToken : public TToken {
public:
    static constexpr TTokenKind kFirst = TTokenKind::CustomText;
    static constexpr TTokenKind kLast = TTokenKind::CompositeOperation;

    explicit TCustomTextToken(TTokenKind kind = TTokenKind::CustomText) : TToken(kind) {}
    std::string GetText() const override { return text_; }
    void SetText(std::string_view text) override { text_.assign(text); }
    // The text without a copy.
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

#define PARSER_TEXT_TOKEN(Class, Parent, First, Last)                                                        \
    class Class : public Parent {                                                                            \
    public:                                                                                                  \
        static constexpr TTokenKind kFirst = TTokenKind::First;                                              \
        static constexpr TTokenKind kLast = TTokenKind::Last;                                                \
        explicit Class(TTokenKind kind = kFirst) : Parent(kind) {}                                           \
    }

PARSER_TEXT_TOKEN(TReservedWordToken, TCustomTextToken, ReservedWord, ReservedWord);
PARSER_TEXT_TOKEN(TTextToken, TCustomTextToken, Text, UserVariable);
PARSER_TEXT_TOKEN(TCommentToken, TTextToken, Comment, BlockComment);
PARSER_TEXT_TOKEN(TLineComment, TCommentToken, LineComment, LineComment);
PARSER_TEXT_TOKEN(TBlockComment, TCommentToken, BlockComment, BlockComment);
PARSER_TEXT_TOKEN(TNumericToken, TTextToken, Numeric, Numeric);
PARSER_TEXT_TOKEN(THexadecimalToken, TTextToken, Hexadecimal, Hexadecimal);
PARSER_TEXT_TOKEN(TBinaryToken, TTextToken, Binary, Binary);
PARSER_TEXT_TOKEN(TUserVariableToken, TTextToken, UserVariable, UserVariable);
PARSER_TEXT_TOKEN(TQuotedStringToken, TCustomTextToken, QuotedString, QuotedString);
PARSER_TEXT_TOKEN(TQuotedIdentifierToken, TCustomTextToken, QuotedIdentifier, QuotedIdentifier);
PARSER_TEXT_TOKEN(TBreakToken, TCustomTextToken, Break, Break);
PARSER_TEXT_TOKEN(TCompositeOperationToken, TCustomTextToken, CompositeOperation, CompositeOperation);

#undef PARSER_TEXT_TOKEN

class TWhiteSpace : public TTextToken {
public:
    static constexpr TTokenKind kFirst = TTokenKind::WhiteSpace;
    static constexpr TTokenKind kLast = TTokenKind::WhiteSpace;

    TWhiteSpace() : TTextToken(TTokenKind::WhiteSpace) {}
    std::string GetDescription() const override { return "Space"; }
};

// The kinds of the token classes and their descendants, one bit per TTokenKind.
template <class... T>
constexpr uint32_t KindsOf() {
    return ((((2u << static_cast<int>(T::kLast)) - 1) & ~((1u << static_cast<int>(T::kFirst)) - 1)) | ...);
}

// A new token of the given class, without owner, in the storage; destroy it in place.
TToken* CreateToken(TTokenKind kind, std::pmr::memory_resource& storage);

// Neither whitespace nor a comment.
inline bool IsSignificantToken(const TToken* token) {
    return !token->Is<TWhiteSpace>() && !token->Is<TCommentToken>();
}

// UTF-16 texts of the tokens from..to (inclusive), clamped to the list.
std::u16string GetTokensText(const TCompositeToken& tokens, int from, int to);

// Walks a token list, never stopping on whitespace or comments except through SetPosition.
class TTokenIterator {
public:
    // Starts as after Reset.
    explicit TTokenIterator(const TCompositeToken& tokens);

    void Reset();
    void Next();
    TToken* Current() const {
        RTL_ASSERT(!Eof());
        return tokens_.Items(position_);
    }
    bool Eof() const { return position_ >= tokens_.Count(); }
    int Position() const { return position_; }
    void SetPosition(int index);
    // The largest index reached; it never decreases.
    int MaxPosition() const { return maxPosition_; }
    const TCompositeToken& Tokens() const { return tokens_; }

private:
    void SkipInsignificant();
    void Reached() {
        if (position_ > maxPosition_) maxPosition_ = position_;
    }

    const TCompositeToken& tokens_;
    int position_ = 0;
    int maxPosition_ = 0;
};

} // namespace parser
