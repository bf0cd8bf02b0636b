// The abstract server command: SQL text, parameters and execution.
#pragma once

#include "dataaccess/store/uStringBuilder.h"
#include "platform/rtl/Variant.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace data {
class TComponent;
}

namespace dataaccess {

class TCRConnection;
class TCRTransaction;
class TParser;
class TSharedObject;
class TSQLParser;
class TTableInfoClass;

// Direction of a parameter.
enum TParamDirection : uint8_t { pdUnknown, pdInput, pdOutput, pdInputOutput, pdResult };

// Where a command's blob values are compressed (property 30).
enum TCompressBlobMode : uint8_t { cbNone, cbClient, cbServer, cbClientServer };

// The state of a command's server cursor, kept by the server class.
using TCursorState = uint8_t;
inline constexpr TCursorState csInactive = 0;
inline constexpr TCursorState csPrepared = 3;
inline constexpr TCursorState csExecuting = 6;
inline constexpr TCursorState csExecuted = 7; // a result set is pending
inline constexpr TCursorState csFetching = 8;
inline constexpr TCursorState csFetchingAll = 9; // set by the data-set components
inline constexpr TCursorState csFetched = 10;

// One parameter of a command: name, type, direction, size and value. A blob value is an object
// the descriptor refers to without owning it.
class TParamDesc {
public:
    TParamDesc() = default;
    virtual ~TParamDesc() = default;
    TParamDesc(const TParamDesc&) = delete;
    TParamDesc& operator=(const TParamDesc&) = delete;

    static std::unique_ptr<TParamDesc> Create() { return std::make_unique<TParamDesc>(); }

    virtual void SetDataType(uint16_t value) { dataType_ = value; }
    virtual void SetSubDataType(uint16_t value) { subDataType_ = value; }
    virtual void SetSize(int32_t value) { size_ = value; }
    // Empty while the value is an object (GetObject gives it).
    virtual rtl::Variant GetValue() const { return value_; }
    // Is-null becomes whether the value is Empty or Null; returns it.
    virtual bool SetValue(const rtl::Variant& value);
    // nullptr for an Empty or Null value; any other value that is not an object fails an assertion.
    virtual TSharedObject* GetObject() const;
    virtual void SetObject(TSharedObject* value);
    virtual bool GetNull() const { return isNull_; }
    // A value that is not an object is emptied, whichever flag is set.
    virtual void SetNull(bool value);
    virtual void SetIsBound(bool value) { isBound_ = value; }
    virtual bool GetNational() const { return national_; }
    virtual void SetNational(bool value) { national_ = value; }

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& value) { name_ = value; }
    uint16_t GetDataType() const { return dataType_; }
    uint16_t GetSubDataType() const { return subDataType_; }
    TParamDirection GetParamType() const { return paramType_; }
    void SetParamType(TParamDirection value) { paramType_ = value; }
    int32_t GetSize() const { return size_; }
    bool GetIsBound() const { return isBound_; }
    bool GetConvertLineBreaks() const { return convertLineBreaks_; }
    void SetConvertLineBreaks(bool value) { convertLineBreaks_ = value; }

private:
    std::string name_;
    uint16_t dataType_ = 0;
    uint16_t subDataType_ = 0;
    TParamDirection paramType_ = pdUnknown;
    int32_t size_ = 0;
    rtl::Variant value_;
    TSharedObject* object_ = nullptr;
    bool isNull_ = false;
    bool isBound_ = true;
    bool convertLineBreaks_ = false;
    bool national_ = false;
};

using TParamDescClass = std::unique_ptr<TParamDesc> (*)();

// The descriptors of a command, in order of appearance; owned.
class TParamDescs {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises "List index out of bounds (%d)".
    TParamDesc* Items(int index) const;
    TParamDesc* Add(std::unique_ptr<TParamDesc> item);
    void Delete(int index);
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TParamDesc>> items_;
};

// Makes a lexer of a server's SQL dialect over a text.
using TSQLParserClass = std::unique_ptr<TSQLParser> (*)(std::string text);

// The server-neutral SQL command: the user's SQL with its ":name" parameters turned into "?"
// markers, one descriptor each, and the options under numeric property codes. Server classes
// implement preparing, executing and the cursor state.
class TCRCommand {
public:
    TCRCommand() = default;
    virtual ~TCRCommand() = default;
    TCRCommand(const TCRCommand&) = delete;
    TCRCommand& operator=(const TCRCommand&) = delete;

    // The lexer stands just after a colon: turns what follows into a parameter (appended to
    // `params` with "?" written, or written back as ":" + prefix + name when only `renamePrefix`
    // is given), or writes the colon and the lexeme back as text.
    virtual void ParseParam(AnsiStringBuilder& sql, TParser& parser, const std::string& renamePrefix,
                            char rightQuote, char leftQuote, TParamDescs* params);
    virtual void Prepare() { SetCursorState(csPrepared); }
    virtual void Unprepare() { SetCursorState(csInactive); }
    virtual bool GetPrepared() const = 0;
    virtual void Execute(int iterations = 1) = 0;
    virtual void SetConnection(TCRConnection* connection) { connection_ = connection; }
    virtual void SetTransaction(TCRTransaction* transaction) { transaction_ = transaction; }
    virtual TCursorState GetCursorState() const = 0;
    virtual void SetCursorState(TCursorState value) = 0;
    // Server classes override these two; the base fails an assertion.
    virtual const TTableInfoClass& GetTableInfoClass() const;
    virtual TSQLParserClass GetParserClass() const;
    // Nothing happens for the current user SQL. Otherwise the text becomes the user SQL and,
    // unless parameter scanning is disabled (property 32), is scanned for parameters into the SQL.
    virtual void SetSQL(const std::string& value);
    // The text with its parameters replaced; `params` (cleared first) receives their descriptors.
    // Strings, quoted identifiers and comments are never scanned.
    virtual std::string ParseSQL(const std::string& sql, TParamDescs* params,
                                 const std::string& renamePrefix);
    // The call text of a stored routine, with its descriptors.
    virtual std::string CreateProcCall(const std::string& name, bool needDescription) = 0;
    virtual TParamDescClass GetParamDescClass() const { return &TParamDesc::Create; }
    // A new descriptor appended to the command's parameters.
    virtual TParamDesc* AddParam();
    virtual int GetOptionalValue() const { return 0; }
    // Raises "Operation is not supported by the database".
    virtual void SetOptionalValue(int value);
    virtual bool SetProp(int prop, const rtl::Variant& value);
    virtual bool GetProp(int prop, rtl::Variant& value);

    void DeleteParam(int index) { params_.Delete(index); }
    int ParamCount() const { return params_.Count(); }
    TParamDesc* GetParam(int index) const { return params_.Items(index); }
    TParamDescs& Params() { return params_; }
    // The user SQL scanned again into the SQL, the parameters rebuilt.
    void ReparseSQL(const std::string& renamePrefix);

    const std::string& SQL() const { return sql_; }
    const std::string& UserSQL() const { return userSQL_; }
    TCRConnection* Connection() const { return connection_; }
    TCRTransaction* Transaction() const { return transaction_; }
    // The component on whose behalf the command runs; put into errors and traces. Not owned.
    data::TComponent* Component() const { return component_; }
    void SetComponent(data::TComponent* component) { component_ = component; }
    bool AutoCommit() const { return autoCommit_; }
    bool Executing() const { return executing_; }
    bool ScanParams() const { return scanParams_; }
    bool DisableParamScan() const { return disableParamScan_; }
    bool QuoteNames() const { return quoteNames_; }
    TCompressBlobMode CompressBlobMode() const { return compressBlobMode_; }
    bool EnableBCD() const { return enableBCD_; }
    bool EnableFMTBCD() const { return enableFMTBCD_; }

    // Installed by the component: true after a successful execution, false after a failed one.
    std::function<void(bool result)> OnAfterExecute;
    // Installed by the component: output parameter values were read into the descriptors.
    std::function<void()> OnReadParams;

protected:
    std::string sql_;
    std::string userSQL_;
    // Read by other threads (BreakExec, the components' Executing) while a statement runs.
    std::atomic<bool> executing_ = false;

private:
    data::TComponent* component_ = nullptr;
    TCRConnection* connection_ = nullptr;
    TCRTransaction* transaction_ = nullptr;
    TParamDescs params_;
    bool autoCommit_ = false;
    bool scanParams_ = true;
    bool disableParamScan_ = false;
    bool quoteNames_ = false;
    TCompressBlobMode compressBlobMode_ = cbNone;
    bool enableBCD_ = false;
    bool enableFMTBCD_ = false;
};

} // namespace dataaccess
