// The base query data set: SQL, parameters, master/detail links, refresh and updates over a connection.
#pragma once

#include "components/uDAConnectionClient.h"
#include "components/uDADataSetService.h"
#include "components/uDASQL.h"
#include "components/uDASQLGenerator.h"
#include "components/uMemDataSet.h"
#include "dataaccess/server/uCRRecordSet.h"
#include "platform/data/DataLink.h"
#include "platform/rtl/StringList.h"

namespace dataaccess {
class TWin32Timer;
}

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace components {

class TCustomDAConnection;
class TCustomDADataSet;
class TCustomDAUpdateSQL;
class TDADataSetUpdater;
class TDATransaction;

enum TCompressBlobMode : uint8_t { cbNone, cbClient, cbServer, cbClientServer };
enum TRefreshOption : uint8_t { roAfterInsert, roAfterUpdate, roBeforeEdit };
using TRefreshOptions = rtl::Set<TRefreshOption, 3>;
enum TLockMode : uint8_t { lmNone, lmPessimistic, lmOptimistic };

// The link from a detail data set to the data source of its master.
class TDADetailDataLink : public data::TDetailDataLink {
public:
    explicit TDADetailDataLink(TCustomDADataSet* dataSet) : dataSet_(dataSet) {}
    data::TDataSet* GetDetailDataSet() const override;

protected:
    // The master opened or moved: the detail follows.
    void ActiveChanged() override;
    void RecordChanged(data::TField* field) override;

private:
    TCustomDADataSet* dataSet_;
};

// The options of a query data set. Writers that reach the record set pass the value at once when
// one exists; those marked so refuse a change while the data set is open.
class TDADataSetOptions : public data::TPersistent {
public:
    explicit TDADataSetOptions(TCustomDADataSet* owner);

    bool SetFieldsReadOnly() const { return setFieldsReadOnly_; }
    void SetSetFieldsReadOnly(bool value) { setFieldsReadOnly_ = value; }
    bool RequiredFields() const { return requiredFields_; }
    void SetRequiredFields(bool value);
    bool StrictUpdate() const { return strictUpdate_; }
    void SetStrictUpdate(bool value) { strictUpdate_ = value; }
    bool NumberRange() const { return numberRange_; }
    void SetNumberRange(bool value);
    bool QueryRecCount() const { return queryRecCount_; }
    void SetQueryRecCount(bool value) { queryRecCount_ = value; }
    bool AutoPrepare() const { return autoPrepare_; }
    void SetAutoPrepare(bool value);
    bool ReturnParams() const { return returnParams_; }
    void SetReturnParams(bool value) { returnParams_ = value; }
    bool TrimFixedChar() const { return trimFixedChar_; }
    void SetTrimFixedChar(bool value);
    bool TrimVarChar() const { return trimVarChar_; }
    void SetTrimVarChar(bool value);
    // Open: refused.
    bool LongStrings() const { return longStrings_; }
    void SetLongStrings(bool value);
    bool RemoveOnRefresh() const { return removeOnRefresh_; }
    void SetRemoveOnRefresh(bool value) { removeOnRefresh_ = value; }
    // Open: refused.
    bool FlatBuffers() const { return flatBuffers_; }
    void SetFlatBuffers(bool value);
    bool QuoteNames() const { return quoteNames_; }
    void SetQuoteNames(bool value);
    // Milliseconds a detail waits before it follows its master.
    int DetailDelay() const { return detailDelay_; }
    void SetDetailDelay(int value) { detailDelay_ = value; }
    // Open: refused.
    TCompressBlobMode CompressBlobMode() const { return compressBlobMode_; }
    void SetCompressBlobMode(TCompressBlobMode value);
    bool FullRefresh() const { return fullRefresh_; }
    void SetFullRefresh(bool value) { fullRefresh_ = value; }
    // Open: refused.
    bool LocalMasterDetail() const { return localMasterDetail_; }
    void SetLocalMasterDetail(bool value);
    bool FieldsOrigin() const { return fieldsOrigin_; }
    void SetFieldsOrigin(bool value) { fieldsOrigin_ = value; }
    bool DefaultValues() const { return defaultValues_; }
    void SetDefaultValues(bool value) { defaultValues_ = value; }
    int UpdateBatchSize() const { return updateBatchSize_; }
    void SetUpdateBatchSize(int value) { updateBatchSize_ = value; }
    bool UpdateAllFields() const { return updateAllFields_; }
    void SetUpdateAllFields(bool value) { updateAllFields_ = value; }
    // The data set's own flag; open: refused.
    bool CacheCalcFields() const;
    void SetCacheCalcFields(bool value);
    // Open: refused.
    bool EnableBCD() const { return enableBCD_; }
    void SetEnableBCD(bool value);
    bool EnableFMTBCD() const { return enableFMTBCD_; }
    void SetEnableFMTBCD(bool value);

protected:
    void AssignTo(data::TPersistent* dest) const override;
    TCustomDADataSet* DataSet() const { return dataSet_; }
    // Passes a value to the record set or its command when one exists.
    void WriteRecordSetProp(int prop, const rtl::Variant& value) const;
    void WriteCommandProp(int prop, const rtl::Variant& value) const;

private:
    TCustomDADataSet* dataSet_;
    bool setFieldsReadOnly_ = false;
    bool requiredFields_ = true;
    bool strictUpdate_ = true;
    bool numberRange_ = false;
    bool queryRecCount_ = false;
    bool autoPrepare_ = false;
    bool returnParams_ = false;
    bool trimFixedChar_ = true;
    bool trimVarChar_ = false;
    bool longStrings_ = true;
    bool removeOnRefresh_ = true;
    bool flatBuffers_ = false;
    bool quoteNames_ = false;
    int detailDelay_ = 0;
    TCompressBlobMode compressBlobMode_ = cbNone;
    bool fullRefresh_ = false;
    bool localMasterDetail_ = false;
    bool fieldsOrigin_ = false;
    bool defaultValues_ = false;
    int updateBatchSize_ = 1;
    bool updateAllFields_ = false;
    bool enableBCD_ = false;
    bool enableFMTBCD_ = false;
};

// A data set's links to its connection, and what the connection asks of the data set.
class TDADataSetClient final : public TDAConnectionClient {
public:
    TDADataSetClient(TCustomDADataSet& dataSet, data::TCustomConnection::TConnectChangeEvent onConnectChange);

    void ServerConnectionChanged(dataaccess::TCRConnection* connection) override;
    // Prepared, or open with rows still to fetch.
    bool NeedsSession(bool refreshing) const override;
    bool HoldsCachedUpdates() const override;
    void ApplyCachedUpdates() override;
    void CommitCachedUpdates() override;

private:
    TCustomDADataSet& dataSet_;
};

// A data set that runs one SQL statement through a connection component and shows its rows: the
// record store is the server record set of the connection's class, the statement text, parameters
// and macros live in an owned command component.
class TCustomDADataSet : public TMemDataSet, public TDACommandOwner {
public:
    using TAfterExecuteEvent = std::function<void(TCustomDADataSet* sender, bool result)>;
    using TBeforeFetchEvent = std::function<void(TCustomDADataSet* dataSet, bool& cancel)>;
    using TAfterFetchEvent = std::function<void(TCustomDADataSet* dataSet)>;
    using TUpdateExecuteEvent =
        std::function<void(TCustomDADataSet* sender, TStatementTypes types, TDAParams& params)>;

    explicit TCustomDADataSet(data::TComponent* owner);
    ~TCustomDADataSet() override;

    // ---- Connection and transaction
    TCustomDAConnection* Connection() const { return client_.Connection(); }
    void SetConnection(TCustomDAConnection* value);
    TCustomDAConnection* UsedConnection() const override { return client_.Connection(); }
    TDATransaction* Transaction() const { return client_.Transaction(); }
    void SetTransaction(TDATransaction* value) { client_.SetTransaction(value); }
    TDATransaction* UsedTransaction() const { return client_.UsedTransaction(UsedConnection()); }

    // ---- Text, parameters, macros
    rtl::TStringList& SQL() const { return command_->SQL(); }
    void SetSQL(const std::string& text) { command_->SetSQL(text); }
    std::string SQLText() const { return command_->SQLText(); }
    TDAParams& Params() const { return command_->Params(); }
    TMacros& Macros() const { return command_->Macros(); }
    TDAParam* FindParam(std::string_view name) const { return command_->Params().FindParam(name); }
    bool ParamCheck() const { return command_->ParamCheck(); }
    void SetParamCheck(bool value) { command_->SetParamCheck(value); }
    // Off: the statement goes out as written, "&name" included.
    bool MacroCheck() const { return command_->MacroCheck(); }
    void SetMacroCheck(bool value) { command_->SetMacroCheck(value); }
    TCustomDASQL& Command() const { return *command_; }
    // Update statements of the types GetUpdateStatementTypes names; none for the others.
    rtl::TStringList* GetUpdateSQL(TStatementType type) const { return updateSQL_[type].get(); }
    void SetUpdateSQL(TStatementType type, const rtl::TStringList& lines);
    virtual TStatementTypes GetUpdateStatementTypes() const;
    // The text sent: the command's final text, then FilterSQL and the master/detail condition.
    std::string FinalSQL() const override;
    const std::string& FilterSQL() const { return filterSQL_; }
    void SetFilterSQL(const std::string& value);
    // Changing the link reopens an open data set with the condition and parameters it implies.
    const std::string& MasterFields() const { return masterFields_; }
    void SetMasterFields(const std::string& value);
    const std::string& DetailFields() const { return detailFields_; }
    void SetDetailFields(const std::string& value);
    data::TDataSource* MasterSource() const { return detailLink_->DataSource(); }
    // A source linked to this data set: "Circular datalinks are not allowed".
    void SetMasterSource(data::TDataSource* value);
    bool HasMasterDetail() const {
        return MasterSource() && !masterFields_.empty() && !detailFields_.empty();
    }
    // Parameters named after master fields take the master's values; true when one changed.
    bool SetMasterParams(TDAParams& params);
    // The master moved: refresh now, or DetailDelay milliseconds after the last move.
    void HandleMasterChange();
    void RefreshDetail();
    data::TDataSource* GetDataSource() const override { return MasterSource(); }
    // With LocalMasterDetail: the store's filter, true for a record that belongs to the master's
    // current record.
    bool LocalMasterDetailFilter(void* record);

    // ---- Editing through the updater
    TCustomDAUpdateSQL* UpdateObject() const { return updateObject_; }
    // The object's own slots must not name this data set.
    void SetUpdateObject(TCustomDAUpdateSQL* value);
    // Locks the current record on the server ("Lock is not compatible with FetchAll = False" in
    // MySQL without FetchAll).
    virtual void Lock();
    void RefreshRecord();
    // Re-reads the rows changed since the newest row-version value it holds; with `checkDeleted`
    // also drops the rows gone from the server. "Unique keyfields required" without a key.
    void RefreshQuick(bool checkDeleted);
    // The fields that identify the current record (the key, else the comparable data fields) and
    // their values: one value for one field, an array for several; unassigned without a record.
    void GetCurrentKeys(std::vector<data::TField*>& fields, rtl::Variant& values);
    // The record the cursor was on stays current when the filter still shows it.
    void SetFiltered(bool value) override;
    // The data set's field of a store descriptor; null for none.
    data::TField* FieldOfDesc(const dataaccess::TFieldDesc* desc) const;
    // "Connection is not defined" without a connection.
    void ApplyUpdates() override;
    bool AutoCommit() const { return autoCommit_; }
    void SetAutoCommit(bool value) { autoCommit_ = value; }
    // A query of this data set's class for the updater's statements.
    virtual std::unique_ptr<TCustomDADataSet> CreateUpdateQuery() const;
    // SQL clause editing of the server dialect; the text unchanged here.
    virtual std::string SQLAddWhere(const std::string& sql, const std::string& condition) const {
        return sql;
    }

    // ---- Options
    TDADataSetOptions& Options() const { return *options_; }
    void SetOptions(const TDADataSetOptions& value) { options_->Assign(&value); }
    bool Debug() const { return debug_; }
    void SetDebug(bool value) { debug_ = value; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool UniDirectional() const { return uniDirectional_; }
    void SetUniDirectional(bool value);
    bool FetchAll() const { return fetchAll_; }
    void SetFetchAll(bool value);
    int FetchRows() const { return fetchRows_; }
    // 1..10000, else "FetchRows must be 1..10000"; refused while open.
    void SetFetchRows(int value);
    TRefreshOptions RefreshOptions() const { return refreshOptions_; }
    void SetRefreshOptions(TRefreshOptions value) { refreshOptions_ = value; }
    TLockMode LockMode() const { return lockMode_; }
    void SetLockMode(TLockMode value) { lockMode_ = value; }
    const std::string& KeyFields() const { return keyFields_; }
    void SetKeyFields(const std::string& value) { keyFields_ = value; }
    const std::string& UpdatingTable() const { return updatingTable_; }
    void SetUpdatingTable(const std::string& value) { updatingTable_ = value; }

    // ---- Running
    // Runs the statement: one without rows leaves the data set closed with RowsAffected set, one
    // with rows leaves it open. Raises an error while the statement is still executing.
    virtual void Execute();
    bool Executing() const;
    int RowsAffected() const { return rowsAffected_; }
    int64_t LastInsertId() const { return lastInsertId_; }
    // Whether the statement returns rows, as far as the record set knows.
    virtual bool IsQuery() const;
    // All rows are fetched, or the cursor is gone.
    bool Fetched() const;
    // Unread rows hold the connection's session, so no other statement can run in it.
    virtual bool RowsPendingInSession() const { return false; }
    void Prepare() override;
    void UnPrepare() override;

    // ---- Record set
    dataaccess::TCRRecordSet* RecordSet() const { return recordSet_; }
    // Replaces the record store when it is missing or not of the connection's class.
    void CheckRecordStore();
    dataaccess::TFieldDesc* GetFieldDescByNo(int fieldNo) const;
    uint16_t GetFieldDataTypeByName(const std::string& name) const;
    TDADataSetService* DADataSetService() const;
    // The updating table: open, from the statement's tables; closed, the one of the last open, else
    // UpdatingTable.
    std::string PSGetTableName() const;

    // The command component's text changed: close, unprepare, forget the command type.
    void CommandSQLChanged() override;

    TAfterExecuteEvent AfterExecute;
    TBeforeFetchEvent BeforeFetch;
    TAfterFetchEvent AfterFetch;
    // Around every update statement the updater runs.
    TUpdateExecuteEvent BeforeUpdateExecute;
    TUpdateExecuteEvent AfterUpdateExecute;

protected:
    // A descendant constructs with this tag and calls Init itself, so that its own command and
    // options classes are made.
    struct TDeferInit {};
    TCustomDADataSet(data::TComponent* owner, TDeferInit);
    void Init();

    void SetRecordStore(std::unique_ptr<dataaccess::TData> store) override;
    void CreateRecordStore() override;
    // Whether the store is the record set class this data set's connection works with.
    virtual bool IsServerRecordSet(const dataaccess::TData& store) const;
    std::unique_ptr<TDataSetService> CreateDataSetService() const override;
    virtual std::unique_ptr<TCustomDASQL> CreateCommand();
    virtual std::unique_ptr<TDADataSetOptions> CreateOptions();

    // ---- Connection use: every BeginConnection is matched by one EndConnection.
    virtual void BeginConnection(bool noConnectCheck);
    virtual void EndConnection();
    virtual void Disconnect(bool abort);
    void ConnectChange(data::TCustomConnection* sender, bool connecting);

    // ---- Cursor
    void OpenCursor(bool infoQuery) override;
    void CloseCursor() override;
    void InternalOpen() override;
    void InternalClose() override;
    void DoAfterOpen() override;
    // To another query data set: connection, transaction, master/detail, texts, parameters, macros
    // and settings.
    void AssignTo(data::TPersistent* dest) const override;
    void InternalRefresh() override;
    void ReopenData() override;
    void Notification(data::TComponent* component, data::TOperation operation) override;
    virtual void BeforeOpenCursor(bool infoQuery) {}
    virtual void AfterOpenCursor(bool infoQuery) {}
    virtual void BeforeExecute() {}
    virtual void InternalExecute();
    virtual void DoAfterExecute(bool result);
    virtual void DoBeforeFetch(bool& cancel);
    virtual void DoAfterFetch();
    void ScanMacros();

    // With QueryRecCount on, a query that has not fetched everything counts the rows the server has.
    int GetRecordCount() const override;
    bool GetCanModify() const override;
    void InternalEdit() override;
    void InternalCancel() override;
    // A detail record whose link fields no longer match its master leaves the rows shown.
    void InternalPost() override;
    void DoOnNewRecord() override;
    // Constants are assigned here; the other expressions come from the server in one SELECT.
    void SetDefaultExpressionValues() override;

private:
    friend class TDADataSetClient;
    friend class TDADataSetOptions;
    friend class TDADataSetUpdater;
    friend class TDBAccessUtils;

    TDADataSetUpdater& Updater() const;
    // Sets the flag and passes it to the record set's command at once.
    void WriteAutoCommit(bool value);

    void AttachCommand();
    // Pushes the data set's settings into the record set and its command.
    void WriteRecordSetSettings();
    // Writes the parameters into the server command; with the stored-procedure call when named.
    void WriteParamsForExecution();
    std::string MasterDetailCondition() const;
    bool TraceWanted() const;
    void ReleaseExecution();
    void ReleaseOpen();
    bool ServerRecordCountWanted() const;
    void QueryServerRecordCount();
    // One link of a local detail: a store field and the master's value in its comparable form.
    struct TLocalLink {
        dataaccess::TFieldDesc* Desc = nullptr;
        bool IsNull = false;
        std::vector<uint8_t> Value;
        uint16_t ValueType = 0;
    };
    data::TDataSet* MasterDataSet() const;
    // Calls `visit` with the fields of each (master, detail) name pair until either list ends.
    template <class Visit>
    void ForEachLinkPair(Visit visit) const;
    void BuildLocalLinks();
    // Runs `change`, then closes, rescans the parameters and reopens when master/detail was or is
    // configured.
    template <class Change>
    void ChangeMasterDetail(Change change);
    void InstallLocalMasterDetail();
    bool LeftItsMaster();
    // Puts the cursor back on the record with these key values, else before the first record.
    void RelocateRecord(const std::vector<data::TField*>& fields, const rtl::Variant& values);

    TDADataSetClient client_{*this, [this](data::TCustomConnection* sender, bool connecting) {
                                 ConnectChange(sender, connecting);
                             }};
    std::unique_ptr<TCustomDASQL> command_;
    std::unique_ptr<TDADataSetOptions> options_;
    std::unique_ptr<TDADetailDataLink> detailLink_;
    std::array<std::unique_ptr<rtl::TStringList>, kStatementTypeCount> updateSQL_;
    dataaccess::TCRRecordSet* recordSet_ = nullptr;
    TCustomDAUpdateSQL* updateObject_ = nullptr;
    std::unique_ptr<dataaccess::TWin32Timer> detailTimer_;
    std::vector<TLocalLink> localLinks_;
    int fetchRows_ = 25;
    bool debug_ = false;
    bool readOnly_ = false;
    bool uniDirectional_ = false;
    bool fetchAll_ = false;
    bool autoCommit_ = true;
    TRefreshOptions refreshOptions_;
    TLockMode lockMode_ = lmNone;
    std::string keyFields_;
    std::string updatingTable_;
    // The updating table's name at the last open.
    std::string openedTableName_;
    std::string filterSQL_;
    std::string masterFields_;
    std::string detailFields_;
    int rowsAffected_ = -1;
    int64_t lastInsertId_ = 0;
    // Rows the server counted at the last open or refresh; 0 when it was not asked.
    int serverRecordCount_ = 0;
    bool traceLock_ = false;
    // One counted use of the connection for the execution, one for an open that still reads rows.
    bool executionHeld_ = false;
    bool openHeld_ = false;
    bool prepareHeld_ = false;
};

} // namespace components
