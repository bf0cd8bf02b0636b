// Writes a data set's inserts, updates and deletes to the server, at once or from the cache.
#pragma once

#include "components/uDASQLGenerator.h"
#include "dataaccess/store/uData.h"
#include "platform/data/DBTypes.h"
#include "platform/rtl/Variant.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace data {
class TField;
}

namespace components {

class TCustomDADataSet;
class TDADataSetService;
class TDAParams;
class TDATransaction;
class TDataSetService;
class TMemDataSet;

// Applies the changes of a memory data set: at once while cached updates are off, through the apply
// driver while the store applies its cache. The base writes nothing anywhere.
class TDataSetUpdater {
public:
    explicit TDataSetUpdater(TDataSetService* service);
    virtual ~TDataSetUpdater() = default;
    TDataSetUpdater(const TDataSetUpdater&) = delete;
    TDataSetUpdater& operator=(const TDataSetUpdater&) = delete;

    TDataSetService* DataSetService() const { return dataSetService_; }
    TMemDataSet* MemDataSet() const { return memDataSet_; }

    virtual bool ApplyInsert() { return true; }
    virtual bool ApplyDelete() { return true; }
    virtual bool ApplyUpdate() { return true; }
    virtual bool IsBatchMode() const { return false; }
    virtual bool IsBatchFull() const { return false; }
    virtual void FlushBatch() {}

    // The store is about to change its copy of a record; an exception keeps the copy unchanged.
    void HandleAppend();
    void HandleDelete();
    void HandleUpdate();
    // Applies one cached record: OnUpdateRecord, the default processing, OnUpdateError. `action`
    // goes back to the store.
    void HandleApplyRecord(data::TUpdateKind kind, dataaccess::TUpdateRecAction& action, bool lastItem);
    // True while a cached record is applied.
    bool ApplyingCache() const { return applyingCache_; }

private:
    // Runs one immediate change unless the data set updates only locally; Modified survives it.
    template <class Apply>
    void HandleChange(Apply apply);

    TDataSetService* dataSetService_;
    TMemDataSet* memDataSet_;
    bool applyingCache_ = false;
};

// Applies the edits of a query data set to the server through update statements, locks and
// re-reads records. Each statement type has an internal query of its own, made on first use.
class TDADataSetUpdater : public TDataSetUpdater {
public:
    explicit TDADataSetUpdater(TDADataSetService* service);
    ~TDADataSetUpdater() override;

    TDADataSetService* Service() const { return service_; }
    TCustomDADataSet* DataSet() const;

    bool ApplyInsert() override;
    bool ApplyDelete() override;
    bool ApplyUpdate() override;
    bool IsBatchMode() const override;
    bool IsBatchFull() const override;
    void FlushBatch() override;

    // The data set closes: the update statements prepared for it are released.
    virtual void UnPrepareUpdateObjects();
    // Before the data set edits: refresh and lock as RefreshOptions and LockMode ask.
    virtual void BeforeEdit();
    virtual void BeforeCancel();
    virtual void LockRecord();
    // Ends a held lock by rollback; errors are ignored.
    void ReleaseLock();
    bool LockHeld() const { return lockTransaction_ != nullptr; }
    virtual void RefreshRecord();
    // Merges the rows the server changed since the newest row version held, and with
    // `checkDeleted` drops the rows the server no longer has; the cursor stays on its key.
    void RefreshQuick(bool checkDeleted);
    // Runs `sql` (or the text chosen for the types) for the current record; false when there was
    // nothing to run.
    bool RunUpdateStatement(const std::string& sql, TStatementTypes types);
    // A value the updater can give a default expression without the server; none here.
    virtual bool GetDefaultValue(const std::string& expression, rtl::Variant& value) { return false; }
    // The internal query of a type, made on first use.
    TCustomDADataSet& UpdateQuery(TStatementType type);
    // The component of the statement last prepared: an update object's, else an internal query.
    data::TComponent* UpdateComponent() const { return updateComponent_; }

    bool CheckRecordOnLock() const { return checkRecordOnLock_; }
    void SetCheckRecordOnLock(bool value) { checkRecordOnLock_ = value; }

protected:
    virtual bool NeedRefreshAfterInsert() const { return true; }
    virtual bool NeedReturnParams() const;
    virtual bool CanRefreshByLock() const;
    virtual bool GetIdentityFieldValue(rtl::Variant& value) { return false; }
    virtual bool SavepointsSupported() const { return true; }
    virtual void BeginLockTransaction();
    virtual data::TField* FindParamField(const std::string& name, bool& old, int& fieldNo) const;
    virtual std::string GetDataSetUpdateSQL(TStatementType type) const;
    virtual void ConfigureUpdateComponent(TStatementType type, TCustomDADataSet& query) {}
    virtual bool ValuesEqual(const rtl::Variant& a, const rtl::Variant& b) const;
    virtual std::string BatchSQLText(const std::string& text) const { return text; }
    // A re-read row-version value of the named field; the newest one bounds the next quick refresh.
    virtual void SaveMaxTimestamp(const std::string& fieldName, const rtl::Variant& value) {}

private:
    struct TPrepared;

    TDATransaction* TransactionFor(TStatementType type) const;
    // Chooses the component and the text; `useGenerator` lets the generator write a missing text.
    void PrepareUpdateStatement(const std::string& sql, TStatementTypes types, TPrepared& prepared);
    void FillParams(TStatementTypes types, const TPrepared& prepared);
    void AddToBatch(TDAParams& params);
    void ExecuteUpdateStatement(TStatementTypes types, const TPrepared& prepared);
    // A keyless generated UPDATE or DELETE runs only when its conditions match exactly one row.
    void CheckKeylessMatch(TStatementType type);
    void CopyRecord(TCustomDADataSet& source, TStatementTypes types);
    // Writes the current record of `source` into a store record, field by field.
    void WriteSourceRecord(TCustomDADataSet& source, void* record) const;
    // The source holds the keys the server still has: every other row leaves the store.
    void RemoveDeletedRecords(TCustomDADataSet& source);
    // The source holds re-read rows: each replaces the row of its key, or joins the store.
    void MergeRefreshedRecords(TCustomDADataSet& source);
    // The data set's key fields and their namesakes in `source`.
    void KeyFieldsOf(TCustomDADataSet& source, std::vector<data::TField*>& own,
                     std::vector<data::TField*>& theirs) const;
    void ReturnParamsToRecord(const TPrepared& prepared);
    void RefreshRecordInUpdate();
    void SetIdentityFieldValue();
    void FinishLock(bool ran);
    std::string LockSavepoint() const;

    TDADataSetService* service_;
    std::array<std::unique_ptr<TCustomDADataSet>, kStatementTypeCount> updateQueries_;
    data::TComponent* updateComponent_ = nullptr;
    std::string batchText_;
    std::unique_ptr<TDAParams> batchParams_;
    int batchCount_ = 0;
    TDATransaction* lockTransaction_ = nullptr;
    bool ownsLockTransaction_ = false;
    bool checkRecordOnLock_ = true;
    bool refreshingInUpdate_ = false;
};

} // namespace components
