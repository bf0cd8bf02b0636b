#include "dataaccess/server/uCRConnectionPool.h"

#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uDataUtils.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>

namespace dataaccess {

// ---- TCRConnectionParameters

std::unique_ptr<TCRConnectionParameters> TCRConnectionParameters::Create() const {
    return std::make_unique<TCRConnectionParameters>();
}

bool TCRConnectionParameters::SameAs(const TCRConnectionParameters* other) const {
    return other && MinPoolSize == other->MinPoolSize && MaxPoolSize == other->MaxPoolSize &&
           ConnectionLifetime == other->ConnectionLifetime && Validate == other->Validate &&
           IOHandler == other->IOHandler && Username == other->Username &&
           SameTextAnsi(Server, other->Server) && Password == other->Password;
}

void TCRConnectionParameters::SetProp(int prop, const rtl::Variant&) {
    UnknownPropError(prop);
}

std::unique_ptr<TCRConnectionParameters> TCRConnectionParameters::Clone() const {
    auto copy = Create();
    copy->Assign(this);
    return copy;
}

void TCRConnectionParameters::AssignTo(data::TPersistent* dest) const {
    auto* target = dynamic_cast<TCRConnectionParameters*>(dest);
    if (!target) return data::TPersistent::AssignTo(dest);
    target->MinPoolSize = MinPoolSize;
    target->MaxPoolSize = MaxPoolSize;
    target->Username = Username;
    target->Server = Server;
    target->Password = Password;
    target->ConnectionLifetime = ConnectionLifetime;
    target->Validate = Validate;
    target->IOHandler = IOHandler;
}

// ---- TCRConnectionPool

TCRConnectionPool::TCRConnectionPool(TCRConnectionPoolManager* manager,
                                     const TCRConnectionParameters& parameters)
    : parameters_(parameters.Clone()), manager_(manager) {}

TCRConnectionPool::~TCRConnectionPool() = default;

int TCRConnectionPool::ConnectionCount() const {
    return inUseCount_;
}

void TCRConnectionPool::ReturnConnection(TCRConnection* connection) {
    PutConnection(manager_ ? manager_->MapReturnedConnection(connection) : connection);
}

// ---- TCRLocalConnectionPool

TCRLocalConnectionPool::TCRLocalConnectionPool(TCRConnectionPoolManager* manager,
                                               const TCRConnectionParameters& parameters)
    : TCRConnectionPool(manager, parameters),
      ring_(static_cast<size_t>(std::max(parameters.MaxPoolSize, 0))) {}

TCRLocalConnectionPool::~TCRLocalConnectionPool() {
    FreeIdle();
}

TCRLocalConnectionPool::TIdleEntry TCRLocalConnectionPool::TakeIdle() {
    std::lock_guard lock(idleLock_);
    if (idleCount_ == 0) return {};
    TIdleEntry entry = std::move(ring_[static_cast<size_t>(head_)]);
    head_ = (head_ + 1) % Capacity();
    --idleCount_;
    return entry;
}

void TCRLocalConnectionPool::PutIdle(TIdleEntry entry) {
    std::lock_guard lock(idleLock_);
    RTL_ASSERT(idleCount_ < Capacity());
    ring_[static_cast<size_t>(tail_)] = std::move(entry);
    tail_ = (tail_ + 1) % Capacity();
    ++idleCount_;
}

int TCRLocalConnectionPool::IdleCount() const {
    std::lock_guard lock(idleLock_);
    return idleCount_;
}

void TCRLocalConnectionPool::AddInUse() {
    std::lock_guard lock(inUseLock_);
    if (++inUseCount_ >= Parameters().MaxPoolSize) busyEvent_.ResetEvent();
}

void TCRLocalConnectionPool::ReleaseInUse() {
    std::lock_guard lock(inUseLock_);
    --inUseCount_;
    busyEvent_.SetEvent();
}

bool TCRLocalConnectionPool::LifetimeAllows(const TCRConnection& connection) const {
    const int32_t lifetime = Parameters().ConnectionLifetime;
    return lifetime == 0 || rtl::GetTickCount() - connection.ConnectTime() <= static_cast<uint64_t>(lifetime);
}

bool TCRLocalConnectionPool::Revalidate(TCRConnection& connection) {
    connection.CheckIsValid();
    connection.SetPoolVersion(invalidateCounter_);
    return connection.IsValid();
}

void TCRLocalConnectionPool::FreeConnection(std::unique_ptr<TCRConnection> connection) {
    try {
        connection->Disconnect();
    } catch (...) {
        // A connection that cannot even say goodbye is gone all the same.
    }
    connection.reset();
}

std::unique_ptr<TCRConnection> TCRLocalConnectionPool::GetConnection() {
    const uint64_t start = rtl::GetTickCount();
    {
        std::lock_guard checkout(checkoutLock_);
        const uint64_t waited = rtl::GetTickCount() - start;
        const uint32_t left = waited < busyWaitMs_ ? busyWaitMs_ - static_cast<uint32_t>(waited) : 0;
        if (busyEvent_.WaitFor(left) == rtl::wrTimeout) throw rtl::Exception(SMaxConnectionsReached);
        std::lock_guard inUse(inUseLock_);
        if (inUseCount_ >= Parameters().MaxPoolSize) throw rtl::Exception(SMaxConnectionsReached);
        if (++inUseCount_ == Parameters().MaxPoolSize) busyEvent_.ResetEvent();
    }

    // The place taken above is given back, or a failed connect would shrink the pool for good.
    rtl::UndoGuard giveBack([this] { ReleaseInUse(); });
    std::unique_ptr<TCRConnection> connection;
    while (!connection) {
        TIdleEntry entry = TakeIdle();
        if (!entry.Connection) break;
        TCRConnection& candidate = *entry.Connection;
        const bool cleared = candidate.PoolVersion() < clearCounter_;
        if (cleared || ((Parameters().Validate || candidate.PoolVersion() < invalidateCounter_) &&
                        !Revalidate(candidate)))
            FreeConnection(std::move(entry.Connection));
        else
            connection = std::move(entry.Connection);
    }
    if (!connection) connection = CreateNewConnection();
    giveBack.Dismiss();
    connection->SetPool(this);
    connection->SetPoolVersion(invalidateCounter_);
    return connection;
}

void TCRLocalConnectionPool::PutConnection(TCRConnection* returned) {
    RTL_ASSERT(returned->Pool() == this);
    std::unique_ptr<TCRConnection> connection(returned);
    const bool keep = LifetimeAllows(*connection) && connection->IsValid() &&
                      connection->PoolVersion() >= clearCounter_ &&
                      (connection->PoolVersion() >= invalidateCounter_ || Revalidate(*connection));
    if (keep) {
        int32_t version;
        {
            std::lock_guard lock(putCounterLock_);
            version = ++putCounter_;
        }
        connection->SetPool(nullptr);
        PutIdle({std::move(connection), version});
    } else {
        FreeConnection(std::move(connection));
    }
    ReleaseInUse();
}

void TCRLocalConnectionPool::ValidatePool() {
    int32_t lastValidation, stale;
    {
        std::lock_guard lock(putCounterLock_);
        lastValidation = history_.front();
        stale = history_.back();
        std::move_backward(history_.begin(), history_.end() - 1, history_.end());
        history_.front() = putCounter_;
    }
    const int toRemove = (surplus_ + 6) / 8;
    const int idle = IdleCount();
    surplus_ = idle - Parameters().MinPoolSize - toRemove;

    int removed = 0;
    for (int i = 0; i < idle; ++i) {
        TIdleEntry entry = TakeIdle();
        if (!entry.Connection) break;
        AddInUse();
        TCRConnection& connection = *entry.Connection;
        const bool keep =
            entry.Version > stale && LifetimeAllows(connection) &&
            connection.PoolVersion() >= clearCounter_ &&
            ((entry.Version > lastValidation && connection.PoolVersion() >= invalidateCounter_) ||
             Revalidate(connection));
        if (keep) {
            PutIdle(std::move(entry));
        } else {
            FreeConnection(std::move(entry.Connection));
            ++removed;
        }
        ReleaseInUse();
    }
    for (; removed < toRemove; ++removed) {
        TIdleEntry entry = TakeIdle();
        if (!entry.Connection) break;
        FreeConnection(std::move(entry.Connection));
    }
}

void TCRLocalConnectionPool::FreeIdle() {
    for (TIdleEntry entry = TakeIdle(); entry.Connection; entry = TakeIdle())
        FreeConnection(std::move(entry.Connection));
}

void TCRLocalConnectionPool::ClearLater() {
    ++invalidateCounter_;
    ++clearCounter_;
}

void TCRLocalConnectionPool::Invalidate() {
    ++invalidateCounter_;
}

int TCRLocalConnectionPool::ConnectionCount() const {
    std::scoped_lock lock(idleLock_, inUseLock_);
    return inUseCount_ + idleCount_;
}

// ---- TCRConnectionPoolManager

TCRConnectionPoolManager::TCRConnectionPoolManager(uint32_t validateIntervalMs)
    : validateThread_(std::make_unique<TValidateThread>(*this, validateIntervalMs)) {
    validateThread_->Start();
}

TCRConnectionPoolManager::~TCRConnectionPoolManager() {
    validateThread_->Stop();
    validateThread_.reset();
    FreePools();
}

std::unique_ptr<TCRConnection>
TCRConnectionPoolManager::GetConnection(const TCRConnectionParameters& parameters) {
    TCRConnectionPool* pool;
    {
        std::lock_guard lock(poolsLock_);
        pool = FindPool(parameters);
        ++pool->pendingGets_;
    }
    struct TPendingGet {
        TCRConnectionPoolManager& manager;
        TCRConnectionPool& pool;
        ~TPendingGet() {
            std::lock_guard lock(manager.poolsLock_);
            --pool.pendingGets_;
        }
    } pending{*this, *pool};
    return pool->GetConnection();
}

TCRConnectionPool* TCRConnectionPoolManager::FindPool(const TCRConnectionParameters& parameters) {
    for (const auto& pool : pools_)
        if (pool->Parameters().SameAs(&parameters)) return pool.get();
    pools_.push_back(CreateNewPool(parameters));
    return pools_.back().get();
}

void TCRConnectionPoolManager::FreePools() {
    std::lock_guard validation(validationLock_);
    std::vector<std::unique_ptr<TCRConnectionPool>> pools;
    {
        std::lock_guard lock(poolsLock_);
        pools.swap(pools_);
    }
}

int TCRConnectionPoolManager::PoolCount() const {
    std::lock_guard lock(poolsLock_);
    return static_cast<int>(pools_.size());
}

void TCRConnectionPoolManager::ValidatePools(const std::function<bool()>& stop) {
    std::lock_guard validation(validationLock_);
    // Only this pass and FreePools remove pools, and both hold the validation lock; new pools are
    // appended, so the indexes below stay with their pools.
    size_t index;
    {
        std::lock_guard lock(poolsLock_);
        index = pools_.size();
    }
    while (index-- > 0) {
        if (stop()) return;
        TCRConnectionPool* pool;
        {
            std::lock_guard lock(poolsLock_);
            pool = pools_[index].get();
        }
        pool->ValidatePool();
        std::unique_ptr<TCRConnectionPool> empty;
        {
            std::lock_guard lock(poolsLock_);
            if (pool->ConnectionCount() == 0 && pool->pendingGets_ == 0) {
                empty = std::move(pools_[index]);
                pools_.erase(pools_.begin() + static_cast<std::ptrdiff_t>(index));
            }
        }
    }
}

// ---- TValidateThread

void TValidateThread::Stop() {
    Terminate();
    event_.SetEvent();
}

void TValidateThread::Execute() {
    uint64_t lastPass = rtl::GetTickCount();
    while (!Terminated()) {
        const uint64_t passed = rtl::GetTickCount() - lastPass;
        if (passed < intervalMs_ &&
            event_.WaitFor(intervalMs_ - static_cast<uint32_t>(passed)) == rtl::wrSignaled)
            return;
        lastPass = rtl::GetTickCount();
        manager_.ValidatePools([this] { return Terminated(); });
    }
}

} // namespace dataaccess
