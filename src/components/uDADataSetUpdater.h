#pragma once

#include "dataaccess/uData.h"
#include "platform/data/DBTypes.h"

namespace components {

class TCustomDADataSet;
class TDADataSetService;
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

private:
    // Runs one immediate change unless the data set updates only locally; Modified survives it.
    template <class Apply>
    void HandleChange(Apply apply);

    TDataSetService* dataSetService_;
    TMemDataSet* memDataSet_;
};

// Applies the edits of a query data set to the server through update statements.
class TDADataSetUpdater : public TDataSetUpdater {
public:
    explicit TDADataSetUpdater(TDADataSetService* service);

    TDADataSetService* Service() const { return service_; }
    TCustomDADataSet* DataSet() const;
    // The data set closes: the update statements prepared for it are released.
    virtual void UnPrepareUpdateObjects() {}

private:
    TDADataSetService* service_;
};

} // namespace components
