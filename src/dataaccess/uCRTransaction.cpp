#include "dataaccess/uCRTransaction.h"

#include "dataaccess/uCRAccess.h"

namespace dataaccess {

namespace {

constexpr const char* STransactionInProgress = "Can't perform operation on active transaction";
constexpr const char* STransactionNotActive = "Can't perform operation on inactive transaction";

} // namespace

bool TCRTransaction::AddConnection(TCRConnection* connection) {
    if (connections_.IndexOf(connection) >= 0) return false;
    connections_.Add(connection);
    return true;
}

bool TCRTransaction::RemoveConnection(TCRConnection* connection) {
    const int index = connections_.IndexOf(connection);
    if (index < 0) return false;
    connections_.Delete(index);
    return true;
}

bool TCRTransaction::SetProp(int prop, const rtl::Variant& value) {
    switch (prop) {
    case prIsolationLevel:
        isolationLevel_ = static_cast<uint8_t>(value.AsInt64());
        break;
    case prTransactionReadOnly:
        readOnly_ = value.AsBoolean();
        break;
    default:
        UnknownPropError(prop);
    }
    return true;
}

bool TCRTransaction::GetProp(int prop, rtl::Variant& value) {
    switch (prop) {
    case prIsolationLevel:
        value = isolationLevel_;
        break;
    case prTransactionReadOnly:
        value = readOnly_;
        break;
    default:
        UnknownPropError(prop);
    }
    return true;
}

void TCRTransaction::StartTransaction() {
    RTL_ASSERT(false);
}

void TCRTransaction::Commit() {
    RTL_ASSERT(false);
}

void TCRTransaction::Rollback() {
    RTL_ASSERT(false);
}

void TCRTransaction::CommitRetaining() {
    throw rtl::Exception(SOperationNotSupported);
}

void TCRTransaction::RollbackRetaining() {
    throw rtl::Exception(SOperationNotSupported);
}

void TCRTransaction::Savepoint(const std::string&) {
    throw rtl::Exception(SOperationNotSupported);
}

void TCRTransaction::ReleaseSavepoint(const std::string&) {
    throw rtl::Exception(SOperationNotSupported);
}

void TCRTransaction::RollbackToSavepoint(const std::string&) {
    throw rtl::Exception(SOperationNotSupported);
}

void TCRTransaction::CheckInactive() const {
    if (active_) throw rtl::Exception(STransactionInProgress);
}

void TCRTransaction::CheckActive() const {
    if (!active_) throw rtl::Exception(STransactionNotActive);
}

} // namespace dataaccess
