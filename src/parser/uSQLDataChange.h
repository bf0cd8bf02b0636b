// INSERT, REPLACE, UPDATE and DELETE of every dialect.
#pragma once

// INSERT (and REPLACE), UPDATE and DELETE of every dialect. Each statement calls DefineOptions right
// after its keyword, through which a dialect adds its modifiers.

#include "parser/uSQLQueries.h"
#include "parser/uSQLValues.h"

#include <string>
#include <vector>

namespace rtl {
class TStringList;
}

namespace parser {

class TInsertValuesExpression;

// ---- INSERT

// INSERT | REPLACE [INTO] target [(columns)] VALUES ... | query
class TInsertStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(InsertStatement)
    // The dialect's modifiers after INSERT; none here.
    virtual void DefineOptions(TRule& rule) {}
    // The table as written; empty without one.
    std::string GetTableName() const;
};

// The base of a dialect's tail of INSERT.
class TInsertStatementTail : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertStatementTail, TSQLProduction)
    PARSER_SQL_ACCEPT(InsertStatementTail)
};

class TInsertTarget : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertTarget, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(InsertTarget)
};

class TInsertTableName : public TSimpleTableName {
    PARSER_SYMBOL_CLASS(TInsertTableName, TSimpleTableName)
    PARSER_RULE(Sequence);
};

// ( columns )
class TInsertColumnList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertColumnList, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(InsertColumnList)
    // Appends the columns as written, in order.
    void GetColumns(rtl::TStringList& list) const;
};

class TInsertColumnReferenceList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertColumnReferenceList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    PARSER_SQL_ACCEPT(InsertColumnReferenceList)
    void GetColumns(rtl::TStringList& list) const;
};

class TInsertColumnReference : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertColumnReference, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(InsertColumnReference)
};

// VALUES rows or a query.
class TInsertVariants : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertVariants, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(InsertVariants)
};

// VALUES (row), ...; the server also takes VALUE.
class TInsertValuesClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertValuesClause, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TInsertValuesKeyword : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertValuesKeyword, TSQLProduction)
    PARSER_RULE(Choice);
};

class TInsertValuesList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertValuesList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    PARSER_SQL_ACCEPT(InsertValuesList)
};

// ( [values] ): an empty row takes every column's default.
class TInsertValuesItem : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertValuesItem, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TInsertValuesExpressionList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertValuesExpressionList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    PARSER_SQL_ACCEPT(InsertValuesExpressionList)
    bool SucceedsWhenTolerant() const override { return true; }
    // Appends the items of the row in order (each holds an expression; DEFAULT arrives as one).
    void GetExpressions(std::vector<TInsertValuesExpression*>* destination) const;
};

class TInsertValuesExpression : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TInsertValuesExpression, TSQLProduction)
    PARSER_RULE(Choice);
    PARSER_SQL_ACCEPT(InsertValuesExpression)
};

// ---- UPDATE

// UPDATE tables SET column = value, ... [WHERE condition]
class TUpdateStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TUpdateStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(UpdateStatement)
    virtual void DefineOptions(TRule& rule) {}
};

class TUpdateSetClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TUpdateSetClause, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(UpdateSetClause)
    bool SucceedsWhenTolerant() const override { return true; }
};

class TColumnExpressionList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnExpressionList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    bool SucceedsWhenTolerant() const override { return true; }
};

// column = value
class TColumnExpressionItem : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TColumnExpressionItem, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(ColumnExpressionItem)
};

// ---- DELETE

// DELETE FROM tables [WHERE condition]
class TDeleteStatement : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TDeleteStatement, TSQLProduction)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(DeleteStatement)
    virtual void DefineOptions(TRule& rule) {}
};

// The base of a dialect's USING clause of DELETE.
class TDeleteUsingClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TDeleteUsingClause, TSQLProduction)
    PARSER_SQL_ACCEPT(DeleteUsingClause)
};

} // namespace parser
