// Pools of server connections keyed by their parameters, with a validation thread.
#pragma once

#include "dataaccess/server/uCRConnection.h"
#include "platform/data/Component.h"
#include "platform/rtl/Threads.h"
#include "platform/rtl/Variant.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace dataaccess {

class TCRConnectionPoolManager;
class TCRIOHandler;
class TValidateThread;

inline constexpr const char* SMaxConnectionsReached = "Maximum connections reached in pool";

// How long GetConnection waits for a connection to come back when all are in use, and the period
// of the validation thread.
inline constexpr uint32_t kPoolBusyWaitMs = 30000;
inline constexpr uint32_t kPoolValidateIntervalMs = 30000;
// Validation passes an idle connection survives unused; it is closed at the next one.
inline constexpr int kPoolIdlePasses = 8;

// The key of a pool: connections are shared only between users with equal parameters.
class TCRConnectionParameters : public data::TPersistent {
public:
    // A new, default object of the same class.
    virtual std::unique_ptr<TCRConnectionParameters> Create() const;
    // Server names compare ignoring case; user names and passwords exactly, since accounts that
    // differ only in case are different accounts.
    virtual bool SameAs(const TCRConnectionParameters* other) const;
    // The base knows no codes: an assertion with the code.
    virtual void SetProp(int prop, const rtl::Variant& value);
    // Create, then Assign.
    std::unique_ptr<TCRConnectionParameters> Clone() const;

    int32_t MinPoolSize = 0;
    int32_t MaxPoolSize = 100;
    std::string Username;
    std::string Server;
    std::string Password;
    // Milliseconds; 0 keeps a connection whatever its age since its last connect.
    int32_t ConnectionLifetime = 0;
    // Every connection is checked with the server before it is handed out.
    bool Validate = false;
    // Handed on to new connections; not owned.
    TCRIOHandler* IOHandler = nullptr;

protected:
    void AssignTo(data::TPersistent* dest) const override;
};

// The connections of one key. A connection handed out remembers its pool and comes back through
// ReturnConnection (TCRConnection::ReturnToPool).
class TCRConnectionPool : public TCRConnectionReturn {
public:
    TCRConnectionPool(TCRConnectionPoolManager* manager, const TCRConnectionParameters& parameters);
    virtual ~TCRConnectionPool();
    TCRConnectionPool(const TCRConnectionPool&) = delete;
    TCRConnectionPool& operator=(const TCRConnectionPool&) = delete;

    // One pass of the validation thread.
    virtual void ValidatePool() {}
    // Frees every idle connection.
    virtual void FreeIdle() {}
    // Every connection, idle or in use, is dropped when next taken or returned.
    virtual void ClearLater() {}
    // In use plus idle.
    virtual int ConnectionCount() const;
    // Takes ownership: keeps the connection for reuse or frees it.
    virtual void PutConnection(TCRConnection* connection) = 0;
    virtual std::unique_ptr<TCRConnection> GetConnection() = 0;
    // Every connection is checked with the server when next taken or returned.
    virtual void Invalidate() {}

    // Through the manager's MapReturnedConnection to PutConnection.
    void ReturnConnection(TCRConnection* connection) override;

    const TCRConnectionParameters& Parameters() const { return *parameters_; }
    TCRConnectionPoolManager* Manager() const { return manager_; }

protected:
    int inUseCount_ = 0;

private:
    friend class TCRConnectionPoolManager;

    std::unique_ptr<TCRConnectionParameters> parameters_;
    TCRConnectionPoolManager* manager_;
    // Gets through the manager under way; guarded by the manager's pools-list lock, so that the
    // validation does not free a pool a get is about to use.
    int pendingGets_ = 0;
};

// A pool that keeps its idle connections in a ring, oldest first, each with the put counter of
// its return. Version stamps drop or recheck connections in bulk: a connection whose pool version
// is below the clear counter is dropped, below the invalidate counter it is checked first.
class TCRLocalConnectionPool : public TCRConnectionPool {
public:
    TCRLocalConnectionPool(TCRConnectionPoolManager* manager, const TCRConnectionParameters& parameters);
    ~TCRLocalConnectionPool() override;

    // Checks the connections idle at its start, closes those unused for kPoolIdlePasses passes and
    // those that fail, and trims a share of the idle connections above MinPoolSize.
    void ValidatePool() override;
    void FreeIdle() override;
    void ClearLater() override;
    int ConnectionCount() const override;
    // The connection must belong to this pool (assertion).
    void PutConnection(TCRConnection* connection) override;
    // An idle connection or a new one; waits while MaxPoolSize are in use and raises
    // "Maximum connections reached in pool" when none comes back in time.
    std::unique_ptr<TCRConnection> GetConnection() override;
    void Invalidate() override;

    uint32_t BusyWait() const { return busyWaitMs_; }
    void SetBusyWait(uint32_t milliseconds) { busyWaitMs_ = milliseconds; }

protected:
    // A new, connected connection for the key.
    virtual std::unique_ptr<TCRConnection> CreateNewConnection() = 0;

private:
    struct TIdleEntry {
        std::unique_ptr<TCRConnection> Connection;
        int32_t Version = 0;
    };

    int Capacity() const { return static_cast<int>(ring_.size()); }
    // The oldest idle connection; no connection when the ring is empty.
    TIdleEntry TakeIdle();
    void PutIdle(TIdleEntry entry);
    int IdleCount() const;
    // Counts a connection in use without the limit (the ring and the in-use count never hold more
    // than MaxPoolSize together).
    void AddInUse();
    // One connection less in use: waiting gets may go on.
    void ReleaseInUse();
    bool LifetimeAllows(const TCRConnection& connection) const;
    // Asks the server and stamps the invalidate counter; true when the connection works.
    bool Revalidate(TCRConnection& connection);
    static void FreeConnection(std::unique_ptr<TCRConnection> connection);

    std::vector<TIdleEntry> ring_;
    int idleCount_ = 0;
    int head_ = 0;
    int tail_ = 0;
    int32_t putCounter_ = 0;
    // The put counter at the last validations, newest first.
    std::array<int32_t, kPoolIdlePasses> history_{};
    int surplus_ = 0;
    std::atomic<int32_t> invalidateCounter_{0};
    std::atomic<int32_t> clearCounter_{0};
    // Signalled while fewer than MaxPoolSize connections are in use.
    rtl::TEvent busyEvent_{true, true};
    uint32_t busyWaitMs_ = kPoolBusyWaitMs;
    mutable std::mutex idleLock_;
    mutable std::mutex inUseLock_;
    std::mutex putCounterLock_;
    std::mutex checkoutLock_;
};

// Owns the pools, finds the one of a key, and runs the validation thread from its creation on.
class TCRConnectionPoolManager {
public:
    explicit TCRConnectionPoolManager(uint32_t validateIntervalMs = kPoolValidateIntervalMs);
    // Stops the validation thread, then frees every pool.
    virtual ~TCRConnectionPoolManager();
    TCRConnectionPoolManager(const TCRConnectionPoolManager&) = delete;
    TCRConnectionPoolManager& operator=(const TCRConnectionPoolManager&) = delete;

    virtual std::unique_ptr<TCRConnectionPool> CreateNewPool(const TCRConnectionParameters& parameters) = 0;
    // From the pool of the key, made on first use.
    virtual std::unique_ptr<TCRConnection> GetConnection(const TCRConnectionParameters& parameters);
    // What goes back to the pool for a returned connection: the connection itself.
    virtual TCRConnection* MapReturnedConnection(TCRConnection* connection) { return connection; }

    // Frees every pool with its idle connections, under the validation lock. Connections still
    // handed out must not come back afterwards.
    void FreePools();
    int PoolCount() const;

private:
    friend class TValidateThread;

    // The first pool whose key is SameAs `parameters`, or a new one; under the pools-list lock.
    TCRConnectionPool* FindPool(const TCRConnectionParameters& parameters);
    // One pass over the pools, last to first; `stop` ends it between pools. Pools left without
    // connections are removed.
    void ValidatePools(const std::function<bool()>& stop);

    std::vector<std::unique_ptr<TCRConnectionPool>> pools_;
    mutable std::mutex poolsLock_;
    std::mutex validationLock_;
    std::unique_ptr<TValidateThread> validateThread_;
};

// Validates the manager's pools once a period until it is told to stop.
class TValidateThread : public rtl::TThread {
public:
    TValidateThread(TCRConnectionPoolManager& manager, uint32_t intervalMs)
        : manager_(manager), intervalMs_(intervalMs) {}
    ~TValidateThread() override { TerminateAndWait(); }

    // Terminate and wake the thread.
    void Stop();

protected:
    void Execute() override;

private:
    TCRConnectionPoolManager& manager_;
    uint32_t intervalMs_;
    // Signalled to end a wait at once.
    rtl::TEvent event_{true, false};
};

} // namespace dataaccess
