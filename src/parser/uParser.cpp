#include "parser/uParser.h"

#include "core/uStringUtils.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <unordered_set>

namespace parser {

// ---- TParserFactory

std::unique_ptr<TTokenizer> TParserFactory::CreateTokenizer() const {
    auto tokenizer = std::make_unique<TTokenizer>();
    // As on the server: "--" needs a blank after it ("5--1" is 6), and "//" is no comment at all.
    tokenizer->AddLineComment("--", true);
    tokenizer->AddLineComment("#");
    tokenizer->AddBlockComment("/*", "*/");
    return tokenizer;
}

TSymbol* TParserFactory::CreateSymbolEx(const TSymbolClass& cls, TProduction* owner, bool required) const {
    return cls.Create(owner, required);
}

bool TParserFactory::ConstantTerminalRequired(const TProduction* owner, std::string_view text,
                                              bool required) const {
    return required && !(text == ")" && owner && owner->GetGrammar() && owner->GetGrammar()->Tolerant());
}

TConstantTerminal* TParserFactory::CreateConstantTerminal(TProduction* owner, std::string_view text,
                                                          bool required) const {
    return TConstantTerminal::New(owner, text, ConstantTerminalRequired(owner, text, required));
}

TReservedTerminal* TParserFactory::CreateReservedTerminal(TProduction* owner, std::string_view text,
                                                          bool required) const {
    return TReservedTerminal::New(owner, text, required);
}

TConstantProduction* TParserFactory::CreateConstantProduction(TProduction* owner, std::string_view words,
                                                              bool byOr, bool required) const {
    return TConstantProduction::New(owner, words, byOr, required);
}

TReservedProduction* TParserFactory::CreateReservedProduction(TProduction* owner, std::string_view words,
                                                              bool byOr, bool required) const {
    return TReservedProduction::New(owner, words, byOr, required);
}

namespace {

// The first (or last) terminal of a matched tree, depth first. Iterative: statement lists nest one
// level per statement.
const TTerminal* EdgeTerminal(const TSymbol* symbol, bool last) {
    if (!symbol) return nullptr;
    if (symbol->Is<TTerminal>()) return static_cast<const TTerminal*>(symbol);
    if (!symbol->Is<TProduction>()) return nullptr;
    struct TFrame {
        const TProduction* production;
        int next;
    };
    std::vector<TFrame> stack;
    stack.push_back({static_cast<const TProduction*>(symbol), 0});
    while (!stack.empty()) {
        TFrame& frame = stack.back();
        const TSymbols& children = frame.production->Children();
        if (frame.next >= children.Count()) {
            stack.pop_back();
            continue;
        }
        const TSymbol* child = children[last ? children.Count() - 1 - frame.next : frame.next];
        ++frame.next;
        if (child->Is<TTerminal>()) return static_cast<const TTerminal*>(child);
        if (child->Is<TProduction>()) stack.push_back({static_cast<const TProduction*>(child), 0});
    }
    return nullptr;
}

} // namespace

TToken* TParserFactory::FirstToken(const TSymbol* symbol) const {
    const TTerminal* terminal = EdgeTerminal(symbol, false);
    return terminal ? terminal->Token() : nullptr;
}

TToken* TParserFactory::LastToken(const TSymbol* symbol) const {
    const TTerminal* terminal = EdgeTerminal(symbol, true);
    return terminal ? terminal->Token() : nullptr;
}

void TParserFactory::GetReservedWords(TGrammar* grammar, std::vector<std::string>& list) const {
    list.clear();
    if (!grammar) return;
    // Each production class is expanded once (keys are per class), which also ends recursive rules.
    std::unordered_set<TSymbolKey> collected{grammar->Key()};
    std::vector<TProduction*> pending{grammar};
    std::vector<const TReservedTerminal*> reserved;
    while (!pending.empty()) {
        TProduction* production = pending.back();
        pending.pop_back();
        TRule rule(*production);
        production->DefineRule(rule);
        for (int i = 0; i < rule.Count(); ++i) {
            TSymbol* symbol = rule.Symbol(i);
            if (!collected.insert(symbol->Key()).second) continue;
            if (const auto* terminal = dynamic_cast<const TReservedTerminal*>(symbol))
                reserved.push_back(terminal);
            else if (auto* child = dynamic_cast<TProduction*>(symbol))
                pending.push_back(child);
        }
    }
    for (const TReservedTerminal* terminal : reserved) {
        std::string_view text = terminal->Text();
        if (kBreakCharacters.find(text) != std::string_view::npos) continue;
        auto same = [text](const std::string& word) { return core::SameText(word, text); };
        if (std::none_of(list.begin(), list.end(), same)) list.emplace_back(text);
    }
}

const TParserFactory& ParserFactory() {
    static const TParserFactory factory;
    return factory;
}

std::recursive_mutex& ParseLock() {
    static std::recursive_mutex lock;
    return lock;
}

// ---- parsers

TParser::TParser() : tokenizer_(ParserFactory().CreateTokenizer()) {}

void TParser::Tokenize(TCompositeToken& tokens, std::u16string_view text) const {
    std::lock_guard lock(ParseLock());
    tokenizer_->Tokenize(tokens, text);
}

void TGrammarParser::Parse(TGrammar& grammar, std::u16string_view text, int& furthest) const {
    std::lock_guard lock(ParseLock());
    Tokenizer().Tokenize(grammar.Tokens(), text);
    TTokenIterator iterator(grammar.Tokens());
    bool matched = false;
    try {
        matched = Match(grammar, iterator);
    } catch (...) {
        furthest = iterator.MaxPosition();
        throw;
    }
    furthest = iterator.MaxPosition();
    if (matched) return;

    // The furthest token any terminal reached, also in attempts that were given up later.
    const TCompositeToken& tokens = grammar.Tokens();
    const TToken* token = tokens.Items(std::min(furthest, tokens.Count() - 1));
    throw EGrammarError(
        rtl::Format("You have an error in your syntax near '%s' at line %d", token->GetText(), token->Line()),
        token->GetStart(), token->GetEnd());
}

void TGrammarParser::Parse(TGrammar& grammar, std::u16string_view text) const {
    int furthest = 0;
    Parse(grammar, text, furthest);
}

// ---- cache

TGrammarParser& TGrammarParserCache::GetParser(const TGrammarClass& grammarClass) {
    std::lock_guard lock(ParseLock());
    for (const auto& [cls, parser] : items_) {
        if (cls == &grammarClass) return *parser;
    }
    RTL_ASSERT_MSG(grammarClass.NewGrammar != nullptr, "Abstract grammar class");
    auto parser = std::make_unique<TGrammarParser>();
    grammarClass.NewGrammar()->SetupTokenizer(parser->Tokenizer());
    items_.emplace_back(&grammarClass, std::move(parser));
    return *items_.back().second;
}

TGrammarParserCache& GrammarParserCache() {
    static TGrammarParserCache cache;
    return cache;
}

} // namespace parser
