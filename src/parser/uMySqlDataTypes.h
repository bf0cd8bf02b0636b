// MySQL data types of declarations and casts, and their mapping to the type catalogue.
#pragma once

// MySQL data types of declarations and cast targets, and their mapping to the type catalogue.

#include "parser/uSQLValues.h"

#include <cstdint>
#include <string>
#include <vector>

namespace parser {

// name [(definition)] [options]
class TMySqlType : public TgrmDataType {
    PARSER_SYMBOL_CLASS(TMySqlType, TgrmDataType)
    PARSER_RULE(Sequence);
    // The production class of the type name.
    virtual const TSymbolClass& DataTypeNameClass() const;
    // Raises "Unknown column type NAME" for a name outside the mapping (in tolerant mode the NULL
    // type instead) and "Unknown character set %s" for a character set outside the catalogue.
    core::TDatatypeCharacteristics GetCharacteristics(bool forCast) const override;
    // The name's words joined by one blank, upper case.
    std::string GetTypeName() const;
};

class TMySQLCastType : public TMySqlType {
    PARSER_SYMBOL_CLASS(TMySQLCastType, TMySqlType)
    const TSymbolClass& DataTypeNameClass() const override;
};

// Any word is a name; whether it is known decides the mapping.
class TgrmDataTypeName : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDataTypeName, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmMultiWordDataTypeName : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmMultiWordDataTypeName, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmSingleWordDataTypeName : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmSingleWordDataTypeName, TSQLProduction)
    PARSER_RULE(Choice);
};

// The types the server's CAST and CONVERT accept.
class TgrmCastDataTypeName : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCastDataTypeName, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmDataTypeDefinition : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDataTypeDefinition, TSQLProduction)
    PARSER_RULE(Sequence);
};

// (m, d), (m) or ('member', ...)
class TgrmDataTypeDefinitionBody : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDataTypeDefinitionBody, TSQLProduction)
    PARSER_RULE(Choice);
    // m; 0 for a member list. Raises EConversionError beyond 64 bits.
    int64_t Length() const;
    // d; 0 without one.
    uint8_t Scale() const;
    // The members without their quotes, in order.
    std::vector<std::string> Members() const;
};

class TgrmSizePrecision : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmSizePrecision, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmStringLiteralList : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmStringLiteralList, TSQLProduction)
    PARSER_RULE(DelimitedList);
};

class TgrmDataTypeOptions : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDataTypeOptions, TSQLProduction)
    PARSER_RULE(Sequence);
    // UNSIGNED or ZEROFILL written.
    bool IsUnsigned() const;
    // The first character set written; -2 without one.
    int32_t CodePage() const;
};

class TgrmDataTypeOption : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmDataTypeOption, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmCharacterSet : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCharacterSet, TSQLProduction)
    PARSER_RULE(Choice);
    int32_t CodePage() const;
};

// ASCII (latin1), UNICODE (ucs2) or BINARY.
class TgrmCharacterSetShorthand : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCharacterSetShorthand, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmCharacterSetCharacteristics : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCharacterSetCharacteristics, TSQLProduction)
    PARSER_RULE(Sequence);
};

class TgrmCharacterSetTerm : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCharacterSetTerm, TSQLProduction)
    PARSER_RULE(Choice);
};

class TgrmCollation : public TSQLProduction {
    PARSER_SYMBOL_CLASS(TgrmCollation, TSQLProduction)
    PARSER_RULE(Sequence);
};

} // namespace parser
