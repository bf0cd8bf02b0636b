// The abstract server record set: a command's result fetched into the record store.
#pragma once

#include "dataaccess/server/uCRCommand.h"
#include "dataaccess/server/uCRTableInfo.h"
#include "dataaccess/store/uFieldDesc.h"
#include "dataaccess/store/uMemData.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace data {
class TComponent;
}

namespace dataaccess {

class TCRConnection;
class TCRRecordSet;
class TCRTransaction;

// What the last execution of a record set's command gave.
enum TCommandType : uint8_t { ctUnknown = 0, ctStatement = 1, ctCursor = 2 };

// A column of a server result: knows the table it comes from (none for an expression).
class TCRFieldDesc : public TFieldDesc {
public:
    static std::unique_ptr<TFieldDesc> Create() { return std::make_unique<TCRFieldDesc>(); }

    // Not owned.
    TCRTableInfo* TableInfo() const { return tableInfo_; }
    void SetTableInfo(TCRTableInfo* value) { tableInfo_ = value; }
    // The server name normalized by the table's quoting rules (by the record set's for a column
    // without a table), quoted when needed or always; kept after the first use.
    virtual const std::string& GetActualNameQuoted(const TCRRecordSet& recordSet, bool alwaysQuote);

private:
    TCRTableInfo* tableInfo_ = nullptr;
    std::string actualNameQuoted_[2];
    bool quotedKnown_[2] = {false, false};
};

// The record store filled from a command: runs it and reads its rows in blocks, on demand or all
// at once. Server classes give it their command and implement Fetch, which reads one block into
// the store and reports whether rows came.
class TCRRecordSet : public TMemData {
public:
    explicit TCRRecordSet(std::unique_ptr<TCRCommand> command);
    ~TCRRecordSet() override;

    bool GetConvertLineBreaks() const override;
    // The command's prepare; for a statement known to return rows the record layout as well.
    void Prepare() override;
    // Also forgets the tables.
    void Unprepare() override;
    TFieldDescClass GetFieldDescClass() const override { return &TCRFieldDesc::Create; }
    // Fetches further blocks when the rows run out. Unidirectional reading keeps only the block
    // being read.
    void GetNextRecord(void* record) override;
    void GetPriorRecord(void* record) override;
    // The end of data stays only while the command has no more rows.
    bool FilterUpdated() override;
    // A local sort needs every row: the rest of the result is fetched first.
    void SortItems() override;
    // The sort type becomes the connection's default.
    void GetSortDefaults(bool& descending, TSortType& sortType) const override;

    virtual bool ReinitFieldsAfterExecute() const { return false; }
    virtual void ExecuteAndFetch();
    virtual void DoBeforeFetch(bool& cancel);
    virtual void DoAfterFetch();
    // The SQL of a closed record set changed: its command is unprepared.
    virtual void ResetForNewSQL();
    virtual void ExecCommand();
    void FetchAll();
    // The next fetch is cancelled (the before-fetch event may still decide otherwise).
    virtual void BreakFetch() { waitForFetchBreak_ = true; }
    // True when the command's cursor is inactive or all its rows are fetched.
    virtual bool IsFetchComplete() const;
    virtual bool ReturnsRows() const { return commandType_ == ctCursor; }
    virtual void SetConnection(TCRConnection* connection) { command_->SetConnection(connection); }
    virtual void SetTransaction(TCRTransaction* transaction) { command_->SetTransaction(transaction); }
    virtual void SetSQL(const std::string& sql) { command_->SetSQL(sql); }
    virtual bool SetProp(int prop, const rtl::Variant& value);
    virtual bool GetProp(int prop, rtl::Variant& value);
    // Whether located strings must match exactly.
    virtual bool ExactStringMatch() const { return true; }

    TCRCommand* Command() const { return command_.get(); }
    data::TComponent* OwnerComponent() const { return command_->Component(); }
    void SetOwnerComponent(data::TComponent* component) { command_->SetComponent(component); }
    const TTableInfoClass& GetTableInfoClass() const { return command_->GetTableInfoClass(); }
    TCRTablesInfo& TablesInfo() { return *tablesInfo_; }
    TCommandType CommandType() const { return commandType_; }
    void SetCommandType(TCommandType value) { commandType_ = value; }

    bool UniDirectional() const { return uniDirectional_; }
    int32_t FetchRows() const { return fetchRows_; }
    bool FetchAllOption() const { return fetchAll_; }
    bool LongStrings() const { return longStrings_; }
    bool FlatBuffers() const { return flatBuffers_; }

    // Installed by the data set: the fetch of a block starts (setting cancel skips it) and ends.
    std::function<void(TCRRecordSet& recordSet, bool& cancel)> OnBeforeFetch;
    std::function<void(TCRRecordSet& recordSet)> OnAfterFetch;
    // Installed by the data set for asynchronous fetching, which this program never selects.
    std::function<void(bool result)> OnAfterExecFetch;
    std::function<void(bool result)> OnAfterFetchAll;
    std::function<void()> OnDataChanged;

protected:
    void InternalPrepare() override { command_->Prepare(); }
    void InternalUnprepare() override { command_->Unprepare(); }
    void InternalOpen() override;

    bool waitForFetchBreak_ = false;

private:
    // The first visible item after the current position, or nullptr when the rows ran out.
    PItemHeader NextVisibleItem();

    std::unique_ptr<TCRCommand> command_;
    bool uniDirectional_ = false;
    int32_t fetchRows_ = 25;
    bool fetchAll_ = false;
    bool lockFetchAll_ = false;
    bool longStrings_ = true;
    bool flatBuffers_ = true;
    TCommandType commandType_ = ctUnknown;
    std::unique_ptr<TCRTablesInfo> tablesInfo_;
};

} // namespace dataaccess
