// The MySQL query data set and its options.
#pragma once

#include "components/uDADataSet.h"

#include <memory>

namespace dataaccess {
class TMySQLCommand;
class TMySQLRecordset;
class TWin32Timer;
} // namespace dataaccess

namespace components {

class TCustomMyConnection;
class TCustomMyDataSet;

// The MySQL options of a query data set. Changing the column options of an open data set raises the
// framework's open-dataset error.
class TMyDataSetOptions : public TDADataSetOptions {
public:
    explicit TMyDataSetOptions(TCustomMyDataSet* owner);

    // Every column but blobs reads as a string field.
    bool FieldsAsString() const { return fieldsAsString_; }
    void SetFieldsAsString(bool value);
    bool NullForZeroDate() const { return nullForZeroDate_; }
    void SetNullForZeroDate(bool value);
    bool CheckRowVersion() const { return checkRowVersion_; }
    void SetCheckRowVersion(bool value) { checkRowVersion_ = value; }
    // TINYINT(1) columns read as booleans.
    bool EnableBoolean() const { return enableBoolean_; }
    void SetEnableBoolean(bool value);
    bool BinaryAsString() const { return binaryAsString_; }
    void SetBinaryAsString(bool value);
    // On: the open data set re-reads its rows every AutoRefreshInterval seconds (quickly when it has
    // a row-version column); a failed refresh switches it off.
    bool AutoRefresh() const { return autoRefresh_; }
    void SetAutoRefresh(bool value);
    // Seconds.
    int AutoRefreshInterval() const { return autoRefreshInterval_; }
    void SetAutoRefreshInterval(int value);
    // On: a query that does not fetch all rows at once reads them over a second server session of
    // its own. Off: everything runs in the connection's one session.
    bool CreateConnection() const { return createConnection_; }
    void SetCreateConnection(bool value);

protected:
    void AssignTo(data::TPersistent* dest) const override;

private:
    // The open-dataset check, then the value goes to the record set.
    void SetColumnOption(bool& field, bool value, int prop, bool fieldDefsChange);
    TCustomMyDataSet* MyDataSet() const;

    bool fieldsAsString_ = false;
    bool nullForZeroDate_ = true;
    bool checkRowVersion_ = false;
    bool enableBoolean_ = true;
    bool binaryAsString_ = true;
    bool autoRefresh_ = false;
    int autoRefreshInterval_ = 60;
    bool createConnection_ = true;
};

// The query data set over a MySQL connection and its record set.
class TCustomMyDataSet : public TCustomDADataSet {
public:
    explicit TCustomMyDataSet(data::TComponent* owner = nullptr);
    ~TCustomMyDataSet() override;

    TCustomMyConnection* Connection() const;
    void SetConnection(TCustomMyConnection* value);
    TMyDataSetOptions& Options() const {
        return static_cast<TMyDataSetOptions&>(TCustomDADataSet::Options());
    }
    // Seconds; 0 waits without limit.
    int CommandTimeout() const { return commandTimeout_; }
    void SetCommandTimeout(int value);
    dataaccess::TMySQLRecordset* MyRecordSet() const;
    dataaccess::TMySQLCommand* MyICommand() const;
    std::unique_ptr<TCustomDADataSet> CreateUpdateQuery() const override;
    // "There is no active record to lock" without records.
    void Lock() override;
    // Without a session of its own for fetching, a query reads its rows in the connection's session.
    bool RowsPendingInSession() const override { return !Fetched() && !Options().CreateConnection(); }

protected:
    std::unique_ptr<TCustomDASQL> CreateCommand() override;
    std::unique_ptr<TDADataSetOptions> CreateOptions() override;
    std::unique_ptr<TDataSetService> CreateDataSetService() const override;
    void CreateRecordStore() override;
    bool IsServerRecordSet(const dataaccess::TData& store) const override;
    void SetRecordStore(std::unique_ptr<dataaccess::TData> store) override;
    void CreateFieldDefs() override;
    // An SQL list without lines: "No SQL statement provided".
    void BeforeOpenCursor(bool infoQuery) override;
    std::string SQLAddWhere(const std::string& sql, const std::string& condition) const override;

private:
    friend class TMyDataSetOptions;

    // Made on the first change of AutoRefresh.
    void EnableAutoRefresh(bool value);
    void AutoRefreshTick();

    int commandTimeout_ = 0;
    std::unique_ptr<dataaccess::TWin32Timer> autoRefreshTimer_;
};

// The query component.
class TMyQuery : public TCustomMyDataSet {
public:
    using TCustomMyDataSet::TCustomMyDataSet;
};

} // namespace components
