// The grammar engine: symbols, productions, their classes and the memo of parsed symbols.
#pragma once

#include "parser/uTokens.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <deque>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace parser {

class TSymbol;
class TProduction;
class TGrammar;
class TRule;
class TSymbolVisitor;
class TTokenizer;
class TTerminal;
class TConstantTerminal;
class TIdentifierTerminal;
class TTextTerminal;
class TNumericTerminal;
class THexadecimalTerminal;
class TBinaryTerminal;
struct TStartSet;
struct TStartSets;

// The memo key of a symbol: the address of its class descriptor, or of a text interned by its
// grammar for the symbols that are keyed by text. Two classes never share a key, whatever their
// names.
using TSymbolKey = const void*;

// A class reference: name, parent and virtual constructor of a symbol class.
struct TSymbolClass {
    // The parent is complete before its children: each class refers to it when it is created.
    TSymbolClass(const char* name, const TSymbolClass* parent, TSymbol* (*construct)(TGrammar& grammar));

    const char* Name;
    const TSymbolClass* Parent;
    // Constructs an instance in the grammar's storage; null for abstract classes.
    TSymbol* (*Construct)(TGrammar& grammar);
    // Numbers the classes in the order they are first asked for; -1 until then.
    mutable std::atomic<int> Ordinal{-1};

    // One comparison: compiling asks it of every owner of every name.
    bool InheritsFrom(const TSymbolClass& other) const {
        return other.depth_ <= depth_ && line_[other.depth_] == &other;
    }
    // A small number of the class, unique in the process: an index into per-class tables.
    int Index() const {
        const int index = Ordinal.load(std::memory_order_acquire);
        return index >= 0 ? index : NewIndex();
    }
    // The virtual constructor: a new symbol of this class, created for the owner and owned by the
    // owner's grammar.
    TSymbol* Create(TProduction* owner, bool required = true) const;

private:
    int NewIndex() const;

    // Parents above the class.
    int depth_;
    // The root class first, down to this one.
    std::unique_ptr<const TSymbolClass*[]> line_;
};

// A text interned by a grammar: its address is the memo key of the symbols keyed by it.
struct TInternedText {
    std::string Text;
    int Index; // in the order the grammar interned its texts
};

// A class reference of a grammar, which also constructs standalone instances.
struct TGrammarClass : TSymbolClass {
    std::unique_ptr<TGrammar> (*NewGrammar)();
};

template <class T>
TSymbol* ConstructSymbol(TGrammar& grammar);

template <class T>
constexpr TSymbol* (*SymbolConstructor())(TGrammar&) {
    if constexpr (std::is_abstract_v<T>)
        return nullptr;
    else
        return &ConstructSymbol<T>;
}

template <class T>
constexpr std::unique_ptr<TGrammar> (*GrammarConstructor())() {
    if constexpr (std::is_abstract_v<T>)
        return nullptr;
    else
        return []() -> std::unique_ptr<TGrammar> { return std::make_unique<T>(); };
}

// Declares the class reference of a symbol class; put it first in the class body.
#define PARSER_SYMBOL_CLASS(Class, Parent)                                                                   \
public:                                                                                                      \
    static const ::parser::TSymbolClass& StaticClass() {                                                     \
        static const ::parser::TSymbolClass info{#Class, &Parent::StaticClass(),                             \
                                                 ::parser::SymbolConstructor<Class>()};                      \
        return info;                                                                                         \
    }                                                                                                        \
    const ::parser::TSymbolClass& ClassType() const override {                                               \
        return StaticClass();                                                                                \
    }                                                                                                        \
                                                                                                             \
public:

// The same for a grammar class.
#define PARSER_GRAMMAR_CLASS(Class, Parent)                                                                  \
public:                                                                                                      \
    static const ::parser::TGrammarClass& StaticClass() {                                                    \
        static const ::parser::TGrammarClass info{{#Class, &Parent::StaticClass(), nullptr},                 \
                                                  ::parser::GrammarConstructor<Class>()};                    \
        return info;                                                                                         \
    }                                                                                                        \
    const ::parser::TSymbolClass& ClassType() const override {                                               \
        return StaticClass();                                                                                \
    }                                                                                                        \
                                                                                                             \
public:

// Declares a production's strategy and its rule; follow it with the rule's body, or with ";" and
// define `DefineRule(TRule& rule)` in the source file. Strategy: Sequence, Choice or DelimitedList.
//
//     class TWhileLoop : public TProduction {
//         PARSER_SYMBOL_CLASS(TWhileLoop, TProduction)
//         PARSER_RULE(Sequence) {
//             rule.Add<TLabel>(kOptional).Reserved("WHILE").Add<TCondition>().Const("DO").Add<TBody>();
//             rule.ReservedSeq("END WHILE");
//         }
//     };
#define PARSER_RULE(Strategy)                                                                                \
    const ::parser::TProductionMatchingStrategy& StrategyClass() const override {                            \
        return ::parser::TProductionMatchingStrategy::Strategy();                                            \
    }                                                                                                        \
    void DefineRule(::parser::TRule& rule) override

// An Accept that calls `Operation` of visitors of class `Visitor` and ignores every other visitor.
// The visitor class declares its kind (see TSymbolVisitor::AsKind).
#define PARSER_ACCEPT(Visitor, Operation)                                                                    \
    void Accept(::parser::TSymbolVisitor& visitor) override {                                                \
        if (void* v = visitor.AsKind(Visitor::Kind())) static_cast<Visitor*>(v)->Operation(this);            \
    }

// A non-owning list of symbols.
class TSymbols {
public:
    explicit TSymbols(std::pmr::memory_resource* resource = std::pmr::new_delete_resource())
        : resource_(resource) {}
    TSymbols(const TSymbols& other);
    TSymbols& operator=(const TSymbols& other);
    ~TSymbols();

    void Add(TSymbol* symbol);
    void Clear();
    void Reserve(int capacity);
    int Count() const { return count_; }
    bool IsEmpty() const { return count_ == 0; }
    TSymbol* Items(int index) const;
    TSymbol* operator[](int index) const { return items_[index]; }
    TSymbol* Last() const { return count_ ? items_[count_ - 1] : nullptr; }
    // The first symbol of exactly that class, or (not exact) of that class or a descendant.
    TSymbol* Find(const TSymbolClass& cls, bool exact = false) const;
    template <class T>
    T* Find() const;

    // Only while the list holds no storage: where its item array is allocated.
    void SetStorage(std::pmr::memory_resource* resource);

    TSymbol* const* begin() const { return items_; }
    TSymbol* const* end() const { return items_ + count_; }

private:
    TSymbol** items_ = nullptr;
    int count_ = 0;
    int capacity_ = 0;
    std::pmr::memory_resource* resource_;
};

class TSymbol {
public:
    static const TSymbolClass& StaticClass();
    virtual const TSymbolClass& ClassType() const { return StaticClass(); }

    TSymbol() = default;
    virtual ~TSymbol() = default;
    TSymbol(const TSymbol&) = delete;
    TSymbol& operator=(const TSymbol&) = delete;

    // The production whose rule created the symbol; none for a grammar.
    TProduction* Owner() const { return owner_; }
    TGrammar* GetGrammar() const { return grammar_; }
    bool Required() const { return required_; }
    void SetRequired(bool value) { required_ = value; }
    const char* Name() const { return ClassType().Name; }
    // Index in the token list just after the match; -1 until matched.
    int EndIndex() const { return endIndex_; }
    TSymbolKey Key() const { return key_ ? key_ : &ClassType(); }
    // The key as text: the class name, or the text of a constant.
    virtual std::string GetKey() const { return Name(); }

    bool InheritsFrom(const TSymbolClass& cls) const { return ClassType().InheritsFrom(cls); }
    // By the class descriptors: a failed dynamic_cast compares type names, and compiling asks this of
    // every owner of every name.
    template <class T>
    bool Is() const {
        static_assert(std::is_same_v<decltype(&T::ClassType), const TSymbolClass& (T::*)() const>,
                      "the class declares its own class reference");
        return InheritsFrom(T::StaticClass());
    }
    // The symbol itself or its nearest owner of that class or a descendant.
    TSymbol* FindOwner(const TSymbolClass& cls);
    template <class T>
    T* FindOwner();

    // Copies the matched state of a symbol with the same key (used on a memo hit).
    virtual void Assign(const TSymbol& source);
    virtual void MatchFailed(TTokenIterator& iterator) {}
    virtual void MatchSucceeded(TTokenIterator& iterator) {}
    // The match itself, without the memo; see Match.
    virtual bool DoMatch(TTokenIterator& iterator) = 0;
    // Whether results are remembered per token. Terminals are cheaper to match again; a symbol
    // whose match depends on its owner must not be remembered either.
    virtual bool Memoised() const { return true; }
    virtual void Init();
    virtual void Accept(TSymbolVisitor& visitor);

protected:
    void SetKey(TSymbolKey key) { key_ = key; }

private:
    friend struct TSymbolClass;
    friend class TGrammar;
    friend bool Match(TSymbol& symbol, TTokenIterator& iterator);

    TProduction* owner_ = nullptr;
    TGrammar* grammar_ = nullptr;
    TSymbolKey key_ = nullptr;
    int endIndex_ = -1;
    bool required_ = true;
};

// The memoised match: answers a repeated attempt of the same key at the same token from the
// token's memo (for Memoised symbols). On success the iterator stands after the match; on failure wherever
// the attempt left it (callers restore). At a cursor token every symbol but the grammar is recorded there and
// fails.
bool Match(TSymbol& symbol, TTokenIterator& iterator);

// ---- terminals

class TTerminal : public TSymbol {
    PARSER_SYMBOL_CLASS(TTerminal, TSymbol)
    TToken* Token() const { return token_; }
    // Once matched, the key text is the token's text.
    std::string GetKey() const override;
    void Assign(const TSymbol& source) override;
    void MatchFailed(TTokenIterator& iterator) override { token_ = nullptr; }
    void MatchSucceeded(TTokenIterator& iterator) override;
    bool DoMatch(TTokenIterator& iterator) override;
    bool Memoised() const override { return false; }
    // The token kinds (bits by TTokenKind) Accepts may take; every kind unless narrowed. An Accepts
    // that takes more than its parent's must widen them too.
    virtual uint32_t StartKinds() const { return ~0u; }

protected:
    virtual bool Accepts(const TToken& token) const = 0;

private:
    TToken* token_ = nullptr;
};

// A word or operator matched ignoring ASCII case, whatever the class of the token.
class TConstantTerminal : public TTerminal {
    PARSER_SYMBOL_CLASS(TConstantTerminal, TTerminal)
    // A terminal with the text, created for the owner (see also TParserFactory).
    static TConstantTerminal* New(TProduction* owner, std::string_view text, bool required);
    // The same with a text the owner's grammar interned already.
    static TConstantTerminal* New(TProduction* owner, const TInternedText& text, bool required);
    std::string_view Text() const { return text_ ? std::string_view(text_->Text) : std::string_view(); }
    std::string GetKey() const override { return std::string(Text()); }
    void Accept(TSymbolVisitor& visitor) override;
    // Whether a token has the text, ignoring ASCII case.
    static bool TextMatches(const TToken& token, std::string_view text);
    // Separates the key spaces of constant and reserved terminals.
    static constexpr char kKeyTag = 'c';

protected:
    bool Accepts(const TToken& token) const override;

    template <class T>
    static T* NewOf(TProduction* owner, std::string_view text, bool required);
    template <class T>
    static T* NewOf(TProduction* owner, const TInternedText& text, bool required);

private:
    const TInternedText* text_ = nullptr;
};

// A constant terminal whose text is also one of the grammar's reserved words.
class TReservedTerminal : public TConstantTerminal {
    PARSER_SYMBOL_CLASS(TReservedTerminal, TConstantTerminal)
    static TReservedTerminal* New(TProduction* owner, std::string_view text, bool required);
    static TReservedTerminal* New(TProduction* owner, const TInternedText& text, bool required);
    std::string GetKey() const override;
    static constexpr char kKeyTag = 'r';
};

// A name: a quoted identifier or any text token (numbers, literals and user variables included).
class TIdentifierTerminal : public TTerminal {
    PARSER_SYMBOL_CLASS(TIdentifierTerminal, TTerminal)
    uint32_t StartKinds() const override { return KindsOf<TQuotedIdentifierToken, TTextToken>(); }
    void Accept(TSymbolVisitor& visitor) override;

protected:
    bool Accepts(const TToken& token) const override;
};

class TTextTerminal : public TTerminal {
    PARSER_SYMBOL_CLASS(TTextTerminal, TTerminal)
    uint32_t StartKinds() const override { return KindsOf<TTextToken, TQuotedStringToken>(); }
    void Accept(TSymbolVisitor& visitor) override;

protected:
    bool Accepts(const TToken& token) const override;
};

class TStringTerminal : public TTerminal {
    PARSER_SYMBOL_CLASS(TStringTerminal, TTerminal)
    uint32_t StartKinds() const override { return KindsOf<TQuotedStringToken>(); }

protected:
    bool Accepts(const TToken& token) const override { return token.Is<TQuotedStringToken>(); }
};

class TNumericTerminal : public TTerminal {
    PARSER_SYMBOL_CLASS(TNumericTerminal, TTerminal)
    uint32_t StartKinds() const override { return KindsOf<TNumericToken>(); }
    void Accept(TSymbolVisitor& visitor) override;

protected:
    bool Accepts(const TToken& token) const override { return token.Is<TNumericToken>(); }
};

class THexadecimalTerminal : public TTerminal {
    PARSER_SYMBOL_CLASS(THexadecimalTerminal, TTerminal)
    uint32_t StartKinds() const override { return KindsOf<THexadecimalToken>(); }
    // The digits without "0x", or without "X'" and the closing quote.
    std::string GetDigits() const;
    void Accept(TSymbolVisitor& visitor) override;

protected:
    bool Accepts(const TToken& token) const override { return token.Is<THexadecimalToken>(); }
};

class TBinaryTerminal : public TTerminal {
    PARSER_SYMBOL_CLASS(TBinaryTerminal, TTerminal)
    uint32_t StartKinds() const override { return KindsOf<TBinaryToken>(); }
    // The digits without "0b", or without "B'" and the closing quote.
    std::string GetDigits() const;
    void Accept(TSymbolVisitor& visitor) override;

protected:
    bool Accepts(const TToken& token) const override { return token.Is<TBinaryToken>(); }
};

class TAnyTextTerminal : public TTerminal {
    PARSER_SYMBOL_CLASS(TAnyTextTerminal, TTerminal)
    uint32_t StartKinds() const override { return KindsOf<TCustomTextToken>(); }

protected:
    bool Accepts(const TToken& token) const override { return token.Is<TCustomTextToken>(); }
};

class TAnyTokenTerminal : public TTerminal {
    PARSER_SYMBOL_CLASS(TAnyTokenTerminal, TTerminal)
protected:
    bool Accepts(const TToken&) const override { return true; }
};

// ---- productions and rules

// How a production matches its rule. The strategies are stateless; each exists once.
class TProductionMatchingStrategy {
public:
    virtual ~TProductionMatchingStrategy() = default;
    virtual bool Match(TProduction& owner, TRule& rule, TTokenIterator& iterator) const = 0;

    // How the tokens that can start a match follow from the rule's elements: every element up to the
    // first required one that cannot match empty, any element, the first element only, or unknown.
    enum class TStartShape : uint8_t { Unknown, Sequence, Choice, Leading };
    virtual TStartShape StartShape() const { return TStartShape::Unknown; }

    // Every element in order; optional ones may be skipped.
    static const TProductionMatchingStrategy& Sequence();
    // The first alternative that matches.
    static const TProductionMatchingStrategy& Choice();
    // item, delimiter, rest: right-recursive lists such as "a, b, c"; a trailing delimiter fails.
    static const TProductionMatchingStrategy& DelimitedList();
};

class TLinearMatchingStrategy : public TProductionMatchingStrategy {
public:
    bool Match(TProduction& owner, TRule& rule, TTokenIterator& iterator) const override;
    TStartShape StartShape() const override { return TStartShape::Sequence; }
};

class TMatchingByOrStrategy : public TProductionMatchingStrategy {
public:
    bool Match(TProduction& owner, TRule& rule, TTokenIterator& iterator) const override;
    TStartShape StartShape() const override { return TStartShape::Choice; }
};

class TMatchingDelimitedListStrategy : public TProductionMatchingStrategy {
public:
    bool Match(TProduction& owner, TRule& rule, TTokenIterator& iterator) const override;
    TStartShape StartShape() const override { return TStartShape::Leading; }
};

inline constexpr bool kOptional = false;

// The elements of a production's rule for one match attempt (see Define). Elements are
// described first and become symbols only when the strategy tries them: alternatives that are never
// reached cost nothing, a word or a production that already failed at the current token is answered
// without creating a symbol, and the symbols of an attempt that failed without leaving anything
// behind are freed at once. Texts are interned at once; the arguments need not outlive the call.
class TRule {
public:
    explicit TRule(TProduction& owner) : owner_(owner) {}
    TRule(const TRule&) = delete;
    TRule& operator=(const TRule&) = delete;

    TRule& Add(const TSymbolClass& cls, bool required = true);
    template <class T>
    TRule& Add(bool required = true) {
        return Add(T::StaticClass(), required);
    }
    // A symbol already created for the owner.
    TRule& Add(TSymbol* symbol);
    // "WORD": a constant terminal.
    TRule& Const(std::string_view text, bool required = true);
    // A reserved terminal: the word also joins the grammar's reserved words.
    TRule& Reserved(std::string_view text, bool required = true);
    // ("END" "IF"): a constant production of blank-separated words in sequence.
    TRule& ConstSeq(std::string_view words, bool required = true);
    // ("ASC" | "DESC"): a constant production matching any one of the words.
    TRule& ConstOr(std::string_view words, bool required = true);
    TRule& ReservedSeq(std::string_view words, bool required = true);
    TRule& ReservedOr(std::string_view words, bool required = true);

    // Defines the owner's rule: a copy of the elements its grammar keeps for the owner's key, else
    // what DefineRule gives (kept then, unless it names symbols of the owner).
    void Define();

    TProduction& Owner() const { return owner_; }
    int Count() const { return count_; }
    bool Required(int index) const { return items_[index].Required; }
    // The symbol of an element, created on first request.
    TSymbol* Symbol(int index);
    // Whether an element may match at the iterator: false only where trying it is sure to fail.
    bool MayStart(int index, const TTokenIterator& iterator) const;
    // Matches an element at the iterator; on success `matched` is its symbol.
    bool MatchElement(int index, TTokenIterator& iterator, TSymbol*& matched);

private:
    friend class TGrammar;
    friend class TStartSetBuilder;

    enum class TKind : uint8_t {
        Class,
        Symbol,
        Constant,
        Reserved,
        ConstSeq,
        ConstOr,
        ReservedSeq,
        ReservedOr
    };
    struct TItem {
        const void* Ref; // class, symbol or interned text
        TKind Kind;
        bool Required;
        mutable const TStartSet* Start = nullptr; // found on first use
    };
    static constexpr int kInline = 8;

    TRule& Append(const TItem& item);
    TRule& AddText(TKind kind, std::string_view text, bool required);
    TSymbolKey KeyOf(const TItem& item) const;
    // The symbol created for an element in this attempt.
    TSymbol*& Created(int index);

    TProduction& owner_;
    // The elements: the grammar's kept copy, or own_ while DefineRule builds them.
    const TItem* items_ = nullptr;
    int count_ = 0;
    std::vector<TItem> own_;
    std::array<TSymbol*, kInline> created_{};
    std::unique_ptr<TSymbol*[]> moreCreated_;
};

class TProduction : public TSymbol {
    PARSER_SYMBOL_CLASS(TProduction, TSymbol)
    // The child symbols that matched, in rule order.
    const TSymbols& Children() const { return children_; }
    TSymbols& Children() { return children_; }

    // Appends the rule's elements; the base rule is empty.
    virtual void DefineRule(TRule& rule) {}
    virtual const TProductionMatchingStrategy& StrategyClass() const {
        return TProductionMatchingStrategy::Sequence();
    }
    // Whether the production reports success in tolerant mode with whatever part of its rule matched.
    virtual bool SucceedsWhenTolerant() const { return false; }
    // Whether a match can start only where its rule's can (a DoMatch that may match elsewhere, or
    // match nothing, says no).
    virtual bool StartsAsItsRule() const { return true; }

    bool DoMatch(TTokenIterator& iterator) override;
    void Assign(const TSymbol& source) override;
    void Accept(TSymbolVisitor& visitor) override;
    // Overrides must call this first.
    void Init() override;

private:
    TSymbols children_;
};

// Blank-separated words as one production: in sequence, or any one of them (by-or).
class TConstantProduction : public TProduction {
    PARSER_SYMBOL_CLASS(TConstantProduction, TProduction)
    static TConstantProduction* New(TProduction* owner, std::string_view words, bool byOr, bool required);
    // The same with words the owner's grammar interned already.
    static TConstantProduction* New(TProduction* owner, const TInternedText& words, bool byOr, bool required);
    // The words joined by single blanks.
    std::string_view Words() const { return words_ ? std::string_view(words_->Text) : std::string_view(); }
    bool ByOr() const { return byOr_; }
    std::string GetKey() const override { return std::string(Words()); }
    void DefineRule(TRule& rule) override;
    const TProductionMatchingStrategy& StrategyClass() const override;

protected:
    virtual bool ReservedWords() const { return false; }

    template <class T>
    static T* NewOf(TProduction* owner, std::string_view words, bool byOr, bool required);
    template <class T>
    static T* NewOf(TProduction* owner, const TInternedText& words, bool byOr, bool required);

private:
    const TInternedText* words_ = nullptr;
    bool byOr_ = false;
};

class TReservedProduction : public TConstantProduction {
    PARSER_SYMBOL_CLASS(TReservedProduction, TConstantProduction)
    static TReservedProduction* New(TProduction* owner, std::string_view words, bool byOr, bool required);
    static TReservedProduction* New(TProduction* owner, const TInternedText& words, bool byOr, bool required);

protected:
    bool ReservedWords() const override { return true; }
};

// Bump storage of a grammar's symbols. What was allocated after a mark can be given back, so that
// an attempt that failed without leaving anything behind costs no memory.
class TSymbolStorage : public std::pmr::memory_resource {
public:
    struct TMark {
        size_t Block;
        std::byte* Cursor;
    };

    TSymbolStorage() = default;
    ~TSymbolStorage() override;
    TMark Mark() const { return {current_, cursor_}; }
    void Release(TMark mark);

private:
    struct TBlock {
        std::unique_ptr<std::byte[]> Data;
        size_t Size;
    };

    void* do_allocate(size_t bytes, size_t alignment) override;
    void do_deallocate(void*, size_t, size_t) override {}
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }
    // The next kept block, or a new one, with room for the allocation.
    void* AllocateInNextBlock(size_t bytes, size_t alignment);
    void Enter(size_t block);

    std::vector<TBlock> blocks_;
    size_t current_ = 0;
    // The free part of the current block.
    std::byte* cursor_ = nullptr;
    std::byte* end_ = nullptr;
};

// The root production. It owns every symbol created for its parses, and its token list.
class TGrammar : public TProduction {
    PARSER_GRAMMAR_CLASS(TGrammar, TProduction)
    TGrammar();
    ~TGrammar() override;

    TCompositeToken& Tokens() { return tokens_; }
    const TCompositeToken& Tokens() const { return tokens_; }
    bool Tolerant() const { return tolerant_; }
    // Rules kept so far were built for the old value (a ")" is optional when tolerant).
    void SetTolerant(bool value);
    // The iterator of the running match; null between matches.
    TTokenIterator* Iterator() const { return iterator_; }

    // A successful match must end on the end-of-input token.
    virtual bool RequireEOF() const { return true; }
    // Quotes and operators of the grammar's language.
    virtual void ConfigureTokenizer(TTokenizer& tokenizer) {}
    // Every reserved word the grammar's rules name, sorted.
    virtual void GetReservedWords(std::vector<std::string>& list);
    void SetupTokenizer(TTokenizer& tokenizer);

    bool DoMatch(TTokenIterator& iterator) override;
    void Accept(TSymbolVisitor& visitor) override;

    // Number of symbols created for this grammar so far.
    int SymbolCount() const { return static_cast<int>(symbols_.size()); }
    // The one stored copy of a text in a key space (tag), whose address serves as memo key.
    const TInternedText* InternText(char tag, std::string_view text);
    std::pmr::memory_resource* Storage() { return &storage_; }

    // A point to go back to when an attempt fails (see ReleaseSince).
    struct TMark {
        TSymbolStorage::TMark Storage;
        size_t Symbols;
        uint64_t Kept;
    };
    TMark Mark() const { return {storage_.Mark(), symbols_.size(), kept_}; }
    // Destroys the symbols created since the mark, unless one of them may be referred to from
    // outside: a match was remembered or a cursor recorded a symbol since. Answers whether it did.
    bool ReleaseSince(const TMark& mark);

private:
    friend struct TSymbolClass;
    friend class TRule;
    friend bool Match(TSymbol& symbol, TTokenIterator& iterator);

    struct TTextKey {
        char Tag;
        std::string_view Text;
        bool operator==(const TTextKey&) const = default;
    };
    struct TTextKeyHash {
        size_t operator()(const TTextKey& key) const;
    };

    TSymbolStorage storage_;
    std::vector<TSymbol*> symbols_;
    uint64_t kept_ = 0;
    // Matching stops with an error in a frame below this address, an eighth of the stack above its
    // end, so that deep nesting cannot overflow it; set when the grammar itself starts matching.
    const char* stackLimit_ = nullptr;
    std::deque<TInternedText> texts_;
    std::unordered_map<TTextKey, const TInternedText*, TTextKeyHash> textIndex_;
    // The rules of the productions, built once for the grammar's settings: by class index for
    // the symbols keyed by class, by text index for those keyed by an interned text.
    struct TKeptRule {
        bool Kept = false;
        std::vector<TRule::TItem> Items;
    };
    TKeptRule& KeptRule(const TSymbol& symbol);
    std::vector<TKeptRule> classRules_;
    std::vector<TKeptRule> textRules_;
    // Whether a rule element can match at the token, from the tokens that can start it.
    bool CanStart(const TRule::TItem& item, TToken& token);
    // The start set of a class or of words; none for the other elements.
    const TStartSet* StartSetOf(const TRule::TItem& item);
    TStartSets* startSets_ = nullptr; // of the grammar's class, found on first use
    TCompositeToken tokens_;
    TTokenIterator* iterator_ = nullptr;
    bool tolerant_ = false;
};

template <class T>
TSymbol* ConstructSymbol(TGrammar& grammar) {
    void* memory = grammar.Storage()->allocate(sizeof(T), alignof(T));
    return new (memory) T();
}

// ---- visitor of the engine's symbols

class TSymbolVisitor {
public:
    virtual ~TSymbolVisitor() = default;

    // The visitor as the class whose kind (the address of something of its own) is given, or null:
    // every symbol asks this of every visitor, where a dynamic_cast would compare type names.
    virtual void* AsKind(const void* kind) { return nullptr; }

    virtual void VisitSymbol(TSymbol* symbol) {}
    // Visits the matched children in order.
    virtual void VisitProduction(TProduction* production);
    virtual void VisitGrammar(TGrammar* grammar);
    virtual void VisitTextTerminal(TTextTerminal* terminal);
    virtual void VisitNumericTerminal(TNumericTerminal* terminal);
    virtual void VisitHexadecimalTerminal(THexadecimalTerminal* terminal);
    virtual void VisitBinaryTerminal(TBinaryTerminal* terminal);
    virtual void VisitConstantTerminal(TConstantTerminal* terminal);
    virtual void VisitIdentifierTerminal(TIdentifierTerminal* terminal);
};

// ---- tree helpers

// Depth-first through the matched children: the first symbol of the class or a descendant.
TSymbol* FindChildSymbol(const TProduction& production, const TSymbolClass& cls);
template <class T>
T* FindChildSymbol(const TProduction& production) {
    return static_cast<T*>(FindChildSymbol(production, T::StaticClass()));
}
// A terminal's token text; a production's children's texts without separators.
std::string GetSymbolText(const TSymbol& symbol);
// The grammar's tokens from the symbol's first matched token to its last, in order; whitespace
// optionally as one blank each, comments only when kept.
std::string GetSourceText(const TSymbol& symbol, bool whitespaceAsBlank, bool keepComments);
bool IsAlternativeProduction(const TProduction& production);

// ---- templates

template <class T>
T* TSymbols::Find() const {
    return static_cast<T*>(Find(T::StaticClass()));
}

template <class T>
T* TSymbol::FindOwner() {
    return static_cast<T*>(FindOwner(T::StaticClass()));
}

} // namespace parser
