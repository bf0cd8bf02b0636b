// The service of MySQL query data sets: keys, auto-increment fields and refresh statements.
#pragma once

#include "components/uDADataSetService.h"

#include <memory>
#include <string>

namespace dataaccess {
class TMySQLFieldDesc;
} // namespace dataaccess

namespace components {

class TCustomMyDataSet;

// Properties the MySQL data set passes to its service.
inline constexpr int prCheckRowVersion = 101;
inline constexpr int prLockType = 102;
inline constexpr int prAutoIncrementReadOnly = 103;

// The service of MySQL query data sets: keys from the server's unique indexes, the auto-increment
// column as identity, TIMESTAMP tracking, column defaults, the server's number ranges, the record
// count of a query, further results and backquoted names.
class TCustomMyDataSetService : public TDADataSetService {
public:
    explicit TCustomMyDataSetService(TCustomDADataSet* dataSet) : TDADataSetService(dataSet) {}

    bool SetProp(int prop, const rtl::Variant& value) override;
    bool GetProp(int prop, rtl::Variant& value) override;
    bool CheckRowVersion() const { return checkRowVersion_; }
    // 0 FOR UPDATE, 1 LOCK IN SHARE MODE.
    int LockType() const { return lockType_; }
    bool AutoIncrementReadOnly() const { return autoIncrementReadOnly_; }
    // The first TIMESTAMP column among the data fields; null for none.
    dataaccess::TMySQLFieldDesc* TimestampField() const { return timestampField_; }

    void InitCursor() override;
    void CloseCursor() override;
    bool CanModify() const override;
    bool KeysFromAllTables() const override;
    void ApplyNumberRange(data::TFieldDef* fieldDef) override;
    // With QueryRecCount on and FetchAll off: the statement's rows counted by the server, grouped
    // rows, unions and limited selects through a sub-select named q.
    int GetRecCount() override;
    // The statement text that GetRecCount runs; empty when it cannot count.
    std::string RecCountSQL() const;
    bool OpenNext() override;
    std::string QuoteName(const std::string& name) const override;
    std::string UnquoteName(const std::string& name) const override;

protected:
    std::unique_ptr<TDASQLGenerator> CreateSQLGenerator() override;
    std::unique_ptr<TDADataSetUpdater> CreateUpdater() override;

    void FillFieldsOrigins() override;
    void FillDefaultValues() override;
    dataaccess::TCRFieldDesc* DetectIdentityField() override;
    void FillKeyFieldDescs(TFieldDescArray& descs, bool allTables) override;
    void FillDataFieldDescs(TFieldDescArray& descs, bool allTables) override;

private:
    TCustomMyDataSet* MyDataSet() const;
    // The default expression of a field from the column default as the server shows it; empty for
    // none.
    std::string DefaultExpression(const data::TField& field, const std::string& columnDefault) const;

    bool checkRowVersion_ = false;
    int lockType_ = 0;
    bool autoIncrementReadOnly_ = true;
    dataaccess::TMySQLFieldDesc* timestampField_ = nullptr;
};

// The service of the MySQL query component.
class TMyDataSetService : public TCustomMyDataSetService {
public:
    using TCustomMyDataSetService::TCustomMyDataSetService;
};

} // namespace components
