// The command component: runs SQL and stored procedures over a connection with parameters and macros.
#pragma once

#include "components/uDAConnectionClient.h"
#include "components/uDAParams.h"
#include "components/uMacros.h"
#include "dataaccess/server/uCRCommand.h"
#include "platform/data/Component.h"
#include "platform/data/CustomConnection.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace components {

class TCustomDAConnection;
class TCustomDADataSet;
class TDATransaction;
class TDataTypesMap;

// Deletes a server command only when the component owns it; the command of a query data set's
// record set is borrowed.
struct TServerCommandDeleter {
    bool Owned = true;
    TServerCommandDeleter() = default;
    explicit TServerCommandDeleter(bool owned) : Owned(owned) {}
    template <class T>
    TServerCommandDeleter(std::default_delete<T>) {}
    void operator()(dataaccess::TCRCommand* command) const {
        if (Owned) delete command;
    }
};
using TServerCommandPtr = std::unique_ptr<dataaccess::TCRCommand, TServerCommandDeleter>;

class TCustomDASQL;

// The query data set a command works for: the command runs over its connection with its final text,
// and tells it when the text changed.
class TDACommandOwner {
public:
    virtual TCustomDAConnection* UsedConnection() const = 0;
    virtual std::string FinalSQL() const = 0;
    // The command's text changed.
    virtual void CommandSQLChanged() = 0;

protected:
    ~TDACommandOwner() = default;
};

// A command's links to its connection, and what the connection asks of the command.
class TDACommandClient final : public TDAConnectionClient {
public:
    TDACommandClient(TCustomDASQL& command, data::TCustomConnection::TConnectChangeEvent onConnectChange);

    TCustomDASQL* Command() const override { return &command_; }
    void ServerConnectionChanged(dataaccess::TCRConnection* connection) override;
    // A prepared statement lives in the session, except while it executes.
    bool NeedsSession(bool refreshing) const override;

private:
    TCustomDASQL& command_;
};

// Executes one SQL statement (or a stored-procedure call) that returns no rows through a server
// command of its connection: SQL text with ":name" parameters and "&name" macros, parameter values
// sent and output values read back, counted use of the connection around every execution.
class TCustomDASQL : public data::TComponent, public TDAOneShotCommand {
public:
    using TAfterExecuteEvent = std::function<void(TCustomDASQL* sender, bool result)>;

    explicit TCustomDASQL(data::TComponent* owner);
    ~TCustomDASQL() override;

    // ---- Connection and transaction
    TCustomDAConnection* Connection() const { return client_.Connection(); }
    // Registers with the new connection; the old one's prepared state is dropped.
    void SetConnection(TCustomDAConnection* value);
    TDATransaction* Transaction() const { return client_.Transaction(); }
    void SetTransaction(TDATransaction* value) { client_.SetTransaction(value); }

    // ---- Text, parameters, macros
    // The text line by line; a change through the list replaces the whole text SetSQL kept.
    rtl::TStringList& SQL() { return sql_; }
    const rtl::TStringList& SQL() const { return sql_; }
    // The same text changes nothing; another text unprepares and scans macros and parameters again.
    // The text is kept whole, byte for byte, line breaks included: it is what goes to the server.
    void SetSQL(const std::string& text);
    // The text set whole, or the list's lines joined with its line break.
    std::string SQLText() const;
    TDAParams& Params() const { return *params_; }
    // Copies the values of parameters of the same names.
    void SetParams(const TDAParams& value) { params_->AssignValues(value); }
    TDAParam* ParamByName(std::string_view name) const { return params_->ParamByName(name); }
    int ParamCount() const { return params_->Count(); }
    TMacros& Macros() const { return *macros_; }
    void SetMacros(const TMacros& value) { macros_->Assign(&value); }
    // The text sent: the SQL without trailing blanks and control characters, macros expanded; a
    // query data set's command answers its data set's final text.
    std::string FinalSQL() const;
    // Set by the query data set that owns this command; its record set's command is then used.
    TDACommandOwner* DataSet() const { return dataSet_; }
    void SetDataSet(TDACommandOwner* value) { dataSet_ = value; }

    // ---- Options
    // Off: ":name" is text, and the parameters are not rebuilt from the SQL.
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool value);
    // Off: "&name" is text, and no macros are made from the SQL.
    bool MacroCheck() const { return macroCheck_; }
    void SetMacroCheck(bool value);
    bool AutoCommit() const { return autoCommit_; }
    void SetAutoCommit(bool value);
    bool Debug() const { return debug_; }
    void SetDebug(bool value) { debug_ = value; }
    const std::string& StoredProcName() const { return storedProcName_; }
    void SetStoredProcName(const std::string& value);
    bool StoredProcIsQuery() const { return storedProcIsQuery_; }

    // ---- State
    bool Prepared() const;
    void SetPrepared(bool value);
    bool Executing() const;
    // Of the last execution; 0 without a server command.
    int RowsAffected() const;
    // The last inserted id after the last successful execution.
    int64_t InsertId() const { return insertId_; }
    dataaccess::TCRCommand* ICommand() const { return iCommand_.get(); }

    // ---- Operations
    // Holds one counted use of the connection until UnPrepare.
    virtual void Prepare();
    virtual void UnPrepare();
    // Raises an error while the command is executing. The connection is used for the execution
    // and released exactly once, also when it fails.
    virtual void Execute(int iterations = 1);
    // Puts the call of a stored routine into SQL; with `needDescription` the parameters come from
    // the routine's description on the server, otherwise from the present parameters.
    void CreateProcCall(const std::string& name, bool needDescription, bool isQuery);

    // ---- One-shot execution, as a connection's internal command
    void BindTo(TCustomDAConnection* connection, bool debug) override;
    rtl::Variant ExecuteSQLOnce(const std::string& text, const rtl::VariantArray& values) override;
    rtl::Variant ExecuteSQLNamedOnce(const std::string& text, const rtl::VariantArray& pairs) override;
    rtl::Variant ExecuteProcOnce(const std::string& name, const rtl::VariantArray& values) override;
    rtl::Variant ExecuteProcNamedOnce(const std::string& name, const rtl::VariantArray& pairs) override;

    TAfterExecuteEvent AfterExecute;

protected:
    // ---- Server command
    virtual void CreateICommand();
    virtual void SetICommand(TServerCommandPtr command);
    // Replaces a server command that is missing or of another class than the connection's; true
    // when it did.
    bool CheckICommand();
    virtual const TDataTypesMap& GetDataTypesMap() const;
    virtual TCustomDAConnection* UsedConnection() const;
    virtual TDATransaction* UsedTransaction() const { return client_.UsedTransaction(UsedConnection()); }

    // ---- Connection use
    // Raises "Connection is not defined" or "Transaction not assigned".
    virtual void BeginConnection(bool counted);
    virtual void EndConnection();
    virtual void HandleDisconnect();
    void ConnectChange(data::TCustomConnection* sender, bool connecting);

    // ---- Steps
    virtual void InternalPrepare();
    virtual void InternalUnPrepare();
    virtual void InternalExecute(int iterations);
    // Called by the server command when it finished, successfully or not.
    virtual void DoAfterExecute(bool result);
    virtual void ScanMacros();
    virtual std::string GetFinalSQL() const;
    virtual void ScanParams();
    // Unknown directions count as input-output.
    virtual bool IsUnknownParamInOut() const { return true; }
    virtual void WriteParamDesc(dataaccess::TParamDesc& desc, TDAParam& param);
    virtual void WriteParamValue(dataaccess::TParamDesc& desc, TDAParam& param);
    virtual void ReadParamDesc(TDAParam& param, const dataaccess::TParamDesc& desc);
    virtual void ReadParamValue(TDAParam& param, const dataaccess::TParamDesc& desc);
    virtual void CreateParamsFromCommand();
    void AssignParamDescs(TDAParams& params, const dataaccess::TParamDescs& descs);
    virtual void WriteParams(bool withValues);
    virtual void ReadOutParams();
    // Hands the final text to the server command.
    void AssembleSQL();
    void SQLChanged();

    void AssignTo(data::TPersistent* dest) const override;
    void Notification(data::TComponent* component, data::TOperation operation) override;

private:
    friend class TCustomDADataSet;
    friend class TDBAccessUtils;

    void PrepareProcCall(const std::string& name);
    void ReleaseExecution();
    bool IsInput(const TDAParam& param) const;
    bool ConvertLineBreaks() const;
    bool TraceWanted() const;

    TDACommandClient client_{*this, [this](data::TCustomConnection* sender, bool connecting) {
                                 ConnectChange(sender, connecting);
                             }};
    rtl::TStringList sql_;
    // The text as SetSQL got it, while the list has not been changed line by line since.
    std::string wholeText_;
    bool hasWholeText_ = false;
    bool settingWholeText_ = false;
    std::unique_ptr<TDAParams> params_;
    std::unique_ptr<TMacros> macros_;
    TServerCommandPtr iCommand_;
    TDACommandOwner* dataSet_ = nullptr;
    bool paramCheck_ = true;
    bool macroCheck_ = true;
    bool autoCommit_ = false;
    bool debug_ = false;
    bool traceLock_ = false;
    bool assembleLock_ = false;
    bool macroLock_ = false;
    bool scanningMacros_ = false;
    bool paramScanLock_ = false;
    // An execution holds a counted use of the connection until its end is handled.
    bool executionHeld_ = false;
    std::string storedProcName_;
    bool storedProcIsQuery_ = false;
    int64_t insertId_ = 0;
};

} // namespace components
