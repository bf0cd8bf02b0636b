#include "parser/uTokens.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

#include <algorithm>

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

void TSymbolMemo::Set(const void* key, TSymbol* symbol) {
    bool added = false;
    entries_[Claim(key, added)].symbol = symbol;
}

uint32_t TSymbolMemo::Claim(const void* key, bool& added) {
    RTL_ASSERT(key != nullptr);
    if ((count_ + 1) * 4 > static_cast<int>(capacity_) * 3) Grow();
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

void TSymbolMemo::Grow() {
    uint32_t newCapacity = capacity_ == 0 ? kFirstCapacity : capacity_ * 2;
    auto old = std::move(entries_);
    uint32_t oldCapacity = capacity_;
    entries_ = std::make_unique<Entry[]>(newCapacity);
    capacity_ = newCapacity;
    count_ = 0;
    for (uint32_t i = 0; i < oldCapacity; ++i) {
        if (old[i].key) Set(old[i].key, old[i].symbol);
    }
}

void TSymbolMemo::Clear() {
    entries_.reset();
    capacity_ = 0;
    count_ = 0;
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

std::unique_ptr<TToken> CreateToken(TTokenKind kind) {
    switch (kind) {
    case TTokenKind::Composite:
        return std::make_unique<TCompositeToken>();
    case TTokenKind::Cursor:
        return std::make_unique<TCursorToken>();
    case TTokenKind::EndOfInput:
        return std::make_unique<TEOFToken>();
    case TTokenKind::CustomText:
        return std::make_unique<TCustomTextToken>();
    case TTokenKind::ReservedWord:
        return std::make_unique<TReservedWordToken>();
    case TTokenKind::Text:
        return std::make_unique<TTextToken>();
    case TTokenKind::WhiteSpace:
        return std::make_unique<TWhiteSpace>();
    case TTokenKind::Comment:
        return std::make_unique<TCommentToken>();
    case TTokenKind::LineComment:
        return std::make_unique<TLineComment>();
    case TTokenKind::BlockComment:
        return std::make_unique<TBlockComment>();
    case TTokenKind::Numeric:
        return std::make_unique<TNumericToken>();
    case TTokenKind::Hexadecimal:
        return std::make_unique<THexadecimalToken>();
    case TTokenKind::Binary:
        return std::make_unique<TBinaryToken>();
    case TTokenKind::UserVariable:
        return std::make_unique<TUserVariableToken>();
    case TTokenKind::QuotedString:
        return std::make_unique<TQuotedStringToken>();
    case TTokenKind::QuotedIdentifier:
        return std::make_unique<TQuotedIdentifierToken>();
    case TTokenKind::Break:
        return std::make_unique<TBreakToken>();
    case TTokenKind::CompositeOperation:
        return std::make_unique<TCompositeOperationToken>();
    case TTokenKind::Token:
        break;
    }
    RTL_ASSERT_MSG(false, "Abstract token class");
}

// ---- TCompositeToken

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
    auto token = CreateToken(kind);
    token->owner_ = this;
    TToken* result = token.get();
    tokens_.insert(tokens_.begin() + index, std::move(token));
    for (int i = index; i < Count(); ++i)
        tokens_[i]->index_ = i;
    return result;
}

int TCompositeToken::IndexOf(const TToken* token) const {
    if (token && token->owner_ == this) return token->index_;
    return -1;
}

void TCompositeToken::Clear() {
    tokens_.clear();
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
