#include "components/uDAMetaData.h"

#include "components/uDAConnection.h"
#include "components/uDATransaction.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRMetaData.h"
#include "dataaccess/store/uDAError.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"

namespace components {

using namespace data;

TDAMetaData::TDAMetaData(TComponent* owner) : TMemDataSet(owner) {
    restrictions_.OnChange = [this](rtl::TStringList&) { Close(); };
}

TDAMetaData::~TDAMetaData() {
    Destroying();
    CloseReportingErrors([this] { Close(); });
    restrictions_.OnChange = nullptr;
    SetRecordStore(nullptr);
    client_.Release();
}

void TDAMetaData::SetConnection(TCustomDAConnection* value) {
    if (value == Connection()) return;
    if (Connection()) Close();
    client_.SetConnection(value);
}

void TDAMetaData::SetMetaDataKind(const std::string& value) {
    if (value == metaDataKind_) return;
    Close();
    metaDataKind_ = value;
}

void TDAMetaData::ConnectChange(bool connecting) {
    // In the disconnected mode the rows stay; the record set lets go of the server on its own.
    if (!connecting && !Connection()->Options().DisconnectedMode()) Close();
}

void TDAMetaData::Notification(TComponent* component, TOperation operation) {
    TMemDataSet::Notification(component, operation);
    if (operation != opRemove) return;
    if (client_.Forget(component)) Close();
}

void TDAMetaData::OpenConnection() {
    if (!Connection()) DatabaseError("Connection is not defined", this);
    RTL_ASSERT(UsedTransaction());
    Connection()->AcquireConnection();
}

void TDAMetaData::ReleaseConnection() {
    if (Connection()) Connection()->ReleaseConnection();
}

void TDAMetaData::OpenCursor(bool infoQuery) {
    TCustomDAConnection* connection = Connection();
    const OperationScope operation(connection, dataaccess::clOpen,
                                   connection && connection->IsFailOverAllowed());
    OpenConnection();
    rtl::Finally(
        [&] {
            for (;;) {
                try {
                    TMemDataSet::OpenCursor(infoQuery);
                    break;
                } catch (const dataaccess::EFailOver&) {
                    connection->RestoreAfterFailOver();
                }
            }
        },
        [this] { ReleaseConnection(); });
}

void TDAMetaData::InternalOpen() {
    std::unique_ptr<dataaccess::TCRMetaData> provider = Connection()->CreateServerMetaData();
    TDATransaction* transaction = UsedTransaction();
    dataaccess::TData& answer = provider->GetMetaData(
        Connection()->IConnection(), transaction->ITransaction(), metaDataKind_, restrictions_);
    SetRecordStore(provider->ReleaseAnswer(answer));
    TMemDataSet::InternalOpen();
}

void TDAMetaData::CloseCursor() {
    TMemDataSet::CloseCursor();
    if (IsDestroying()) return;
    FieldDefs().SetUpdated(false);
    SetRecordStore(nullptr);
}

} // namespace components
