#include "app/uCodeCompletionUtils.h"

#include "app/uCodeCompletionItem.h"
#include "core/uStringUtils.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uMySqlStatements.h"
#include "parser/uParser.h"
#include "parser/uSQLDataChange.h"
#include "parser/uSQLExpressions.h"
#include "parser/uSQLQueries.h"
#include "parser/uSQLRoutines.h"
#include "parser/uSQLStatements.h"
#include "parser/uSQLValues.h"
#include "platform/rtl/StringList.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <mutex>

namespace app {

using namespace parser;

namespace {

constexpr std::array<std::string_view, 38> kOperatorTexts{
    "&",  ";",  ":",  "=",  "<",  ">",  "(",  ")", "[",  "]", "!",  ",", ".",
    "+",  "-",  "*",  "/",  "\\", "|",  "~",  "`", "\"", "'", ":=", "%", "<=>",
    "==", "<>", "!=", ">=", "<=", "<<", ">>", "^", "#",  "&", "&&", "||"};

template <class T>
T* OwnerOf(TSymbol* symbol) {
    return symbol->Owner() ? symbol->Owner()->FindOwner<T>() : nullptr;
}

// The grammar matched tolerantly over its own tokens; the tree stays as far as it got.
void MatchTolerantly(TGrammar& grammar) {
    grammar.SetTolerant(true);
    TTokenIterator iterator(grammar.Tokens());
    try {
        Match(grammar, iterator);
    } catch (const std::exception&) {
        // An unfinished statement: what was tried and matched so far is all completion reads.
    }
}

bool OnlyTrailingTokens(const TCompositeToken& tokens, int from) {
    for (int i = from; i < tokens.Count(); ++i) {
        const TToken* token = tokens.Items(i);
        if (!token->Is<TWhiteSpace>() && !token->Is<TCommentToken>() && !token->Is<TCursorToken>() &&
            !token->Is<TEOFToken>())
            return false;
    }
    return true;
}

} // namespace

bool IsOperatorText(std::string_view text) {
    return std::find(kOperatorTexts.begin(), kOperatorTexts.end(), text) != kOperatorTexts.end();
}

TCursorToken* PlaceCursorToken(TCompositeToken& tokens, int caret, bool tolerateNumbers,
                               bool tolerateStrings) {
    if (tokens.Count() == 0) return nullptr;
    int index = tokens.Count() - 1;
    for (int i = 0; i < tokens.Count(); ++i) {
        const TToken* token = tokens.Items(i);
        if (token->StartPosition() > caret || token->EndPosition() < caret) continue;
        if (!tolerateStrings && (token->Is<TCommentToken>() || token->Is<TQuotedStringToken>()))
            return nullptr;
        if (!tolerateNumbers && token->Is<TNumericToken>() && caret > token->StartPosition()) return nullptr;
        index = IsOperatorText(token->GetText()) && caret == token->EndPosition() ? i + 1 : i;
        break;
    }
    return tokens.InsertToken<TCursorToken>(index);
}

bool ParseToCursor(std::u16string_view statement, TGrammar& grammar, int caret, bool tolerateStrings,
                   bool tolerateNumbers, std::vector<TSymbol*>& symbols) {
    std::lock_guard lock(ParseLock());
    GrammarParserCache().GetParser<TMySqlGrammar>().Tokenize(grammar.Tokens(), statement);
    TCursorToken* cursor = PlaceCursorToken(grammar.Tokens(), caret, tolerateNumbers, tolerateStrings);
    if (!cursor) return false;
    MatchTolerantly(grammar);
    symbols = cursor->Symbols();
    return true;
}

bool ProductionHoldsCaret(const TSymbol& production, int caret) {
    const TToken* first = ParserFactory().FirstToken(&production);
    const TToken* last = ParserFactory().LastToken(&production);
    if (!first || !last) return false;
    if (first->StartPosition() <= caret && caret <= last->EndPosition()) return true;
    return caret > last->EndPosition() && last->Owner() &&
           OnlyTrailingTokens(*last->Owner(), last->Index() + 1);
}

// ---- the context filler

void TCompletionContextFiller::Fill(std::u16string_view statement, TGrammar& grammar, int caret) {
    context_ = {};
    visited_.clear();
    keywords_.clear();
    done_ = false;
    std::vector<TSymbol*> symbols;
    if (!ParseToCursor(statement, grammar, caret, false, false, symbols)) {
        context_.Nothing = true;
        return;
    }
    for (TSymbol* symbol : symbols) {
        if (done_) break;
        symbol->Accept(*this);
    }
    auto& c = context_;
    const size_t qualifiers = c.Qualifiers.size();
    c.Nothing = (c.Tables ? qualifiers > 1 : qualifiers > 2) || (c.Tables && c.Columns);
    if (!c.Nothing) {
        if (qualifiers > 0) c.Keywords.clear();
        if (qualifiers > 1) c.Functions = false;
    }
    c.Columns = c.Columns && !c.AfterInto;
    c.Functions = c.Functions && !c.AfterInto;
    c.Locals = c.Locals && !c.InCursorDeclaration;
}

void TCompletionContextFiller::VisitProduction(TProduction* production) {
    if (done_ || production->Is<TStringLiteral>() || !visited_.insert(production->Key()).second) return;
    TRule rule(*production);
    rule.Define();
    // A prefix expression's operators may be left out, though its rule names them as required.
    const bool all = IsAlternativeProduction(*production) || production->Is<TCustomPrefixExp>();
    for (int i = 0; i < rule.Count() && !done_; ++i) {
        rule.Symbol(i)->Accept(*this);
        if (!all && rule.Required(i)) break;
    }
}

void TCompletionContextFiller::VisitConstantTerminal(TConstantTerminal* terminal) {
    const std::string text(terminal->Text());
    if (!IsOperatorText(text) && keywords_.insert(text).second) context_.Keywords.push_back(text);
}

void TCompletionContextFiller::VisitIdentifierTerminal(TIdentifierTerminal* terminal) {
    if (!terminal->FindOwner<TFetchIntoIdentifierList>()) return;
    context_.Locals = context_.AfterInto = done_ = true;
}

void TCompletionContextFiller::VisitFromTableReferenceList(TSQLProduction*) {
    context_.Tables = true;
}

void TCompletionContextFiller::VisitInsertTarget(TSQLProduction*) {
    context_.Tables = true;
}

void TCompletionContextFiller::VisitTableReference(TSQLProduction* production) {
    context_.Tables = true;
    if (production->Owner() && production->Owner()->Is<TJoinVariant>()) context_.Joins = true;
}

void TCompletionContextFiller::VisitTableFactor(TSQLProduction* production) {
    if (production->Owner() && production->Owner()->Is<TJoinVariant>())
        context_.Joins = true;
    else
        VisitProduction(production);
}

void TCompletionContextFiller::VisitColumnReference(TSQLProduction* production) {
    context_.Columns = context_.Locals = true;
    if (production->FindOwner<TCursorDeclaration>()) context_.InCursorDeclaration = true;
}

void TCompletionContextFiller::InsertColumns(TSQLProduction* production) {
    auto* insert = production->FindOwner<TInsertStatement>();
    if (!insert) {
        context_.Nothing = true;
        return;
    }
    context_.InsertTable = insert->GetTableName();
    done_ = true;
}

void TCompletionContextFiller::VisitReceiverColumnReference(TSQLProduction* production) {
    if (production->FindOwner<TInsertStatement>())
        InsertColumns(production);
    else
        VisitColumnReference(production);
}

void TCompletionContextFiller::VisitInsertColumnReferenceList(TSQLProduction* production) {
    InsertColumns(production);
}

void TCompletionContextFiller::VisitInsertValuesExpression(TSQLProduction* production) {
    if (production->FindOwner<TInsertStatement>()) context_.InValues = true;
    VisitProduction(production);
}

void TCompletionContextFiller::VisitFunction(TSQLProduction*) {
    context_.Functions = true;
}

void TCompletionContextFiller::VisitProcedureIdentifier(TSQLProduction*) {
    context_.Procedures = true;
}

void TCompletionContextFiller::VisitAssignationReceiver(TSQLProduction*) {
    context_.Locals = true;
}

void TCompletionContextFiller::VisitCursorIdentifier(TSQLProduction*) {
    context_.Cursors = true;
}

void TCompletionContextFiller::VisitConditionIdentifier(TSQLProduction*) {
    context_.Conditions = true;
}

void TCompletionContextFiller::VisitAliasIdentifier(TSQLProduction*) {
    context_.Nothing = true;
}

void TCompletionContextFiller::VisitJoinConditionExpression(TSQLProduction* production) {
    auto* join = production->FindOwner<TJoinVariant>();
    if (TTableFactor* joined = join ? join->GetTableFactor() : nullptr)
        if (auto* factor = joined->Children().Find<TTableFactor_01>()) {
            context_.JoinCondition = true;
            context_.JoinTable = factor->GetTableName();
            context_.JoinAlias = factor->GetAlias();
        }
    VisitProduction(production);
}

void TCompletionContextFiller::VisitCustomIdentifier(TSQLProduction* production) {
    auto& c = context_;
    if (production->FindOwner<TgrmMyIndexHint>()) {
        c.IndexHint = true;
        if (auto* factor = production->FindOwner<TTableFactor_01>()) c.IndexTable = factor->GetTableName();
        done_ = true;
        return;
    }
    if (production->FindOwner<TTableFactor_01>() || production->FindOwner<TInsertTarget>()) {
        c.Tables = true;
    } else if (production->FindOwner<TColumnReference>()) {
        c.Columns = c.Locals = true;
    } else if (production->FindOwner<TFunction>()) {
        c.Functions = true;
    } else if (production->FindOwner<TProcedureIdentifier>()) {
        c.Procedures = true;
    } else if (production->FindOwner<TIntoClause>()) {
        c.Locals = c.AfterInto = done_ = true;
    }
    if (c.Qualifiers.empty()) AddQualifiers(production);
}

void TCompletionContextFiller::AddQualifiers(TSQLProduction* production) {
    for (TProduction* owner = production->Owner(); owner && owner->Is<TCustomIdentifier>();
         owner = owner->Owner()) {
        if (auto* item = FindChildSymbol<TCustomIdentifierItem>(*owner))
            context_.Qualifiers.insert(context_.Qualifiers.begin(), GetSymbolText(*item));
    }
}

// ---- relations

namespace {

class TRelationExtractor : public TSQLProductionVisitor {
public:
    TRelationExtractor(int caret, TRelations& relations) : caret_(caret), relations_(relations) {}

    void VisitSelectTuple(TSQLProduction* production) override { EnterHoldingCaret(production); }
    void VisitSubSelectStatement(TSQLProduction* production) override { EnterHoldingCaret(production); }
    void VisitInsertTarget(TSQLProduction*) override {}
    void VisitTableFactor_01(TSQLProduction* production) override {
        auto* factor = static_cast<TTableFactor_01*>(production);
        relations_.push_back({factor->GetTableName(), factor->GetAlias(), false});
    }
    void VisitTableFactor_04(TSQLProduction* production) override {
        auto* factor = static_cast<TTableFactor_04*>(production);
        relations_.push_back({factor->GetSelectText(), factor->GetAlias(), true});
    }

private:
    void EnterHoldingCaret(TSQLProduction* production) {
        if (ProductionHoldsCaret(*production, caret_)) VisitProduction(production);
    }

    int caret_;
    TRelations& relations_;
};

} // namespace

void ExtractRelations(std::u16string_view statement, TGrammar& grammar, int caret, TRelations& relations) {
    std::lock_guard lock(ParseLock());
    GrammarParserCache().GetParser<TMySqlGrammar>().Tokenize(grammar.Tokens(), statement);
    MatchTolerantly(grammar);
    TRelationExtractor extractor(caret, relations);
    grammar.Accept(extractor);
}

} // namespace app

// ---- local symbols

namespace app {

namespace {

// The tokens of a statement up to its delimiter: ";", the end, BEGIN, or an END that closes no CASE
// opened inside. Takes at least one token, so a bare delimiter is left to the block rules.
class TgrmTakeStatement : public TgrmTakeAllUntilStatementDelimiter {
    PARSER_SYMBOL_CLASS(TgrmTakeStatement, TgrmTakeAllUntilStatementDelimiter)
    bool DoMatch(TTokenIterator& iterator) override {
        openCases_ = 0;
        return TgrmTakeAllUntilStatementDelimiter::DoMatch(iterator) && Children().Count() > 0;
    }
    // Called once per token in order, so it also counts the CASEs it passes.
    bool IsDelimiter(const TToken& token) const override {
        if (TgrmTakeAllUntilStatementDelimiter::IsDelimiter(token)) return true;
        const std::string text = token.GetText();
        if (core::SameText(text, "BEGIN")) return true;
        if (core::SameText(text, "CASE")) {
            ++openCases_;
        } else if (core::SameText(text, "END")) {
            if (openCases_ == 0) return true;
            --openCases_;
        }
        return false;
    }

private:
    mutable int openCases_ = 0;
};

class TgrmSimpleCursorDeclaration : public TCursorDeclaration {
    PARSER_SYMBOL_CLASS(TgrmSimpleCursorDeclaration, TCursorDeclaration)
    void DefineSelect(TRule& rule) override { rule.Add<TgrmTakeStatement>(); }
};

class TgrmSimpleVariableDeclaration : public TVariableDeclaration {
    PARSER_SYMBOL_CLASS(TgrmSimpleVariableDeclaration, TVariableDeclaration)
    void DefineTail(TRule& rule) override { rule.Add<TgrmTakeStatement>(kOptional); }
};

// Reads only what declares a name; every other statement is taken whole without looking inside.
class TSimpleStatement : public TStatement {
    PARSER_SYMBOL_CLASS(TSimpleStatement, TStatement)
    void DefineRule(TRule& rule) override {
        rule.Add<TConditionDeclaration>()
            .Add<THandlerDeclaration>()
            .Add<TgrmSimpleCursorDeclaration>()
            .Add<TgrmSimpleVariableDeclaration>();
        for (const char* end : {"END IF", "END CASE", "END LOOP", "END REPEAT", "END WHILE"})
            rule.ConstSeq(end);
        rule.Add<TBlockStatement>().Add<TgrmTakeStatement>();
    }
};

class TLocalSymbolsObjectBuilder : public TMySqlObjectBuilder {
public:
    const TSymbolClass& StatementClass() const override { return TSimpleStatement::StaticClass(); }
};

class TLocalSymbolsGrammar : public TMySqlGrammar {
    PARSER_GRAMMAR_CLASS(TLocalSymbolsGrammar, TMySqlGrammar)
    TObjectBuilderClass ObjectBuilderClass() const override {
        return NewObjectBuilder<TLocalSymbolsObjectBuilder>;
    }
    void DefineRule(TRule& rule) override {
        rule.Add<TgrmCreateProcedure>().Add<TgrmCreateFunction>().Add<TSimpleStatement>();
    }
};

std::string TypeText(const TSymbol* type) {
    if (!type) return {};
    std::string text = GetSourceText(*type, true, false);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

class TLocalSymbolsExtractor : public TSQLProductionVisitor {
public:
    TLocalSymbolsExtractor(TCodeCompletionItems& items, TLocalSymbolsMode mode)
        : items_(items), mode_(mode) {}

    void VisitGrmCreateProcedure(TSQLProduction* production) override { VisitRoutine(production); }
    void VisitGrmCreateFunction(TSQLProduction* production) override { VisitRoutine(production); }
    void VisitVariableDeclaration(TSQLProduction* production) override {
        if (mode_ != lsmVariables) return;
        auto* declaration = static_cast<TVariableDeclaration*>(production);
        rtl::TStringList names;
        declaration->GetNames(names);
        const std::string type = TypeText(FindChildSymbol<TgrmDataType>(*declaration));
        for (int i = 0; i < names.Count(); ++i)
            items_.Add(ckVariable, names[i], type);
    }
    void VisitCursorDeclaration(TSQLProduction* production) override {
        if (mode_ == lsmCursors)
            items_.Add(ckCursor, static_cast<TCursorDeclaration*>(production)->GetCursorName());
    }
    void VisitConditionDeclaration(TSQLProduction* production) override {
        auto* declaration = static_cast<TConditionDeclaration*>(production);
        if (mode_ == lsmConditions)
            items_.Add(ckCondition, declaration->GetConditionName(), declaration->GetValueText());
    }
    // A closed block's declarations are out of scope where the text ends.
    void VisitBlockStatement(TSQLProduction* production) override {
        if (!static_cast<TBlockStatement*>(production)->HasEnd()) VisitProduction(production);
    }

private:
    void VisitRoutine(TSQLProduction* production) {
        auto* routine = static_cast<TgrmCreateRoutine*>(production);
        if (mode_ == lsmVariables) {
            std::vector<TgrmParameterDefinition*> parameters;
            routine->GetParameters(&parameters);
            for (auto* parameter : parameters)
                items_.Add(ckParameter, parameter->GetName(),
                           TypeText(FindChildSymbol<TgrmDataType>(*parameter)));
        }
        if (TStatement* body = routine->GetBody()) body->Accept(*this);
    }

    TCodeCompletionItems& items_;
    TLocalSymbolsMode mode_;
};

} // namespace

void ExtractLocalSymbols(std::u16string_view textBefore, TCodeCompletionItems& items,
                         TLocalSymbolsMode mode) {
    std::lock_guard lock(ParseLock());
    TLocalSymbolsGrammar grammar;
    GrammarParserCache().GetParser<TMySqlGrammar>().Tokenize(grammar.Tokens(), textBefore);
    MatchTolerantly(grammar);
    TLocalSymbolsExtractor extractor(items, mode);
    grammar.Accept(extractor);
}

} // namespace app
