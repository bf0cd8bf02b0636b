// The service behind a query data set: key fields, field origins, updating table and SQL generation.
#pragma once

#include "components/uDASQLGenerator.h"
#include "components/uMemDataSet.h"

#include <memory>
#include <string>
#include <vector>

namespace dataaccess {
class TCRFieldDesc;
class TCRTableInfo;
class TCRTablesInfo;
} // namespace dataaccess

namespace components {

class TCustomDADataSet;
class TDADataSetUpdater;

using TFieldDescArray = std::vector<dataaccess::TFieldDesc*>;

// The service of a query data set: what depends on the statement's tables (the updating table,
// key, data and identity fields, field origins and read-only flags, name quoting) and the SQL
// generator and updater that write edits back.
class TDADataSetService : public TDataSetService {
public:
    explicit TDADataSetService(TCustomDADataSet* dataSet);
    ~TDADataSetService() override;

    TCustomDADataSet* DADataSet() const { return dataSet_; }
    TDASQLGenerator* SQLGenerator() const { return generator_.get(); }
    TDADataSetUpdater* Updater() const { return updater_.get(); }
    TDataSetUpdater* DataSetUpdater() const override;

    // After every open: the updating table, identity, read-only flags, origins and defaults.
    virtual void InitCursor();
    // The data set closed: nothing of the statement's tables is known any more.
    virtual void CloseCursor();
    // The statement's tables changed.
    void ResetTables();

    // The updating table's place in the record set's tables, -1 for none.
    int UpdatingTableIndex() const { return updatingTableIndex_; }
    virtual dataaccess::TCRTableInfo* UpdatingTableInfo() const;
    // The descriptor whose value the server generates; null for none.
    virtual dataaccess::TCRFieldDesc* IdentityField() const { return identityField_; }
    bool AnyFieldCanBeModified() const { return anyFieldCanBeModified_; }

    // Cached until the data set closes. Keys of all tables only when `allTables` and
    // KeysFromAllTables().
    const TFieldDescArray& GetKeyFieldDescs(bool allTables = false);
    const TFieldDescArray& GetDataFieldDescs(bool allTables = false);
    virtual TKeyAndDataFields GetKeyAndDataFields(bool allTables = false);
    // The quoted server name of the field's column.
    std::string GetFieldSQLName(const data::TField* field);

    virtual bool CanModify() const;
    virtual bool KeysFromAllTables() const { return false; }
    // The number of rows the statement gives, asked of the server; 0 where that is not supported.
    virtual int GetRecCount() { return 0; }
    // Opens the statement's next result; true when there was one.
    virtual bool OpenNext();
    virtual std::string QuoteName(const std::string& name) const;
    virtual std::string UnquoteName(const std::string& name) const;

    // Installs the updater and the generator of this service's class; called once by whoever
    // creates the service (a constructor cannot reach the descendant's factories).
    void CreateHelpers();

protected:
    virtual std::unique_ptr<TDASQLGenerator> CreateSQLGenerator();
    virtual std::unique_ptr<TDADataSetUpdater> CreateUpdater();

    virtual void InitUpdatingTableIndex();
    void InitFields();
    // The table and column of every data field as "table.column" (the column alone without table).
    virtual void FillFieldsOrigins();
    virtual void FillDefaultValues() {}
    virtual void SetFieldsReadOnly();
    virtual dataaccess::TCRFieldDesc* DetectIdentityField() { return nullptr; }
    virtual bool IdentityIsDataField() const { return false; }
    virtual void FillKeyFieldDescs(TFieldDescArray& descs, bool allTables);
    virtual void FillDataFieldDescs(TFieldDescArray& descs, bool allTables);
    virtual std::string GetCurrentSchema() const { return {}; }

    // The descriptors of the data set's KeyFields text; "<data set>: Key field '<name>' not found"
    // for a name without one.
    void FillNamedKeyFieldDescs(TFieldDescArray& descs) const;
    // The column lists of the table's unique indexes, the primary key first; `tableName` may be
    // qualified by its schema.
    std::vector<std::vector<std::string>> GetUniqueIndexes(const std::string& tableName);
    // Appends the descriptors of the table's first unique index that the statement selects whole.
    // A partly selected index identifies no row, so it gives nothing.
    void AppendUniqueKey(const dataaccess::TCRTableInfo* table, TFieldDescArray& descs);
    // The server descriptor behind a data field; null for other fields.
    dataaccess::TCRFieldDesc* FieldDesc(const data::TField* field) const;
    // The descriptors of the data set's data fields, in field order.
    TFieldDescArray DataFieldDescs() const;
    bool BelongsToUpdatingTable(const dataaccess::TCRFieldDesc& desc) const;
    void FillFieldOrigin(data::TField* field, const std::string& table, const std::string& column) const;
    void SetIdentityField(dataaccess::TCRFieldDesc* desc) { identityField_ = desc; }

private:
    struct TDescCache {
        TFieldDescArray Descs;
        bool Valid = false;
    };
    void InvalidateCaches();

    TCustomDADataSet* dataSet_;
    std::unique_ptr<TDADataSetUpdater> updater_;
    std::unique_ptr<TDASQLGenerator> generator_;
    int updatingTableIndex_ = -1;
    dataaccess::TCRFieldDesc* identityField_ = nullptr;
    bool anyFieldCanBeModified_ = false;
    // Updating table only, all tables.
    TDescCache keyDescs_[2];
    TDescCache dataDescs_[2];
};

} // namespace components
