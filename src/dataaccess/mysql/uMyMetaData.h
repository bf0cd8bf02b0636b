// Metadata of a MySQL server from INFORMATION_SCHEMA or SHOW statements.
#pragma once

#include "dataaccess/server/uCRMetaData.h"

#include <functional>
#include <string>

namespace dataaccess {

class TMySQLConnection;
class TMySQLRecordset;

// Metadata of a MySQL server: INFORMATION_SCHEMA queries on servers of version 5 and later, SHOW
// statements before. Restriction values go into the queries as literals written for the session's
// escape mode, and names into SHOW statements backquoted, so no value can end a literal or a name
// early.
class TMySQLMetaData : public TCRMetaData {
public:
    TMySQLMetaData();

    TData& QueryTables(const rtl::TStringList& restrictions) override;
    TData& QueryColumns(const rtl::TStringList& restrictions) override;
    TData& QueryProcedures(const rtl::TStringList& restrictions) override;
    TData& QueryProcedureParameters(const rtl::TStringList& restrictions) override;
    TData& QueryIndexes(const rtl::TStringList& restrictions) override;
    TData& QueryIndexColumns(const rtl::TStringList& restrictions) override;
    TData& QueryConstraints(const rtl::TStringList& restrictions) override;
    TData& QueryDatabases(const rtl::TStringList& restrictions) override;

    TMySQLRecordset& MyRecordSet() const;

protected:
    // The rows of the open SHOW result into the record store, for the schema the rows name.
    virtual void CopyTablesRows(const std::string& schema);
    virtual void CopyColumnsRows(const std::string& schema, const std::string& table);
    virtual void CopyIndexesRows(const std::string& schema);
    virtual void CopyIndexColumnsRows(const std::string& schema);

private:
    TMySQLConnection& Connection() const;
    bool HasInformationSchema() const;
    // The restriction trimmed and unquoted; empty when not given.
    std::string Restriction(const rtl::TStringList& restrictions, const char* name) const;
    // `column operator 'value'`, after " AND " when needed; nothing for an empty value.
    void AddCondition(std::string& where, const char* column, const std::string& value) const;
    // `column IN ('A', 'B')` of the comma-separated, upper-cased, distinct and sorted items.
    void AddTypeList(std::string& where, const char* column, const std::string& list) const;
    // The condition of the schema restriction, or `column = DATABASE()` for SCOPE=LOCAL.
    void AddSchemaCondition(std::string& where, const char* column, const rtl::TStringList& restrictions,
                            const char* restriction) const;
    // The query with the clause in place of its "%s", opened.
    TData& OpenCatalogQuery(const char* query, const std::string& where);
    void OpenRecordSet(const std::string& sql);
    // The schema restriction, or the connection's database.
    std::string SchemaOrDatabase(const rtl::TStringList& restrictions, const char* name) const;
    // Runs `copyRow` for every row of the open record set, then closes it.
    void ForEachRow(const std::function<void(TDataHelper& row)>& copyRow);
    // Opens the SHOW INDEX result of the table restriction ("TABLE_NAME restriction must be set").
    void OpenShowIndex(const rtl::TStringList& restrictions);
    // The record store with the layout just set and no rows.
    TData& EmptyAnswer();
};

} // namespace dataaccess
