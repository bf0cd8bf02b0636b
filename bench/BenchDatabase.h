#pragma once

#include <memory>
#include <string>

#include "support/MariaDBConnection.h"
#include "support/TestServer.h"

namespace bench {

// A database of the benchmark's own on the private server, dropped with the object.
class TBenchDatabase {
public:
    // The name is "bench_" and the suffix, and "_smoke" in a smoke run.
    explicit TBenchDatabase(const std::string& suffix);
    ~TBenchDatabase();
    TBenchDatabase(const TBenchDatabase&) = delete;
    TBenchDatabase& operator=(const TBenchDatabase&) = delete;

    testsupport::RawSession& Session() { return session_; }
    // A connected IDBAConnection on the database.
    std::shared_ptr<testsupport::MariaDBConnection> Connect() const;

    const std::string name;

private:
    testsupport::RawSession session_;
};

} // namespace bench
