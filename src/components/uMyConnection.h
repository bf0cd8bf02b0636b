// The MySQL connection component with its options, SSL options and transaction.
#pragma once

#include "components/uDAConnection.h"
#include "components/uDATransaction.h"
#include "dataaccess/mysql/uMySQLConnection.h"

#include <cstdint>
#include <memory>
#include <string>

namespace dataaccess {
class TMyConnectionParameters;
}

namespace components {

using TMyIsolationLevel = dataaccess::TCRIsolationLevel;
using dataaccess::TMyProtocol;

enum TDANumericType : uint8_t { ntFloat, ntBCD, ntFmtBCD };

class TCustomMyConnection;
class TMyConnection;

// Options of every MySQL connection. The writers below refuse a change while the connection is open
// ("Cannot perform this operation on an open connection") unless said otherwise.
class TCustomMyConnectionOptions : public TDAConnectionOptions {
public:
    explicit TCustomMyConnectionOptions(TCustomMyConnection* connection);

    bool UseUnicode() const { return useUnicode_; }
    void SetUseUnicode(bool value);
    const std::string& Charset() const { return charset_; }
    void SetCharset(const std::string& value);
    bool OptimizedBigInt() const { return optimizedBigInt_; }
    void SetOptimizedBigInt(bool value);
    // Reads and writes the BCD and FMTBCD flags.
    TDANumericType NumericType() const;
    void SetNumericType(TDANumericType value);

protected:
    void AssignTo(data::TPersistent* dest) const override;
    // The open-connection guard, then the value is stored and passed to the server connection.
    template <class T>
    void SetGuarded(T& field, const T& value, int prop);

private:
    bool useUnicode_ = false;
    std::string charset_;
    bool optimizedBigInt_ = false;
};

class TMyConnectionOptions : public TCustomMyConnectionOptions {
public:
    using TCustomMyConnectionOptions::TCustomMyConnectionOptions;

    bool Compress() const { return compress_; }
    void SetCompress(bool value);
    TMyProtocol Protocol() const { return protocol_; }
    void SetProtocol(TMyProtocol value);
    bool Embedded() const { return embedded_; }
    void SetEmbedded(bool value);
    // True: the library's own wire protocol; false: the MySQL client library.
    bool Direct() const { return direct_; }
    void SetDirect(bool value);
    // Accepted also while connected.
    bool CheckBackslashes() const { return checkBackslashes_; }
    void SetCheckBackslashes(bool value);

protected:
    void AssignTo(data::TPersistent* dest) const override;

private:
    bool compress_ = false;
    TMyProtocol protocol_ = dataaccess::mpDefault;
    bool embedded_ = false;
    bool direct_ = true;
    bool checkBackslashes_ = false;
};

// TLS settings of a connection; refused while it is open.
class TMyConnectionSSLOptions : public data::TPersistent {
public:
    explicit TMyConnectionSSLOptions(TMyConnection* connection) : connection_(connection) {}

    const std::string& ChipherList() const { return chipherList_; }
    void SetChipherList(const std::string& value);
    const std::string& CACert() const { return caCert_; }
    void SetCACert(const std::string& value);
    const std::string& Key() const { return key_; }
    void SetKey(const std::string& value);
    const std::string& Cert() const { return cert_; }
    void SetCert(const std::string& value);

protected:
    void AssignTo(data::TPersistent* dest) const override;

private:
    void SetGuarded(std::string& field, const std::string& value, int prop);

    TMyConnection* connection_;
    std::string chipherList_, caCert_, key_, cert_;
};

// A transaction component over MySQL connections.
class TMyTransaction : public TDATransaction {
public:
    using TDATransaction::TDATransaction;

protected:
    dataaccess::TCRTransactionClass GetITransactionClass() const override;
};

// The MySQL connection: database, timeout and client options, a TMySQLConnection made on the first
// connect and given every setting as it changes, and one-shot execution straight through the client.
class TCustomMyConnection : public TCustomDAConnection {
public:
    const std::string& Database() const { return database_; }
    // Selects the database at once on an open connection; a name the server rejects is not kept.
    void SetDatabase(const std::string& value);
    int ConnectionTimeout() const { return connectionTimeout_; }
    void SetConnectionTimeout(int value);
    TMyIsolationLevel IsolationLevel() const;
    // Refused while the used transaction is active.
    void SetIsolationLevel(TMyIsolationLevel value);
    TCustomMyConnectionOptions& MyOptions() const;

    // The log-in data and the database.
    void AssignConnectParams(const TCustomDAConnection& source) override;
    // Raises "Cannot perform this operation on an open connection" while connected.
    void CheckInactive() const;

    dataaccess::TMySQLConnection* MyIConnection() const;
    std::unique_ptr<dataaccess::TCRCommand> CreateServerCommand() const override;
    bool IsServerCommand(const dataaccess::TCRCommand& command) const override;
    std::unique_ptr<dataaccess::TCRMetaData> CreateServerMetaData() const override;

    // Without values the statement goes straight to the client and every result is dropped; with
    // values it runs through the internal command, and parameters past the values get Null.
    rtl::Variant ExecuteSQL(const std::string& text, const rtl::VariantArray& values = {}) override;
    // The routines of Database; with `allProcs` those of every schema, from the metadata.
    void ListStoredProcNames(rtl::TStringList& list, bool allProcs = false) override;
    virtual std::string GetClientVersion() = 0;

protected:
    TCustomMyConnection(data::TComponent* owner, std::unique_ptr<TCustomMyConnectionOptions> options);

    void EnsureServerConnection() override;
    // A new server connection with every setting; a copy of the open one's when there is one.
    std::unique_ptr<dataaccess::TMySQLConnection> CreateIConnection();
    // Hands every setting to a new server connection.
    virtual void SetIConnection(dataaccess::TMySQLConnection& connection);
    // The pool key of this connection's settings.
    virtual void FillConnectionParameters(dataaccess::TMyConnectionParameters& key) const;
    std::unique_ptr<TDAOneShotCommand> CreateSQL() const override;

private:
    std::string database_;
    int connectionTimeout_ = 15;
};

class TMyConnection : public TCustomMyConnection {
public:
    explicit TMyConnection(data::TComponent* owner = nullptr);
    ~TMyConnection() override;

    int Port() const { return port_; }
    // A different port disconnects first.
    void SetPort(int value);
    TMyConnectionOptions& Options() const;
    TMyConnectionSSLOptions& SSLOptions() const { return *sslOptions_; }
    void SetSSLOptions(const TMyConnectionSSLOptions& value) { sslOptions_->Assign(&value); }
    bool Embedded() const;
    void SetEmbedded(bool value);

    // "4.1.3 Direct" for the wire protocol, else the client library's version.
    std::string GetClientVersion() override;

protected:
    void AssignTo(data::TPersistent* dest) const override;
    void SetIConnection(dataaccess::TMySQLConnection& connection) override;
    void FillConnectionParameters(dataaccess::TMyConnectionParameters& key) const override;

private:
    int port_ = 3306;
    std::unique_ptr<TMyConnectionSSLOptions> sslOptions_;
};

} // namespace components
