#include "components/uDAMetaData.h"

#include "components/uDAConnection.h"
#include "components/uDATransaction.h"
#include "dataaccess/uCRAccess.h"
#include "dataaccess/uCRMetaData.h"
#include "dataaccess/uDAError.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"

namespace components {

using namespace data;

TDAMetaData::TDAMetaData(TComponent* owner) : TMemDataSet(owner) {
    restrictions_.OnChange = [this](rtl::TStringList&) { Close(); };
}

TDAMetaData::~TDAMetaData() {
    Destroying();
    try {
        Close();
    } catch (...) {
        HandleApplicationException(std::current_exception());
    }
    restrictions_.OnChange = nullptr;
    SetRecordStore(nullptr);
    UnregisterConnection();
    if (transaction_) RemoveFreeNotification(transaction_);
}

void TDAMetaData::RegisterWith(TCustomDAConnection* connection) {
    connection->RegisterClient(this,
                               [this](TCustomConnection*, bool connecting) { ConnectChange(connecting); });
    FreeNotification(connection);
}

void TDAMetaData::UnregisterConnection() {
    if (!connection_) return;
    connection_->UnRegisterClient(this);
    RemoveFreeNotification(connection_);
}

void TDAMetaData::SetConnection(TCustomDAConnection* value) {
    if (value == connection_) return;
    if (connection_) {
        Close();
        UnregisterConnection();
    }
    connection_ = value;
    if (value) RegisterWith(value);
}

void TDAMetaData::SetTransaction(TDATransaction* value) {
    if (value == transaction_) return;
    if (transaction_) RemoveFreeNotification(transaction_);
    transaction_ = value;
    if (transaction_) FreeNotification(transaction_);
}

TDATransaction* TDAMetaData::UsedTransaction() const {
    if (!connection_) return nullptr;
    if (transaction_ && connection_->IsMultipleTransactionsSupported()) return transaction_;
    return connection_->CurrentTransaction();
}

void TDAMetaData::SetMetaDataKind(const std::string& value) {
    if (value == metaDataKind_) return;
    Close();
    metaDataKind_ = value;
}

void TDAMetaData::ConnectChange(bool connecting) {
    // In the disconnected mode the rows stay; the record set lets go of the server on its own.
    if (!connecting && !connection_->Options().DisconnectedMode()) Close();
}

void TDAMetaData::Notification(TComponent* component, TOperation operation) {
    TMemDataSet::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == transaction_) transaction_ = nullptr;
    if (component == connection_) {
        // The connection is mostly gone by now: let go of it without calling it.
        connection_ = nullptr;
        Close();
    }
}

void TDAMetaData::OpenConnection() {
    if (!connection_) DatabaseError("Connection is not defined", this);
    RTL_ASSERT(UsedTransaction());
    connection_->AcquireConnection();
}

void TDAMetaData::ReleaseConnection() {
    if (connection_) connection_->ReleaseConnection();
}

void TDAMetaData::OpenCursor(bool infoQuery) {
    TCustomDAConnection* connection = connection_;
    if (connection) connection->PushOperation(dataaccess::clOpen, connection->IsFailOverAllowed());
    try {
        OpenConnection();
        try {
            for (;;) {
                try {
                    TMemDataSet::OpenCursor(infoQuery);
                    break;
                } catch (const dataaccess::EFailOver&) {
                    connection->RestoreAfterFailOver();
                }
            }
        } catch (...) {
            ReleaseConnection();
            throw;
        }
        ReleaseConnection();
    } catch (...) {
        if (connection) connection->PopOperation();
        throw;
    }
    if (connection) connection->PopOperation();
}

void TDAMetaData::InternalOpen() {
    std::unique_ptr<dataaccess::TCRMetaData> provider = connection_->CreateServerMetaData();
    TDATransaction* transaction = UsedTransaction();
    dataaccess::TData& answer = provider->GetMetaData(connection_->IConnection(), transaction->ITransaction(),
                                                      metaDataKind_, restrictions_);
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
