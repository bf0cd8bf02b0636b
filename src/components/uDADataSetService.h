#pragma once

#include "components/uMemDataSet.h"

#include <memory>

namespace components {

class TCustomDADataSet;
class TDADataSetUpdater;
class TDASQLGenerator;

// The service of a query data set: what depends on the statement's tables (field origins, key and
// identity fields) and the SQL generator and updater that write edits back.
class TDADataSetService : public TDataSetService {
public:
    explicit TDADataSetService(TCustomDADataSet* dataSet);
    ~TDADataSetService() override;

    TCustomDADataSet* DADataSet() const { return dataSet_; }
    TDASQLGenerator* SQLGenerator() const { return generator_.get(); }
    TDADataSetUpdater* Updater() const { return updater_.get(); }
    TDataSetUpdater* DataSetUpdater() const override;

    // After every open: field origins when the data set asks for them.
    virtual void InitCursor();
    // The data set closed.
    virtual void CloseCursor() {}
    // The table and column of every data field as "table.column" (the column alone without table).
    virtual void FillFieldsOrigins();

    // Installs the updater and the generator of this service's class; called once by whoever
    // creates the service (a constructor cannot reach the descendant's factories).
    void CreateHelpers();

protected:
    virtual std::unique_ptr<TDASQLGenerator> CreateSQLGenerator();
    virtual std::unique_ptr<TDADataSetUpdater> CreateUpdater();

private:
    TCustomDADataSet* dataSet_;
    std::unique_ptr<TDADataSetUpdater> updater_;
    std::unique_ptr<TDASQLGenerator> generator_;
};

} // namespace components
