// The MySQL dialect of the statement generator, with its parameter markers.
#pragma once

#include "components/uDAParams.h"
#include "components/uDASQLGenerator.h"

namespace components {

// A parameter info that also knows where its marker was written: the builder and the offset of the
// marker's last character in it.
class TMyParamInfo : public TDAParamInfo {
public:
    using TDAParamInfo::TDAParamInfo;

    const std::string* Builder = nullptr;
    int Position = 0;
};

// The MySQL form of the update statements: the row lock statement, and UPDATE and DELETE that
// change at most one row when no key identifies it.
class TCustomMySQLGenerator : public TDASQLGenerator {
public:
    explicit TCustomMySQLGenerator(TDADataSetService* service);

    // The 1-based position in the assembled statement of the last character of parameter `index`'s
    // marker.
    int ParamPosition(int index) const;

    // The table SELECT: a row window (Limit -1 is no limit), or HANDLER reads over HandlerIndex.
    int Limit() const { return limit_; }
    void SetLimit(int value) { limit_ = value; }
    int Offset() const { return offset_; }
    void SetOffset(int value) { offset_ = value; }
    bool UseHandler() const { return useHandler_; }
    void SetUseHandler(bool value) { useHandler_ = value; }
    const std::string& HandlerIndex() const { return handlerIndex_; }
    void SetHandlerIndex(const std::string& value) { handlerIndex_ = value; }
    std::string GenerateTableSQL(const std::string& tableName, const std::string& orderFields) override;

    // 0: FOR UPDATE, 1: LOCK IN SHARE MODE, anything else: no lock clause.
    int LockType() const { return lockType_; }
    void SetLockType(int value) { lockType_ = value; }

protected:
    void AddParam(std::string& builder, const dataaccess::TFieldDesc& desc, bool old, int recIndex,
                  data::TParamType paramType, TStatementType statementType) override;
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
    // Both the client and the server speak the 4.1 protocol.
    bool IsProtocol41() const;

    int lockType_ = 0;
    int limit_ = -1;
    int offset_ = 0;
    bool useHandler_ = false;
    std::string handlerIndex_;
};

// The generator of MySQL query data sets.
class TMySQLGenerator : public TCustomMySQLGenerator {
public:
    using TCustomMySQLGenerator::TCustomMySQLGenerator;
};

} // namespace components
