#include "components/uMyDataSetService.h"

#include "components/uDASQLHelpers.h"
#include "components/uMyConnection.h"
#include "components/uMyDataSetUpdater.h"
#include "components/uMyMetaData.h"
#include "components/uMyQuery.h"
#include "components/uMySQLGenerator.h"
#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/mysql/uMyParser.h"
#include "dataaccess/mysql/uMySQLFieldDesc.h"
#include "dataaccess/mysql/uMySQLRecordset.h"
#include "dataaccess/mysql/uMyTableInfo.h"
#include "platform/data/DataError.h"
#include "platform/data/NameCompare.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"

#include <mariadb/mysql.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

namespace components {

using dataaccess::TCRFieldDesc;
using dataaccess::TMySQLFieldDesc;

namespace {

std::string QuotedLiteral(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    return quoted + "'";
}

// The text of a string literal as the server shows a column default ('it''s'); false for anything
// else.
bool UnquoteLiteral(const std::string& text, std::string& value) {
    if (text.size() < 2 || text.front() != '\'' || text.back() != '\'') return false;
    value.clear();
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        value += text[i];
        if (text[i] == '\'' || text[i] == '\\') ++i;
    }
    return true;
}

bool IsCurrentTimestamp(const std::string& text) {
    std::string upper;
    for (char c : text)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.rfind("CURRENT_TIMESTAMP", 0) == 0;
}

void SetIntegerRange(data::TField* field, int64_t min, int64_t max) {
    if (auto* integerField = dynamic_cast<data::TIntegerField*>(field)) {
        integerField->SetMinValue(min);
        integerField->SetMaxValue(max);
    }
}

// A string of digits with an optional sign, point and exponent.
bool IsNumberText(const std::string& text) {
    return !text.empty() &&
           std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           text.find_first_not_of("0123456789+-.eE") == std::string::npos;
}

void SetFloatRange(data::TField* field, int precision, double min, double max) {
    if (auto* floatField = dynamic_cast<data::TFloatField*>(field)) {
        if (precision > 0) floatField->SetPrecision(precision);
        floatField->SetMinValue(min);
        floatField->SetMaxValue(max);
    }
}

} // namespace

std::unique_ptr<TDASQLGenerator> TCustomMyDataSetService::CreateSQLGenerator() {
    return std::make_unique<TMySQLGenerator>(this);
}

std::unique_ptr<TDADataSetUpdater> TCustomMyDataSetService::CreateUpdater() {
    return std::make_unique<TMyDataSetUpdater>(this);
}

TCustomMyDataSet* TCustomMyDataSetService::MyDataSet() const {
    return static_cast<TCustomMyDataSet*>(DADataSet());
}

bool TCustomMyDataSetService::SetProp(int prop, const rtl::Variant& value) {
    switch (prop) {
    case prCheckRowVersion:
        checkRowVersion_ = value.AsBoolean();
        return true;
    case prLockType:
        lockType_ = static_cast<int>(value.AsInt64());
        return true;
    case prAutoIncrementReadOnly:
        autoIncrementReadOnly_ = value.AsBoolean();
        return true;
    default:
        return TDADataSetService::SetProp(prop, value);
    }
}

bool TCustomMyDataSetService::GetProp(int prop, rtl::Variant& value) {
    switch (prop) {
    case prCheckRowVersion:
        value = checkRowVersion_;
        return true;
    case prLockType:
        value = lockType_;
        return true;
    case prAutoIncrementReadOnly:
        value = autoIncrementReadOnly_;
        return true;
    default:
        return TDADataSetService::GetProp(prop, value);
    }
}

// ---- Open and close

void TCustomMyDataSetService::InitCursor() {
    TDADataSetService::InitCursor();
    timestampField_ = nullptr;
    const bool readOnlyAutoInc = DADataSet()->Options().SetFieldsReadOnly() && autoIncrementReadOnly_;
    const auto& fields = DADataSet()->Fields();
    for (int i = fields.Count() - 1; i >= 0; --i) {
        auto* desc = dynamic_cast<TMySQLFieldDesc*>(FieldDesc(fields[i]));
        if (!desc) continue;
        if (desc->IsAutoIncrement) {
            if (readOnlyAutoInc) fields[i]->SetReadOnly(true);
            fields[i]->SetAutoGenerateValue(data::arAutoInc);
        }
        if (desc->MySQLType == MYSQL_TYPE_TIMESTAMP) timestampField_ = desc;
    }
}

void TCustomMyDataSetService::CloseCursor() {
    TDADataSetService::CloseCursor();
    timestampField_ = nullptr;
}

TCRFieldDesc* TCustomMyDataSetService::DetectIdentityField() {
    // A statement without tables has no updating table and so no identity.
    const dataaccess::TCRTableInfo* table = UpdatingTableInfo();
    if (!table) return nullptr;
    for (const auto& item : DADataSet()->RecordStore()->Fields()) {
        auto* desc = dynamic_cast<TMySQLFieldDesc*>(item.get());
        // Two aliases of one table are two entries: the column must come through the updating one.
        if (desc && !desc->Hidden && desc->IsAutoIncrement && desc->TableInfo() == table) return desc;
    }
    return nullptr;
}

void TCustomMyDataSetService::FillFieldsOrigins() {
    for (data::TField* field : DADataSet()->Fields())
        if (const TCRFieldDesc* desc = FieldDesc(field))
            FillFieldOrigin(field, dataaccess::GetFieldTableName(*desc), QuoteName(desc->ServerName));
}

// ---- Key and data fields

void TCustomMyDataSetService::FillKeyFieldDescs(TFieldDescArray& descs, bool allTables) {
    if (!DADataSet()->KeyFields().empty()) {
        FillNamedKeyFieldDescs(descs);
        return;
    }
    if (!allTables) {
        if (const dataaccess::TCRTableInfo* table = UpdatingTableInfo()) AppendUniqueKey(table, descs);
        return;
    }
    std::vector<const dataaccess::TCRTableInfo*> tables;
    for (dataaccess::TFieldDesc* desc : DataFieldDescs()) {
        const dataaccess::TCRTableInfo* table = static_cast<TCRFieldDesc*>(desc)->TableInfo();
        if (table && std::find(tables.begin(), tables.end(), table) == tables.end()) tables.push_back(table);
    }
    for (const dataaccess::TCRTableInfo* table : tables)
        AppendUniqueKey(table, descs);
}

void TCustomMyDataSetService::FillDataFieldDescs(TFieldDescArray& descs, bool allTables) {
    const bool setFieldsReadOnly = DADataSet()->Options().SetFieldsReadOnly();
    for (dataaccess::TFieldDesc* item : DataFieldDescs()) {
        auto* desc = static_cast<TCRFieldDesc*>(item);
        const bool taken =
            allTables || BelongsToUpdatingTable(*desc) || (!desc->TableInfo() && !setFieldsReadOnly);
        if (taken && !desc->ReadOnly) descs.push_back(desc);
    }
}

bool TCustomMyDataSetService::KeysFromAllTables() const {
    return UpdatingTableIndex() < 0 || DADataSet()->Options().FullRefresh();
}

bool TCustomMyDataSetService::CanModify() const {
    RTL_ASSERT_MSG(DADataSet()->RecordSet(), "FIRecordSet must be setted to this time");
    if (TDADataSetService::CanModify()) return true;
    if (DADataSet()->ReadOnly() || DADataSet()->UniDirectional()) return false;
    if (AnyFieldCanBeModified()) return true;
    for (TStatementType type : {stInsert, stUpdate, stDelete})
        if (DADataSet()->GetUpdateSQL(type)->Count() > 0) return true;
    return false;
}

// ---- Default values

std::string TCustomMyDataSetService::DefaultExpression(const data::TField& field,
                                                       const std::string& columnDefault) const {
    // The server shows literals quoted, NULL as the word and expressions as they were written.
    if (columnDefault == "NULL") return {};
    if (IsCurrentTimestamp(columnDefault)) return "CURRENT_TIMESTAMP";
    std::string value;
    if (IsNumberText(columnDefault)) return QuotedLiteral(columnDefault);
    if (!UnquoteLiteral(columnDefault, value)) return columnDefault;
    const data::TFieldType type = field.DataType();
    if (type != data::ftDate && type != data::ftTime && type != data::ftDateTime) return QuotedLiteral(value);
    const auto* desc = dynamic_cast<const TMySQLFieldDesc*>(DADataSet()->GetFieldDesc(&field));
    rtl::TDateTime parsed;
    if (!desc ||
        !dataaccess::ParseTextDateTime(desc->MySQLType, value, desc->ValueLength, desc->FieldName, parsed))
        return {};
    return QuotedLiteral(value);
}

void TCustomMyDataSetService::FillDefaultValues() {
    const dataaccess::TCRTableInfo* table = UpdatingTableInfo();
    if (!table || DADataSet()->Fields().Count() == 0) return;
    const std::string name = table->GetTableNameFull();
    const size_t dot = name.find('.');
    const std::string schema = dot == std::string::npos ? std::string() : UnquoteName(name.substr(0, dot));
    const std::string tableName = dot == std::string::npos ? name : name.substr(dot + 1);
    TMyMetaData metaData;
    metaData.TDAMetaData::SetConnection(DADataSet()->UsedConnection());
    metaData.SetTransaction(DADataSet()->UsedTransaction());
    metaData.SetMetaDataKind("Columns");
    rtl::TStringList restrictions;
    restrictions.SetText("table_schema=" + schema + "\r\ntable_name=" + UnquoteName(tableName));
    metaData.SetRestrictions(restrictions);
    metaData.Open();
    for (; !metaData.Eof(); metaData.Next()) {
        data::TField* field = DADataSet()->FindField(metaData.FieldByName("COLUMN_NAME")->AsString());
        const data::TField* columnDefault = metaData.FieldByName("DEFAULT_VALUE");
        if (!field || columnDefault->IsNull()) continue;
        field->SetDefaultExpression(DefaultExpression(*field, columnDefault->AsString()));
    }
}

// ---- Number ranges

void TCustomMyDataSetService::ApplyNumberRange(data::TFieldDef* fieldDef) {
    data::TField* field = DADataSet()->FindField(fieldDef->Name());
    const auto* desc =
        field ? dynamic_cast<const TMySQLFieldDesc*>(DADataSet()->GetFieldDesc(field)) : nullptr;
    if (!desc) return;
    const bool isUnsigned = desc->IsUnsigned;
    switch (desc->MySQLType) {
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL: {
        // The column length counts the point and, when signed, the sign besides the digits.
        const int scale = desc->DecimalPlaces;
        const int precision =
            static_cast<int>(desc->ValueLength) - (scale > 0 ? 1 : 0) - (isUnsigned ? 0 : 1);
        const double max = std::pow(10.0, precision - scale) - std::pow(10.0, -scale);
        SetFloatRange(field, 0, isUnsigned ? 0 : -max, max);
        break;
    }
    case MYSQL_TYPE_TINY:
        SetIntegerRange(field, isUnsigned ? 0 : -128, isUnsigned ? 255 : 127);
        break;
    case MYSQL_TYPE_SHORT:
        SetIntegerRange(field, isUnsigned ? 0 : -32768, isUnsigned ? 65535 : 32767);
        break;
    case MYSQL_TYPE_INT24:
        SetIntegerRange(field, isUnsigned ? 0 : -8388608, isUnsigned ? 16777215 : 8388607);
        break;
    case MYSQL_TYPE_LONG:
        SetIntegerRange(field, isUnsigned ? 0 : std::numeric_limits<int32_t>::min(),
                        isUnsigned ? std::numeric_limits<uint32_t>::max()
                                   : std::numeric_limits<int32_t>::max());
        break;
    case MYSQL_TYPE_LONGLONG:
        // An unsigned BIGINT does not fit the field's 64-bit range: no limit (0, 0).
        if (isUnsigned)
            SetIntegerRange(field, 0, 0);
        else
            SetIntegerRange(field, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
        break;
    case MYSQL_TYPE_FLOAT:
        SetFloatRange(field, static_cast<int>(desc->ValueLength), -3.402823466e38, 3.402823466e38);
        break;
    case MYSQL_TYPE_DOUBLE:
        SetFloatRange(field, static_cast<int>(desc->ValueLength), std::numeric_limits<double>::lowest(),
                      std::numeric_limits<double>::max());
        break;
    case MYSQL_TYPE_YEAR:
        // The server takes 0 to 99 (two-digit years) and 1901 to 2155.
        SetIntegerRange(field, 0, desc->ValueLength == 2 ? 99 : 2155);
        break;
    default:
        break;
    }
}

// ---- Record count

std::string TCustomMyDataSetService::RecCountSQL() const {
    const std::string text = MySetOrderBy(DADataSet()->FinalSQL(), "");
    dataaccess::TMyParser parser(text);
    parser.SetSkipComments(true);
    int64_t selectEnd = -1, fromStart = -1, terminator = static_cast<int64_t>(text.size());
    bool distinct = false, subSelect = false;
    int depth = 0;
    std::string lexeme;
    for (int code; (code = parser.NextLexem(lexeme)) != dataaccess::lxEnd;) {
        if (code == dataaccess::lxSymbol && (lexeme == "(" || lexeme == ")")) {
            depth += lexeme == "(" ? 1 : -1;
            continue;
        }
        if (depth > 0) continue;
        if (selectEnd < 0) {
            if (code != dataaccess::kwSelect) continue;
            selectEnd = parser.CurrentOffset();
            code = parser.NextLexem(lexeme);
            distinct = code == dataaccess::kwDistinct || code == dataaccess::kwDistinctRow;
            parser.Back();
            continue;
        }
        if (code == dataaccess::kwSemicolon) {
            terminator = parser.CurrentOffset() - 1;
            break;
        }
        if (code == dataaccess::kwFrom && fromStart < 0)
            fromStart = parser.CurrentOffset() - static_cast<int64_t>(lexeme.size());
        // A count over groups, unions and limits needs the rows the statement gives, not the
        // rows it reads.
        if (code == dataaccess::kwLimit || code == dataaccess::kwGroup || code == dataaccess::kwHaving ||
            (code == dataaccess::lxIdent && data::SameName(lexeme, "UNION")))
            subSelect = true;
    }
    if (selectEnd < 0 || (fromStart < 0 && !subSelect)) return {};
    const std::string head = text.substr(0, selectEnd);
    if (subSelect)
        return head + " COUNT(*) FROM (SELECT " + text.substr(selectEnd, terminator - selectEnd) + ") q" +
               text.substr(terminator);
    if (distinct)
        return head + " COUNT(" + text.substr(selectEnd, fromStart - selectEnd) + ")" +
               text.substr(fromStart - 1);
    return head + " COUNT(*)" + text.substr(fromStart - 1);
}

int TCustomMyDataSetService::GetRecCount() {
    TCustomDADataSet* dataSet = DADataSet();
    if (dataSet->FetchAll() || !dataSet->Options().QueryRecCount()) return 0;
    if (dataSet->Params().Count() > 0 && dataSet->Params()[0]->ParamType() == data::ptResult) return 0;
    const std::string sql = RecCountSQL();
    if (sql.empty()) return 0;
    TCustomMyDataSet counter;
    counter.TCustomDADataSet::SetConnection(dataSet->UsedConnection());
    counter.SetTransaction(dataSet->UsedTransaction());
    counter.Options().SetCreateConnection(false);
    counter.SetMacroCheck(false);
    counter.SetSQL(sql);
    for (int i = 0; i < counter.Params().Count() && i < dataSet->Params().Count(); ++i)
        counter.Params()[i]->Assign(dataSet->Params()[i]);
    counter.Open();
    return counter.Fields()[0]->AsInteger();
}

// ---- Further results

bool TCustomMyDataSetService::OpenNext() {
    TCustomDADataSet* dataSet = DADataSet();
    if (!dataSet->Active()) {
        dataSet->Open();
        return true;
    }
    if (dataSet->Prepared()) data::DatabaseError("Cannot OpenNext if statement is Prepared");
    if (dataSet->FetchAll()) data::DatabaseError("OpenNext is not compatible with FetchAll = True");
    dataSet->Close();
    dataaccess::TCRRecordSet* recordSet = dataSet->RecordSet();
    rtl::Variant more;
    recordSet->GetProp(dataaccess::prHasMoreResults, more);
    if (!more.AsBoolean()) return false;
    recordSet->SetProp(dataaccess::prOpenNext, true);
    rtl::Finally(
        [&] {
            dataSet->FieldDefs().SetUpdated(false);
            // The last result of a CALL is its status, without rows: taken, it leaves nothing open.
            dataSet->Execute();
        },
        [&] { recordSet->SetProp(dataaccess::prOpenNext, false); });
    return dataSet->Active();
}

// ---- Names

std::string TCustomMyDataSetService::QuoteName(const std::string& name) const {
    return dataaccess::TMyTableInfo::Class().NormalizeNameWith(name, '`', '`',
                                                               DADataSet()->Options().QuoteNames());
}

std::string TCustomMyDataSetService::UnquoteName(const std::string& name) const {
    return dataaccess::MyUnquoteName(name);
}

} // namespace components
