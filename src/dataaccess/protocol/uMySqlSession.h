// A session of the wire protocol: login, commands, server status and errors.
#pragma once

#include "dataaccess/protocol/uMySqlNet.h"
#include "dataaccess/store/uMarshal.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dataaccess {

class EMySqlException;
class TCRIOHandler;
class TMySqlResultSet;
class TMySqlStmt;
struct TMySqlFieldInfo;
using TMySqlFieldInfos = std::vector<TMySqlFieldInfo>;

class TMySqlSession;

// The result set's part in a session, defined beside the result set so that the session does not
// depend on it: reading `count` column definitions, and cutting a result loose from a closing session.
void ReadColumnDefinitions(TMySqlSession& session, uint32_t count, TMySqlFieldInfos& columns);
void DetachResult(TMySqlResultSet& result);

// SHA-1 of a byte array: the 20-byte digest.
class TSHA1Managed {
public:
    static constexpr int kHashSize = 20;
    static TBytes ComputeHash(const uint8_t* data, size_t length);
    static TBytes ComputeHash(const TBytes& data) { return ComputeHash(data.data(), data.size()); }
};

// Capability flags of the login, as the protocol numbers them.
enum TMySqlCapability : uint32_t {
    capLongPassword = 1,
    capFoundRows = 2,
    capLongFlag = 4,
    capConnectWithDb = 8,
    capCompress = 32,
    capLocalFiles = 128,
    capProtocol41 = 512,
    capSsl = 2048,
    capTransactions = 8192,
    capSecureConnection = 32768,
    capMultiStatements = 65536,
    capMultiResults = 131072,
};

// Server status bits of OK and end-of-data packets.
enum TMySqlServerStatus : uint32_t {
    srvInTransaction = 1,
    srvAutocommit = 2,
    srvMoreResultsExist = 8,
};

// Commands of the protocol.
enum TMySqlCommand : uint8_t {
    cmdQuit = 1,
    cmdInitDb = 2,
    cmdQuery = 3,
    cmdProcessKill = 12,
    cmdPing = 14,
    cmdStmtPrepare = 22,
    cmdStmtExecute = 23,
    cmdStmtClose = 25,
};

// Transport choices; values the options pass through unchanged. Other values keep the attached one.
enum TMySqlTransport : uint8_t {
    mtDefault = 0,
    mtTcp = 1,
    mtSocket = 2, // the local Unix socket
    mtPipe = 3,   // a named pipe is the Unix socket here
    mtSsl = 5,
};

// What the direct API keeps of the last failed call on a handle. A server error's message arrives as
// CR LF, "#" and the SQLSTATE, then the text; it is split here so that handlers can select by SQLSTATE.
struct TMySqlError {
    int Code = 0;
    std::string Text;
    std::string SqlState;
    // Raised while rows were dropped; the next call that can report it does.
    bool Deferred = false;

    void Clear() { *this = TMySqlError(); }
    void Store(const EMySqlException& error);
};

enum TMySqlSessionState : uint8_t {
    ssReady = 0,         // a command may be sent
    ssResultPending = 1, // a result's column definitions are read, its rows wait
    ssReadingRows = 2,   // the rows are being read one by one
};

// One connection of the library's own client/server protocol: transport, greeting, login with the
// password scramble the server asks for, commands and their replies.
class TMySqlSession {
public:
    static constexpr int kDefaultPort = 3306;
    static constexpr int kScrambleLength = 20;
    static constexpr int kOldScrambleLength = 8;
    static constexpr int kLocalFileChunk = 8192;
    static constexpr int kSkipChunk = 65536;

    TMySqlSession();
    ~TMySqlSession();
    TMySqlSession(const TMySqlSession&) = delete;
    TMySqlSession& operator=(const TMySqlSession&) = delete;

    // Empty texts and port 0 fall back to the stored values.
    void Connect(const std::string& host, const std::string& user, const std::string& password,
                 const std::string& database, int port, const std::string& pipeName, uint32_t clientFlags);
    // Raises 2014 unless ready; starts a new command with its code byte.
    void WriteCommand(uint8_t command);
    // Sends a command with its data; unless `skipReply`, reads the reply (an error packet raises).
    void SimpleCommand(uint8_t command, const uint8_t* data, int length, bool skipReply);
    // Reads the reply to a query: OK, a local-file request, or a result header and its columns.
    void ReadQueryResult();
    void SendLocalFile(const std::string& fileName);
    // Drops what is left of a pending result.
    void SkipResult();
    // Sends quit once, without waiting; the transport is closed in any case.
    void Close();
    void SelectDb(const std::string& database);
    void Ping();
    bool IsProtocol41() const;

    // LOAD DATA LOCAL is served only when enabled and only for a file the last query named.
    void SetLocalInfile(bool value) { localInfile_ = value; }
    // Notes a query about to be sent: kept while local files are enabled, and a SET NAMES changes the
    // character set name.
    void SetLastQuery(const char* text, size_t length);
    // The session's character set as chosen at login (utf8mb4 where the server has it) or by the last
    // SET NAMES.
    const std::string& CharsetName() const { return charsetName_; }

    TMySqlNet& Net() { return *net_; }
    TMySqlError& Error() { return error_; }

    // Statements and a handed-out result outlive the session only detached from it.
    void AttachStatement(TMySqlStmt* stmt) { statements_.push_back(stmt); }
    void DetachStatement(TMySqlStmt* stmt);

    TMySqlResultSet* CurrentResult() const { return currentResult_; }
    void SetCurrentResult(TMySqlResultSet* value) { currentResult_ = value; }
    void SetIOHandler(TCRIOHandler* value) { ioHandler_ = value; }
    TCRIOHandler* IOHandler() const { return ioHandler_; }

    const std::string& Host() const { return host_; }
    const std::string& User() const { return user_; }
    const std::string& Database() const { return database_; }
    const std::string& ServerVersion() const { return serverVersion_; }
    const std::string& HostInfo() const { return hostInfo_; }
    const std::string& Info() const { return info_; }
    uint32_t ClientFlags() const { return clientFlags_; }
    int Port() const { return port_; }
    uint32_t ThreadId() const { return threadId_; }
    uint32_t ServerCapabilities() const { return serverCapabilities_; }
    uint32_t ServerStatus() const { return serverStatus_; }
    void SetServerStatus(uint32_t value) { serverStatus_ = value; }
    uint32_t ServerLanguage() const { return serverLanguage_; }
    uint32_t WarningCount() const { return warningCount_; }
    void SetWarningCount(uint32_t value) { warningCount_ = value; }
    TMySqlSessionState State() const { return state_; }
    void SetState(TMySqlSessionState value) { state_ = value; }
    const TBytes& Scramble() const { return scramble_; }
    bool HasFullScramble() const { return fullScramble_; }

    uint8_t Protocol() const { return protocol_; }
    void SetProtocol(uint8_t value) { protocol_ = value; }
    void SetConnectTimeout(int seconds) { connectTimeout_ = seconds; }
    int ConnectTimeout() const { return connectTimeout_; }
    void SetReadTimeout(int seconds) { readTimeout_ = seconds; }
    int ReadTimeout() const { return readTimeout_; }
    void SetSslOptions(std::string key, std::string cert, std::string ca, std::string caPath,
                       std::string cipher);

    TMySqlFieldInfos& PendingColumns() { return *pendingColumns_; }
    int64_t AffectedRows() const { return affectedRows_; }
    void SetAffectedRows(int64_t value) { affectedRows_ = value; }
    int64_t InsertId() const { return insertId_; }
    int64_t Extra() const { return extra_; }
    void SetExtra(int64_t value) { extra_ = value; }
    uint32_t ColumnCount() const { return columnCount_; }

    // Reads the column definitions that follow a result or statement header.
    void ReadColumns(uint32_t count, TMySqlFieldInfos& columns);

private:
    void OpenTransport(const std::string& host, int port, const std::string& pipeName);
    void ReadGreeting();
    void Login(const std::string& user, const std::string& password, const std::string& database,
               uint32_t clientFlags);
    void WriteLoginFields();
    void StartTls();
    void ReadAuthResult(const std::string& password);
    void SendOldToken(const std::string& password);
    bool LocalFileAllowed(const std::string& fileName) const;

    TMySqlError error_;
    bool quitSent_ = false;
    TMySqlResultSet* currentResult_ = nullptr;
    TCRIOHandler* ioHandler_ = nullptr;
    std::unique_ptr<TMySqlNet> net_;
    std::string host_, user_, password_, database_;
    std::string serverVersion_;
    std::string hostInfo_;
    std::string info_;
    uint32_t clientFlags_ = 0;
    int port_ = 0;
    int connectTimeout_ = 0;
    int readTimeout_ = 0;
    uint32_t threadId_ = 0;
    uint32_t serverCapabilities_ = 0;
    uint32_t serverStatus_ = 0;
    uint32_t serverLanguage_ = 0;
    uint32_t warningCount_ = 0;
    TMySqlSessionState state_ = ssReady;
    TBytes scramble_;
    bool fullScramble_ = false;
    uint8_t protocol_ = mtDefault;
    std::unique_ptr<TMySqlFieldInfos> pendingColumns_;
    int64_t affectedRows_ = 0;
    int64_t insertId_ = 0;
    int64_t extra_ = 0;
    uint32_t columnCount_ = 0;
    std::string keyFile_, certFile_, caFile_, caPath_, cipherList_;
    bool localInfile_ = false;
    std::string lastQuery_;
    std::string charsetName_;
    std::vector<TMySqlStmt*> statements_;
};

// The password tokens of the login: the 4.1 one (20 bytes) over the 20-byte scramble, and the 3.23
// one (8 characters) over the first 8 scramble bytes.
TBytes Scramble41(const std::string& password, const TBytes& scramble);
TBytes Scramble323(const std::string& password, const TBytes& scramble);

} // namespace dataaccess
