#include "parser/uGrammar.h"

#include "core/uStringUtils.h"
#include "parser/uParser.h"
#include "parser/uTokenizer.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Threads.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

namespace parser {

namespace {

// Key spaces of word sequences and word choices, apart from each other and from the terminals'.
char ConstantProductionTag(bool reserved, bool byOr) {
    if (reserved) return byOr ? 'O' : 'S';
    return byOr ? 'o' : 's';
}

// Calls `visit` with each of the blank-separated words.
template <class F>
void ForEachWord(std::string_view words, F visit) {
    size_t i = 0;
    while (i < words.size()) {
        while (i < words.size() && words[i] == ' ')
            ++i;
        size_t start = i;
        while (i < words.size() && words[i] != ' ')
            ++i;
        if (i > start) visit(words.substr(start, i - start));
    }
}

// The words joined by single blanks; most texts are written so already.
std::string JoinWords(std::string_view words) {
    std::string joined;
    ForEachWord(words, [&](std::string_view w) {
        if (!joined.empty()) joined += ' ';
        joined += w;
    });
    return joined;
}

bool IsJoined(std::string_view words) {
    return !words.empty() && words.front() != ' ' && words.back() != ' ' &&
           words.find("  ") == std::string_view::npos;
}

const TInternedText* InternWords(TGrammar& grammar, char tag, std::string_view words) {
    return IsJoined(words) ? grammar.InternText(tag, words) : grammar.InternText(tag, JoinWords(words));
}

// Digits of a hexadecimal or binary literal: "0x1F" or "X'1F'" give "1F".
std::string LiteralDigits(const TToken* token, char prefix) {
    if (!token) return {};
    std::string text = token->GetText();
    if (text.size() < 2) return {};
    if (text[0] == '0' && (text[1] == prefix || text[1] == prefix - 'a' + 'A')) return text.substr(2);
    std::string digits = text.substr(2);
    if (!digits.empty() && digits.back() == '\'') digits.pop_back();
    return digits;
}

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// Words of the rules, numbered for the process; a constant matches its word ignoring ASCII case.
std::unordered_map<std::string, int>& WordNumbers() {
    static std::unordered_map<std::string, int> numbers;
    return numbers;
}

int WordNumber(std::string_view word) {
    auto& numbers = WordNumbers();
    return numbers.try_emplace(AsciiUpper(word), static_cast<int>(numbers.size())).first->second;
}

int TokenWordNumber(TToken& token) {
    if (token.WordNumber() == -2) {
        const auto* text = token.As<TCustomTextToken>();
        const auto found = text ? WordNumbers().find(AsciiUpper(text->Text())) : WordNumbers().end();
        token.SetWordNumber(found != WordNumbers().end() ? found->second : -1);
    }
    return token.WordNumber();
}

constexpr size_t kFirstBlockSize = 16 * 1024;
constexpr size_t kLargestBlockSize = 1024 * 1024;

} // namespace

// ---- start sets

// The tokens that can start a match: token kinds, words of the rules (bits by word number), and
// whether it can match without taking a token.
struct TStartSet {
    bool Any = false;
    bool Empty = false;
    uint32_t Kinds = 0;
    std::vector<uint64_t> Words;

    void AddWord(int number) {
        if (static_cast<size_t>(number / 64) >= Words.size()) Words.resize(number / 64 + 1);
        Words[number / 64] |= uint64_t{1} << (number % 64);
    }
    bool HasWord(int number) const {
        return static_cast<size_t>(number / 64) < Words.size() && (Words[number / 64] >> (number % 64) & 1);
    }
    // Everything the other may start with (not whether it may match empty).
    void Merge(const TStartSet& other) {
        Any = Any || other.Any;
        Kinds |= other.Kinds;
        if (other.Words.size() > Words.size()) Words.resize(other.Words.size());
        for (size_t i = 0; i < other.Words.size(); ++i)
            Words[i] |= other.Words[i];
    }
    bool operator==(const TStartSet&) const = default;
};

// The start sets of the production classes under one grammar class, in strict mode, kept for the
// process: every parse with that grammar asks the same questions. Read and filled under ParseLock.
struct TStartSets {
    // By class index; a set never moves, so rules may keep pointers to it.
    std::vector<std::unique_ptr<TStartSet>> ByClass;
    // Of word sequences and word choices, by kind and words.
    std::unordered_map<std::string, TStartSet> ByWords;

    const TStartSet* Find(const TSymbolClass& cls) const {
        const size_t index = cls.Index();
        return index < ByClass.size() ? ByClass[index].get() : nullptr;
    }
};

namespace {

// Of the elements that have no start set of their own.
const TStartSet kAnyStart = [] {
    TStartSet set;
    set.Any = true;
    return set;
}();

TStartSets& StartSetsOf(const TSymbolClass& grammarClass) {
    static std::unordered_map<const TSymbolClass*, TStartSets> sets;
    return sets[&grammarClass];
}

} // namespace

// ---- TSymbolStorage

TSymbolStorage::~TSymbolStorage() {
    for (TBlock& block : blocks_)
        ASAN_UNPOISON_MEMORY_REGION(block.Data.get(), block.Size);
}

void* TSymbolStorage::do_allocate(size_t bytes, size_t alignment) {
    const auto cursor = reinterpret_cast<uintptr_t>(cursor_);
    const uintptr_t start = (cursor + alignment - 1) & ~(alignment - 1);
    if (start + bytes > reinterpret_cast<uintptr_t>(end_) || !cursor_)
        return AllocateInNextBlock(bytes, alignment);
    cursor_ = reinterpret_cast<std::byte*>(start + bytes);
    auto* p = reinterpret_cast<std::byte*>(start);
    ASAN_UNPOISON_MEMORY_REGION(p, bytes);
    return p;
}

void TSymbolStorage::Enter(size_t block) {
    current_ = block;
    cursor_ = blocks_[block].Data.get();
    end_ = cursor_ + blocks_[block].Size;
}

void* TSymbolStorage::AllocateInNextBlock(size_t bytes, size_t alignment) {
    // A block kept from before a release, when the allocation fits in it.
    if (!blocks_.empty() && current_ + 1 < blocks_.size() &&
        bytes + alignment <= blocks_[current_ + 1].Size) {
        Enter(current_ + 1);
        return do_allocate(bytes, alignment);
    }
    size_t size = blocks_.empty() ? kFirstBlockSize : std::min(blocks_.back().Size * 2, kLargestBlockSize);
    size = std::max(size, bytes + alignment);
    // Blocks after the current one are empty: the new one goes before them.
    const size_t at = blocks_.empty() ? 0 : current_ + 1;
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(at),
                   {std::unique_ptr<std::byte[]>(new std::byte[size]), size}); // not zeroed
    Enter(at);
    ASAN_POISON_MEMORY_REGION(cursor_, size);
    return do_allocate(bytes, alignment);
}

void TSymbolStorage::Release(TMark mark) {
    if (blocks_.empty() || (mark.Block == current_ && mark.Cursor == cursor_)) return;
    RTL_ASSERT(mark.Block <= current_);
    for (size_t b = mark.Block; b <= current_; ++b) {
        std::byte* from = b == mark.Block && mark.Cursor ? mark.Cursor : blocks_[b].Data.get();
        ASAN_POISON_MEMORY_REGION(from, blocks_[b].Data.get() + blocks_[b].Size - from);
    }
    if (!mark.Cursor) {
        // Marked before the first block existed.
        Enter(0);
        return;
    }
    current_ = mark.Block;
    cursor_ = mark.Cursor;
    end_ = blocks_[current_].Data.get() + blocks_[current_].Size;
}

// ---- TSymbolClass

int TSymbolClass::NewIndex() const {
    static std::atomic<int> next{0};
    int index = -1;
    int fresh = next.fetch_add(1);
    // Another thread may have numbered the class meanwhile; its number stands.
    return Ordinal.compare_exchange_strong(index, fresh) ? fresh : index;
}

TSymbolClass::TSymbolClass(const char* name, const TSymbolClass* parent,
                           TSymbol* (*construct)(TGrammar& grammar))
    : Name(name), Parent(parent), Construct(construct), depth_(parent ? parent->depth_ + 1 : 0),
      line_(std::make_unique<const TSymbolClass*[]>(depth_ + 1)) {
    if (parent) std::copy_n(parent->line_.get(), depth_, line_.get());
    line_[depth_] = this;
}

TSymbol* TSymbolClass::Create(TProduction* owner, bool required) const {
    RTL_ASSERT_MSG(Construct != nullptr, "Abstract symbol class");
    RTL_ASSERT(owner != nullptr && owner->GetGrammar() != nullptr);
    TGrammar* grammar = owner->GetGrammar();
    // Registered before construction completes its set-up, so that the grammar destroys it in any case.
    grammar->symbols_.push_back(nullptr);
    TSymbol* symbol = Construct(*grammar);
    grammar->symbols_.back() = symbol;
    symbol->owner_ = owner;
    symbol->grammar_ = grammar;
    symbol->Init();
    symbol->required_ = required;
    return symbol;
}

// ---- TSymbols

TSymbols::TSymbols(const TSymbols& other) : resource_(other.resource_) {
    Reserve(other.count_);
    std::copy(other.begin(), other.end(), items_);
    count_ = other.count_;
}

TSymbols& TSymbols::operator=(const TSymbols& other) {
    if (this != &other) {
        Clear();
        Reserve(other.count_);
        std::copy(other.begin(), other.end(), items_);
        count_ = other.count_;
    }
    return *this;
}

TSymbols::~TSymbols() {
    if (items_) resource_->deallocate(items_, capacity_ * sizeof(TSymbol*), alignof(TSymbol*));
}

void TSymbols::SetStorage(std::pmr::memory_resource* resource) {
    RTL_ASSERT(items_ == nullptr);
    resource_ = resource;
}

void TSymbols::Add(TSymbol* symbol) {
    if (count_ == capacity_) Reserve(capacity_ ? capacity_ * 2 : 4);
    items_[count_++] = symbol;
}

void TSymbols::Clear() {
    count_ = 0;
}

void TSymbols::Reserve(int capacity) {
    if (capacity <= capacity_) return;
    auto** items =
        static_cast<TSymbol**>(resource_->allocate(capacity * sizeof(TSymbol*), alignof(TSymbol*)));
    std::copy(begin(), end(), items);
    if (items_) resource_->deallocate(items_, capacity_ * sizeof(TSymbol*), alignof(TSymbol*));
    items_ = items;
    capacity_ = capacity;
}

TSymbol* TSymbols::Items(int index) const {
    if (index < 0 || index >= count_) rtl::ListIndexError(index);
    return items_[index];
}

TSymbol* TSymbols::Find(const TSymbolClass& cls, bool exact) const {
    for (TSymbol* s : *this) {
        if (exact ? &s->ClassType() == &cls : s->InheritsFrom(cls)) return s;
    }
    return nullptr;
}

// ---- TSymbol

const TSymbolClass& TSymbol::StaticClass() {
    static const TSymbolClass info{"TSymbol", nullptr, nullptr};
    return info;
}

TSymbol* TSymbol::FindOwner(const TSymbolClass& cls) {
    for (TSymbol* s = this; s; s = s->owner_) {
        if (s->InheritsFrom(cls)) return s;
    }
    return nullptr;
}

void TSymbol::Assign(const TSymbol& source) {
    endIndex_ = source.endIndex_;
}

void TSymbol::Init() {
    required_ = true;
    endIndex_ = -1;
}

void TSymbol::Accept(TSymbolVisitor& visitor) {
    visitor.VisitSymbol(this);
}

namespace {

[[noreturn]] void RaiseNestedTooDeeply(const TTokenIterator& iterator) {
    const TToken* token = iterator.Eof() ? nullptr : iterator.Current();
    if (!token) throw EGrammarError("The text is nested too deeply", 0, 0);
    throw EGrammarError(
        rtl::Format("The text is nested too deeply near '%s' at line %d", token->GetText(), token->Line()),
        token->GetStart(), token->GetEnd());
}

} // namespace

bool Match(TSymbol& symbol, TTokenIterator& iterator) {
    // An eighth of the stack stays for failing cleanly. The builders and visitors that walk the tree
    // afterwards start again from here and spend far less stack per level than matching does.
    // The frame address, not a local's: a sanitizer may keep locals on a heap of its own.
    const char* frame = static_cast<const char*>(__builtin_frame_address(0));
    if (&symbol == symbol.grammar_) {
        const std::size_t left = rtl::StackSpaceLeft();
        symbol.grammar_->stackLimit_ = left == SIZE_MAX ? nullptr : frame - (left - left / 8);
    } else if (frame < symbol.grammar_->stackLimit_) {
        RaiseNestedTooDeeply(iterator);
    }
    TToken* token = iterator.Eof() ? nullptr : iterator.Current();
    if (token && token->Is<TCursorToken>()) {
        if (&symbol != symbol.grammar_) {
            static_cast<TCursorToken*>(token)->Symbols().push_back(&symbol);
            ++symbol.grammar_->kept_;
            return false;
        }
        token = nullptr; // nothing is remembered at the cursor
    }
    if (!symbol.Memoised()) token = nullptr;
    TSymbolKey key = symbol.Key();
    uint32_t slot = 0, capacity = 0;
    if (token) {
        // Added as failed while it runs, so that a rule reaching itself at the same token fails
        // instead of recursing without end.
        bool added = false;
        slot = token->Memo().Claim(key, added, token->Owner()->MemoStorage());
        if (!added) {
            const TSymbol* known = token->Memo().At(slot).symbol;
            if (!known) return false;
            symbol.Assign(*known);
            iterator.SetPosition(symbol.endIndex_);
            return true;
        }
        capacity = token->Memo().Capacity();
    }
    if (!symbol.DoMatch(iterator)) {
        symbol.MatchFailed(iterator);
        return false;
    }
    if (token) {
        // Matches inside may have grown the table meanwhile.
        if (token->Memo().Capacity() == capacity)
            token->Memo().At(slot).symbol = &symbol;
        else
            token->Memo().Set(key, &symbol, token->Owner()->MemoStorage());
        ++symbol.grammar_->kept_;
    }
    symbol.MatchSucceeded(iterator);
    symbol.endIndex_ = iterator.Position();
    return true;
}

// ---- terminals

std::string TTerminal::GetKey() const {
    return token_ ? token_->GetText() : TSymbol::GetKey();
}

void TTerminal::Assign(const TSymbol& source) {
    TSymbol::Assign(source);
    token_ = static_cast<const TTerminal&>(source).token_;
}

void TTerminal::MatchSucceeded(TTokenIterator& iterator) {
    token_ = iterator.Current();
    iterator.Next();
}

bool TTerminal::DoMatch(TTokenIterator& iterator) {
    return !iterator.Eof() && Accepts(*iterator.Current());
}

template <class T>
T* TConstantTerminal::NewOf(TProduction* owner, std::string_view text, bool required) {
    RTL_ASSERT(owner != nullptr && owner->GetGrammar() != nullptr);
    return NewOf<T>(owner, *owner->GetGrammar()->InternText(T::kKeyTag, text), required);
}

template <class T>
T* TConstantTerminal::NewOf(TProduction* owner, const TInternedText& text, bool required) {
    auto* terminal = static_cast<T*>(T::StaticClass().Create(owner, required));
    TConstantTerminal* base = terminal;
    base->text_ = &text;
    base->SetKey(base->text_);
    return terminal;
}

TConstantTerminal* TConstantTerminal::New(TProduction* owner, std::string_view text, bool required) {
    return NewOf<TConstantTerminal>(owner, text, required);
}

TConstantTerminal* TConstantTerminal::New(TProduction* owner, const TInternedText& text, bool required) {
    return NewOf<TConstantTerminal>(owner, text, required);
}

bool TConstantTerminal::TextMatches(const TToken& token, std::string_view text) {
    // Most words tried at a token differ from its text in length already.
    if (const auto* t = token.As<TCustomTextToken>())
        return t->Text().size() == text.size() && core::SameText(t->Text(), text);
    return core::SameText(token.GetText(), text);
}

bool TConstantTerminal::Accepts(const TToken& token) const {
    return TextMatches(token, Text());
}

void TConstantTerminal::Accept(TSymbolVisitor& visitor) {
    visitor.VisitConstantTerminal(this);
}

TReservedTerminal* TReservedTerminal::New(TProduction* owner, std::string_view text, bool required) {
    return NewOf<TReservedTerminal>(owner, text, required);
}

TReservedTerminal* TReservedTerminal::New(TProduction* owner, const TInternedText& text, bool required) {
    return NewOf<TReservedTerminal>(owner, text, required);
}

std::string TReservedTerminal::GetKey() const {
    return rtl::Format("<%s>", Text());
}

bool TIdentifierTerminal::Accepts(const TToken& token) const {
    return token.Is<TQuotedIdentifierToken>() || token.Is<TTextToken>();
}

void TIdentifierTerminal::Accept(TSymbolVisitor& visitor) {
    visitor.VisitIdentifierTerminal(this);
}

bool TTextTerminal::Accepts(const TToken& token) const {
    return token.Is<TTextToken>() || token.Is<TQuotedStringToken>();
}

void TTextTerminal::Accept(TSymbolVisitor& visitor) {
    visitor.VisitTextTerminal(this);
}

void TNumericTerminal::Accept(TSymbolVisitor& visitor) {
    visitor.VisitNumericTerminal(this);
}

std::string THexadecimalTerminal::GetDigits() const {
    return LiteralDigits(Token(), 'x');
}

void THexadecimalTerminal::Accept(TSymbolVisitor& visitor) {
    visitor.VisitHexadecimalTerminal(this);
}

std::string TBinaryTerminal::GetDigits() const {
    return LiteralDigits(Token(), 'b');
}

void TBinaryTerminal::Accept(TSymbolVisitor& visitor) {
    visitor.VisitBinaryTerminal(this);
}

// ---- strategies

const TProductionMatchingStrategy& TProductionMatchingStrategy::Sequence() {
    static const TLinearMatchingStrategy strategy;
    return strategy;
}

const TProductionMatchingStrategy& TProductionMatchingStrategy::Choice() {
    static const TMatchingByOrStrategy strategy;
    return strategy;
}

const TProductionMatchingStrategy& TProductionMatchingStrategy::DelimitedList() {
    static const TMatchingDelimitedListStrategy strategy;
    return strategy;
}

bool TLinearMatchingStrategy::Match(TProduction& owner, TRule& rule, TTokenIterator& iterator) const {
    for (int i = 0; i < rule.Count(); ++i) {
        if (iterator.Eof()) return false;
        int saved = iterator.Position();
        TSymbol* matched = nullptr;
        if (rule.MatchElement(i, iterator, matched)) {
            // Most attempts fail at their first element: room for the children only once one matched.
            if (owner.Children().IsEmpty()) owner.Children().Reserve(rule.Count());
            owner.Children().Add(matched);
        } else {
            iterator.SetPosition(saved);
            if (rule.Required(i)) return false;
        }
    }
    return true;
}

bool TMatchingByOrStrategy::Match(TProduction& owner, TRule& rule, TTokenIterator& iterator) const {
    for (int i = 0; i < rule.Count(); ++i) {
        if (iterator.Eof()) return false;
        int saved = iterator.Position();
        TSymbol* matched = nullptr;
        if (rule.MatchElement(i, iterator, matched)) {
            owner.Children().Reserve(1);
            owner.Children().Add(matched);
            return true;
        }
        iterator.SetPosition(saved);
    }
    return false;
}

bool TMatchingDelimitedListStrategy::Match(TProduction& owner, TRule& rule, TTokenIterator& iterator) const {
    RTL_ASSERT_MSG(rule.Count() == 3, "A delimited list needs item, delimiter and rest");
    owner.Children().Reserve(3);
    TSymbol* matched = nullptr;
    if (iterator.Eof()) return false;
    int saved = iterator.Position();
    if (!rule.MatchElement(0, iterator, matched)) {
        iterator.SetPosition(saved);
        return false;
    }
    owner.Children().Add(matched);

    if (iterator.Eof()) return true;
    saved = iterator.Position();
    if (!rule.MatchElement(1, iterator, matched)) {
        iterator.SetPosition(saved);
        return true;
    }
    owner.Children().Add(matched);

    // After a delimiter the rest is required: a trailing delimiter fails the whole list.
    if (iterator.Eof()) return true;
    saved = iterator.Position();
    if (!rule.MatchElement(2, iterator, matched)) {
        iterator.SetPosition(saved);
        return false;
    }
    owner.Children().Add(matched);
    return true;
}

// ---- TRule

TRule& TRule::Append(const TItem& item) {
    RTL_ASSERT(items_ == own_.data());
    own_.push_back(item);
    items_ = own_.data();
    ++count_;
    return *this;
}

TRule& TRule::Add(const TSymbolClass& cls, bool required) {
    return Append({&cls, TKind::Class, required});
}

TRule& TRule::Add(TSymbol* symbol) {
    RTL_ASSERT(symbol != nullptr && symbol->Owner() == &owner_);
    return Append({symbol, TKind::Symbol, symbol->Required()});
}

TRule& TRule::AddText(TKind kind, std::string_view text, bool required) {
    TGrammar* grammar = owner_.GetGrammar();
    const TInternedText* interned = nullptr;
    switch (kind) {
    case TKind::Constant:
        required = ParserFactory().ConstantTerminalRequired(&owner_, text, required);
        interned = grammar->InternText(TConstantTerminal::kKeyTag, text);
        break;
    case TKind::Reserved:
        interned = grammar->InternText(TReservedTerminal::kKeyTag, text);
        break;
    default: {
        bool reserved = kind == TKind::ReservedSeq || kind == TKind::ReservedOr;
        bool byOr = kind == TKind::ConstOr || kind == TKind::ReservedOr;
        interned = InternWords(*grammar, ConstantProductionTag(reserved, byOr), text);
        break;
    }
    }
    return Append({interned, kind, required});
}

TRule& TRule::Const(std::string_view text, bool required) {
    return AddText(TKind::Constant, text, required);
}
TRule& TRule::Reserved(std::string_view text, bool required) {
    return AddText(TKind::Reserved, text, required);
}
TRule& TRule::ConstSeq(std::string_view words, bool required) {
    return AddText(TKind::ConstSeq, words, required);
}
TRule& TRule::ConstOr(std::string_view words, bool required) {
    return AddText(TKind::ConstOr, words, required);
}
TRule& TRule::ReservedSeq(std::string_view words, bool required) {
    return AddText(TKind::ReservedSeq, words, required);
}
TRule& TRule::ReservedOr(std::string_view words, bool required) {
    return AddText(TKind::ReservedOr, words, required);
}

void TRule::Define() {
    RTL_ASSERT(count_ == 0);
    TGrammar& grammar = *owner_.GetGrammar();
    // The grammar's own rule follows its parse mode.
    if (&owner_ == &grammar) {
        owner_.DefineRule(*this);
        return;
    }
    TGrammar::TKeptRule& kept = grammar.KeptRule(owner_);
    if (!kept.Kept) {
        owner_.DefineRule(*this);
        auto names = [](const TItem& item) { return item.Kind == TKind::Symbol; };
        if (std::any_of(own_.begin(), own_.end(), names)) return;
        kept.Items = std::move(own_);
        kept.Kept = true;
    }
    items_ = kept.Items.data();
    count_ = static_cast<int>(kept.Items.size());
}

TSymbolKey TRule::KeyOf(const TItem& item) const {
    if (item.Kind == TKind::Symbol) return static_cast<const TSymbol*>(item.Ref)->Key();
    return item.Ref;
}

TSymbol*& TRule::Created(int index) {
    if (index < kInline) return created_[index];
    if (!moreCreated_) moreCreated_ = std::make_unique<TSymbol*[]>(count_ - kInline);
    return moreCreated_[index - kInline];
}

TSymbol* TRule::Symbol(int index) {
    if (index < 0 || index >= count_) rtl::ListIndexError(index);
    const TItem& item = items_[index];
    if (item.Kind == TKind::Symbol) return static_cast<TSymbol*>(const_cast<void*>(item.Ref));
    TSymbol*& symbol = Created(index);
    if (symbol) return symbol;
    if (item.Kind == TKind::Class) {
        symbol = static_cast<const TSymbolClass*>(item.Ref)->Create(&owner_, item.Required);
        return symbol;
    }
    // The texts were interned and their requirement settled when the rule was defined.
    const auto& text = *static_cast<const TInternedText*>(item.Ref);
    switch (item.Kind) {
    case TKind::Constant:
        symbol = TConstantTerminal::New(&owner_, text, item.Required);
        break;
    case TKind::Reserved:
        symbol = TReservedTerminal::New(&owner_, text, item.Required);
        break;
    case TKind::ConstSeq:
    case TKind::ConstOr:
        symbol = TConstantProduction::New(&owner_, text, item.Kind == TKind::ConstOr, item.Required);
        break;
    case TKind::ReservedSeq:
    case TKind::ReservedOr:
        symbol = TReservedProduction::New(&owner_, text, item.Kind == TKind::ReservedOr, item.Required);
        break;
    default:
        RTL_ASSERT(false);
    }
    return symbol;
}

bool TRule::MayStart(int index, const TTokenIterator& iterator) const {
    // A cursor records every try.
    TToken* token = iterator.Eof() ? nullptr : iterator.Current();
    if (!token || token->Is<TCursorToken>()) return true;
    const TItem& item = items_[index];
    if (item.Kind == TKind::Constant || item.Kind == TKind::Reserved)
        return TConstantTerminal::TextMatches(*token, static_cast<const TInternedText*>(item.Ref)->Text);
    return owner_.GetGrammar()->CanStart(item, *token);
}

bool TRule::MatchElement(int index, TTokenIterator& iterator, TSymbol*& matched) {
    const TItem& item = items_[index];
    TSymbol* known =
        item.Kind == TKind::Symbol ? static_cast<TSymbol*>(const_cast<void*>(item.Ref)) : Created(index);
    if (known) {
        if (!Match(*known, iterator)) return false;
        matched = known;
        return true;
    }

    // Answer what is known without creating a symbol (not at a cursor, which records every try).
    if (!MayStart(index, iterator)) return false;
    const TToken* token = iterator.Eof() ? nullptr : iterator.Current();
    const bool terminal = item.Kind == TKind::Constant || item.Kind == TKind::Reserved;
    if (token && !terminal && !token->Is<TCursorToken>()) {
        if (const auto* entry = token->Memo().Find(KeyOf(item)); entry && !entry->symbol) return false;
    }

    TGrammar& grammar = *owner_.GetGrammar();
    TGrammar::TMark mark = grammar.Mark();
    TSymbol* symbol = Symbol(index);
    if (Match(*symbol, iterator)) {
        matched = symbol;
        return true;
    }
    if (grammar.ReleaseSince(mark)) Created(index) = nullptr;
    return false;
}

// ---- productions

void TProduction::Init() {
    TSymbol::Init();
    if (GetGrammar()) children_.SetStorage(GetGrammar()->Storage());
}

bool TProduction::DoMatch(TTokenIterator& iterator) {
    children_.Clear();
    TRule rule(*this);
    rule.Define();
    bool matched = StrategyClass().Match(*this, rule, iterator);
    return matched || (SucceedsWhenTolerant() && GetGrammar()->Tolerant());
}

void TProduction::Assign(const TSymbol& source) {
    TSymbol::Assign(source);
    // The same key: the same class.
    children_ = static_cast<const TProduction&>(source).children_;
}

void TProduction::Accept(TSymbolVisitor& visitor) {
    visitor.VisitProduction(this);
}

template <class T>
T* TConstantProduction::NewOf(TProduction* owner, std::string_view words, bool byOr, bool required) {
    RTL_ASSERT(owner != nullptr && owner->GetGrammar() != nullptr);
    const bool reserved = std::is_base_of_v<TReservedProduction, T>;
    return NewOf<T>(owner, *InternWords(*owner->GetGrammar(), ConstantProductionTag(reserved, byOr), words),
                    byOr, required);
}

template <class T>
T* TConstantProduction::NewOf(TProduction* owner, const TInternedText& words, bool byOr, bool required) {
    auto* production = static_cast<T*>(T::StaticClass().Create(owner, required));
    TConstantProduction* base = production;
    base->words_ = &words;
    base->byOr_ = byOr;
    base->SetKey(base->words_);
    return production;
}

TConstantProduction* TConstantProduction::New(TProduction* owner, std::string_view words, bool byOr,
                                              bool required) {
    return NewOf<TConstantProduction>(owner, words, byOr, required);
}

TConstantProduction* TConstantProduction::New(TProduction* owner, const TInternedText& words, bool byOr,
                                              bool required) {
    return NewOf<TConstantProduction>(owner, words, byOr, required);
}

void TConstantProduction::DefineRule(TRule& rule) {
    bool reserved = ReservedWords();
    ForEachWord(Words(), [&](std::string_view word) { reserved ? rule.Reserved(word) : rule.Const(word); });
}

const TProductionMatchingStrategy& TConstantProduction::StrategyClass() const {
    return byOr_ ? TProductionMatchingStrategy::Choice() : TProductionMatchingStrategy::Sequence();
}

TReservedProduction* TReservedProduction::New(TProduction* owner, std::string_view words, bool byOr,
                                              bool required) {
    return NewOf<TReservedProduction>(owner, words, byOr, required);
}

TReservedProduction* TReservedProduction::New(TProduction* owner, const TInternedText& words, bool byOr,
                                              bool required) {
    return NewOf<TReservedProduction>(owner, words, byOr, required);
}

// ---- TGrammar

TGrammar::TGrammar() {
    TSymbol::grammar_ = this;
}

TGrammar::~TGrammar() {
    for (auto it = symbols_.rbegin(); it != symbols_.rend(); ++it) {
        if (*it) (*it)->~TSymbol();
    }
}

void TGrammar::SetTolerant(bool value) {
    if (value != tolerant_) {
        classRules_.clear();
        textRules_.clear();
    }
    tolerant_ = value;
}

bool TGrammar::ReleaseSince(const TMark& mark) {
    if (kept_ != mark.Kept) return false;
    while (symbols_.size() > mark.Symbols) {
        if (TSymbol* s = symbols_.back()) s->~TSymbol();
        symbols_.pop_back();
    }
    storage_.Release(mark.Storage);
    return true;
}

size_t TGrammar::TTextKeyHash::operator()(const TTextKey& key) const {
    return std::hash<std::string_view>{}(key.Text) * 31 + static_cast<unsigned char>(key.Tag);
}

const TInternedText* TGrammar::InternText(char tag, std::string_view text) {
    auto found = textIndex_.find({tag, text});
    if (found != textIndex_.end()) return found->second;
    const TInternedText& stored =
        texts_.emplace_back(TInternedText{std::string(text), static_cast<int>(texts_.size())});
    textIndex_.emplace(TTextKey{tag, stored.Text}, &stored);
    return &stored;
}

TGrammar::TKeptRule& TGrammar::KeptRule(const TSymbol& symbol) {
    const bool byText = symbol.key_ != nullptr;
    std::vector<TKeptRule>& rules = byText ? textRules_ : classRules_;
    const size_t index =
        byText ? static_cast<const TInternedText*>(symbol.key_)->Index : symbol.ClassType().Index();
    if (index >= rules.size()) rules.resize(index + 1);
    return rules[index];
}

// The start sets of a class and of every class its rule reaches that has none yet: each class's
// rule read once from a scratch instance, then the sets widened together until nothing changes
// (rules reach themselves).
class TStartSetBuilder {
public:
    TStartSetBuilder(TGrammar& grammar, TStartSets& sets) : grammar_(grammar), sets_(sets) {}

    const TStartSet& Build(const TSymbolClass& root) {
        const TGrammar::TMark mark = grammar_.Mark();
        std::vector<const TSymbolClass*> pending{&root};
        while (!pending.empty()) {
            const TSymbolClass* cls = pending.back();
            pending.pop_back();
            if (sets_.Find(*cls) || nodes_.count(cls)) continue;
            TNode& node = nodes_[cls];
            Describe(*cls, node);
            for (const TElement& element : node.Elements)
                if (element.Class) pending.push_back(element.Class);
        }
        grammar_.ReleaseSince(mark);
        for (bool changed = true; changed;) {
            changed = false;
            for (auto& [cls, node] : nodes_) {
                if (node.Shape == TProductionMatchingStrategy::TStartShape::Unknown) continue;
                TStartSet widened = Evaluate(node);
                if (!(widened == node.Set)) {
                    node.Set = std::move(widened);
                    changed = true;
                }
            }
        }
        for (auto& [cls, node] : nodes_) {
            const size_t index = cls->Index();
            if (index >= sets_.ByClass.size()) sets_.ByClass.resize(index + 1);
            sets_.ByClass[index] = std::make_unique<TStartSet>(std::move(node.Set));
        }
        return *sets_.Find(root);
    }

private:
    // A class to look up, or a set of its own (words, or anything).
    struct TElement {
        const TSymbolClass* Class = nullptr;
        TStartSet Own;
        bool Required = true;
    };
    struct TNode {
        TProductionMatchingStrategy::TStartShape Shape = TProductionMatchingStrategy::TStartShape::Unknown;
        std::vector<TElement> Elements;
        TStartSet Set; // final for terminals and unknown shapes, widened for the rest
    };

    void Describe(const TSymbolClass& cls, TNode& node) {
        node.Set.Any = true;
        if (!cls.Construct) return;
        TSymbol* symbol = cls.Create(&grammar_);
        if (const auto* terminal = dynamic_cast<const TTerminal*>(symbol)) {
            node.Set.Any = false;
            node.Set.Kinds = terminal->StartKinds();
            return;
        }
        auto* production = dynamic_cast<TProduction*>(symbol);
        if (!production || !production->StartsAsItsRule()) return;
        node.Shape = production->StrategyClass().StartShape();
        if (node.Shape == TProductionMatchingStrategy::TStartShape::Unknown) return;
        node.Set.Any = false;
        TRule rule(*production);
        production->DefineRule(rule);
        for (const TRule::TItem& item : rule.own_) {
            TElement& element = node.Elements.emplace_back();
            element.Required = item.Required;
            switch (item.Kind) {
            case TRule::TKind::Class:
                element.Class = static_cast<const TSymbolClass*>(item.Ref);
                break;
            case TRule::TKind::Symbol:
                element.Own.Any = true;
                break;
            case TRule::TKind::Constant:
            case TRule::TKind::Reserved:
                element.Own.AddWord(WordNumber(static_cast<const TInternedText*>(item.Ref)->Text));
                break;
            default: {
                const bool byOr = item.Kind == TRule::TKind::ConstOr || item.Kind == TRule::TKind::ReservedOr;
                bool first = true;
                ForEachWord(static_cast<const TInternedText*>(item.Ref)->Text, [&](std::string_view word) {
                    if (first || byOr) element.Own.AddWord(WordNumber(word));
                    first = false;
                });
            }
            }
        }
    }

    const TStartSet& SetOf(const TElement& element) const {
        if (!element.Class) return element.Own;
        if (const TStartSet* known = sets_.Find(*element.Class)) return *known;
        return nodes_.at(element.Class).Set;
    }

    TStartSet Evaluate(const TNode& node) const {
        using TShape = TProductionMatchingStrategy::TStartShape;
        TStartSet result;
        if (node.Elements.empty()) return result;
        switch (node.Shape) {
        case TShape::Sequence:
            result.Empty = true;
            for (const TElement& element : node.Elements) {
                const TStartSet& set = SetOf(element);
                result.Merge(set);
                if (element.Required && !set.Empty) {
                    result.Empty = false;
                    break;
                }
            }
            break;
        case TShape::Choice:
            for (const TElement& element : node.Elements) {
                const TStartSet& set = SetOf(element);
                result.Merge(set);
                result.Empty = result.Empty || set.Empty;
            }
            break;
        case TShape::Leading:
            result.Merge(SetOf(node.Elements[0]));
            result.Empty = SetOf(node.Elements[0]).Empty;
            break;
        case TShape::Unknown:
            result.Any = true;
            break;
        }
        return result;
    }

    TGrammar& grammar_;
    TStartSets& sets_;
    std::unordered_map<const TSymbolClass*, TNode> nodes_;
};

const TStartSet* TGrammar::StartSetOf(const TRule::TItem& item) {
    if (!startSets_) startSets_ = &StartSetsOf(ClassType());
    const size_t words = WordNumbers().size();
    const TStartSet* set = nullptr;
    switch (item.Kind) {
    case TRule::TKind::Class: {
        const auto& cls = *static_cast<const TSymbolClass*>(item.Ref);
        set = startSets_->Find(cls);
        if (!set) set = &TStartSetBuilder(*this, *startSets_).Build(cls);
        break;
    }
    case TRule::TKind::ConstSeq:
    case TRule::TKind::ReservedSeq:
    case TRule::TKind::ConstOr:
    case TRule::TKind::ReservedOr: {
        const std::string& text = static_cast<const TInternedText*>(item.Ref)->Text;
        auto [found, added] = startSets_->ByWords.try_emplace(static_cast<char>(item.Kind) + text);
        if (added) {
            const bool byOr = item.Kind == TRule::TKind::ConstOr || item.Kind == TRule::TKind::ReservedOr;
            TStartSet& startSet = found->second; // clang before 16 cannot capture a structured binding
            bool first = true;
            ForEachWord(text, [&](std::string_view word) {
                if (first || byOr) startSet.AddWord(WordNumber(word));
                first = false;
            });
        }
        set = &found->second;
        break;
    }
    default:
        return nullptr;
    }
    // Tokens looked up before the new words were numbered may be among them now.
    if (WordNumbers().size() != words) {
        for (int i = 0; i < tokens_.Count(); ++i)
            tokens_.Items(i)->SetWordNumber(-2);
    }
    return set;
}

bool TGrammar::CanStart(const TRule::TItem& item, TToken& token) {
    // Tolerant matches may succeed with nothing matched; they are rare and tried in full.
    if (tolerant_) return true;
    if (!item.Start) {
        const TStartSet* found = StartSetOf(item);
        item.Start = found ? found : &kAnyStart;
    }
    const TStartSet& set = *item.Start;
    if (set.Any || set.Empty || (set.Kinds >> static_cast<int>(token.Kind()) & 1)) return true;
    const int number = TokenWordNumber(token);
    return number >= 0 && set.HasWord(number);
}

void TGrammar::GetReservedWords(std::vector<std::string>& list) {
    ParserFactory().GetReservedWords(this, list);
    SortReservedWords(list);
}

void TGrammar::SetupTokenizer(TTokenizer& tokenizer) {
    ConfigureTokenizer(tokenizer);
    GetReservedWords(tokenizer.ReservedWords());
}

bool TGrammar::DoMatch(TTokenIterator& iterator) {
    TTokenIterator* previous = iterator_;
    iterator_ = &iterator;
    struct Restore {
        TTokenIterator*& slot;
        TTokenIterator* value;
        ~Restore() { slot = value; }
    } restore{iterator_, previous};

    if (!TProduction::DoMatch(iterator)) return false;
    return !RequireEOF() || iterator.Eof() || iterator.Current()->Is<TEOFToken>();
}

void TGrammar::Accept(TSymbolVisitor& visitor) {
    visitor.VisitGrammar(this);
}

// ---- TSymbolVisitor

void TSymbolVisitor::VisitProduction(TProduction* production) {
    for (TSymbol* child : production->Children())
        child->Accept(*this);
}

void TSymbolVisitor::VisitGrammar(TGrammar* grammar) {
    VisitProduction(grammar);
}
void TSymbolVisitor::VisitTextTerminal(TTextTerminal* terminal) {
    VisitSymbol(terminal);
}
void TSymbolVisitor::VisitNumericTerminal(TNumericTerminal* terminal) {
    VisitSymbol(terminal);
}
void TSymbolVisitor::VisitHexadecimalTerminal(THexadecimalTerminal* terminal) {
    VisitSymbol(terminal);
}
void TSymbolVisitor::VisitBinaryTerminal(TBinaryTerminal* terminal) {
    VisitSymbol(terminal);
}
void TSymbolVisitor::VisitConstantTerminal(TConstantTerminal* terminal) {
    VisitSymbol(terminal);
}
void TSymbolVisitor::VisitIdentifierTerminal(TIdentifierTerminal* terminal) {
    VisitSymbol(terminal);
}

// ---- tree helpers

TSymbol* FindChildSymbol(const TProduction& production, const TSymbolClass& cls) {
    for (TSymbol* child : production.Children()) {
        if (child->InheritsFrom(cls)) return child;
        if (child->Is<TProduction>()) {
            if (TSymbol* found = FindChildSymbol(static_cast<const TProduction&>(*child), cls)) return found;
        }
    }
    return nullptr;
}

namespace {

void AppendSymbolText(const TSymbol& symbol, std::string& text) {
    if (symbol.Is<TTerminal>()) {
        const TToken* token = static_cast<const TTerminal&>(symbol).Token();
        if (const auto* t = token ? token->As<TCustomTextToken>() : nullptr) {
            text += t->Text();
        } else if (token) {
            text += token->GetText();
        }
    } else if (symbol.Is<TProduction>()) {
        for (const TSymbol* child : static_cast<const TProduction&>(symbol).Children())
            AppendSymbolText(*child, text);
    }
}

} // namespace

std::string GetSymbolText(const TSymbol& symbol) {
    std::string text;
    AppendSymbolText(symbol, text);
    return text;
}

std::string GetSourceText(const TSymbol& symbol, bool whitespaceAsBlank, bool keepComments) {
    const TToken* first = ParserFactory().FirstToken(&symbol);
    const TToken* last = ParserFactory().LastToken(&symbol);
    if (!first || !last || !first->Owner() || first->Owner() != last->Owner()) return {};
    const TCompositeToken& tokens = *first->Owner();
    std::string text;
    for (int i = tokens.IndexOf(first); i <= tokens.IndexOf(last); ++i) {
        const TToken* t = tokens.Items(i);
        if (t->Is<TWhiteSpace>()) {
            text += whitespaceAsBlank ? std::string(" ") : t->GetText();
        } else if (!t->Is<TCommentToken>() || keepComments) {
            text += t->GetText();
        }
    }
    return text;
}

bool IsAlternativeProduction(const TProduction& production) {
    return dynamic_cast<const TMatchingByOrStrategy*>(&production.StrategyClass()) != nullptr;
}

} // namespace parser
