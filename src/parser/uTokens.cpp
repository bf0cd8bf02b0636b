#include "parser/uTokens.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace parser {

// ---- TSymbolMemo

namespace {

uint32_t HashKey(const void* key) {
    // Keys are addresses; mix the bits above the alignment.
    auto v = reinterpret_cast<uintptr_t>(key);
    v ^= v >> 17;
    v *= 0x9E3779B97F4A7C15ull;
    return static_cast<uint32_t>(v >> 32);
}

} // namespace

const TSymbolMemo::Entry* TSymbolMemo::Find(const void* key) const {
    if (count_ == 0) return nullptr;
    uint32_t mask = capacity_ - 1;
    for (uint32_t i = HashKey(key) & mask;; i = (i + 1) & mask) {
        const Entry& e = entries_[i];
        if (e.key == key) return &e;
        if (e.key == nullptr) return nullptr;
    }
}

void TSymbolMemo::Set(const void* key, TSymbol* symbol, TMemoStorage& storage) {
    bool added = false;
    // Claim may grow the table: the table is read after it, not before.
    const uint32_t slot = Claim(key, added, storage);
    entries_[slot].symbol = symbol;
}

uint32_t TSymbolMemo::Claim(const void* key, bool& added, TMemoStorage& storage) {
    RTL_ASSERT(key != nullptr);
    if ((count_ + 1) * 4 > static_cast<int>(capacity_) * 3) Grow(storage);
    uint32_t mask = capacity_ - 1;
    for (uint32_t i = HashKey(key) & mask;; i = (i + 1) & mask) {
        Entry& e = entries_[i];
        if (e.key == key) {
            added = false;
            return i;
        }
        if (e.key == nullptr) {
            e = {key, nullptr};
            ++count_;
            added = true;
            return i;
        }
    }
}

void TSymbolMemo::Grow(TMemoStorage& storage) {
    const uint32_t newCapacity = capacity_ == 0 ? kFirstCapacity : capacity_ * 2;
    Entry* old = entries_;
    const uint32_t oldCapacity = capacity_;
    entries_ = static_cast<Entry*>(storage.Take(newCapacity, sizeof(Entry)));
    capacity_ = newCapacity;
    count_ = 0;
    for (uint32_t i = 0; i < oldCapacity; ++i) {
        if (old[i].key) Set(old[i].key, old[i].symbol, storage);
    }
    if (old) storage.Give(old, oldCapacity);
}

// ---- TMemoStorage

void* TMemoStorage::Take(uint32_t capacity, size_t entrySize) {
    const int slot = std::countr_zero(capacity);
    void* table = free_[slot];
    if (table)
        free_[slot] = free_[slot]->Next;
    else
        table = blocks_.allocate(capacity * entrySize, alignof(std::max_align_t));
    std::memset(table, 0, capacity * entrySize);
    return table;
}

void TMemoStorage::Give(void* table, uint32_t capacity) {
    const int slot = std::countr_zero(capacity);
    free_[slot] = new (table) TFree{free_[slot]};
}

// ---- TToken

int TToken::Depth() const {
    int depth = 0;
    for (const TToken* t = owner_; t; t = t->owner_)
        ++depth;
    return depth;
}

std::u16string TToken::GetWideText() const {
    return rtl::Utf8ToUtf16(GetText());
}

namespace {

template <class T>
TToken* NewToken(std::pmr::memory_resource& storage) {
    return new (storage.allocate(sizeof(T), alignof(T))) T();
}

} // namespace

TToken* CreateToken(TTokenKind kind, std::pmr::memory_resource& storage) {
    switch (kind) {
    case TTokenKind::Composite:
        return NewToken<TCompositeToken>(storage);
    case TTokenKind::Cursor:
        return NewToken<TCursorToken>(storage);
    case TTokenKind::EndOfInput:
        return NewToken<TEOFToken>(storage);
    case TTokenKind::CustomText:
        return NewToken<TCustomTextToken>(storage);
    case TTokenKind::ReservedWord:
        return NewToken<TReservedWordToken>(storage);
    case TTokenKind::Text:
        return NewToken<TTextToken>(storage);
    case TTokenKind::WhiteSpace:
        return NewToken<TWhiteSpace>(storage);
    case TTokenKind::Comment:
        return NewToken<TCommentToken>(storage);
    case TTokenKind::LineComment:
        return NewToken<TLineComment>(storage);
    case TTokenKind::BlockComment:
        return NewToken<TBlockComment>(storage);
    case TTokenKind::Numeric:
        return NewToken<TNumericToken>(storage);
    case TTokenKind::Hexadecimal:
        return NewToken<THexadecimalToken>(storage);
    case TTokenKind::Binary:
        return NewToken<TBinaryToken>(storage);
    case TTokenKind::UserVariable:
        return NewToken<TUserVariableToken>(storage);
    case TTokenKind::QuotedString:
        return NewToken<TQuotedStringToken>(storage);
    case TTokenKind::QuotedIdentifier:
        return NewToken<TQuotedIdentifierToken>(storage);
    case TTokenKind::Break:
        return NewToken<TBreakToken>(storage);
    case TTokenKind::CompositeOperation:
        return NewToken<TCompositeOperationToken>(storage);
    case TTokenKind::Token:
        break;
    }
    RTL_ASSERT_MSG(false, "Abstract token class");
}

// ---- TCompositeToken

TCompositeToken::~TCompositeToken() {
    Clear();
}

std::string TCompositeToken::GetText() const {
    std::string text;
    for (const auto& t : tokens_)
        text += t->GetText();
    return text;
}

void TCompositeToken::SetText(std::string_view text) {
    Clear();
    AddToken<TTextToken>()->SetText(text);
}

std::string TCompositeToken::GetDescription() const {
    if (tokens_.empty()) return {};
    return rtl::Format("(%s - %s)", First()->GetDescription(), Last()->GetDescription());
}

int32_t TCompositeToken::GetStart() const {
    return tokens_.empty() ? StartPosition() : First()->GetStart();
}

int32_t TCompositeToken::GetEnd() const {
    return tokens_.empty() ? EndPosition() : Last()->GetEnd();
}

TToken* TCompositeToken::AddToken(TTokenKind kind) {
    return InsertToken(Count(), kind);
}

TToken* TCompositeToken::InsertToken(int index, TTokenKind kind) {
    if (index < 0 || index > Count()) rtl::ListIndexError(index);
    TToken* result = CreateToken(kind, storage_);
    result->owner_ = this;
    tokens_.insert(tokens_.begin() + index, result);
    for (int i = index; i < Count(); ++i)
        tokens_[i]->index_ = i;
    return result;
}

int TCompositeToken::IndexOf(const TToken* token) const {
    if (token && token->owner_ == this) return token->index_;
    return -1;
}

void TCompositeToken::Clear() {
    for (TToken* token : tokens_)
        token->~TToken();
    tokens_.clear();
    memoStorage_.Clear();
    storage_.release();
}

// ---- helpers

std::u16string GetTokensText(const TCompositeToken& tokens, int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, tokens.Count() - 1);
    std::string text;
    for (int i = from; i <= to; ++i)
        text += tokens.Items(i)->GetText();
    return rtl::Utf8ToUtf16(text);
}

// ---- TTokenIterator

TTokenIterator::TTokenIterator(const TCompositeToken& tokens) : tokens_(tokens) {
    Reset();
}

void TTokenIterator::Reset() {
    position_ = 0;
    SkipInsignificant();
}

void TTokenIterator::Next() {
    ++position_;
    SkipInsignificant();
}

void TTokenIterator::SetPosition(int index) {
    position_ = index;
    Reached();
}

void TTokenIterator::SkipInsignificant() {
    while (position_ < tokens_.Count() && !IsSignificantToken(tokens_.Items(position_)))
        ++position_;
    Reached();
}

} // namespace parser
