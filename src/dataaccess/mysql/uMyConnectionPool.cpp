#include "dataaccess/mysql/uMyConnectionPool.h"

#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uData.h"
#include "platform/rtl/ScopeExit.h"

#include <mutex>

namespace dataaccess {

// ---- TMyConnectionParameters

std::unique_ptr<TCRConnectionParameters> TMyConnectionParameters::Create() const {
    return std::make_unique<TMyConnectionParameters>();
}

bool TMyConnectionParameters::SameAs(const TCRConnectionParameters* other) const {
    if (!TCRConnectionParameters::SameAs(other)) return false;
    const auto* my = dynamic_cast<const TMyConnectionParameters*>(other);
    if (!my) return true;
    return Database == my->Database && Port == my->Port && ConnectionTimeout == my->ConnectionTimeout &&
           Compress == my->Compress && UseUnicode == my->UseUnicode && Protocol == my->Protocol &&
           Embedded == my->Embedded && Direct == my->Direct && Charset == my->Charset &&
           // The client uses TLS whenever TLS texts are set, whatever the protocol: sessions made
           // with other certificates are never shared.
           ChipherList == my->ChipherList && CACert == my->CACert && Key == my->Key && Cert == my->Cert;
}

void TMyConnectionParameters::SetProp(int prop, const rtl::Variant& value) {
    switch (prop) {
    case prDatabase:
        Database = value.AsString();
        break;
    case prPort:
        Port = static_cast<int32_t>(value.AsInt64());
        break;
    case prConnectionTimeout:
        ConnectionTimeout = static_cast<int32_t>(value.AsInt64());
        break;
    case prCompress:
        Compress = value.AsBoolean();
        break;
    case prCharset:
        Charset = value.AsString();
        break;
    case prProtocol:
        Protocol = static_cast<int32_t>(value.AsInt64());
        break;
    case prUseUnicode:
        UseUnicode = value.AsBoolean();
        break;
    case prChipherList:
        ChipherList = value.AsString();
        break;
    case prCACert:
        CACert = value.AsString();
        break;
    case prKey:
        Key = value.AsString();
        break;
    case prCert:
        Cert = value.AsString();
        break;
    case prEmbedded:
        Embedded = value.AsBoolean();
        break;
    case prDirect:
        Direct = value.AsBoolean();
        break;
    default:
        TCRConnectionParameters::SetProp(prop, value);
    }
}

void TMyConnectionParameters::AssignTo(data::TPersistent* dest) const {
    if (auto* target = dynamic_cast<TMyConnectionParameters*>(dest)) {
        target->EmbeddedParams = EmbeddedParams;
        target->Database = Database;
        target->Port = Port;
        target->ConnectionTimeout = ConnectionTimeout;
        target->Compress = Compress;
        target->UseUnicode = UseUnicode;
        target->Charset = Charset;
        target->Protocol = Protocol;
        target->Embedded = Embedded;
        target->Direct = Direct;
        target->ChipherList = ChipherList;
        target->CACert = CACert;
        target->Key = Key;
        target->Cert = Cert;
    }
    TCRConnectionParameters::AssignTo(dest);
}

// ---- TMyLocalConnectionPool

std::unique_ptr<TCRConnection> TMyLocalConnectionPool::CreateNewConnection() {
    const auto* myKey = dynamic_cast<const TMyConnectionParameters*>(&Parameters());
    RTL_ASSERT(myKey);
    const TMyConnectionParameters& key = *myKey;
    auto connection = std::make_unique<TMySQLConnection>();
    connection->SetProp(prDatabase, key.Database);
    connection->SetProp(prConnectionTimeout, key.ConnectionTimeout);
    connection->SetProp(prPort, key.Port);
    connection->SetProp(prEmbedded, key.Embedded);
    connection->SetProp(prDirect, key.Direct);
    connection->SetProp(prCompress, key.Compress);
    connection->SetProp(prUseUnicode, key.UseUnicode);
    connection->SetProp(prCharset, key.Charset);
    connection->SetProp(prProtocol, key.Protocol);
    connection->SetIOHandler(key.IOHandler);
    connection->SetProp(prChipherList, key.ChipherList);
    connection->SetProp(prCACert, key.CACert);
    connection->SetProp(prKey, key.Key);
    connection->SetProp(prCert, key.Cert);
    connection->SetProp(prEmbParams, key.EmbeddedParams);
    NotifyBusyStart();
    rtl::Finally(
        [&] {
            connection->SetUsername(key.Username);
            connection->SetPassword(key.Password);
            connection->SetServer(key.Server);
            connection->Connect(std::string());
        },
        [&] { NotifyBusyEnd(); });
    return connection;
}

// ---- TMyConnectionPoolManager

namespace {

std::mutex gProcessManagerLock;
std::unique_ptr<TMyConnectionPoolManager> gProcessManager;

} // namespace

std::unique_ptr<TCRConnectionPool>
TMyConnectionPoolManager::CreateNewPool(const TCRConnectionParameters& parameters) {
    return std::make_unique<TMyLocalConnectionPool>(this, parameters);
}

std::unique_ptr<TCRConnection>
TMyConnectionPoolManager::AcquireConnection(const TMyConnectionParameters& parameters) {
    TMyConnectionPoolManager* manager;
    {
        std::lock_guard lock(gProcessManagerLock);
        if (!gProcessManager) gProcessManager = std::make_unique<TMyConnectionPoolManager>();
        manager = gProcessManager.get();
    }
    return manager->GetConnection(parameters);
}

void TMyConnectionPoolManager::FreeProcessPools() {
    std::lock_guard lock(gProcessManagerLock);
    if (gProcessManager) gProcessManager->FreePools();
}

} // namespace dataaccess
