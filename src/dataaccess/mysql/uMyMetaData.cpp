#include "dataaccess/mysql/uMyMetaData.h"

#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/mysql/uMySQLCommand.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/mysql/uMySQLRecordset.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uDataUtils.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <set>
#include <string_view>

namespace dataaccess {
namespace {

// Always backquoted, backquotes doubled: whatever the name holds, it stays one name.
std::string QuoteIdentifier(std::string_view name) {
    std::string quoted = "`";
    for (const char ch : name) {
        if (ch == '`') quoted.push_back('`');
        quoted.push_back(ch);
    }
    quoted.push_back('`');
    return quoted;
}

std::string TextOf(const rtl::Variant& value) {
    return value.IsNull() || value.IsEmpty() ? std::string() : value.AsString();
}

void AppendAnd(std::string& where, const std::string& condition) {
    if (!where.empty()) where += " AND ";
    where += condition;
}

} // namespace

TMySQLMetaData::TMySQLMetaData() : TCRMetaData(std::make_unique<TMySQLRecordset>()) {
    // Catalog queries carry no parameters; a colon inside a value stays text.
    RecordSet().Command()->SetProp(prDisableParamScan, true);
}

TMySQLRecordset& TMySQLMetaData::MyRecordSet() const {
    return static_cast<TMySQLRecordset&>(RecordSet());
}

TMySQLConnection& TMySQLMetaData::Connection() const {
    TMySQLConnection* connection = MyRecordSet().MyCommand().MyConnection();
    RTL_ASSERT(connection);
    return *connection;
}

bool TMySQLMetaData::HasInformationSchema() const {
    return Connection().ServerMajor() > 4;
}

// ---- Building the queries

std::string TMySQLMetaData::Restriction(const rtl::TStringList& restrictions, const char* name) const {
    const TTableInfoClass& names = RecordSet().GetTableInfoClass();
    return names.UnquoteName(names.NormalizeName(TrimMetaDataText(restrictions.Values(name)), false));
}

void TMySQLMetaData::AddCondition(std::string& where, const char* column, const std::string& value) const {
    if (value.empty()) return;
    AppendAnd(where, std::string(column) + " " + Operator() + " " +
                         MyQuoteAnsiString(value, Connection().BackslashEscapes()));
}

void TMySQLMetaData::AddTypeList(std::string& where, const char* column, const std::string& list) const {
    std::set<std::string> items;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const std::string item =
            AnsiUpper(TrimMetaDataText(std::string_view(list).substr(start, comma - start)));
        if (!item.empty()) items.insert(item);
        start = comma + 1;
    }
    if (items.empty()) return;
    std::string written;
    for (const std::string& item : items) {
        if (!written.empty()) written += ", ";
        written += MyQuoteAnsiString(item, Connection().BackslashEscapes());
    }
    AppendAnd(where, std::string(column) + " IN (" + written + ")");
}

void TMySQLMetaData::AddSchemaCondition(std::string& where, const char* column,
                                        const rtl::TStringList& restrictions, const char* restriction) const {
    if (AnsiUpper(TrimMetaDataText(restrictions.Values("SCOPE"))) == "LOCAL")
        AppendAnd(where, std::string(column) + " = DATABASE()");
    else
        AddCondition(where, column, Restriction(restrictions, restriction));
}

TData& TMySQLMetaData::OpenCatalogQuery(const char* query, const std::string& where) {
    OpenRecordSet(rtl::Format(query, where.empty() ? "" : ("WHERE " + where).c_str()));
    return RecordSet();
}

void TMySQLMetaData::OpenRecordSet(const std::string& sql) {
    TCRRecordSet& recordSet = RecordSet();
    recordSet.Close();
    recordSet.SetSQL(sql);
    recordSet.ResetForNewSQL();
    recordSet.Open();
}

std::string TMySQLMetaData::SchemaOrDatabase(const rtl::TStringList& restrictions, const char* name) const {
    const std::string schema = Restriction(restrictions, name);
    return schema.empty() ? Connection().Database() : schema;
}

void TMySQLMetaData::ForEachRow(const std::function<void(TDataHelper& row)>& copyRow) {
    TDataHelper& row = RecordSetHelper();
    row.AllocBuffer();
    RecordSet().SetToBegin();
    while (row.NextRecord())
        copyRow(row);
    row.FreeBuffer();
    RecordSet().Close();
}

TData& TMySQLMetaData::EmptyAnswer() {
    OpenMemData();
    return MemDataAnswer();
}

// ---- Kinds

TData& TMySQLMetaData::QueryTables(const rtl::TStringList& restrictions) {
    if (HasInformationSchema()) {
        std::string where;
        AddSchemaCondition(where, "TABLE_SCHEMA", restrictions, "TABLE_SCHEMA");
        AddCondition(where, "TABLE_NAME", Restriction(restrictions, "TABLE_NAME"));
        AddTypeList(where, "TABLE_TYPE", restrictions.Values("TABLE_TYPE"));
        return OpenCatalogQuery(
            "SELECT cast('' as char(1)) TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE "
            "FROM information_schema.TABLES %s ORDER BY TABLE_SCHEMA, TABLE_NAME ",
            where);
    }
    TablesLayout();
    if (Connection().Database().empty()) return EmptyAnswer();
    const std::string schema = Restriction(restrictions, "TABLE_SCHEMA");
    OpenRecordSet(schema.empty() ? "SHOW TABLES" : "SHOW TABLES FROM " + QuoteIdentifier(schema));
    OpenMemData();
    CopyTablesRows(schema.empty() ? Connection().Database() : schema);
    return MemDataAnswer();
}

void TMySQLMetaData::CopyTablesRows(const std::string& schema) {
    ForEachRow([&](TDataHelper& row) {
        MemDataHelper().InitRecord();
        SetValue("TABLE_SCHEMA", schema);
        SetValue("TABLE_NAME", row.GetFieldValue(1));
        MemDataHelper().AppendRecord();
    });
}

TData& TMySQLMetaData::QueryColumns(const rtl::TStringList& restrictions) {
    const std::string schema = SchemaOrDatabase(restrictions, "TABLE_SCHEMA");
    const std::string table = Restriction(restrictions, "TABLE_NAME");
    if (HasInformationSchema()) {
        std::string where;
        AddCondition(where, "TABLE_SCHEMA", schema);
        AddCondition(where, "TABLE_NAME", table);
        AddCondition(where, "COLUMN_NAME", Restriction(restrictions, "COLUMN_NAME"));
        return OpenCatalogQuery(
            "SELECT cast('' as char(1)) TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, "
            "ORDINAL_POSITION POSITION, DATA_TYPE, CHARACTER_MAXIMUM_LENGTH DATA_LENGTH, "
            "NUMERIC_PRECISION DATA_PRECISION, NUMERIC_SCALE DATA_SCALE, "
            "(case IS_NULLABLE when 'YES' then 1 else 0 end) NULLABLE, COLUMN_DEFAULT DEFAULT_VALUE "
            "FROM information_schema.COLUMNS %s ORDER BY TABLE_SCHEMA, TABLE_NAME, "
            "ORDINAL_POSITION ",
            where);
    }
    if (table.empty()) throw rtl::Exception(rtl::Format(SRestrictionMustBeSet, "TABLE_NAME"));
    std::string sql = "SHOW COLUMNS FROM " + QuoteIdentifier(table);
    if (!schema.empty()) sql += " FROM " + QuoteIdentifier(schema);
    OpenRecordSet(sql);
    ColumnsLayout();
    OpenMemData();
    CopyColumnsRows(schema, table);
    return MemDataAnswer();
}

void TMySQLMetaData::CopyColumnsRows(const std::string& schema, const std::string& table) {
    int position = 0;
    ForEachRow([&](TDataHelper& row) {
        MemDataHelper().InitRecord();
        SetValue("TABLE_SCHEMA", schema);
        SetValue("TABLE_NAME", table);
        SetValue("COLUMN_NAME", row.GetFieldValue(1));
        SetValue("POSITION", ++position);
        SetValue("DATA_TYPE", row.GetFieldValue(2));
        const std::string nullable = AnsiUpper(TextOf(row.GetFieldValue(3)));
        SetValue("NULLABLE", nullable == "Y" || nullable == "YES" ? 1 : 0);
        SetValue("DEFAULT_VALUE", row.GetFieldValue(5));
        MemDataHelper().AppendRecord();
    });
}

TData& TMySQLMetaData::QueryProcedures(const rtl::TStringList& restrictions) {
    if (!HasInformationSchema()) {
        ProceduresLayout();
        return EmptyAnswer();
    }
    std::string where;
    AddSchemaCondition(where, "ROUTINE_SCHEMA", restrictions, "PROCEDURE_SCHEMA");
    AddCondition(where, "ROUTINE_NAME", Restriction(restrictions, "PROCEDURE_NAME"));
    AddTypeList(where, "ROUTINE_TYPE", restrictions.Values("PROCEDURE_TYPE"));
    return OpenCatalogQuery("SELECT cast('' as char(1)) PROCEDURE_CATALOG, ROUTINE_SCHEMA PROCEDURE_SCHEMA, "
                            "ROUTINE_NAME PROCEDURE_NAME, ROUTINE_TYPE PROCEDURE_TYPE FROM "
                            "information_schema.ROUTINES %s ORDER BY ROUTINE_SCHEMA, ROUTINE_NAME ",
                            where);
}

TData& TMySQLMetaData::QueryProcedureParameters(const rtl::TStringList& restrictions) {
    ProcedureParametersLayout();
    if (!HasInformationSchema()) return EmptyAnswer();
    const std::string name = Restriction(restrictions, "PROCEDURE_NAME");
    if (name.empty()) throw rtl::Exception(rtl::Format(SRestrictionMustBeSet, "PROCEDURE_NAME"));
    const std::string schema = Restriction(restrictions, "PROCEDURE_SCHEMA");

    bool isFunction = false;
    TMyParamBlockResult description;
    TParamInfos params;
    TMySQLCommand& command = MyRecordSet().MyCommand();
    command.DescribeRoutine(ComposeObjectName(schema, name, std::string()), isFunction, description);
    if (isFunction) command.ParseRoutineParams(description.ReturnType, true, nullptr, params);
    command.ParseRoutineParams(description.ParamList, false, nullptr, params);

    OpenMemData();
    const std::string rowSchema = schema.empty() ? Connection().Database() : schema;
    int position = isFunction ? 0 : 1;
    for (const TParamInfo& param : params) {
        MemDataHelper().InitRecord();
        SetValue("PROCEDURE_SCHEMA", rowSchema);
        SetValue("PROCEDURE_NAME", name);
        SetValue("PARAMETER_NAME", param.Name);
        SetValue("POSITION", position++);
        SetValue("DIRECTION", param.Direction == pdInput         ? "IN"
                              : param.Direction == pdInputOutput ? "IN/OUT"
                                                                 : "OUT");
        SetValue("DATA_TYPE", param.TypeText);
        if (param.Size >= 0) SetValue("DATA_LENGTH", param.Size);
        MemDataHelper().AppendRecord();
    }
    return MemDataAnswer();
}

void TMySQLMetaData::OpenShowIndex(const rtl::TStringList& restrictions) {
    const std::string table = Restriction(restrictions, "TABLE_NAME");
    if (table.empty()) throw rtl::Exception(rtl::Format(SRestrictionMustBeSet, "TABLE_NAME"));
    const std::string schema = Restriction(restrictions, "TABLE_SCHEMA");
    std::string sql = "SHOW INDEX FROM " + QuoteIdentifier(table);
    if (!schema.empty()) sql += " FROM " + QuoteIdentifier(schema);
    OpenRecordSet(sql);
}

TData& TMySQLMetaData::QueryIndexes(const rtl::TStringList& restrictions) {
    OpenShowIndex(restrictions);
    IndexesLayout();
    OpenMemData();
    CopyIndexesRows(SchemaOrDatabase(restrictions, "TABLE_SCHEMA"));
    return MemDataAnswer();
}

void TMySQLMetaData::CopyIndexesRows(const std::string& schema) {
    std::string previousKey;
    bool first = true;
    ForEachRow([&](TDataHelper& row) {
        const std::string key = TextOf(row.GetFieldValue(3));
        if (!first && key == previousKey) return;
        first = false;
        previousKey = key;
        MemDataHelper().InitRecord();
        SetValue("TABLE_SCHEMA", schema);
        SetValue("TABLE_NAME", row.GetFieldValue(1));
        SetValue("INDEX_SCHEMA", schema);
        SetValue("INDEX_NAME", key);
        SetValue("UNIQUE", row.GetFieldValue(2).AsInt64() == 0 ? 1 : 0);
        MemDataHelper().AppendRecord();
    });
}

TData& TMySQLMetaData::QueryIndexColumns(const rtl::TStringList& restrictions) {
    OpenShowIndex(restrictions);
    IndexColumnsLayout();
    OpenMemData();
    CopyIndexColumnsRows(SchemaOrDatabase(restrictions, "TABLE_SCHEMA"));
    return MemDataAnswer();
}

void TMySQLMetaData::CopyIndexColumnsRows(const std::string& schema) {
    ForEachRow([&](TDataHelper& row) {
        MemDataHelper().InitRecord();
        SetValue("TABLE_SCHEMA", schema);
        SetValue("TABLE_NAME", row.GetFieldValue(1));
        SetValue("INDEX_SCHEMA", schema);
        SetValue("INDEX_NAME", row.GetFieldValue(3));
        SetValue("COLUMN_POSITION", row.GetFieldValue(4));
        SetValue("COLUMN_NAME", row.GetFieldValue(5));
        const rtl::Variant order = row.GetFieldValue(6);
        const std::string text = TextOf(order);
        SetValue("SORT_ORDER", text == "A"   ? rtl::Variant("ASC")
                               : text == "D" ? rtl::Variant("DESC")
                                             : order);
        MemDataHelper().AppendRecord();
    });
}

TData& TMySQLMetaData::QueryConstraints(const rtl::TStringList& restrictions) {
    if (!HasInformationSchema()) {
        ConstraintsLayout();
        return EmptyAnswer();
    }
    std::string where;
    AddCondition(where, "TABLE_SCHEMA", Restriction(restrictions, "TABLE_SCHEMA"));
    AddCondition(where, "TABLE_NAME", Restriction(restrictions, "TABLE_NAME"));
    AddCondition(where, "CONSTRAINT_NAME", Restriction(restrictions, "CONSTRAINT_NAME"));
    AddTypeList(where, "CONSTRAINT_TYPE", restrictions.Values("CONSTRAINT_TYPE"));
    return OpenCatalogQuery(
        "SELECT cast('' as char(1)) TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, CONSTRAINT_NAME, "
        "CONSTRAINT_TYPE, cast('' as char(1)) INDEX_CATALOG, cast('' as char(1)) INDEX_OWNER, "
        "cast('' as char(1)) INDEX_NAME FROM information_schema.table_constraints %s ORDER BY "
        "TABLE_SCHEMA, TABLE_NAME, CONSTRAINT_NAME",
        where);
}

TData& TMySQLMetaData::QueryDatabases(const rtl::TStringList&) {
    OpenRecordSet("SHOW DATABASES");
    DatabasesLayout();
    OpenMemData();
    ForEachRow([&](TDataHelper& row) {
        MemDataHelper().InitRecord();
        SetValue("DATABASE_NAME", row.GetFieldValue(1));
        MemDataHelper().AppendRecord();
    });
    return MemDataAnswer();
}

} // namespace dataaccess
