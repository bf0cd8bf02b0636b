// The MySQL server connection and transaction over the API object it chooses.
#pragma once

#include "dataaccess/mysql/uMySQLAPI.h"
#include "dataaccess/server/uCRConnection.h"
#include "dataaccess/server/uCRTransaction.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dataaccess {

class EMyError;
class TMySQLAPIEmbedded;

// Property codes of the MySQL connection, after those of TCRConnection.
inline constexpr int prConnectionTimeout = 1001;
inline constexpr int prCompress = 1007;
inline constexpr int prCharset = 1009;
inline constexpr int prProtocol = 1011;
inline constexpr int prUseUnicode = 1018;
inline constexpr int prEmbParams = 1019;
inline constexpr int prChipherList = 1020;
inline constexpr int prCACert = 1021;
inline constexpr int prKey = 1022;
inline constexpr int prCert = 1023;
inline constexpr int prEmbedded = 1030;
inline constexpr int prDirect = 1031;
inline constexpr int prDecimalPrecision = 1032;
inline constexpr int prOptimizedBigInt = 1033;
inline constexpr int prCheckBackslashes = 1035;
inline constexpr int prBackslashEscapes = 1036;

enum TMyProtocol : uint8_t { mpDefault, mpTCP, mpSocket, mpPipe, mpMemory, mpSSL };

// A MySQL server connection: chooses the API object every call goes through, connects with the
// options the components set, puts the session into the wanted character set, and turns every
// failed call into an EMyError that passes through the error handling of TCRConnection.
class TMySQLConnection : public TCRConnection {
public:
    TMySQLConnection();
    ~TMySQLConnection() override;

    // With a handler that clears `fail` the error ends in a silent abort (RaiseError). On a
    // connection whose errors go straight to the handler, it is asked once and cannot reconnect.
    void HandleError(EDAError& error, bool& fail) override;
    TCRTransactionClass GetTransactionClass() const override;
    // Nothing when connected. A failure disconnects and passes on.
    void Connect(const std::string& connectString) override;
    void Disconnect() override;
    void AssignConnect(TCRConnection* source) override;
    // True when two pings in a row succeed; also stored as the valid flag.
    void CheckIsValid() override;
    std::string GetServerVersion() override;
    std::string GetServerVersionFull() override;
    std::string GetClientVersion() override;
    bool SetProp(int prop, const rtl::Variant& value) override;
    bool GetProp(int prop, rtl::Variant& value) override;

    // Raise the connection's error when a pointer result is none, a status is not 0, or the
    // handle reports an error; the statement's error for a statement status.
    virtual void CheckHandle(const void* value, data::TComponent* component);
    virtual void CheckStatus(int value, data::TComponent* component);
    virtual void CheckLastError(data::TComponent* component);
    virtual void CheckStmtStatus(PMYSQL_STMT stmt, int value, data::TComponent* component);

    // Stores the database; on a connected connection a non-empty one is selected.
    void SetDatabase(const std::string& value);
    [[noreturn]] void RaiseError(data::TComponent* component);
    [[noreturn]] void RaiseStmtError(PMYSQL_STMT stmt, data::TComponent* component);
    // "SET NAMES" for UseUnicode (utf8mb4 where the server has it) or the Charset.
    void ApplyCharset();
    // Copies the settings a second connection to the same server needs (not the TLS settings).
    void CopySettings(const TMySQLConnection& source);
    // Runs the statements of `sql` (UTF-8) and drops their results, with the connection timeout
    // as the read and write timeouts.
    void ExecSQL(const std::string& sql);
    // The client library, the embedded server or the library's own wire protocol, by the Embedded
    // and Direct properties.
    virtual void SelectAPI();
    bool IsClient41() const;
    bool IsServer41() const;
    // Whether string literals may use backslash escapes: false while the session's sql_mode holds
    // NO_BACKSLASH_ESCAPES. Read from the server's last reply, so a change of sql_mode in the
    // session counts at once.
    bool BackslashEscapes() const;

    TMySQLAPI* API() const { return api_; }
    PMYSQL_CON Handle() const { return handle_; }
    const std::string& Database() const { return database_; }
    int ServerMajor() const { return serverVersion_.Major; }
    int ServerMinor() const { return serverVersion_.Minor; }
    int ServerRelease() const { return serverVersion_.Release; }
    bool UseUnicode() const { return useUnicode_; }
    const std::vector<std::string>& EmbeddedParams() const { return embParams_; }
    // Set on the extra connections record sets open for fetching.
    void SetErrorsToHandler(bool value) { errorsToHandler_ = value; }

    // Installed by the component: a not yet connected connection for on-demand fetching, and its
    // release.
    std::function<TMySQLConnection*()> OnGetFetchConnection;
    std::function<void(TMySQLConnection*)> OnReleaseFetchConnection;

protected:
    void SetAPI(TMySQLAPI* api) { api_ = api; }

private:
    void SetConnectionOptions();
    unsigned long ClientFlags() const;

    TMySQLAPI* api_ = nullptr;
    PMYSQL_CON handle_ = nullptr;
    std::string database_;
    unsigned int port_ = 0;
    bool compress_ = false;
    bool useUnicode_ = false;
    std::string charset_;
    unsigned int connectionTimeout_ = 15;
    TMyProtocol protocol_ = mpDefault;
    bool optimizedBigInt_ = false;
    bool embedded_ = false;
    bool direct_ = true;
    bool decimalPrecision_ = false;
    bool checkBackslashes_ = false;
    bool errorsToHandler_ = false;
    // The embedded server this connection counts as a client of until it disconnects.
    TMySQLAPIEmbedded* embeddedServer_ = nullptr;
    std::vector<std::string> embParams_;
    std::string chipherList_, caCert_, key_, cert_;
    std::string serverVersionText_;
    TMySqlVersion serverVersion_;
};

// A transaction on exactly one MySQL connection, with SQL statements.
class TMySQLTransaction : public TCRTransaction {
public:
    static std::unique_ptr<TCRTransaction> Create() { return std::make_unique<TMySQLTransaction>(); }

    // The isolation level and BEGIN in one text on servers of 4.1 and later.
    void StartTransaction() override;
    void Commit() override;
    void Rollback() override;
    // Savepoint names are backquoted where needed.
    void Savepoint(const std::string& name) override;
    void ReleaseSavepoint(const std::string& name) override;
    void RollbackToSavepoint(const std::string& name) override;

    // The single connected MySQL connection of the transaction.
    TMySQLConnection* GetConnection() const;
};

} // namespace dataaccess
