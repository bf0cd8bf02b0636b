#include "parser/uMySqlDataTypes.h"

#include "core/uMySQLTypes.h"
#include "core/uStringUtils.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <string_view>

namespace parser {

namespace {

constexpr int32_t kCodePageAsWritten = std::numeric_limits<int32_t>::min();

struct TTypeNameRow {
    std::string_view Name;
    uint8_t TypeCode;
    int32_t CodePage = kCodePageAsWritten; // a row that sets one overrides the written character set
    bool IsUnsigned = false;
};

constexpr int32_t kBinary = -1;
constexpr int32_t kUtf8 = 65001;

// Catalogue type codes of the names a declaration or cast may use.
constexpr TTypeNameRow kTypeNames[] = {
    {"BIT", 16},
    {"TINYINT", 1},
    {"INT1", 1},
    {"BOOL", 1},
    {"BOOLEAN", 1},
    {"SMALLINT", 2},
    {"INT2", 2},
    {"MEDIUMINT", 9},
    {"MIDDLEINT", 9},
    {"INT3", 9},
    {"INT", 3},
    {"INTEGER", 3},
    {"INT4", 3},
    {"BIGINT", 8},
    {"INT8", 8},
    {"SIGNED", 8},
    {"SIGNED INTEGER", 8},
    {"SIGNED INT", 8},
    {"SERIAL", 8, kCodePageAsWritten, true},
    {"UNSIGNED", 8, kCodePageAsWritten, true},
    {"UNSIGNED INTEGER", 8, kCodePageAsWritten, true},
    {"UNSIGNED INT", 8, kCodePageAsWritten, true},
    {"DOUBLE", 5},
    {"DOUBLE PRECISION", 5},
    {"REAL", 5},
    {"FLOAT", 4},
    {"DECIMAL", 0},
    {"DEC", 0},
    {"NUMERIC", 0},
    {"FIXED", 0},
    {"NCHAR", 254, kUtf8},
    {"NATIONAL CHAR", 254, kUtf8},
    {"NATIONAL CHARACTER", 254, kUtf8},
    {"CHAR", 254},
    {"CHARACTER", 254},
    {"NVARCHAR", 15, kUtf8},
    {"NATIONAL CHARACTER VARYING", 15, kUtf8},
    {"NATIONAL VARCHAR", 15, kUtf8},
    {"VARCHAR", 15},
    {"CHARACTER VARYING", 15},
    {"BINARY", 254, kBinary},
    {"CHAR BYTE", 254, kBinary},
    {"VARBINARY", 253, kBinary},
    {"TINYBLOB", 249, kBinary},
    {"BLOB", 252, kBinary},
    {"MEDIUMBLOB", 250, kBinary},
    {"LONGBLOB", 251, kBinary},
    {"TINYTEXT", 249},
    {"TEXT", 252},
    {"MEDIUMTEXT", 250},
    {"LONGTEXT", 251},
    {"JSON", 251, kUtf8},
    {"TIME", 11},
    {"DATE", 10},
    {"DATETIME", 12},
    {"TIMESTAMP", 7},
    {"YEAR", 13},
    {"ENUM", 247},
    {"SET", 248},
    {"GEOMETRY", 255},
    {"POINT", 255},
    {"LINESTRING", 255},
    {"POLYGON", 255},
    {"GEOMETRYCOLLECTION", 255},
    {"MULTIPOINT", 255},
    {"MULTILINESTRING", 255},
    {"MULTIPOLYGON", 255},
};

// The server casts to INT and INTEGER as to SIGNED, a 64-bit number.
constexpr TTypeNameRow kCastTypeNames[] = {
    {"INT", 8},
    {"INTEGER", 8},
};

const TTypeNameRow* FindTypeName(std::string_view name, bool forCast) {
    auto same = [name](const TTypeNameRow& row) { return row.Name == name; };
    if (forCast) {
        auto found = std::find_if(std::begin(kCastTypeNames), std::end(kCastTypeNames), same);
        if (found != std::end(kCastTypeNames)) return found;
    }
    auto found = std::find_if(std::begin(kTypeNames), std::end(kTypeNames), same);
    return found != std::end(kTypeNames) ? found : nullptr;
}

void AppendTerminalTexts(const TSymbol& symbol, std::vector<std::string>& texts) {
    if (const auto* terminal = dynamic_cast<const TTerminal*>(&symbol)) {
        if (terminal->Token()) texts.push_back(terminal->Token()->GetText());
    } else if (const auto* production = dynamic_cast<const TProduction*>(&symbol)) {
        for (const TSymbol* child : production->Children())
            AppendTerminalTexts(*child, texts);
    }
}

int64_t ReadInt64(const TSymbol& number) {
    std::string text = GetSymbolText(number);
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw rtl::EConversionError(rtl::Format("'%s' is not a valid integer value", text));
    return value;
}

int32_t CharsetCodePage(std::string_view name) {
    return core::CharsetCodePages[core::CharsetIndexByName(core::UnquoteString(name))];
}

} // namespace

// ---- TMySqlType

void TMySqlType::DefineRule(TRule& rule) {
    rule.Add(DataTypeNameClass()).Add<TgrmDataTypeDefinition>(kOptional).Add<TgrmDataTypeOptions>(kOptional);
}

const TSymbolClass& TMySqlType::DataTypeNameClass() const {
    return TgrmDataTypeName::StaticClass();
}

std::string TMySqlType::GetTypeName() const {
    std::vector<std::string> words;
    if (!Children().IsEmpty()) AppendTerminalTexts(*Children()[0], words);
    std::string name;
    for (const std::string& word : words) {
        if (!name.empty()) name += ' ';
        for (char c : word)
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

core::TDatatypeCharacteristics TMySqlType::GetCharacteristics(bool forCast) const {
    bool isUnsigned = false;
    int32_t codePage = core::kCodePageConnectionDefault;
    if (const auto* options = Children().Find<TgrmDataTypeOptions>()) {
        isUnsigned = options->IsUnsigned();
        codePage = options->CodePage();
    }

    const std::string name = GetTypeName();
    uint8_t typeCode = 6; // the catalogue's NULL type
    if (const TTypeNameRow* row = FindTypeName(name, forCast)) {
        typeCode = row->TypeCode;
        if (row->CodePage != kCodePageAsWritten) codePage = row->CodePage;
        isUnsigned = isUnsigned || row->IsUnsigned;
    } else if (!GetGrammar()->Tolerant()) {
        throw rtl::Exception("Unknown column type " + name);
    }

    int64_t length = forCast ? core::kCastNoLength : core::kTypeMaximumLength;
    uint8_t scale = typeCode == 4 || typeCode == 5 ? core::kScaleNotSpecified : 0;
    std::vector<std::string> members;
    if (const auto* definition = Children().Find<TgrmDataTypeDefinition>()) {
        if (const auto* body = definition->Children().Find<TgrmDataTypeDefinitionBody>()) {
            length = body->Length();
            scale = body->Scale();
            members = body->Members();
        }
    }
    return core::MySQLTypeCharacteristics(typeCode, members, isUnsigned, codePage, length, scale,
                                          core::CompressSpaces(GetSourceText(*this, true, false)));
}

const TSymbolClass& TMySQLCastType::DataTypeNameClass() const {
    return TgrmCastDataTypeName::StaticClass();
}

// ---- names

void TgrmDataTypeName::DefineRule(TRule& rule) {
    rule.Add<TgrmMultiWordDataTypeName>().Add<TgrmSingleWordDataTypeName>().Add<TAnyTextTerminal>();
}

void TgrmMultiWordDataTypeName::DefineRule(TRule& rule) {
    rule.ConstSeq("CHARACTER VARYING")
        .ConstSeq("DOUBLE PRECISION")
        .ConstSeq("NATIONAL CHARACTER VARYING")
        .ConstSeq("NATIONAL CHARACTER")
        .ConstSeq("NATIONAL VARCHAR")
        .ConstSeq("NATIONAL CHAR")
        .ConstSeq("CHAR BYTE");
}

void TgrmSingleWordDataTypeName::DefineRule(TRule& rule) {
    static constexpr std::string_view kWords[] = {
        "BIGINT",     "BINARY",    "BIT",        "BLOB",      "BOOLEAN",  "CHAR",      "DATE",     "DATETIME",
        "DEC",        "DECIMAL",   "DOUBLE",     "ENUM",      "FIXED",    "FLOAT",     "INT",      "INT1",
        "INT2",       "INT3",      "INT4",       "INT8",      "INTEGER",  "JSON",      "LONGBLOB", "LONGTEXT",
        "MEDIUMBLOB", "MEDIUMINT", "MEDIUMTEXT", "MIDDLEINT", "REAL",     "SET",       "SMALLINT", "TEXT",
        "TIME",       "TIMESTAMP", "TINYBLOB",   "TINYINT",   "TINYTEXT", "VARBINARY", "VARCHAR",  "YEAR",
    };
    for (std::string_view word : kWords) {
        // SET is a reserved word of the grammar.
        if (word == "SET")
            rule.Reserved(word);
        else
            rule.Const(word);
    }
}

void TgrmCastDataTypeName::DefineRule(TRule& rule) {
    rule.Const("BINARY")
        .Const("CHAR")
        .Const("DATE")
        .Const("DATETIME")
        .Const("DECIMAL")
        .Const("DEC")
        .Const("DOUBLE")
        .Const("FLOAT")
        .ConstSeq("SIGNED INTEGER")
        .ConstSeq("SIGNED INT")
        .Const("SIGNED")
        .Const("TIME")
        .ConstSeq("UNSIGNED INTEGER")
        .ConstSeq("UNSIGNED INT")
        .Const("UNSIGNED")
        .Const("INTEGER")
        .Const("INT")
        .Const("NCHAR")
        .Const("VARCHAR");
}

// ---- definition

void TgrmDataTypeDefinition::DefineRule(TRule& rule) {
    rule.Const("(").Add<TgrmDataTypeDefinitionBody>().Const(")");
}

void TgrmDataTypeDefinitionBody::DefineRule(TRule& rule) {
    rule.Add<TgrmSizePrecision>().Add<TNumericTerminal>().Add<TgrmStringLiteralList>();
}

int64_t TgrmDataTypeDefinitionBody::Length() const {
    const TSymbol* body = Children().IsEmpty() ? nullptr : Children()[0];
    if (const auto* size = dynamic_cast<const TgrmSizePrecision*>(body))
        return ReadInt64(*size->Children()[0]);
    if (const auto* number = dynamic_cast<const TNumericTerminal*>(body)) return ReadInt64(*number);
    return 0;
}

uint8_t TgrmDataTypeDefinitionBody::Scale() const {
    const auto* size = Children().IsEmpty() ? nullptr : dynamic_cast<const TgrmSizePrecision*>(Children()[0]);
    if (!size) return 0;
    return static_cast<uint8_t>(std::clamp<int64_t>(ReadInt64(*size->Children()[2]), 0, core::kMaxScale));
}

std::vector<std::string> TgrmDataTypeDefinitionBody::Members() const {
    std::vector<std::string> members;
    const auto* list =
        Children().IsEmpty() ? nullptr : dynamic_cast<const TgrmStringLiteralList*>(Children()[0]);
    while (list) {
        const TgrmStringLiteralList* rest = nullptr;
        for (const TSymbol* child : list->Children()) {
            if (const auto* member = dynamic_cast<const TAnyTextTerminal*>(child)) {
                std::string text = GetSymbolText(*member);
                // Read as the server reads the literal: 'it''s' is it's.
                members.push_back(core::IsQuotedString(text)
                                      ? core::UnescapeStringLiteral(
                                            std::string_view(text).substr(1, text.size() - 2), text[0])
                                      : text);
            } else if (const auto* nested = dynamic_cast<const TgrmStringLiteralList*>(child)) {
                rest = nested;
            }
        }
        list = rest;
    }
    return members;
}

void TgrmSizePrecision::DefineRule(TRule& rule) {
    rule.Add<TNumericTerminal>().Const(",").Add<TNumericTerminal>();
}

void TgrmStringLiteralList::DefineRule(TRule& rule) {
    rule.Add<TAnyTextTerminal>().Const(",").Add<TgrmStringLiteralList>();
}

// ---- options

void TgrmDataTypeOptions::DefineRule(TRule& rule) {
    rule.Add<TgrmDataTypeOption>().Add<TgrmDataTypeOptions>(kOptional);
}

bool TgrmDataTypeOptions::IsUnsigned() const {
    for (const TgrmDataTypeOptions* options = this; options;
         options = options->Children().Find<TgrmDataTypeOptions>()) {
        // The server makes a ZEROFILL number unsigned.
        const auto* option = options->Children().Find<TgrmDataTypeOption>();
        std::string word = option ? GetSymbolText(*option) : std::string();
        if (core::SameText(word, "UNSIGNED") || core::SameText(word, "ZEROFILL")) return true;
    }
    return false;
}

int32_t TgrmDataTypeOptions::CodePage() const {
    for (const TgrmDataTypeOptions* options = this; options;
         options = options->Children().Find<TgrmDataTypeOptions>()) {
        const auto* option = options->Children().Find<TgrmDataTypeOption>();
        if (const auto* charset = option ? option->Children().Find<TgrmCharacterSet>() : nullptr)
            return charset->CodePage();
    }
    return core::kCodePageConnectionDefault;
}

void TgrmDataTypeOption::DefineRule(TRule& rule) {
    // SIGNED is the default and changes nothing; collations are read and ignored.
    rule.Const("UNSIGNED").Const("SIGNED").Const("ZEROFILL").Add<TgrmCharacterSet>().Add<TgrmCollation>();
}

void TgrmCharacterSet::DefineRule(TRule& rule) {
    rule.Add<TgrmCharacterSetShorthand>().Add<TgrmCharacterSetCharacteristics>();
}

int32_t TgrmCharacterSet::CodePage() const {
    const TSymbol* clause = Children().IsEmpty() ? nullptr : Children()[0];
    if (const auto* full = dynamic_cast<const TgrmCharacterSetCharacteristics*>(clause))
        return CharsetCodePage(GetSymbolText(*full->Children().Last()));
    std::string word = clause ? GetSymbolText(*clause) : std::string();
    if (core::SameText(word, "ASCII")) return CharsetCodePage("latin1");
    if (core::SameText(word, "UNICODE")) return CharsetCodePage("ucs2");
    if (core::SameText(word, "BINARY")) return kBinary;
    throw rtl::Exception("Unknown characterset shorthand - " + word);
}

void TgrmCharacterSetShorthand::DefineRule(TRule& rule) {
    rule.Const("ASCII").Const("UNICODE").Const("BINARY");
}

void TgrmCharacterSetCharacteristics::DefineRule(TRule& rule) {
    rule.Add<TgrmCharacterSetTerm>().Add<TAnyTextTerminal>();
}

void TgrmCharacterSetTerm::DefineRule(TRule& rule) {
    rule.ConstSeq("CHARACTER SET").Const("CHARSET");
}

void TgrmCollation::DefineRule(TRule& rule) {
    rule.ConstSeq("COLLATE").Add<TAnyTextTerminal>();
}

} // namespace parser
