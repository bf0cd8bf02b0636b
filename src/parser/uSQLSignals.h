// SIGNAL and RESIGNAL with their condition information items.
#pragma once

// SIGNAL and RESIGNAL: a condition (a SQLSTATE value or a declared condition's name) and a SET list
// of condition information items, of which the debugger reads MYSQL_ERRNO and MESSAGE_TEXT.

#include "parser/uCommonSQLGrammar.h"

#include <string>
#include <string_view>

namespace parser {

class TgrmCustomSignalCondigionValue;
class TgrmInformationItemAssignation;

// The accessors of SIGNAL and RESIGNAL.
class TgrmCustomSignal : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCustomSignal, TSQLProduction)
    // A condition value is present and it is a condition's name.
    bool IsConditionName() const;
    // As written; empty for a SQLSTATE value or without a condition value.
    std::string GetConditionName() const;
    // Without quotes; empty for a condition name or without a condition value.
    std::string GetSQLState() const;
    // The expressions assigned to MYSQL_ERRNO and MESSAGE_TEXT (the first assignment of each); none
    // without one.
    TSymbol* GetErrorNumberExpression() const;
    TSymbol* GetMessageTextExpression() const;

private:
    const TgrmCustomSignalCondigionValue* ConditionValue() const;
    TSymbol* FindItemExpression(std::string_view item) const;
};

// SIGNAL condition [SET items]
class TgrmSignal : public TgrmCustomSignal {
    PARSER_SYMBOL_CLASS(TgrmSignal, TgrmCustomSignal)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(GrmSignal)
};

// RESIGNAL [condition] [SET items]
class TgrmResignal : public TgrmCustomSignal {
    PARSER_SYMBOL_CLASS(TgrmResignal, TgrmCustomSignal)
    PARSER_RULE(Sequence);
    PARSER_SQL_ACCEPT(GrmResignal)
};

// A SQLSTATE value or a condition's name; unlike DECLARE ... CONDITION, no error number.
class TgrmCustomSignalCondigionValue : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCustomSignalCondigionValue, TSQLProduction)
    PARSER_RULE(Choice);
    bool IsConditionName() const;
    std::string GetConditionName() const;
    std::string GetSQLState() const;
};

// SET item = value, ...
class TgrmInformationItemAssignation : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmInformationItemAssignation, TSQLProduction)
    PARSER_RULE(Sequence);
    TSymbol* FindItemExpression(std::string_view item) const;
};

class TgrmCustomSignalInformationList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCustomSignalInformationList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    // The expression of the first information whose item is the name (ignoring case); none when absent.
    TSymbol* FindItemExpression(std::string_view item) const;
};

class TgrmCustomSignalInformation : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCustomSignalInformation, TSQLProduction)
    PARSER_RULE(Sequence);
    bool IsItem(std::string_view item) const;
    TSymbol* GetExpression() const;
};

// MESSAGE_TEXT, MYSQL_ERRNO, CLASS_ORIGIN and the other items of the standard list.
class TgrmConditionInformationItem : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmConditionInformationItem, TSQLProduction)
    PARSER_RULE(Choice);
};

} // namespace parser
