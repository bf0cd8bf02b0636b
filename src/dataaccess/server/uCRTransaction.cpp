#include "dataaccess/server/uCRTransaction.h"

#include "dataaccess/server/uCRAccess.h"
#include "platform/rtl/ScopeExit.h"

#include <exception>

namespace dataaccess {

namespace {

constexpr const char* STransactionInProgress = "Can't perform operation on active transaction";
constexpr const char* STransactionNotActive = "Can't perform operation on inactive transaction";
constexpr const char* SConnectionNotActive = "One of the connections in the transaction is not active";
constexpr const char* SMTSIsolationLevel = "Transaction isolation level is not supported with MTS";

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

// ---- TMTSTransaction

bool TMTSTransaction::AddConnection(TCRConnection* connection) {
    const bool added = TCRTransaction::AddConnection(connection);
    if (added && active_) Enlist(connection);
    return added;
}

bool TMTSTransaction::RemoveConnection(TCRConnection* connection) {
    if (active_ && Connections().IndexOf(connection) >= 0) UnEnlist(connection);
    return TCRTransaction::RemoveConnection(connection);
}

void TMTSTransaction::StartTransaction() {
    CheckInactive();
    for (int i = 0; i < Connections().Count(); ++i)
        if (!Connections().Items(i)->IsConnected()) throw rtl::Exception(SConnectionNotActive);
    StartMTSTransaction();
    active_ = true;
    rtl::UndoGuard rollback([this] { Rollback(); });
    for (int i = 0; i < Connections().Count(); ++i)
        Enlist(Connections().Items(i));
    rollback.Dismiss();
}

void TMTSTransaction::Commit() {
    CheckActive();
    CompleteMTSTransaction(true);
}

void TMTSTransaction::Rollback() {
    CheckActive();
    CompleteMTSTransaction(false);
}

void TMTSTransaction::Savepoint(const std::string& name) {
    for (int i = 0; i < Connections().Count(); ++i)
        Connections().Items(i)->InternalTransaction()->Savepoint(name);
}

void TMTSTransaction::ReleaseSavepoint(const std::string& name) {
    for (int i = 0; i < Connections().Count(); ++i)
        Connections().Items(i)->InternalTransaction()->ReleaseSavepoint(name);
}

void TMTSTransaction::RollbackToSavepoint(const std::string& name) {
    for (int i = 0; i < Connections().Count(); ++i)
        Connections().Items(i)->InternalTransaction()->RollbackToSavepoint(name);
}

int32_t TMTSTransaction::CoordinatorIsolationLevel(uint8_t level) {
    switch (level) {
    case ilReadCommitted:
        return 4096;
    case ilReadUncommitted:
        return 256;
    case ilRepeatableRead:
        return 65536;
    case ilSerializable:
        return 1048576;
    default:
        throw rtl::Exception(SMTSIsolationLevel);
    }
}

void TMTSTransaction::StartMTSTransaction() {
    LoadDtcEntryPoint();
    if (!dispenser_)
        OleCheck(DtcGetTransactionManagerEx(nullptr, nullptr, kIID_ICRTransactionDispenserSC, 0, nullptr,
                                            dispenser_));
    const int32_t level = CoordinatorIsolationLevel(IsolationLevel());
    OleCheck(dispenser_->BeginTransaction(nullptr, level, 0, nullptr, transaction_));
}

void TMTSTransaction::CompleteMTSTransaction(bool commit) {
    RTL_ASSERT(transaction_);
    active_ = false;
    const std::shared_ptr<ICRTransactionSC> transaction = std::move(transaction_);
    OleCheck(commit ? transaction->Commit(false, 0, 0) : transaction->Abort(false, false));
    for (int i = 0; i < Connections().Count(); ++i)
        UnEnlist(Connections().Items(i));
}

void TMTSTransaction::Enlist(TCRConnection* connection) {
    connection->JoinDistributedTransaction(this);
}

void TMTSTransaction::UnEnlist(TCRConnection* connection) {
    connection->LeaveDistributedTransaction(this);
}

} // namespace dataaccess
