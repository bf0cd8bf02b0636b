// The MySQL client API over the embedded-server library, with the server's start and stop.
#pragma once

#include "dataaccess/mysql/uMySQLClient.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dataaccess {

// The embedded-server library: the client entry points plus the server's start and stop.
inline constexpr const char* kMySQLEmbeddedLibName = "libmariadbd.so.19";
inline constexpr uint32_t kDataFolderLockTimeout = 2000; // ms

inline constexpr const char* SSecondEmbeddedServer =
    "Cannot run second Embedded server instance for single data folder. Please see details in MyData help "
    "or MySQL Reference manual";
inline constexpr const char* SServerInitFailed = "A call to an mysql_server_init failed";

// A named lock that spans processes: an exclusive flock on a file in the temporary folder named
// after the lock. The system drops it when the holder dies, so no lock outlives its process.
class TMutex {
public:
    // The name is trimmed, lower-cased, and "/", ":" and "\" become blanks; it must not end up
    // empty. Raises EOSError when the lock file cannot be opened.
    TMutex(const std::string& name, uint32_t timeout);
    ~TMutex();
    TMutex(const TMutex&) = delete;
    TMutex& operator=(const TMutex&) = delete;

    // Waits up to the timeout; raises EOSError "<name>.Acquire = WAIT_TIMEOUT\r\n..." when the
    // lock stays taken, with the error number in place of WAIT_TIMEOUT on any other failure.
    void Acquire();
    void Release();

    const std::string& Name() const { return name_; }
    const std::string& FileName() const { return fileName_; }

private:
    std::string name_;
    std::string fileName_;
    uint32_t timeout_;
    int fd_ = -1;
};

// The data folder a server started with these parameters uses: "--datadir", else "--basedir"
// with "/data" appended, as a full path; empty when neither is given.
std::string EmbeddedDataFolder(const std::vector<std::string>& params);

// TMySQLAPI over the embedded-server library: the client binding's loader and wrappers, plus the
// server's lifetime. The first Init starts the server with the parameters handed over before it;
// later ones with the same parameter text share it; the server stops when the last of them calls
// FreeLib. The library starts its server once per process, and LoadLib and FreeLib must not run
// concurrently.
class TMySQLAPIEmbedded : public TMySQLAPIClient {
public:
    explicit TMySQLAPIEmbedded(std::string libName = kMySQLEmbeddedLibName);

    // One server option a line ("--name=value"); replaces the previous lines.
    void SetParams(std::vector<std::string> params) { params_ = std::move(params); }
    const std::vector<std::string>& Params() const { return params_; }
    int Clients() const { return clients_; }
    bool ServerStarted() const { return serverStarted_; }

    // Raises SSecondEmbeddedServer when other parameters are in use here or another process holds
    // the data folder, and SServerInitFailed with the server's output when the start fails, also
    // when the server tries to end the process while it starts. Empty and "#" lines are dropped;
    // the server gets its general log and error log in files that are unlinked after the start.
    void LoadLib() override;
    // This connection no longer needs the server; the last one stops it and unloads the library.
    void FreeLib() override;

protected:
    void NotLinked() const override;

private:
    void StartServer();

    std::vector<std::string> params_;
    std::vector<std::string> currentParams_;
    std::vector<std::string> serverArgs_; // the server may keep pointers into its arguments
    bool serverStarted_ = false;
    int clients_ = 0;
    std::unique_ptr<TMutex> dataFolderLock_;
};

// The process-wide embedded-server API object.
TMySQLAPIEmbedded& MySQLAPIEmbeddedServer();

} // namespace dataaccess
