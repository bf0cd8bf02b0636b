// The MySQL grammar: the common grammar with MySQL names, operators and productions.
#pragma once

// The MySQL grammar: the common SQL grammar with backquoted names, the MySQL operators and the
// MySQL productions at the object builder's positions; here also its expression productions (CAST
// and CONVERT forms, character-set introducers and COLLATE, GROUP_CONCAT, the special syntax of
// POSITION, SUBSTRING, TRIM, CHAR, EXTRACT and VALUES, and "<=>").

#include "parser/uSQLExpressions.h"
#include "parser/uSQLValues.h"

#include <string>

namespace parser {

class TMySqlGrammar : public TCommonSQLGrammar {
    PARSER_GRAMMAR_CLASS(TMySqlGrammar, TCommonSQLGrammar)
    void ConfigureTokenizer(TTokenizer& tokenizer) override;
    void GetCompositeOperations(std::vector<std::string>& list) const override;
    TObjectBuilderClass ObjectBuilderClass() const override;
};

class TMySQLStatement : public TSQLStatement {
    PARSER_SYMBOL_CLASS(TMySQLStatement, TSQLStatement)
};

class TMySqlCast : public TCast {
    PARSER_SYMBOL_CLASS(TMySqlCast, TCast)
    PARSER_RULE(Choice);
};

// CONVERT(x USING charset)
class TgrmConvertCharset : public TgrmCustomTypeCast {
    PARSER_SYMBOL_CLASS(TgrmConvertCharset, TgrmCustomTypeCast)
    PARSER_RULE(Sequence);
    TSymbol* GetCastExpression() const override;
    // A string of no set length in the named character set; raises "Unknown character set %s".
    core::TDatatypeCharacteristics GetCastType() const override;
};

class TgrmUsingCharsetClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmUsingCharsetClause, TSQLProduction)
    PARSER_RULE(Sequence);
    // As written.
    std::string GetCharsetName() const;
};

// [_charset] 'text' [COLLATE collation]
class TMyStringLiteral : public TStringLiteral {
    PARSER_SYMBOL_CLASS(TMyStringLiteral, TStringLiteral)
    void DefineRule(TRule& rule) override;
};

// An introducer: "_" and a character set of the catalogue, upper case.
class TMyStringLiteralCharset : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyStringLiteralCharset, TSQLProduction)
    PARSER_RULE(Choice);
};

class TMyStringLiteralCollation : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyStringLiteralCollation, TSQLProduction)
    PARSER_RULE(Sequence);
};

// The MySQL forms first, then those of every dialect.
class TMyValue : public TValue {
    PARSER_SYMBOL_CLASS(TMyValue, TValue)
    void DefineRule(TRule& rule) override;
};

class TMyGroupConcat : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyGroupConcat, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TMyGroupConcatExpressionList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyGroupConcatExpressionList, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TMyGroupConcatSeparatorClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TMyGroupConcatSeparatorClause, TSQLProduction)
    PARSER_RULE(Sequence);
};

// "<=>" first, then the common comparison operators.
class TMyComparsionOperator : public TComparsionOperator {
    PARSER_SYMBOL_CLASS(TMyComparsionOperator, TComparsionOperator)
    void DefineRule(TRule& rule) override;
};

class TgrmMySpecialFunction : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmMySpecialFunction, TSQLProduction)
    PARSER_RULE(Choice);
};

// POSITION(substr IN str)
class TgrmPositionFunc : public TgrmServerSideExpression {
    PARSER_SYMBOL_CLASS(TgrmPositionFunc, TgrmServerSideExpression)
    PARSER_RULE(Sequence);
};

// SUBSTRING(s FROM p [FOR n]) or SUBSTRING(s, p[, n]); also SUBSTR.
class TgrmSubstringFunc : public TgrmServerSideExpression {
    PARSER_SYMBOL_CLASS(TgrmSubstringFunc, TgrmServerSideExpression)
    PARSER_RULE(Sequence);
};

class TgrmSubstringSignature : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmSubstringSignature, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmSubstringSignatureBody : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmSubstringSignatureBody, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmSubstringSignatureTail : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmSubstringSignatureTail, TSQLProduction)
    PARSER_RULE(Sequence);
};

// TRIM([BOTH | LEADING | TRAILING] [remstr FROM] str)
class TgrmTrimFunc : public TgrmServerSideExpression {
    PARSER_SYMBOL_CLASS(TgrmTrimFunc, TgrmServerSideExpression)
    PARSER_RULE(Sequence);
};

class TgrmTrimFuncFromClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmTrimFuncFromClause, TSQLProduction)
    PARSER_RULE(Sequence);
};

// CHAR(n, ... [USING charset])
class TgrmCharFunc : public TgrmServerSideExpression {
    PARSER_SYMBOL_CLASS(TgrmCharFunc, TgrmServerSideExpression)
    PARSER_RULE(Sequence);
};

// EXTRACT(unit FROM date)
class TgrmExtractFunc : public TgrmServerSideExpression {
    PARSER_SYMBOL_CLASS(TgrmExtractFunc, TgrmServerSideExpression)
    PARSER_RULE(Sequence);
};

// VALUES(column) of INSERT ... ON DUPLICATE KEY UPDATE.
class TgrmValuesFunc : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmValuesFunc, TSQLProduction)
    PARSER_RULE(Sequence);
};

} // namespace parser
