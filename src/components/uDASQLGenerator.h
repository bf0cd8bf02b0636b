// Generates the INSERT, UPDATE, DELETE, lock and refresh statements of a data set.
#pragma once

#include "platform/data/Collection.h"
#include "platform/data/DBTypes.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dataaccess {
class TCRTableInfo;
class TFieldDesc;
} // namespace dataaccess

namespace components {

class TCustomDADataSet;
class TDADataSetService;
class TDAParams;
class TDAParamsInfo;

// The statements a data set can have generated or set by the user.
enum TStatementType : uint8_t {
    stQuery,
    stInsert,
    stUpdate,
    stDelete,
    stLock,
    stRefresh,
    stCustom,
    stRefreshQuick,
    stRefreshCheckDeleted,
    stBatchUpdate,
};
inline constexpr int kStatementTypeCount = stBatchUpdate + 1;
using TStatementTypes = rtl::Set<TStatementType, kStatementTypeCount>;

// The key columns of the updating table and the columns that may be written.
struct TKeyAndDataFields {
    std::vector<dataaccess::TFieldDesc*> KeyFieldDescs;
    std::vector<dataaccess::TFieldDesc*> DataFieldDescs;
};

// Builds the update statements of a data set from its fields and its updating table. A statement is
// assembled from six parts in this order: header, fields, middle, field parameters, conditions,
// footer. Parameters go into the given list with one info each (which field, old or new value);
// without a list, markers are written by name.
class TDASQLGenerator {
public:
    // The service must have a data set.
    explicit TDASQLGenerator(TDADataSetService* service);
    virtual ~TDASQLGenerator();
    TDASQLGenerator(const TDASQLGenerator&) = delete;
    TDASQLGenerator& operator=(const TDASQLGenerator&) = delete;

    TDADataSetService* Service() const { return service_; }
    TCustomDADataSet* DataSet() const { return dataSet_; }
    // Valid until the next statement is generated.
    TDAParamsInfo& ParamsInfo() const { return *paramsInfo_; }
    // On: key conditions never use IS NULL.
    bool ForDesign() const { return forDesign_; }
    void SetForDesign(bool value) { forDesign_ = value; }

    // "TableInfo name must be provided", "Bad statement type", "Key fields not found" (database
    // errors). The parameter list is filled afresh.
    void GenerateFor(dataaccess::TCRTableInfo& tableInfo, const TKeyAndDataFields& fields, std::string& sql,
                     int recIndex, TDAParams* params, bool modifiedFieldsOnly, TStatementType statementType);
    // The statement for the service's updating table and columns; empty without an updating table.
    void GenerateSQL(TStatementType statementType, bool modifiedFieldsOnly, std::string& sql,
                     TDAParams* params, int recIndex);
    // Every row of a table, in the given order when there is one. The data set needs a connection.
    virtual std::string GenerateTableSQL(const std::string& tableName, const std::string& orderFields);
    static std::string GenerateSelectValues(const std::string& text) { return "SELECT " + text; }

    static std::string FieldAlias(const std::string& text) { return "_" + text; }
    // The number after a leading "_"; -1 for anything else.
    static int FieldAliasIndex(const std::string& text);

protected:
    // `paramInfoClass` makes the items of ParamsInfo.
    TDASQLGenerator(TDADataSetService* service, data::TCollection::TItemClass paramInfoClass);

    virtual void Clear();
    virtual std::string AssembleSQL() const;
    virtual bool IsBlobDataType(uint16_t dataType) const;
    // Of the old or the new values of the record being written.
    virtual bool FieldIsNull(const dataaccess::TFieldDesc& desc, bool old);
    virtual bool FieldModified(const dataaccess::TFieldDesc& desc);
    // The server name without a leading "table." of its own table.
    virtual std::string ActualFieldName(const dataaccess::TFieldDesc& desc,
                                        const dataaccess::TCRTableInfo* table) const;
    virtual std::string FieldNameForCondition(const dataaccess::TFieldDesc& desc, bool forRefresh) const;
    virtual int MaxParamNameLength() const;
    virtual bool UseParamMarkers() const { return true; }
    virtual void AddParam(std::string& builder, const dataaccess::TFieldDesc& desc, bool old, int recIndex,
                          data::TParamType paramType, TStatementType statementType);
    virtual void AddKeyCondition(std::string& builder, const dataaccess::TFieldDesc* desc, int recIndex,
                                 bool flag, TStatementType statementType);
    virtual void AddKeyConditions(std::string& builder, TStatementType statementType, int recIndex,
                                  const TKeyAndDataFields& fields, bool flag);
    virtual void GenerateInsertSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly, int recIndex);
    virtual void GenerateUpdateSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly, int recIndex);
    virtual void GenerateDeleteSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly, int recIndex);
    virtual void GenerateLockSQL(const TKeyAndDataFields& fields, int recIndex) {}
    virtual void AddFieldToRefreshSQL(const dataaccess::TFieldDesc& desc);
    virtual void GenerateRefreshSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly);
    virtual void GenerateRefreshQuickSQL(const TKeyAndDataFields& fields);
    virtual void GenerateCheckDeletedSQL(const std::vector<dataaccess::TFieldDesc*>& keyFieldDescs);
    // The data set's clause operations of its server dialect; the general forms change and find
    // nothing.
    virtual std::string SQLAddWhere(const std::string& sql, const std::string& condition) const {
        return sql;
    }
    virtual std::string SQLGetWhere(const std::string& sql) const { return {}; }
    virtual std::string SQLGetFrom(const std::string& sql) const { return {}; }

    // Identifiers by the rules of the updating table's server, quoted when needed or always
    // (QuoteNames).
    std::string QuoteName(const std::string& name) const;
    // Qualified by its database where the statement or the server names one.
    std::string QuotedTableName() const;
    // The alias of a table, or its name without one.
    static const std::string& TableAliasOrName(const dataaccess::TCRTableInfo& table);
    static std::string ParamPrefix() { return "P_"; }
    dataaccess::TCRTableInfo* TableInfo() const { return tableInfo_; }

    std::string headerSB_, fldSB_, middleSB_, fldParamSB_, condSB_, footerSB_;

private:
    // The record being written and its old values, looked up once per statement.
    void* NewBuffer();
    void* OldBuffer();

    TDADataSetService* service_;
    TCustomDADataSet* dataSet_;
    std::unique_ptr<TDAParamsInfo> paramsInfo_;
    dataaccess::TCRTableInfo* tableInfo_ = nullptr;
    TDAParams* params_ = nullptr;
    void* newBuffer_ = nullptr;
    void* oldBuffer_ = nullptr;
    bool forDesign_ = false;
};

} // namespace components
