#pragma once

#include "components/uDASQLGenerator.h"

namespace components {

// The MySQL form of the update statements: the row lock statement, and UPDATE and DELETE that
// change at most one row when no key identifies it.
class TCustomMySQLGenerator : public TDASQLGenerator {
public:
    using TDASQLGenerator::TDASQLGenerator;

    // 0: FOR UPDATE, 1: LOCK IN SHARE MODE, anything else: no lock clause.
    int LockType() const { return lockType_; }
    void SetLockType(int value) { lockType_ = value; }

protected:
    // For a refresh: the column qualified by its table's alias or name.
    std::string FieldNameForCondition(const dataaccess::TFieldDesc& desc, bool forRefresh) const override;
    // A TIMESTAMP column whose old value is NULL is matched as zero in a flagged refresh; a column
    // without a table gives no condition.
    void AddKeyCondition(std::string& builder, const dataaccess::TFieldDesc* desc, int recIndex, bool flag,
                         TStatementType statementType) override;
    // The quick refresh reads the rows changed since the newest timestamp seen; with CheckRowVersion
    // an UPDATE or DELETE also matches the row's version.
    void AddKeyConditions(std::string& builder, TStatementType statementType, int recIndex,
                          const TKeyAndDataFields& fields, bool flag) override;
    std::string SQLAddWhere(const std::string& sql, const std::string& condition) const override;
    std::string SQLGetWhere(const std::string& sql) const override;
    std::string SQLGetFrom(const std::string& sql) const override;
    void GenerateLockSQL(const TKeyAndDataFields& fields, int recIndex) override;
    void GenerateUpdateSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly, int recIndex) override;
    void GenerateDeleteSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly, int recIndex) override;

private:
    // Without a key the conditions match every duplicate of the row.
    void LimitKeyless(const TKeyAndDataFields& fields);
    // "Timestamp field required" without a TIMESTAMP data column that has a field.
    void AddTimestampCondition(std::string& builder, const TKeyAndDataFields& fields);
    bool CheckRowVersion() const;

    int lockType_ = 0;
};

// The generator of MySQL query data sets.
class TMySQLGenerator : public TCustomMySQLGenerator {
public:
    using TCustomMySQLGenerator::TCustomMySQLGenerator;
};

} // namespace components
