// Pools of MySQL connections, keyed by everything that shapes a session.
#pragma once

#include "dataaccess/server/uCRConnectionPool.h"

#include <cstdint>
#include <memory>
#include <string>

namespace dataaccess {

// The pool key of MySQL connections: the base key plus everything that shapes a session.
class TMyConnectionParameters : public TCRConnectionParameters {
public:
    std::unique_ptr<TCRConnectionParameters> Create() const override;
    // For a key of this class also the database (exactly: its name is case-sensitive on this
    // platform and a pooled session keeps it as its current one), port, timeout, compression,
    // Unicode, character set, protocol, embedded and direct flags, and the TLS texts.
    bool SameAs(const TCRConnectionParameters* other) const override;
    // The connection's codes of the key's fields.
    void SetProp(int prop, const rtl::Variant& value) override;

    // Embedded-server parameter lines.
    std::string EmbeddedParams;
    std::string Database;
    int32_t Port = 0;
    int32_t ConnectionTimeout = 15;
    bool Compress = false;
    bool UseUnicode = false;
    std::string Charset;
    int32_t Protocol = 0; // TMyProtocol
    bool Embedded = false;
    bool Direct = true;
    std::string ChipherList;
    std::string CACert;
    std::string Key;
    std::string Cert;

protected:
    void AssignTo(data::TPersistent* dest) const override;
};

class TMyLocalConnectionPool : public TCRLocalConnectionPool {
public:
    using TCRLocalConnectionPool::TCRLocalConnectionPool;

protected:
    // A TMySQLConnection with the key's settings, connected.
    std::unique_ptr<TCRConnection> CreateNewConnection() override;
};

class TMyConnectionPoolManager : public TCRConnectionPoolManager {
public:
    using TCRConnectionPoolManager::TCRConnectionPoolManager;

    std::unique_ptr<TCRConnectionPool> CreateNewPool(const TCRConnectionParameters& parameters) override;

    // A pooled connection from the process-wide manager, made on first use.
    static std::unique_ptr<TCRConnection> AcquireConnection(const TMyConnectionParameters& parameters);
    // Frees the pools of the process-wide manager, if there is one.
    static void FreeProcessPools();
};

} // namespace dataaccess
