#pragma once

#include "components/uDASQLGenerator.h"
#include "components/uMemDataSet.h"

#include <memory>

namespace dataaccess {
class TCRTableInfo;
class TFieldDesc;
} // namespace dataaccess

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

    // The table that edits go to: the one UpdatingTable names (by name or alias), else the first;
    // none without tables.
    dataaccess::TCRTableInfo* UpdatingTableInfo() const;
    // The key columns (KeyFields, else those the server reports) and the writable columns of the
    // updating table.
    virtual void GetKeyAndDataFields(TKeyAndDataFields& fields, bool allTables) const;
    // The column the server fills on insert; none here.
    virtual dataaccess::TFieldDesc* IdentityField() const { return nullptr; }

    // Installs the updater and the generator of this service's class; called once by whoever
    // creates the service (a constructor cannot reach the descendant's factories).
    void CreateHelpers();

protected:
    // The descriptors of the KeyFields text; "%s: Key field '%s' not found" for an unknown name.
    std::vector<dataaccess::TFieldDesc*> NamedKeyFields() const;
    // Whether a descriptor belongs to the updating table.
    bool OfUpdatingTable(const dataaccess::TFieldDesc& desc) const;
    virtual std::unique_ptr<TDASQLGenerator> CreateSQLGenerator();
    virtual std::unique_ptr<TDADataSetUpdater> CreateUpdater();

private:
    TCustomDADataSet* dataSet_;
    std::unique_ptr<TDADataSetUpdater> updater_;
    std::unique_ptr<TDASQLGenerator> generator_;
};

} // namespace components
