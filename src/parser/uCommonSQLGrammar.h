// The grammar shared by SQL dialects, its productions and the parse modes.
#pragma once

#include "parser/uGrammar.h"
#include "parser/uObjectBuilder.h"
#include "parser/uSQLProductionVisitor.h"
#include "platform/rtl/Exception.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rtl {
class TStringList;
}

namespace parser {

// A production used in a grammar of the wrong kind.
RTL_DECLARE_EXCEPTION(EInvalidCast, rtl::Exception);

// What a text may be. The values are fixed by the callers.
enum TParseMode : uint8_t {
    pmDefault = 0,        // routine, statement, expression or SQL statement
    pmRoutineHeader = 1,  // the header of a routine; the rest is not read
    pmExpression = 2,     // watches, evaluation, breakpoint conditions
    pmStatements = 3,     // routine texts, the main block, SQL window statements
    pmCreateFunction = 4, // code completion
    pmCreateProcedure = 5,
    pmStatement = 6,
    pmBranch = 7, // code completion inside CASE and IF branches
};

class TCommonSQLGrammar;

// The base of every SQL production.
class TSQLProduction : public TProduction {
    PARSER_SYMBOL_CLASS(TSQLProduction, TProduction)
protected:
    // The classes of the grammar's dialect.
    const TCommonObjectBuilder& Builder() const;
};

// The root of the SQL grammar shared by the dialects; one instance per parse.
class TCommonSQLGrammar : public TGrammar {
    PARSER_GRAMMAR_CLASS(TCommonSQLGrammar, TGrammar)
    TCommonSQLGrammar();
    ~TCommonSQLGrammar() override;

    uint8_t ParseMode() const { return parseMode_; }
    // Set between creation and parsing; a mode outside 0-7 matches nothing.
    void SetParseMode(uint8_t mode) { parseMode_ = mode; }
    const TCommonObjectBuilder& ObjectBuilder() const;

    virtual TObjectBuilderClass ObjectBuilderClass() const;
    // Multi-character operators, a longer one before its prefixes.
    virtual void GetCompositeOperations(std::vector<std::string>& list) const;

    PARSER_RULE(Choice);
    bool RequireEOF() const override { return parseMode_ != pmRoutineHeader; }
    void ConfigureTokenizer(TTokenizer& tokenizer) override;

private:
    // Made on first use: the dialect's class is known only once the grammar is constructed.
    mutable std::unique_ptr<TCommonObjectBuilder> objectBuilder_;
    uint8_t parseMode_ = pmDefault;
};

// The SQL grammar of the symbol; raises EInvalidCast when its grammar is of another kind.
TCommonSQLGrammar& SQLGrammarOf(const TSymbol& symbol);

class TSQLStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TSQLStatement, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(SQLStatement)
};

namespace commonsql {

// Names separated by commas; the query clauses have a list of their own (parser::TIdentifierList).
class TIdentifierList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TIdentifierList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    // Appends each name as written, with its terminal as the item's object.
    void GetIdentifiers(rtl::TStringList& list) const;
};

} // namespace commonsql

} // namespace parser
