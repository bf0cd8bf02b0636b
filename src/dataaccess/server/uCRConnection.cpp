#include "dataaccess/server/uCRConnection.h"

#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRTransaction.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Threads.h"

namespace dataaccess {

namespace {

constexpr const char* SMTSNotSupported = "MS DTC transactions not supported";

} // namespace

TCRConnection::~TCRConnection() = default;

void TCRConnection::JoinDistributedTransaction(TCRTransaction*) {
    throw rtl::Exception(SMTSNotSupported);
}

void TCRConnection::LeaveDistributedTransaction(TCRTransaction*) {
    throw rtl::Exception(SMTSNotSupported);
}

void TCRConnection::HandleError(EDAError& error, bool& fail) {
    if (inProcessError_) return;
    int attempt = 0;
    bool reconnect = false;
    TConnLostCause cause = clUnknown;
    do {
        reconnect = attempt > 0;
        bool reexecute = false;
        if (OnError) {
            rtl::FlagScope guard(inProcessError_);
            OnError(error, fail, reconnect, reexecute, attempt, cause);
        }
        if (reconnect) {
            reconnected_ = false;
            {
                rtl::FlagScope guard(inProcessError_);
                // Failures of the reconnect never escape: the caller still holds the original error.
                if (attempt == 0) {
                    try {
                        Disconnect();
                    } catch (...) {
                        // The session is broken already; the reconnect below is what counts.
                    }
                }
                try {
                    Connect(std::string());
                    reconnected_ = true;
                    if (OnReconnected) OnReconnected();
                } catch (...) {
                    // Not reconnected: the next attempt or OnReconnectError follows.
                }
            }
            if (reconnected_ && reexecute) throw EFailOver(cause);
            ++attempt;
        } else if (attempt > 0 && !reconnected_ && OnReconnectError) {
            // The component's disconnect needs a connected connection to run its notifications.
            rtl::FlagScope guard(inProcessError_);
            connected_ = true;
            try {
                OnReconnectError();
            } catch (...) {
                // The caller raises the original error, which says more than the clean-up's.
            }
            connected_ = false;
        }
    } while (reconnect && !reconnected_);
}

void TCRConnection::Connect(const std::string&) {
    connectTime_ = rtl::GetTickCount();
    isValid_ = true;
}

void TCRConnection::ReturnToPool() {
    RTL_ASSERT(pool_ != nullptr);
    OnError = nullptr;
    component_ = nullptr;
    pool_->ReturnConnection(this);
}

bool TCRConnection::SetProp(int prop, const rtl::Variant& value) {
    switch (prop) {
    case prAutoCommit:
        autoCommit_ = value.AsBoolean();
        break;
    case prConvertEOL:
        convertEOL_ = value.AsBoolean();
        break;
    case prDisconnectedMode:
        disconnectedMode_ = value.AsBoolean();
        break;
    case prDatabase:
    case prPort:
        break; // server classes handle them
    case prEnableBCD:
        enableBCD_ = value.AsBoolean();
        break;
    case prEnableFMTBCD:
        enableFMTBCD_ = value.AsBoolean();
        break;
    case prDefaultSortType:
        defaultSortType_ = static_cast<int32_t>(value.AsInt64());
        break;
    default:
        UnknownPropError(prop);
    }
    return true;
}

bool TCRConnection::GetProp(int prop, rtl::Variant& value) {
    switch (prop) {
    case prUsername:
        value = username_;
        break;
    case prMaxStringSize:
    case prLastInsertId:
        value = 0;
        break;
    default:
        UnknownPropError(prop);
    }
    return true;
}

TCRTransaction* TCRConnection::InternalTransaction() {
    if (!internalTransaction_) {
        internalTransaction_ = GetTransactionClass()();
        internalTransaction_->AddConnection(this);
    }
    return internalTransaction_.get();
}

TCRConnection* TCRConnections::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return items_[static_cast<size_t>(index)];
}

int TCRConnections::IndexOf(const TCRConnection* connection) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == connection) return static_cast<int>(i);
    return -1;
}

void TCRConnections::Delete(int index) {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    items_.erase(items_.begin() + index);
}

} // namespace dataaccess
