// The text of a stored routine as the server returns it, from CREATE to the body.
#pragma once

// The text of a stored routine as the server returns it: CREATE [DEFINER = user] PROCEDURE or
// FUNCTION, the name, the parameters, RETURNS (functions), the characteristics and the body; and the
// routine's header alone, from which the kind, the name and the parameters are read.

#include "core/uDataTypes.h"
#include "parser/uCommonSQLGrammar.h"

#include <string>
#include <string_view>
#include <vector>

namespace parser {

class TStatement;
class TgrmParameterDefinition;

// The rule shared by procedures and functions.
class TgrmCreateRoutine : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCreateRoutine, TSQLProduction)
    PARSER_RULE(Sequence);
    // "PROCEDURE" or "FUNCTION".
    virtual std::string_view GetRoutineKind() const = 0;
    bool IsFunction() const { return GetRoutineKind() == "FUNCTION"; }
    // Appends the parameter definitions in written order.
    void GetParameters(std::vector<TgrmParameterDefinition*>* destination) const;
    // A function's RETURNS type; for a procedure a value of no kind and no limits.
    core::TDatatypeCharacteristics GetReturnType() const;
    TStatement* GetBody() const;
};

class TgrmCreateProcedure : public TgrmCreateRoutine {
    PARSER_SYMBOL_CLASS(TgrmCreateProcedure, TgrmCreateRoutine)
    PARSER_SQL_ACCEPT(GrmCreateProcedure)
    std::string_view GetRoutineKind() const override { return "PROCEDURE"; }
};

class TgrmCreateFunction : public TgrmCreateRoutine {
    PARSER_SYMBOL_CLASS(TgrmCreateFunction, TgrmCreateRoutine)
    PARSER_SQL_ACCEPT(GrmCreateFunction)
    std::string_view GetRoutineKind() const override { return "FUNCTION"; }
};

// CREATE [DEFINER = user] PROCEDURE | FUNCTION name (parameters); what follows is not read.
class TgrmRoutineHeader : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmRoutineHeader, TSQLProduction)
    PARSER_RULE(Sequence);
    void GetParameters(std::vector<TgrmParameterDefinition*>* destination) const;
    // As written, a schema and its dot included.
    std::string GetRoutineName() const;
    // PROCEDURE or FUNCTION as written.
    std::string GetRoutineType() const;
};

class TgrmRoutineType : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmRoutineType, TSQLProduction)
    PARSER_RULE(Choice);
};

// DEFINER = user
class TgrmRoutineDefiner : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmRoutineDefiner, TSQLProduction)
    PARSER_RULE(Sequence);
};

// CURRENT_USER, user@host with either part quoted, or a single word.
class TgrmPrincipalIdentifier : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmPrincipalIdentifier, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmComplexPrincipalIdentifier : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmComplexPrincipalIdentifier, TSQLProduction)
    PARSER_RULE(Sequence);
};

// A dotted name.
class TgrmRoutineIdentifier : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmRoutineIdentifier, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmParameterList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmParameterList, TSQLProduction)
    PARSER_RULE(DelimitedList);
    void GetParameters(std::vector<TgrmParameterDefinition*>* destination) const;
};

// [IN | OUT | INOUT] name type
class TgrmParameterDefinition : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmParameterDefinition, TSQLProduction)
    PARSER_RULE(Sequence);
    std::string GetName() const;
    // As written; "IN" when none was written.
    std::string GetScope() const;
    core::TDatatypeCharacteristics GetDataType() const;
};

class TgrmParameterScope : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmParameterScope, TSQLProduction)
    PARSER_RULE(Choice);
};

// RETURNS type
class TgrmReturnsType : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmReturnsType, TSQLProduction)
    PARSER_RULE(Sequence);
    core::TDatatypeCharacteristics GetDataType() const;
};

// Characteristics in any order and number, without separators.
class TgrmRoutineCharacteristic : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmRoutineCharacteristic, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmRoutineCharacteristicItem : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmRoutineCharacteristicItem, TSQLProduction)
    PARSER_RULE(Choice);
};

// [NOT] DETERMINISTIC
class TgrmDeterministicClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDeterministicClause, TSQLProduction)
    PARSER_RULE(Sequence);
};

// CONTAINS SQL, NO SQL, READS SQL DATA, MODIFIES SQL DATA
class TgrmDataUsage : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDataUsage, TSQLProduction)
    PARSER_RULE(Choice);
};

// SQL SECURITY DEFINER | INVOKER
class TgrmSQLSecutiry : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmSQLSecutiry, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmSQLSecurityType : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmSQLSecurityType, TSQLProduction)
    PARSER_RULE(Choice);
};

// COMMENT 'text'
class TgrmCommentClause : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCommentClause, TSQLProduction)
    PARSER_RULE(Sequence);
};

} // namespace parser
