// The parsers that turn text into symbol trees, their factory and syntax errors.
#pragma once

#include "parser/uGrammar.h"
#include "parser/uTokenizer.h"
#include "platform/rtl/Exception.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parser {

// A syntax error at a token, with the token's character positions.
class EGrammarError : public rtl::Exception {
public:
    EGrammarError(std::string message, int32_t startPosition, int32_t endPosition)
        : rtl::Exception(std::move(message)), startPosition_(startPosition), endPosition_(endPosition) {}
    const char* ClassName() const override { return "EGrammarError"; }

    int32_t StartPosition() const { return startPosition_; }
    int32_t EndPosition() const { return endPosition_; }

private:
    int32_t startPosition_;
    int32_t endPosition_;
};

// Creates tokenizers and every symbol of a rule.
class TParserFactory {
public:
    virtual ~TParserFactory() = default;

    // A tokenizer with the SQL comments: "--" (as the server reads it: a blank must follow), "#" and
    // "/* */". The caller owns it.
    virtual std::unique_ptr<TTokenizer> CreateTokenizer() const;

    TSymbol* CreateSymbol(const TSymbolClass& cls, TProduction* owner) const {
        return CreateSymbolEx(cls, owner, true);
    }
    TSymbol* CreateSymbolEx(const TSymbolClass& cls, TProduction* owner, bool required) const;
    template <class T>
    T* CreateSymbol(TProduction* owner, bool required = true) const {
        return static_cast<T*>(CreateSymbolEx(T::StaticClass(), owner, required));
    }
    // In tolerant mode a required ")" is made optional, so that unfinished text still matches.
    bool ConstantTerminalRequired(const TProduction* owner, std::string_view text, bool required) const;
    TConstantTerminal* CreateConstantTerminal(TProduction* owner, std::string_view text,
                                              bool required = true) const;
    TReservedTerminal* CreateReservedTerminal(TProduction* owner, std::string_view text,
                                              bool required = true) const;
    TConstantProduction* CreateConstantProduction(TProduction* owner, std::string_view words, bool byOr,
                                                  bool required = true) const;
    TReservedProduction* CreateReservedProduction(TProduction* owner, std::string_view words, bool byOr,
                                                  bool required = true) const;

    // The token of the first (last) terminal in the matched children, depth first; null when none.
    TToken* FirstToken(const TSymbol* symbol) const;
    TToken* LastToken(const TSymbol* symbol) const;

    // Clears the list, then adds the texts of the reserved terminals that the grammar's rules reach
    // (in its current mode), once each ignoring case, except texts made of break characters. Unsorted.
    void GetReservedWords(TGrammar* grammar, std::vector<std::string>& list) const;
};

// The process-wide factory.
const TParserFactory& ParserFactory();

// Serialises parsing across threads (the user-interface thread and the debug thread both parse).
// Parse, Tokenize and GetParser take it themselves; code completion holds it around its own Match.
std::recursive_mutex& ParseLock();

class TParser {
public:
    TParser();
    virtual ~TParser() = default;
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    TTokenizer& Tokenizer() { return *tokenizer_; }
    const TTokenizer& Tokenizer() const { return *tokenizer_; }
    void Tokenize(TCompositeToken& tokens, std::u16string_view text) const;

private:
    std::unique_ptr<TTokenizer> tokenizer_;
};

class TGrammarParser : public TParser {
public:
    // Tokenizes the text into the grammar's own token list and matches the grammar; on success the
    // grammar's children hold the tree. A text that does not match raises EGrammarError at the
    // furthest token any match reached. `furthest` receives that token's index in both cases.
    void Parse(TGrammar& grammar, std::u16string_view text, int& furthest) const;
    void Parse(TGrammar& grammar, std::u16string_view text) const;
};

// One configured parser per grammar class, for the life of the process.
class TGrammarParserCache {
public:
    // Created on first request: a parser whose tokenizer a temporary grammar of the class has set
    // up (quotes, operators, reserved words). Safe from any thread.
    TGrammarParser& GetParser(const TGrammarClass& grammarClass);
    template <class G>
    TGrammarParser& GetParser() {
        return GetParser(G::StaticClass());
    }

private:
    std::vector<std::pair<const TGrammarClass*, std::unique_ptr<TGrammarParser>>> items_;
};

TGrammarParserCache& GrammarParserCache();

} // namespace parser
