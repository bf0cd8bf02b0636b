// The update object: the statements or components that store a data set's changes.
#pragma once

#include "components/uDASQLGenerator.h"
#include "platform/data/Component.h"
#include "platform/data/DBTypes.h"
#include "platform/rtl/StringList.h"

#include <array>
#include <memory>
#include <string>

namespace components {

class TCustomDADataSet;

// An update object: the statements that store a data set's changes and re-read its records, as SQL
// texts or as components (data sets or commands) that run their own text.
class TCustomDAUpdateSQL : public data::TComponent {
public:
    explicit TCustomDAUpdateSQL(data::TComponent* owner = nullptr);
    ~TCustomDAUpdateSQL() override;

    // The list of a type; null for the types without one.
    rtl::TStringList* SQL(TStatementType type) const { return sql_[type].get(); }
    void SetSQL(TStatementType type, const rtl::TStringList& lines);
    rtl::TStringList& InsertSQL() const { return *sql_[stInsert]; }
    rtl::TStringList& ModifySQL() const { return *sql_[stUpdate]; }
    rtl::TStringList& DeleteSQL() const { return *sql_[stDelete]; }
    rtl::TStringList& RefreshSQL() const { return *sql_[stRefresh]; }
    rtl::TStringList& LockSQL() const { return *sql_[stLock]; }
    rtl::TStringList& GetSQLForUpdateKind(data::TUpdateKind kind) const;

    data::TComponent* Object(TStatementType type) const { return objects_[type]; }
    // Only the data set and command classes, and never the own data set: "Circular references are
    // not allowed between TCustomDADataset and TCustomDAUpdateSQL objects", "Only %s and %s objects
    // are allowed in update properties".
    void SetObject(TStatementType type, data::TComponent* value);
    data::TComponent* InsertObject() const { return objects_[stInsert]; }
    void SetInsertObject(data::TComponent* value) { SetObject(stInsert, value); }
    data::TComponent* ModifyObject() const { return objects_[stUpdate]; }
    void SetModifyObject(data::TComponent* value) { SetObject(stUpdate, value); }
    data::TComponent* DeleteObject() const { return objects_[stDelete]; }
    void SetDeleteObject(data::TComponent* value) { SetObject(stDelete, value); }
    data::TComponent* RefreshObject() const { return objects_[stRefresh]; }
    void SetRefreshObject(data::TComponent* value) { SetObject(stRefresh, value); }
    data::TComponent* LockObject() const { return objects_[stLock]; }
    void SetLockObject(data::TComponent* value) { SetObject(stLock, value); }

    // The data set that names this object as its update object; set by that data set.
    TCustomDADataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TCustomDADataSet* value) { dataSet_ = value; }
    // Raises when an object slot would refer to `dataSet` or to a foreign class.
    void CheckObjects(const TCustomDADataSet* dataSet) const;

    // Runs the text of the update kind for the data set's current record.
    void Apply(data::TUpdateKind kind) { ExecSQL(kind); }
    void ExecSQL(data::TUpdateKind kind);

protected:
    // The classes allowed in the object slots, and their names for the error text.
    virtual bool IsDataSetClass(const data::TComponent* component) const;
    virtual bool IsSQLClass(const data::TComponent* component) const;
    virtual std::string DataSetClassName() const { return "TCustomDADataSet"; }
    virtual std::string SQLClassName() const { return "TCustomDASQL"; }
    void Notification(data::TComponent* component, data::TOperation operation) override;
    void AssignTo(data::TPersistent* dest) const override;

private:
    void CheckObject(const data::TComponent* value, const TCustomDADataSet* dataSet) const;

    std::array<std::unique_ptr<rtl::TStringList>, kStatementTypeCount> sql_;
    std::array<data::TComponent*, kStatementTypeCount> objects_{};
    TCustomDADataSet* dataSet_ = nullptr;
};

} // namespace components
